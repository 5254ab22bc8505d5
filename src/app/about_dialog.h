// AboutDialog: "About Fennimar", the program's name, version, icon and home
// page, closed with OK.
#pragma once

#include <wx/dialog.h>

namespace fennimar::app {

class AboutDialog : public wxDialog {
 public:
  explicit AboutDialog(wxWindow* owner);
};

}  // namespace fennimar::app
