// DefaultsDialog: the modal dialog "Fennimar Defaults" over a DefaultsForm.
// The dialog shows the form's state and forwards every edit and click; OK
// closes when the form says so.
#pragma once

#include <wx/dialog.h>

class wxButton;
class wxCheckBox;
class wxChoice;
class wxRadioButton;
class wxSpinCtrl;
class wxSizer;
class wxStaticText;
class wxTextCtrl;

namespace fennimar::app {

class DefaultsForm;

// The controls' ids.
inline constexpr int kId2DD = 402;
inline constexpr int kId2HD = 403;
inline constexpr int kIdOther = 404;
inline constexpr int kIdOtherSize = 405;
inline constexpr int kIdKilobytesLabel = 501;
inline constexpr int kIdSameAsSource = 407;
inline constexpr int kIdPredefined = 408;
inline constexpr int kIdSplitDirectory = 409;
inline constexpr int kIdMergeDirectory = 1023;
inline constexpr int kIdSplitDirectoryBrowse = 410;
inline constexpr int kIdMergeDirectoryBrowse = 411;
inline constexpr int kIdContinueOnChecksumError = 1000;
inline constexpr int kIdFillToMaximum = 1020;
inline constexpr int kIdSmtpHost = 1028;
inline constexpr int kIdMyAddress = 1024;
inline constexpr int kIdSmtpPort = 1030;
inline constexpr int kIdSmtpSecurity = 1031;
inline constexpr int kIdSmtpUser = 1032;
inline constexpr int kIdSmtpPassword = 1033;
inline constexpr int kIdManifest = 1034;
inline constexpr int kIdRecovery = 1035;

class DefaultsDialog : public wxDialog {
 public:
  // `form` must be opened and outlive the dialog.
  DefaultsDialog(wxWindow* owner, DefaultsForm& form);

 private:
  // One function per group of controls, top to bottom.
  wxSizer* CreateChunkBox();
  wxSizer* CreateDirectoryBox();
  wxSizer* CreateCheckBoxes();
  wxSizer* CreateMailFields();
  void BindChoices();
  // Fills the edits and check boxes once; afterwards they hold what the user
  // types.
  void FillFields();
  // Mirrors the form's choices and what they show or hide.
  void ShowForm();
  void OnOk();

  DefaultsForm& form_;
  wxRadioButton* chunk2DD_;
  wxRadioButton* chunk2HD_;
  wxRadioButton* chunkOther_;
  wxTextCtrl* otherSize_;
  wxStaticText* kilobytes_;
  wxRadioButton* same_;
  wxRadioButton* predefined_;
  wxTextCtrl* splitDirectory_;
  wxTextCtrl* mergeDirectory_;
  wxButton* splitBrowse_;
  wxButton* mergeBrowse_;
  wxCheckBox* continueOnError_;
  wxCheckBox* fillToMaximum_;
  wxCheckBox* manifest_;
  wxSpinCtrl* recovery_;
  wxTextCtrl* smtpHost_;
  wxTextCtrl* myAddress_;
  wxTextCtrl* smtpPort_;
  wxChoice* security_;
  wxTextCtrl* smtpUser_;
  wxTextCtrl* password_;
};

}  // namespace fennimar::app
