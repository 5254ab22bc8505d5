#include "app/split_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/browse_button.h"
#include "app/dialog_buttons.h"
#include "settings/setting_values.h"
#include "split/split_form.h"

namespace fennimar::app {

SplitDialog::SplitDialog(wxWindow* owner, SplitForm& form)
    : wxDialog(owner, wxID_ANY, "Split file"), form_(form) {
  const int gap = FromDIP(6);
  auto* top = new wxBoxSizer(wxVERTICAL);
  top->Add(CreateTargetFields(), 0, wxEXPAND | wxALL, 2 * gap);
  top->Add(CreateChunkBox(), 0, wxEXPAND | wxLEFT | wxRIGHT, 2 * gap);
  fill_ = new wxCheckBox(this, kIdSplitFill,
                         "Try to &fill to maximum capacity when splitting to floppy disk");
  top->Add(fill_, 0, wxLEFT | wxRIGHT | wxTOP, 2 * gap);
  top->Add(CreateSetFields(), 0, wxALL, 2 * gap);
  preview_ = new wxStaticText(this, kIdSplitPreview, "File will be divided into   0      parts");
  preview_->SetFont(preview_->GetFont().Bold());
  top->Add(preview_, 0, wxLEFT | wxRIGHT, 2 * gap);
  top->Add(OkCancelButtons(this, [this] { OnOk(); }), 0, wxALIGN_RIGHT | wxALL, 2 * gap);
  BindControls();

  directory_->ChangeValue(wxString::FromUTF8(form_.directory()));
  mailTo_->ChangeValue(wxString::FromUTF8(form_.mailTo()));
  ShowForm();
  SetSizerAndFit(top);
  CentreOnParent();
  // The caret at the start of the size field, nothing selected.
  size_->SetFocus();
  size_->SetSelection(0, 0);
  size_->SetInsertionPoint(0);
}

wxSizer* SplitDialog::CreateTargetFields() {
  const int gap = FromDIP(6);
  // Label, field, and the directory's Browse button; the recipient's field
  // ends where the directory's does.
  auto* fields = new wxFlexGridSizer(2, 3, gap, gap);
  fields->AddGrowableCol(1);
  fields->Add(new wxStaticText(this, kIdSplitDirectoryLabel, "&Directory for split files"), 0,
              wxALIGN_CENTER_VERTICAL);
  directory_ =
      new wxTextCtrl(this, kIdSplitDirectoryField, "", wxDefaultPosition, wxSize(FromDIP(300), -1));
  directory_->SetMaxLength(kMaxDirectoryLength);
  fields->Add(directory_, 1, wxEXPAND);
  fields->Add(new BrowseButton(this, kIdSplitBrowse, directory_, "Bro&wse..."), 0,
              wxALIGN_CENTER_VERTICAL);
  email_ = new wxCheckBox(this, kIdSplitEmail, " &Email files");
  fields->Add(email_, 0, wxALIGN_CENTER_VERTICAL);
  auto* mailRow = new wxBoxSizer(wxHORIZONTAL);
  mailRow->Add(new wxStaticText(this, wxID_ANY, "Email &to:"), 0, wxALIGN_CENTER_VERTICAL | wxRIGHT,
               gap);
  mailTo_ = new wxTextCtrl(this, kIdSplitMailTo);
  mailRow->Add(mailTo_, 1, wxALIGN_CENTER_VERTICAL);
  fields->Add(mailRow, 1, wxEXPAND);
  fields->AddSpacer(0);
  return fields;
}

// What the set carries beside its parts: the manifest and the recovery files.
wxSizer* SplitDialog::CreateSetFields() {
  const int gap = FromDIP(6);
  auto* fields = new wxBoxSizer(wxVERTICAL);
  manifest_ = new wxCheckBox(this, kIdSplitManifest,
                             "Write a SHA-256 ma&nifest (NAME.sha256) beside the parts");
  fields->Add(manifest_, 0, wxBOTTOM, gap);
  auto* recoveryRow = new wxBoxSizer(wxHORIZONTAL);
  recoveryRow->Add(new wxStaticText(this, wxID_ANY, "Reco&very files (0: none)"), 0,
                   wxALIGN_CENTER_VERTICAL | wxRIGHT, gap);
  recovery_ = new wxSpinCtrl(this, kIdSplitRecovery, "", wxDefaultPosition, wxDefaultSize,
                             wxSP_ARROW_KEYS, 0, settings::kMaxRecoverySetting, 0);
  recoveryRow->Add(recovery_, 0, wxALIGN_CENTER_VERTICAL);
  fields->Add(recoveryRow, 0);
  return fields;
}

wxSizer* SplitDialog::CreateChunkBox() {
  const int gap = FromDIP(6);
  auto* box = new wxStaticBoxSizer(wxHORIZONTAL, this, "Chunk Size");
  wxWindow* parent = box->GetStaticBox();
  auto* choices = new wxBoxSizer(wxVERTICAL);
  chunk2DD_ = new wxRadioButton(parent, kIdSplit2DD, "&2DD Floppy size", wxDefaultPosition,
                                wxDefaultSize, wxRB_GROUP);
  chunk2HD_ = new wxRadioButton(parent, kIdSplit2HD, "2&HD Floppy size");
  chunkFat32_ = new wxRadioButton(parent, kIdSplitFat32, "FAT&32 USB stick size");
  chunkMailLimit_ = new wxRadioButton(parent, kIdSplitMailLimit, "&Mail server's limit");
  chunkOther_ = new wxRadioButton(parent, kIdSplitOther, "Othe&r");
  size_ = new wxTextCtrl(parent, kIdSplitSize, "", wxDefaultPosition, wxSize(FromDIP(110), -1));
  size_->SetMaxLength(kMaxSizeTextLength);
  choices->Add(chunk2DD_, 0, wxALL, gap / 2);
  choices->Add(chunk2HD_, 0, wxALL, gap / 2);
  choices->Add(chunkFat32_, 0, wxALL, gap / 2);
  choices->Add(chunkMailLimit_, 0, wxALL, gap / 2);
  auto* otherRow = new wxBoxSizer(wxHORIZONTAL);
  otherRow->Add(chunkOther_, 0, wxALIGN_CENTER_VERTICAL);
  otherRow->Add(size_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRESERVE_SPACE_EVEN_IF_HIDDEN, gap);
  choices->Add(otherRow, 0, wxALL, gap / 2);
  box->Add(choices, 0, wxALIGN_BOTTOM);
  box->Add(CreateUnitsBox(parent), 0,
           wxALIGN_BOTTOM | wxLEFT | wxBOTTOM | wxRESERVE_SPACE_EVEN_IF_HIDDEN, 2 * gap);
  return box;
}

wxSizer* SplitDialog::CreateUnitsBox(wxWindow* parent) {
  const int gap = FromDIP(6);
  auto* box = new wxStaticBoxSizer(wxVERTICAL, parent, "Units");
  units_ = box->GetStaticBox();
  units_->SetId(kIdSplitUnits);
  kilobytes_ = new wxRadioButton(units_, kIdSplitKilobytes, "&kBytes (1kByte=1024Bytes)",
                                 wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  bytes_ = new wxRadioButton(units_, kIdSplitBytes, "&Bytes");
  box->Add(kilobytes_, 0, wxALL, gap / 2);
  box->Add(bytes_, 0, wxALL, gap / 2);
  return box;
}

void SplitDialog::BindControls() {
  // Every click goes to the form; the controls then show what it holds.
  auto forward = [this](void (SplitForm::*action)()) {
    return [this, action](wxCommandEvent&) {
      (form_.*action)();
      ShowForm();
    };
  };
  chunk2DD_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::Choose2DD));
  chunk2HD_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::Choose2HD));
  chunkFat32_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::ChooseFat32));
  chunkMailLimit_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::ChooseMailLimit));
  chunkOther_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::ChooseOther));
  kilobytes_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::ChooseKilobytes));
  bytes_->Bind(wxEVT_RADIOBUTTON, forward(&SplitForm::ChooseBytes));
  fill_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& event) {
    form_.SetFillToCapacity(event.IsChecked());
    ShowForm();
  });
  manifest_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& event) {
    form_.SetManifest(event.IsChecked());
    ShowForm();
  });
  email_->Bind(wxEVT_CHECKBOX, [this](wxCommandEvent& event) {
    form_.SetEmail(event.IsChecked());
    ShowForm();
  });
  recovery_->Bind(wxEVT_SPINCTRL,
                  [this](wxSpinEvent& event) { form_.SetRecoveryCount(event.GetPosition()); });
  size_->Bind(wxEVT_TEXT, [this](wxCommandEvent&) {
    form_.SetSizeText(size_->GetValue().utf8_string());
    ShowForm();
  });
}

