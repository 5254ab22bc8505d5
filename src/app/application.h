// Application: the desktop program's start-up. It measures the desktop
// font, creates the main window and runs the event loop until the window is
// closed. There are no options: a single argument, as the desktop passes when
// a file is opened with the program, is taken like a dropped file; anything
// else is ignored.
#pragma once

#include <wx/app.h>

namespace fennimar::app {

class Application : public wxApp {
 public:
  // Start-up. The base class's command-line parsing is not run: there are
  // no options to refuse.
  bool OnInit() override;

  // The height of one information line in pixels, set at start-up.
  int lineHeight = 0;
};

// The height of one text line of the desktop's font on the screen: the
// character height with its internal and external leading.
int MeasureTextLineHeight();

}  // namespace fennimar::app
