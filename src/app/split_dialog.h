// SplitDialog: the modal dialog "Split file" over a SplitForm. Every edit
// and click goes to the form, and the controls then show the form's state:
// the size choice, the size field and its units, the preview of the number
// of parts, the fill, manifest and e-mail boxes, the recovery files. OK closes when the form
// accepts.
#pragma once

#include <wx/dialog.h>

class wxCheckBox;
class wxRadioButton;
class wxSpinCtrl;
class wxSizer;
class wxStaticBox;
class wxStaticText;
class wxTextCtrl;

namespace fennimar {
class SplitForm;
}

namespace fennimar::app {

// The controls' ids.
inline constexpr int kIdSplitDirectoryLabel = 102;
inline constexpr int kIdSplitSize = 103;
inline constexpr int kIdSplitDirectoryField = 104;
inline constexpr int kIdSplitBytes = 110;
inline constexpr int kIdSplitKilobytes = 111;
inline constexpr int kIdSplitEmail = 1024;
inline constexpr int kIdSplitMailTo = 1025;
inline constexpr int kIdSplit2DD = 1014;
inline constexpr int kIdSplit2HD = 1015;
inline constexpr int kIdSplitOther = 1016;
inline constexpr int kIdSplitUnits = 1017;
inline constexpr int kIdSplitPreview = 1018;
inline constexpr int kIdSplitFill = 1020;
inline constexpr int kIdSplitFat32 = 1021;
inline constexpr int kIdSplitMailLimit = 1022;
inline constexpr int kIdSplitBrowse = 1026;
inline constexpr int kIdSplitManifest = 1027;
inline constexpr int kIdSplitRecovery = 1028;

class SplitDialog : public wxDialog {
 public:
  // `form` must be opened and outlive the dialog.
  SplitDialog(wxWindow* owner, SplitForm& form);

 private:
  // One function per group of controls, top to bottom.
  wxSizer* CreateTargetFields();
  wxSizer* CreateChunkBox();
  wxSizer* CreateUnitsBox(wxWindow* parent);
  wxSizer* CreateSetFields();
  void BindControls();
  void ShowForm();
  void OnOk();

  SplitForm& form_;
  wxTextCtrl* directory_;
  wxCheckBox* email_;
  wxTextCtrl* mailTo_;
  wxRadioButton* chunk2DD_;
  wxRadioButton* chunk2HD_;
  wxRadioButton* chunkFat32_;
  wxRadioButton* chunkMailLimit_;
  wxRadioButton* chunkOther_;
  wxTextCtrl* size_;
  wxStaticBox* units_;
  wxRadioButton* kilobytes_;
  wxRadioButton* bytes_;
  wxCheckBox* fill_;
  wxCheckBox* manifest_;
  wxSpinCtrl* recovery_;
  wxStaticText* preview_;
};

}  // namespace fennimar::app
