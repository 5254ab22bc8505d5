// OpenFileDialog: the desktop's dialog for opening one file, as Select File
// shows it: default title and start directory, the program's filters with
// the part filter chosen, and ".zip" added to a name typed without one.
#pragma once

#include <wx/filedlg.h>

#include <optional>
#include <string>

namespace fennimar::app {

class OpenFileDialog : public wxFileDialog {
 public:
  explicit OpenFileDialog(wxWindow* owner);

  // Shows the dialog modally: the chosen path, or none on Cancel.
  std::optional<std::string> Choose();
};

}  // namespace fennimar::app
