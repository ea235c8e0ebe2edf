// Module MenuGraphics: the menu item pictures, redrawn at the size the menu
// shows them.
#pragma once

#include <windows.h>

namespace MenuGraphics {

// A new display-compatible bitmap of the menu's check-mark size
// (SM_CXMENUCHECK x SM_CYMENUCHECK) holding source stretched to that size.
// The caller owns it (DeleteObject); source is left as it was.
HBITMAP ScaleMenuBitmap(HBITMAP source);

}  // namespace MenuGraphics
