// AboutDialog: "About Fennimar", the program's name, version and icon,
// closed with OK. The program has no web address to link; Home Page in the
// Help menu opens the manual's page about it.
#pragma once

#include <wx/dialog.h>

namespace fennimar::app {

class AboutDialog : public wxDialog {
 public:
  explicit AboutDialog(wxWindow* owner);
};

}  // namespace fennimar::app
