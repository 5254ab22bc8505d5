// The HTML manual shipped with the program, shown in the help viewer at its
// table of contents.
#pragma once

#include <string>

class wxWindow;

namespace fennimar::app {

// The folder holding the manual's book (fennimar.hhp): beside the installed
// program under share/fennimar/manual, else the source tree's docs/manual;
// empty when neither exists.
std::string ManualDirectory();

// Opens the manual at its contents. A missing manual is not reported.
void ShowManual(wxWindow* owner);

}  // namespace fennimar::app
