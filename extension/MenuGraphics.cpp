#include "MenuGraphics.h"

namespace MenuGraphics {

HBITMAP ScaleMenuBitmap(HBITMAP source) {
    HDC info = CreateICW(L"DISPLAY", nullptr, nullptr, nullptr);
    TEXTMETRICW metrics{};
    GetTextMetricsW(info, &metrics);
    HDC sourceDc = CreateCompatibleDC(info);
    HDC targetDc = CreateCompatibleDC(info);
    DeleteDC(info);

    BITMAP described{};
    GetObjectW(source, sizeof described, &described);
    const int width = metrics.tmMaxCharWidth;
    const int height = metrics.tmHeight;

    // Compatible with the screen rather than made from the source's own
    // description: that carries the source's pixel memory, sized for 16x16.
    HDC screen = GetDC(nullptr);
    HBITMAP target = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);

    HGDIOBJ oldSource = SelectObject(sourceDc, source);
    HGDIOBJ oldTarget = SelectObject(targetDc, target);
    SetStretchBltMode(targetDc, COLORONCOLOR);
    StretchBlt(targetDc, 0, 0, width, height, sourceDc, 0, 0, described.bmWidth, described.bmHeight, SRCCOPY);
    SelectObject(sourceDc, oldSource);
    SelectObject(targetDc, oldTarget);
    DeleteDC(sourceDc);
    DeleteDC(targetDc);
    return target;
}

}  // namespace MenuGraphics
