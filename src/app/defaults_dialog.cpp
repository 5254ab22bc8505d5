#include "app/defaults_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/choice.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/spinctrl.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/browse_button.h"
#include "app/defaults_form.h"
#include "app/dialog_buttons.h"
#include "format/path_limits.h"
#include "settings/setting_values.h"

namespace fennimar::app {
namespace {

std::string Utf8(const wxTextCtrl* field) { return field->GetValue().utf8_string(); }

wxStaticText* Hint(wxWindow* parent, const char* text) {
  auto* hint = new wxStaticText(parent, wxID_ANY, text);
  hint->SetForegroundColour(wxSystemSettings::GetColour(wxSYS_COLOUR_GRAYTEXT));
  hint->SetFont(hint->GetFont().Smaller());
  return hint;
}

}  // namespace

DefaultsDialog::DefaultsDialog(wxWindow* owner, DefaultsForm& form)
    : wxDialog(owner, wxID_ANY, "Fennimar Defaults"), form_(form) {
  const int gap = FromDIP(6);
  auto* top = new wxBoxSizer(wxVERTICAL);
  // Side by side: sizes on the left, directories on the right.
  auto* boxes = new wxBoxSizer(wxHORIZONTAL);
  boxes->Add(CreateChunkBox(), 0, wxEXPAND | wxRIGHT, gap);
  boxes->Add(CreateDirectoryBox(), 1, wxEXPAND);
  top->Add(boxes, 0, wxEXPAND | wxALL, 2 * gap);
  top->Add(CreateCheckBoxes(), 0, wxEXPAND | wxLEFT | wxRIGHT, 2 * gap);
  top->Add(CreateMailFields(), 0, wxEXPAND | wxALL, 2 * gap);
  top->Add(OkCancelButtons(this, [this] { OnOk(); }), 0,
           wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);
  BindChoices();
  ShowForm();
  FillFields();
  SetSizerAndFit(top);
  CentreOnParent();
}

wxSizer* DefaultsDialog::CreateChunkBox() {
  const int gap = FromDIP(6);
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "Chunk Size");
  wxWindow* parent = box->GetStaticBox();
  chunk2DD_ = new wxRadioButton(parent, kId2DD, "&2DD Floppy (720kB)", wxDefaultPosition,
                                wxDefaultSize, wxRB_GROUP);
  chunk2HD_ = new wxRadioButton(parent, kId2HD, "2&HD Floppy (1.44MB)");
  chunkOther_ = new wxRadioButton(parent, kIdOther, "O&ther ");
  otherSize_ = new wxTextCtrl(parent, kIdOtherSize, "", wxDefaultPosition, wxSize(FromDIP(90), -1));
  otherSize_->SetMaxLength(kMaxSizeTextLength);
  kilobytes_ = new wxStaticText(parent, kIdKilobytesLabel, "kB");
  box->Add(chunk2DD_, 0, wxALL, gap / 2);
  box->Add(chunk2HD_, 0, wxALL, gap / 2);
  auto* otherRow = new wxBoxSizer(wxHORIZONTAL);
  otherRow->Add(chunkOther_, 0, wxALIGN_CENTER_VERTICAL);
  otherRow->Add(otherSize_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRESERVE_SPACE_EVEN_IF_HIDDEN,
                gap);
  otherRow->Add(kilobytes_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRESERVE_SPACE_EVEN_IF_HIDDEN,
                gap);
  box->Add(otherRow, 0, wxALL, gap / 2);
  return box;
}

