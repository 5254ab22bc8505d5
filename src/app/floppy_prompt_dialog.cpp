#include "app/floppy_prompt_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>

#include "app/dialog_buttons.h"
#include "split/floppy_prompt.h"

namespace fennimar::app {

FloppyPromptDialog::FloppyPromptDialog(wxWindow* owner, FloppyPrompt& prompt)
    : wxDialog(owner, wxID_ANY, "Split file to floppy disk"), prompt_(prompt) {
  const int gap = FromDIP(6);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, kIdFloppyAboutToWrite, "About to write file:"), 0,
           wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  auto* path = new wxStaticText(this, kIdFloppyPartPath, "", wxDefaultPosition, wxDefaultSize,
                                wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
  path->SetLabelText(wxString::FromUTF8(prompt_.partPath()));
  path->SetFont(path->GetFont().Bold());
  path->SetMinSize(wxSize(FromDIP(320), -1));
  top->Add(path, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  top->Add(new wxStaticText(this, kIdFloppyInsert, "Please insert empty floppy for:"), 0,
           wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  top->Add(OkCancelButtons(this,
                           [this] {
                             if (prompt_.Ok() == DialogResult::kOk) EndModal(wxID_OK);
                           }),
           0, wxALIGN_RIGHT | wxALL, 2 * gap);
  SetSizerAndFit(top);
  CentreOnParent();
  FindWindow(wxID_OK)->SetFocus();
}

}  // namespace fennimar::app
