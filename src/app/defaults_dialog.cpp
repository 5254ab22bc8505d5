#include "app/defaults_dialog.h"

#include <wx/button.h>
#include <wx/checkbox.h>
#include <wx/radiobut.h>
#include <wx/settings.h>
#include <wx/sizer.h>
#include <wx/statbox.h>
#include <wx/stattext.h>
#include <wx/textctrl.h>

#include "app/defaults_form.h"
#include "app/dialog_buttons.h"

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
  const int fieldWidth = FromDIP(260);
  auto* top = new wxBoxSizer(wxVERTICAL);

  // Chunk size.
  auto* chunkBox = new wxStaticBoxSizer(wxVERTICAL, this, "Chunk Size");
  wxWindow* chunkParent = chunkBox->GetStaticBox();
  chunk2DD_ = new wxRadioButton(chunkParent, kId2DD, "2DD Floppy (720kB)", wxDefaultPosition,
                                wxDefaultSize, wxRB_GROUP);
  chunk2HD_ = new wxRadioButton(chunkParent, kId2HD, "2HD Floppy (1.44MB)");
  chunkOther_ = new wxRadioButton(chunkParent, kIdOther, "Other ");
  otherSize_ =
      new wxTextCtrl(chunkParent, kIdOtherSize, "", wxDefaultPosition, wxSize(FromDIP(90), -1));
  otherSize_->SetMaxLength(kOtherSizeLength);
  kilobytes_ = new wxStaticText(chunkParent, kIdKilobytesLabel, "kB");
  chunkBox->Add(chunk2DD_, 0, wxALL, gap / 2);
  chunkBox->Add(chunk2HD_, 0, wxALL, gap / 2);
  auto* otherRow = new wxBoxSizer(wxHORIZONTAL);
  otherRow->Add(chunkOther_, 0, wxALIGN_CENTER_VERTICAL);
  otherRow->Add(otherSize_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRESERVE_SPACE_EVEN_IF_HIDDEN,
                gap);
  otherRow->Add(kilobytes_, 0, wxALIGN_CENTER_VERTICAL | wxLEFT | wxRESERVE_SPACE_EVEN_IF_HIDDEN,
                gap);
  chunkBox->Add(otherRow, 0, wxALL, gap / 2);

  // Directories.
  auto* directoryBox = new wxStaticBoxSizer(wxVERTICAL, this, "Default Directory");
  wxWindow* directoryParent = directoryBox->GetStaticBox();
  same_ = new wxRadioButton(directoryParent, kIdSameAsSource, "The same as source",
                            wxDefaultPosition, wxDefaultSize, wxRB_GROUP);
  predefined_ = new wxRadioButton(directoryParent, kIdPredefined, "Predefined    ");
  splitDirectory_ = new wxTextCtrl(directoryParent, kIdSplitDirectory, "", wxDefaultPosition,
                                   wxSize(fieldWidth, -1));
  splitDirectory_->SetMaxLength(kDefaultsDirectoryLength);
  mergeDirectory_ = new wxTextCtrl(directoryParent, kIdMergeDirectory, "", wxDefaultPosition,
                                   wxSize(fieldWidth, -1));
  mergeDirectory_->SetMaxLength(kDefaultsDirectoryLength);
  directoryBox->Add(same_, 0, wxALL, gap / 2);
  auto* grid = new wxFlexGridSizer(3, gap, gap);
  grid->Add(predefined_, 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(new wxStaticText(directoryParent, wxID_ANY, "for Splitting"), 0,
            wxALIGN_CENTER_VERTICAL);
  grid->Add(splitDirectory_, 1, wxEXPAND | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->AddSpacer(0);
  grid->Add(new wxStaticText(directoryParent, wxID_ANY, "for Merge"), 0, wxALIGN_CENTER_VERTICAL);
  grid->Add(mergeDirectory_, 1, wxEXPAND | wxRESERVE_SPACE_EVEN_IF_HIDDEN);
  grid->AddGrowableCol(2);
  directoryBox->Add(grid, 0, wxEXPAND | wxALL, gap / 2);

  // Side by side when there is room: sizes on the left, directories right.
  auto* boxes = new wxBoxSizer(wxHORIZONTAL);
  boxes->Add(chunkBox, 0, wxEXPAND | wxRIGHT, gap);
  boxes->Add(directoryBox, 1, wxEXPAND);
  top->Add(boxes, 0, wxEXPAND | wxALL, 2 * gap);

  continueOnError_ =
      new wxCheckBox(this, kIdContinueOnChecksumError,
                     " Continue to merge file even when checksum errors (not recomended)");
  fillToMaximum_ =
      new wxCheckBox(this, kIdFillToMaximum, "Try to fill to maximum when copying to floppy disk");
  top->Add(continueOnError_, 0, wxLEFT | wxRIGHT, 2 * gap);
  top->Add(fillToMaximum_, 0, wxLEFT | wxRIGHT | wxTOP, 2 * gap);

  auto* mail = new wxFlexGridSizer(2, gap / 2, gap);
  smtpHost_ = new wxTextCtrl(this, kIdSmtpHost, "", wxDefaultPosition, wxSize(fieldWidth, -1));
  smtpHost_->SetMaxLength(kDefaultsMailLength);
  myAddress_ = new wxTextCtrl(this, kIdMyAddress, "", wxDefaultPosition, wxSize(fieldWidth, -1));
  myAddress_->SetMaxLength(kDefaultsMailLength);
  mail->Add(new wxStaticText(this, wxID_ANY, "SMTP Host:"), 0, wxALIGN_CENTER_VERTICAL);
  mail->Add(smtpHost_, 1, wxEXPAND);
  mail->AddSpacer(0);
  mail->Add(Hint(this, "for example mail.example.org"), 0, wxBOTTOM, gap);
  mail->Add(new wxStaticText(this, wxID_ANY, "My Email Address:"), 0, wxALIGN_CENTER_VERTICAL);
  mail->Add(myAddress_, 1, wxEXPAND);
  mail->AddSpacer(0);
  mail->Add(Hint(this, "for example Jane Doe <jane@example.org>"));
  mail->AddGrowableCol(1);
  top->Add(mail, 0, wxEXPAND | wxALL, 2 * gap);

  top->Add(OkCancelButtons(this, [this] { OnOk(); }), 0,
           wxALIGN_RIGHT | wxLEFT | wxRIGHT | wxBOTTOM, 2 * gap);

  auto click = [this](ChunkChoice choice) {
    return [this, choice](wxCommandEvent&) {
      form_.ChooseChunk(choice);
      ShowForm();
    };
  };
  chunk2DD_->Bind(wxEVT_RADIOBUTTON, click(ChunkChoice::k2DD));
  chunk2HD_->Bind(wxEVT_RADIOBUTTON, click(ChunkChoice::k2HD));
  chunkOther_->Bind(wxEVT_RADIOBUTTON, click(ChunkChoice::kOther));
  auto directory = [this](DirectoryChoice choice) {
    return [this, choice](wxCommandEvent&) {
      form_.ChooseDirectory(choice);
      ShowForm();
    };
  };
  same_->Bind(wxEVT_RADIOBUTTON, directory(DirectoryChoice::kSameAsSource));
  predefined_->Bind(wxEVT_RADIOBUTTON, directory(DirectoryChoice::kPredefined));

  ShowForm();
  // The edits are filled once; afterwards they hold what the user types.
  otherSize_->ChangeValue(wxString::FromUTF8(form_.otherSize()));
  splitDirectory_->ChangeValue(wxString::FromUTF8(form_.splitDirectory()));
  mergeDirectory_->ChangeValue(wxString::FromUTF8(form_.mergeDirectory()));
  continueOnError_->SetValue(form_.continueOnChecksumError());
  fillToMaximum_->SetValue(form_.fillToMaximum());
  smtpHost_->ChangeValue(wxString::FromUTF8(form_.smtpHost()));
  myAddress_->ChangeValue(wxString::FromUTF8(form_.myAddress()));

  SetSizerAndFit(top);
  CentreOnParent();
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
}

void DefaultsDialog::OnOk() {
  form_.SetOtherSize(Utf8(otherSize_));
  form_.SetSplitDirectory(Utf8(splitDirectory_));
  form_.SetMergeDirectory(Utf8(mergeDirectory_));
  form_.SetContinueOnChecksumError(continueOnError_->GetValue());
  form_.SetFillToMaximum(fillToMaximum_->GetValue());
  form_.SetSmtpHost(Utf8(smtpHost_));
  form_.SetMyAddress(Utf8(myAddress_));
  if (form_.Ok() != DialogResult::kStayOpen) EndModal(wxID_OK);
}

}  // namespace fennimar::app
