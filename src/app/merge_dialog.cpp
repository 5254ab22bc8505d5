#include "app/merge_dialog.h"

#include <wx/button.h>
#include <wx/sizer.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/browse_button.h"
#include "app/dialog_buttons.h"
#include "format/path_limits.h"
#include "merge/disk_prompt_form.h"
#include "merge/merge_form.h"

namespace fennimar::app {

// Paths are taken as typed: on a file system that tells upper from lower
// case, turning letters to upper case would name another directory.
MergeDialog::MergeDialog(wxWindow* owner, MergeForm& form)
    : wxDialog(owner, wxID_ANY, "Merge file"), form_(form) {
  const int gap = FromDIP(6);
  auto* top = new wxBoxSizer(wxVERTICAL);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(new wxStaticText(this, kIdMergeDirectoryLabel, "&Directory for merge file"), 0,
           wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
  directory_ = new wxTextCtrl(this, kIdMergeDirectoryField, wxString::FromUTF8(form_.field()),
                              wxDefaultPosition, wxSize(FromDIP(300), -1));
  directory_->SetMaxLength(kMaxDirectoryLength);
  row->Add(directory_, 1, wxALIGN_CENTER_VERTICAL);
  row->Add(new BrowseButton(this, kIdMergeBrowse, directory_, "Bro&wse..."), 0,
           wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
  top->Add(row, 0, wxEXPAND | wxALL, 2 * gap);
  top->Add(OkCancelButtons(this,
                           [this] {
                             form_.SetField(directory_->GetValue().utf8_string());
                             if (form_.Ok() == DialogResult::kOk) EndModal(wxID_OK);
                           }),
           0, wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
  SetSizerAndFit(top);
  CentreOnParent();
  directory_->SetFocus();
  directory_->SetSelection(0, 0);
  directory_->SetInsertionPoint(0);
}

DiskPromptDialog::DiskPromptDialog(wxWindow* owner, DiskPromptForm& form)
    : wxDialog(owner, wxID_ANY, "Merge file "), form_(form) {  // the blank is deliberate
  const int gap = FromDIP(6);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(new wxStaticText(this, kIdDiskPromptInsert, "Please insert disk with:"), 0,
           wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  auto* missing = new wxStaticText(this, kIdDiskPromptPath, "", wxDefaultPosition, wxDefaultSize,
                                   wxST_NO_AUTORESIZE | wxST_ELLIPSIZE_MIDDLE);
  missing->SetLabelText(wxString::FromUTF8(form_.missingPath()));
  missing->SetFont(missing->GetFont().Bold());
  missing->SetMinSize(wxSize(FromDIP(340), -1));
  top->Add(missing, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  top->Add(new wxStaticText(this, kIdDiskPromptNewPathLabel, "or specify &new path:"), 0,
           wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  newPath_ = new wxTextCtrl(this, kIdDiskPromptNewPath, "");
  newPath_->SetMaxLength(kMaxDirectoryLength);
  auto* row = new wxBoxSizer(wxHORIZONTAL);
  row->Add(newPath_, 1, wxALIGN_CENTER_VERTICAL);
  row->Add(new BrowseButton(this, kIdDiskPromptBrowse, newPath_, "Bro&wse..."), 0,
           wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
  top->Add(row, 0, wxEXPAND | wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  top->Add(OkCancelButtons(this,
                           [this] {
                             form_.SetField(newPath_->GetValue().utf8_string());
                             if (form_.Ok() == DialogResult::kOk) EndModal(wxID_OK);
                           }),
           0, wxALIGN_RIGHT | wxALL, 2 * gap);
  SetSizerAndFit(top);
  CentreOnParent();
  newPath_->SetFocus();
}

}  // namespace fennimar::app
