// NamedStatusBar: the main window's status bar, which a screen reader can
// read. The toolkit draws the bar's texts itself and gives the bar no name;
// this bar carries its texts, every pane that shows one, as its accessible
// name, and renews the name whenever a text changes (a menu item's prompt,
// the lock keys).
#pragma once

#include <wx/statusbr.h>

namespace fennimar::app {

class NamedStatusBar : public wxStatusBar {
 public:
  explicit NamedStatusBar(wxWindow* parent);

 protected:
  void DoUpdateStatusText(int number) override;
};

}  // namespace fennimar::app