wxSizer* DefaultsDialog::CreateDirectoryBox() {
  const int gap = FromDIP(6);
  const wxSize fieldSize(FromDIP(260), -1);
  auto* box = new wxStaticBoxSizer(wxVERTICAL, this, "Default Directory");
  wxWindow* parent = box->GetStaticBox();
  same_ = new wxRadioButton(parent, kIdSameAsSource, "The s&ame as source", wxDefaultPosition,
                            wxDefaultSize, wxRB_GROUP);
  predefined_ = new wxRadioButton(parent, kIdPredefined, "P&redefined    ");
  // Each label comes just before its field, so that its access key reaches
  // the field.
  auto* splitLabel = new wxStaticText(parent, wxID_ANY, "for &Splitting");
  splitDirectory_ = new wxTextCtrl(parent, kIdSplitDirectory, "", wxDefaultPosition, fieldSize);
  splitDirectory_->SetMaxLength(kMaxDirectoryLength);
  auto* mergeLabel = new wxStaticText(parent, wxID_ANY, "for &Merge");
  mergeDirectory_ = new wxTextCtrl(parent, kIdMergeDirectory, "", wxDefaultPosition, fieldSize);
  mergeDirectory_->SetMaxLength(kMaxDirectoryLength);
  // "Pass&word" below has the W.
  splitBrowse_ = new BrowseButton(parent, kIdSplitDirectoryBrowse, splitDirectory_, kBrowse);
  mergeBrowse_ = new BrowseButton(parent, kIdMergeDirectoryBrowse, mergeDirectory_, kBrowse);

  box->Add(same_, 0, wxALL, gap / 2);
  auto* grid = new wxFlexGridSizer(4, gap, gap);
  grid->Add(predefined_, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(splitLabel, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(splitDirectory_, 1, wxEXPAND | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->Add(splitBrowse_, 0, wxALIGN_CENTER_VERTICAL | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->AddSpacer(0);
  grid->Add(mergeLabel, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(mergeDirectory_, 1, wxEXPAND | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->Add(mergeBrowse_, 0, wxALIGN_CENTER_VERTICAL | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->AddGrowableCol(2);
  box->Add(grid, 0, wxEXPAND | wxALL, gap / 2);
  return box;
}

wxSizer* DefaultsDialog::CreateCheckBoxes() {
  auto* column = new wxBoxSizer(wxVERTICAL);
  // "recomended": the label's own spelling, kept on purpose.
  continueOnError_ =
      new wxCheckBox(this, kIdContinueOnChecksumError,
                     " Continue to merge file even when checksum &errors (not recomended)");
  fillToMaximum_ =
      new wxCheckBox(this, kIdFillToMaximum, "Try to &fill to maximum when copying to floppy disk");
  manifest_ = new wxCheckBox(this, kIdManifest, "Write a SHA-256 ma&nifest");
  auto* recoveryRow = new wxBoxSizer(wxHORIZONTAL);
  recoveryRow->Add(new wxStaticText(this, wxID_ANY, "Reco&very files (0: none)"), 0,
                   wxALIGN_CENTER_VERTICAL | wxRIGHT, FromDIP(6));
  recovery_ = new wxSpinCtrl(this, kIdRecovery, "", wxDefaultPosition, wxDefaultSize,
                             wxSP_ARROW_KEYS, 0, settings::kMaxRecoverySetting, 0);
  recoveryRow->Add(recovery_, 0, wxALIGN_CENTER_VERTICAL);
  column->Add(continueOnError_);
  column->Add(fillToMaximum_, 0, wxTOP, FromDIP(12));
  column->Add(manifest_, 0, wxTOP, FromDIP(12));
  column->Add(recoveryRow, 0, wxTOP, FromDIP(6));
  return column;
}

wxSizer* DefaultsDialog::CreateMailFields() {
  const int gap = FromDIP(6);
  const wxSize fieldSize(FromDIP(260), -1);
  const wxSize shortSize(FromDIP(70), -1);
  auto* grid = new wxFlexGridSizer(2, gap / 2, gap);
  auto label = [&](const char* text) {
    grid->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL);
  };
  // Two fields on one row; the one marked grows with the dialog.
  auto pair = [&](wxWindow* first, const char* text, wxWindow* second, bool secondGrows) {
    auto* row = new wxBoxSizer(wxHORIZONTAL);
    row->Add(first, secondGrows ? 0 : 1, wxEXPAND);
    row->Add(new wxStaticText(this, wxID_ANY, text), 0, wxALIGN_CENTER_VERTICAL | wxLEFT, gap);
    row->Add(second, secondGrows ? 1 : 0, wxLEFT, gap);
    grid->Add(row, 1, wxEXPAND);
  };
  auto hint = [&](const char* text) {
    grid->AddSpacer(0);
    grid->Add(Hint(this, text), 0, wxBOTTOM, gap);
  };
  label("SMT&P Host:");
  smtpHost_ = new wxTextCtrl(this, kIdSmtpHost, "", wxDefaultPosition, fieldSize);
  smtpHost_->SetMaxLength(kDefaultsMailLength);
  smtpPort_ = new wxTextCtrl(this, kIdSmtpPort, "", wxDefaultPosition, shortSize);
  smtpPort_->SetMaxLength(kPortLength);
  pair(smtpHost_, "P&ort:", smtpPort_, false);
  hint("for example mail.example.org; an empty port is 25, 587 or 465 by security");
  label("Secur&ity:");
  security_ = new wxChoice(this, kIdSmtpSecurity);
  security_->Append("None (plain text)");
  security_->Append("STARTTLS");
  security_->Append("TLS");
  smtpUser_ = new wxTextCtrl(this, kIdSmtpUser, "", wxDefaultPosition, wxDefaultSize);
  smtpUser_->SetMaxLength(kDefaultsMailLength);
  pair(security_, "&User name:", smtpUser_, true);
  label("Pass&word:");
  password_ =
      new wxTextCtrl(this, kIdSmtpPassword, "", wxDefaultPosition, fieldSize, wxTE_PASSWORD);
  grid->Add(password_, 1, wxEXPAND);
#ifdef _WIN32
  hint("kept in the Credential Manager; leave empty to keep the stored one");
#else
  hint("kept in the desktop's keyring; leave empty to keep the stored one");
#endif
  label("M&y Email Address:");
  myAddress_ = new wxTextCtrl(this, kIdMyAddress, "", wxDefaultPosition, fieldSize);
  myAddress_->SetMaxLength(kDefaultsMailLength);
  grid->Add(myAddress_, 1, wxEXPAND);
  hint("for example Jane Doe <jane@example.org>");
  grid->AddGrowableCol(1);
  return grid;
}

void DefaultsDialog::BindChoices() {
  auto chunk = [this](ChunkChoice choice) {
    return [this, choice](wxCommandEvent&) {
      form_.ChooseChunk(choice);
      ShowForm();
    };
  };
  chunk2DD_->Bind(wxEVT_RADIOBUTTON, chunk(ChunkChoice::k2DD));
  chunk2HD_->Bind(wxEVT_RADIOBUTTON, chunk(ChunkChoice::k2HD));
  chunkOther_->Bind(wxEVT_RADIOBUTTON, chunk(ChunkChoice::kOther));
  auto directory = [this](DirectoryChoice choice) {
    return [this, choice](wxCommandEvent&) {
      form_.ChooseDirectory(choice);
      ShowForm();
    };
  };
  same_->Bind(wxEVT_RADIOBUTTON, directory(DirectoryChoice::kSameAsSource));
  predefined_->Bind(wxEVT_RADIOBUTTON, directory(DirectoryChoice::kPredefined));
}

void DefaultsDialog::FillFields() {
  otherSize_->ChangeValue(wxString::FromUTF8(form_.otherSize()));
  splitDirectory_->ChangeValue(wxString::FromUTF8(form_.splitDirectory()));
  mergeDirectory_->ChangeValue(wxString::FromUTF8(form_.mergeDirectory()));
  continueOnError_->SetValue(form_.continueOnChecksumError());
  fillToMaximum_->SetValue(form_.fillToMaximum());
  manifest_->SetValue(form_.manifest());
  recovery_->SetValue(form_.recoveryCount());
  smtpHost_->ChangeValue(wxString::FromUTF8(form_.smtpHost()));
  myAddress_->ChangeValue(wxString::FromUTF8(form_.myAddress()));
  smtpPort_->ChangeValue(wxString::FromUTF8(form_.smtpPort()));
  // A stored value that names no security shows no choice.
  security_->SetSelection(form_.security() ? static_cast<int>(*form_.security()) : wxNOT_FOUND);
  smtpUser_->ChangeValue(wxString::FromUTF8(form_.smtpUser()));
}

void DefaultsDialog::ShowForm() {
  chunk2DD_->SetValue(form_.chunkChoice() == ChunkChoice::k2DD);
  chunk2HD_->SetValue(form_.chunkChoice() == ChunkChoice::k2HD);
  chunkOther_->SetValue(form_.chunkChoice() == ChunkChoice::kOther);
  otherSize_->Show(form_.otherSizeVisible());
  otherSize_->Enable(form_.otherSizeVisible());
  kilobytes_->Show(form_.otherSizeVisible());
  same_->SetValue(form_.directoryChoice() == DirectoryChoice::kSameAsSource);
  predefined_->SetValue(form_.directoryChoice() == DirectoryChoice::kPredefined);
  splitDirectory_->Show(form_.directoriesVisible());
  splitDirectory_->Enable(form_.directoriesVisible());
  mergeDirectory_->Show(form_.directoriesVisible());
  mergeDirectory_->Enable(form_.directoriesVisible());
  splitBrowse_->Show(form_.directoriesVisible());
  mergeBrowse_->Show(form_.directoriesVisible());
}

void DefaultsDialog::OnOk() {
  form_.SetOtherSize(Utf8(otherSize_));
  form_.SetSplitDirectory(Utf8(splitDirectory_));
  form_.SetMergeDirectory(Utf8(mergeDirectory_));
  form_.SetContinueOnChecksumError(continueOnError_->GetValue());
  form_.SetFillToMaximum(fillToMaximum_->GetValue());
  form_.SetManifest(manifest_->GetValue());
  form_.SetRecoveryCount(recovery_->GetValue());
  form_.SetSmtpHost(Utf8(smtpHost_));
  form_.SetMyAddress(Utf8(myAddress_));
  form_.SetSmtpPort(Utf8(smtpPort_));
  if (security_->GetSelection() != wxNOT_FOUND) {
    form_.ChooseSecurity(static_cast<SmtpSecurity>(security_->GetSelection()));
  }
  form_.SetSmtpUser(Utf8(smtpUser_));
  form_.SetPassword(Utf8(password_));
  if (form_.Ok() != DialogResult::kStayOpen) EndModal(wxID_OK);
}

}  // namespace fennimar::app
