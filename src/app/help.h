// The HTML manual shipped with the program, shown in the help viewer at its
// table of contents or at one of its pages.
#pragma once

#include <string>

class wxWindow;

namespace fennimar::app {

// The folder holding the manual's book (fennimar.hhp): beside the installed
// program under share/fennimar/manual, else the source tree's docs/manual;
// empty when neither exists.
std::string ManualDirectory();

// The manual's page about Fennimar itself: what it does, its parts and keys.
// The program has no public web address; Home Page opens this page instead.
inline constexpr const char* kManualAboutPage = "index.html";

// Opens the manual at its contents, or at `page` (a file of the manual) when
// one is given. False, with nothing shown, when the manual is missing; the
// caller decides whether to tell.
bool ShowManual(wxWindow* owner, const std::string& page = {});

}  // namespace fennimar::app