void SplitDialog::ShowForm() {
  chunk2DD_->SetValue(form_.choice() == SizeChoice::k2DD);
  chunk2HD_->SetValue(form_.choice() == SizeChoice::k2HD);
  chunkFat32_->SetValue(form_.choice() == SizeChoice::kFat32);
  chunkMailLimit_->SetValue(form_.choice() == SizeChoice::kMailLimit);
  chunkOther_->SetValue(form_.choice() == SizeChoice::kOther);
  bool sizeShown = form_.sizeControlsVisible();
  size_->Show(sizeShown);
  size_->Enable(sizeShown);
  units_->Show(sizeShown);
  kilobytes_->Show(sizeShown);
  bytes_->Show(sizeShown);
  wxString sizeText = wxString::FromUTF8(form_.sizeText());
  if (size_->GetValue() != sizeText) size_->ChangeValue(sizeText);
  kilobytes_->SetValue(form_.sizeUnitIsKilobytes());
  bytes_->SetValue(!form_.sizeUnitIsKilobytes());
  fill_->SetValue(form_.fillToCapacity());
  manifest_->SetValue(form_.manifest());
  if (recovery_->GetValue() != form_.recoveryCount()) recovery_->SetValue(form_.recoveryCount());
  email_->SetValue(form_.email());
  mailTo_->Enable(form_.mailToEnabled());
  preview_->SetLabel(wxString::FromUTF8(form_.previewText()));
  Layout();
}

void SplitDialog::OnOk() {
  form_.SetDirectory(directory_->GetValue().utf8_string());
  form_.SetMailTo(mailTo_->GetValue().utf8_string());
  // A number typed but not yet confirmed with Enter or a click counts too.
  form_.SetRecoveryCount(recovery_->GetValue());
  switch (form_.Ok()) {
    case DialogResult::kStayOpen:
      ShowForm();
      break;
    case DialogResult::kOk:
      EndModal(wxID_OK);
      break;
    case DialogResult::kCancel:
      EndModal(wxID_CANCEL);
      break;
  }
}

}  // namespace fennimar::app
