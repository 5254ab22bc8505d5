// The HTML manual shipped with the program, shown in the help viewer at its
// table of contents or at one of its pages.
#pragma once

#include <memory>
#include <string>

class wxWindow;
class wxHtmlHelpController;

namespace fennimar::app {

// The folder holding the manual's book (fennimar.hhp): beside the installed
// program under share/fennimar/manual, else the source tree's docs/manual;
// empty when neither exists.
std::string ManualDirectory();

// The manual's page about Fennimar itself: what it does, its parts and keys.
// The program has no public web address; Home Page opens this page instead.
inline constexpr const char* kManualAboutPage = "index.html";

// The manual's viewer of one window. The viewer's frame is the window's
// child and goes with it, and so does the viewer: one that outlived its
// window would open its next frame under a window that is gone.
class Manual {
 public:
  explicit Manual(wxWindow* owner);
  ~Manual();
  Manual(const Manual&) = delete;
  Manual& operator=(const Manual&) = delete;

  // Opens the manual at its contents, or at `page` (a file of the manual)
  // when one is given. False, with nothing shown, when the manual is
  // missing; the caller decides whether to tell.
  bool Show(const std::string& page = {});

 private:
  wxWindow* owner_;
  std::unique_ptr<wxHtmlHelpController> viewer_;
};

}  // namespace fennimar::app
