// The program's pictures: the toolbar images and the program icon, drawn
// for this program (scripts/draw_images.py) and built into it.
#pragma once

#include <wx/bitmap.h>
#include <wx/iconbndl.h>

namespace fennimar::app {

// Image `index` (0 to kToolbarImageCount - 1) of the toolbar strip.
wxBitmap ToolbarImage(int index);
// The program icon in every size it is drawn in.
wxIconBundle ProgramIcons();
// The icon at 48 pixels, for the About box.
wxBitmap ProgramIconBitmap();

}  // namespace fennimar::app
