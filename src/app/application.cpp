#include "app/application.h"

#include <wx/dcscreen.h>
#include <wx/filename.h>
#include <wx/settings.h>

#include "app/main_window.h"
#include "app/window_metrics.h"

namespace fennimar::app {

int MeasureTextLineHeight() {
  wxScreenDC dc;
  dc.SetFont(wxSystemSettings::GetFont(wxSYS_DEFAULT_GUI_FONT));
  wxFontMetrics metrics = dc.GetFontMetrics();
  return metrics.height + metrics.internalLeading + metrics.externalLeading;
}

bool Application::OnInit() {
  // The program's name in message boxes without a caption of their own is
  // the file name of the running program.
  SetAppName(wxFileName(argv[0]).GetName());
  lineHeight = MeasureTextLineHeight();
  MainWindow* window = MainWindow::Start(lineHeight);
  lineHeight = window->lineHeight();
  SetTopWindow(window);
  // The desktop opens a file with the program by naming it as the only
  // argument; it is taken exactly like a file dropped on the window. Any
  // other command line is ignored.
  if (argc == 2) window->DropFiles({argv[1].utf8_string()});
  return true;
}

}  // namespace fennimar::app
