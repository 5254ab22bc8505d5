// The program's pictures: the toolbar images and the program icon, drawn as
// SVG (resources/icons) and built into the program, so that they are sharp
// at every scale of the screen.
#pragma once

#include <wx/bmpbndl.h>
#include <wx/iconbndl.h>

namespace fennimar::app {

// The toolbar's picture `index` (ToolbarSlot::image), 16 pixels at scale 1.
// A number with no picture gives an empty bundle.
wxBitmapBundle ToolbarImage(int index);
// The program icon at the sizes a desktop asks for, 16 to 256 pixels.
wxIconBundle ProgramIcons();
// The program icon at 48 pixels, for the About box.
wxBitmap ProgramIconBitmap();

}  // namespace fennimar::app
