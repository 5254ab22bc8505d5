#include "app/browse_button.h"

#include <wx/dirdlg.h>
#include <wx/textctrl.h>
#include <wx/toplevel.h>

#include "app/message_box.h"
#include "platform/file_status.h"
#include "ui/message_text.h"

namespace fennimar::app {

BrowseButton::BrowseButton(wxWindow* parent, wxWindowID id, wxTextCtrl* field, const char* label)
    : wxButton(parent, id, wxString::FromUTF8(label)), field_(field) {
  Bind(wxEVT_BUTTON, [this](wxCommandEvent&) { Choose(); });
}

void BrowseButton::Choose() {
  // A field naming no directory yet (a new one, a typo) leaves the start to
  // the desktop: the chooser cannot open in a folder that is not there.
  wxString typed = field_->GetValue();
  wxString start = KindOf(typed.utf8_string()) == EntryKind::kDirectory ? typed : wxString();
  wxDirDialog chooser(wxGetTopLevelParent(this), "Choose a directory", start,
                      wxDD_DEFAULT_STYLE | wxDD_DIR_MUST_EXIST);
  if (chooser.ShowModal() != wxID_OK) return;
  wxString chosen = chooser.GetPath();
  field_->SetValue(chosen);
  // A field cuts what is longer than it takes: a cut path names another
  // directory, so the typed text comes back and the user is told.
  if (field_->GetValue() != chosen) {
    field_->ChangeValue(typed);
    ShowMessageBox(wxGetTopLevelParent(this),
                   MessageText("The path of this directory is too long for the field",
                               DisplayText(chosen.utf8_string())),
                   "Directory", MessageKind::kOkWarning);
  }
  field_->SetFocus();
}

}  // namespace fennimar::app
