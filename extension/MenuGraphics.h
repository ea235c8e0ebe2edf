// Module MenuGraphics: the menu item pictures, redrawn at the size of one
// character of the display's default font.
#pragma once

#include <windows.h>

namespace MenuGraphics {

// A new display-compatible bitmap, tmMaxCharWidth x tmHeight of the
// display's default font, holding source stretched to that size. The caller
// owns it (DeleteObject); source is left as it was.
HBITMAP ScaleMenuBitmap(HBITMAP source);

}  // namespace MenuGraphics
