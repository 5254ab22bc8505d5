// MergeDialog: the modal dialog "Merge file" over a MergeForm, asking for
// the directory that receives the merged file; and DiskPromptDialog, the
// modal prompt "Merge file " over a DiskPromptForm, shown when a part is
// missing, naming it and offering a new path.
#pragma once

#include <wx/dialog.h>

class wxTextCtrl;

namespace fennimar {
class DiskPromptForm;
class MergeForm;
}  // namespace fennimar

namespace fennimar::app {

// The controls' ids.
inline constexpr int kIdMergeDirectoryLabel = 105;
inline constexpr int kIdMergeDirectoryField = 106;
inline constexpr int kIdMergeBrowse = 107;
inline constexpr int kIdDiskPromptInsert = 204;
inline constexpr int kIdDiskPromptPath = 205;
inline constexpr int kIdDiskPromptNewPathLabel = 1005;
inline constexpr int kIdDiskPromptNewPath = 1004;
inline constexpr int kIdDiskPromptBrowse = 1006;

class MergeDialog : public wxDialog {
 public:
  MergeDialog(wxWindow* owner, MergeForm& form);

 private:
  MergeForm& form_;
  wxTextCtrl* directory_;
};

class DiskPromptDialog : public wxDialog {
 public:
  DiskPromptDialog(wxWindow* owner, DiskPromptForm& form);

 private:
  DiskPromptForm& form_;
  wxTextCtrl* newPath_;
};

}  // namespace fennimar::app
