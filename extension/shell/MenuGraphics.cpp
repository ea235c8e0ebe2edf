#include "MenuGraphics.h"

#include "Handles.h"

namespace MenuGraphics {

HBITMAP ScaleMenuBitmap(HBITMAP source) {
    // SetMenuItemBitmaps draws only the check-mark area: a picture any larger
    // is cut off, not shrunk.
    const int width = GetSystemMetrics(SM_CXMENUCHECK);
    const int height = GetSystemMetrics(SM_CYMENUCHECK);
    BITMAP described{};
    GetObjectW(source, sizeof described, &described);

    // Compatible with the screen rather than made from the source's own
    // description: that carries the source's pixel memory, sized for 16x16.
    Handles::UniqueBitmap target;
    Handles::UniqueDC sourceDc, targetDc;
    if (HDC screen = GetDC(nullptr)) {
        target.reset(CreateCompatibleBitmap(screen, width, height));
        sourceDc.reset(CreateCompatibleDC(screen));
        targetDc.reset(CreateCompatibleDC(screen));
        ReleaseDC(nullptr, screen);
    }
    if (!target || !sourceDc || !targetDc) return target.release();

    HGDIOBJ oldSource = SelectObject(sourceDc.get(), source);
    HGDIOBJ oldTarget = SelectObject(targetDc.get(), target.get());
    SetStretchBltMode(targetDc.get(), COLORONCOLOR);
    StretchBlt(targetDc.get(), 0, 0, width, height, sourceDc.get(), 0, 0, described.bmWidth, described.bmHeight,
               SRCCOPY);
    SelectObject(sourceDc.get(), oldSource);
    SelectObject(targetDc.get(), oldTarget);
    return target.release();
}

}  // namespace MenuGraphics
