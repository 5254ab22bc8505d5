// OpenFileDialog: the desktop's dialog for opening one file, as Select File
// shows it: default title, the program's filters with the one last chosen
// selected (the archive filter at first), the current file's folder as the
// start, and ".zip" added to a name typed without one.
#pragma once

#include <wx/filedlg.h>

#include <optional>
#include <string>

namespace fennimar::app {

class OpenFileDialog : public wxFileDialog {
 public:
  // `currentFile`, when not empty, is the selected file: the dialog opens in
  // its folder when that folder exists.
  explicit OpenFileDialog(wxWindow* owner, const std::string& currentFile = {});

  // Shows the dialog modally: the chosen path, or none on Cancel. Either way
  // the filter shown last is the one the next dialog opens with.
  std::optional<std::string> Choose();

  // Keeps the filter shown now for the dialogs opened after this one, for
  // as long as the program runs.
  void RememberFilter();

 private:
  static int lastFilter_;
};

}  // namespace fennimar::app
