// Names for assistive technology: a screen reader reads a window by the name
// and role the toolkit's accessibility layer gives it. Windows the program
// draws itself (the information lines, the progress texts, the status bar)
// and buttons that show only a picture have neither until they are given one
// here.
//
// On GTK through the widgets' ATK objects (accessible_name_gtk.cpp), on
// Windows through MSAA objects of the program's own (accessible_name_msw.cpp).
#pragma once

#include <wx/string.h>

class wxToolBar;
class wxWindow;

namespace fennimar::app {

// What a named window is to a screen reader.
enum class AccessibleRole { kLabel, kStatusBar };

// Gives `window` the name `name` and the role `role`. Call it again whenever
// the text it stands for changes; the toolkit tells a listening screen
// reader of the change.
void SetAccessibleName(wxWindow* window, const wxString& name,
                       AccessibleRole role = AccessibleRole::kLabel);

// Gives the toolbar's tool at `position` (counting separators, as
// wxToolBar::GetToolPos does) the name a reader announces for it. A tool
// without a name (an empty place holder) is hidden from the reader instead.
void SetToolAccessibleName(wxToolBar* toolbar, int position, const wxString& name);

}  // namespace fennimar::app
