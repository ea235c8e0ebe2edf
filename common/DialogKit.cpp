#include "DialogKit.h"

#include <commctrl.h>

#include <vector>

namespace DialogKit {

namespace {

constexpr wchar_t kFontProp[] = L"Tracklet.Fonts";

struct Fonts {
    Handles::UniqueFont regular, bold, underlined;
};

// The fonts outlive every control: a dialog's WM_NCDESTROY comes after its
// children are gone.
LRESULT CALLBACK FontsCleanup(HWND window, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message == WM_NCDESTROY) {
        delete static_cast<Fonts*>(RemovePropW(window, kFontProp));
        RemoveWindowSubclass(window, FontsCleanup, 0);
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

template <class Function>
Function User32(const char* name) {
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), name)));
}

}  // namespace

int Dpi(HWND window) {
    using GetDpiForWindowFn = UINT(WINAPI*)(HWND);
    static const auto getDpiForWindow = User32<GetDpiForWindowFn>("GetDpiForWindow");
    if (getDpiForWindow && window) {
        if (UINT dpi = getDpiForWindow(window)) return static_cast<int>(dpi);
    }
    HDC screen = GetDC(nullptr);
    int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : 96;
}

int Scale(int twips, int dpi) { return MulDiv(twips, dpi, 1440); }

Handles::UniqueFont MakeFont(int dpi, Font kind) {
    // 8.25 pt: the height in pixels is 8.25 * dpi / 72, 11 at 96 dpi.
    return Handles::UniqueFont(CreateFontW(-MulDiv(825, dpi, 7200), 0, 0, 0, kind == Font::Bold ? FW_BOLD : FW_NORMAL,
                                           FALSE, kind == Font::Underlined, FALSE, DEFAULT_CHARSET, OUT_DEFAULT_PRECIS,
                                           CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, L"Tahoma"));
}

RECT CentredFrame(HWND window, int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi) {
    RECT frame{0, 0, Scale(clientWidth, dpi), Scale(clientHeight, dpi)};
    // The frame at the window's own DPI where the platform can tell it.
    using AdjustForDpiFn = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjustForDpi = User32<AdjustForDpiFn>("AdjustWindowRectExForDpi");
    if (!adjustForDpi || !adjustForDpi(&frame, style, FALSE, exStyle, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    const int width = frame.right - frame.left, height = frame.bottom - frame.top;

    MONITORINFO monitor{};
    monitor.cbSize = sizeof monitor;
    HMONITOR where = window ? MonitorFromWindow(window, MONITOR_DEFAULTTOPRIMARY)
                            : MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
    if (!GetMonitorInfoW(where, &monitor))
        SystemParametersInfoW(SPI_GETWORKAREA, 0, &monitor.rcWork, 0);
    const RECT& area = monitor.rcWork;
    const int left = area.left + (area.right - area.left - width) / 2;
    const int top = area.top + (area.bottom - area.top - height) / 2;
    return {left, top, left + width, top + height};
}

INT_PTR ShowModal(const wchar_t* caption, DWORD style, DLGPROC procedure, LPARAM lParam) {
    // DLGTEMPLATE, then menu, class and caption as WORD-aligned wide strings.
    // The size is set in pixels once the dialog knows its DPI.
    std::vector<WORD> words(sizeof(DLGTEMPLATE) / sizeof(WORD), 0);
    auto* header = reinterpret_cast<DLGTEMPLATE*>(words.data());
    header->style = style;
    header->dwExtendedStyle = 0;
    header->cdit = 0;
    words.push_back(0);  // no menu
    words.push_back(0);  // the standard dialog class
    for (const wchar_t* c = caption; *c; ++c) words.push_back(static_cast<WORD>(*c));
    words.push_back(0);
    words.push_back(0);  // padding
    return DialogBoxIndirectParamW(GetModuleHandleW(nullptr), reinterpret_cast<const DLGTEMPLATE*>(words.data()),
                                   nullptr, procedure, lParam);
}

HFONT DialogFont(HWND dialog, Font kind) {
    auto* fonts = static_cast<Fonts*>(GetPropW(dialog, kFontProp));
    if (!fonts) {
        const int dpi = Dpi(dialog);
        fonts = new Fonts{MakeFont(dpi, Font::Regular), MakeFont(dpi, Font::Bold), MakeFont(dpi, Font::Underlined)};
        if (!SetWindowSubclass(dialog, FontsCleanup, 0, 0) || !SetPropW(dialog, kFontProp, fonts)) {
            // No owner on the window: the fonts could never be deleted.
            RemoveWindowSubclass(dialog, FontsCleanup, 0);
            delete fonts;
            return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
        }
    }
    switch (kind) {
        case Font::Bold: return fonts->bold.get();
        case Font::Underlined: return fonts->underlined.get();
        default: return fonts->regular.get();
    }
}

void Build(HWND dialog, const Control* controls, size_t count, int clientWidth, int clientHeight) {
    const int dpi = Dpi(dialog);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (size_t i = 0; i < count; ++i) {
        const Control& c = controls[i];
        HWND control = CreateWindowExW(c.exStyle, c.className, c.text, WS_CHILD | WS_VISIBLE | c.style,
                                       Scale(c.left, dpi), Scale(c.top, dpi), Scale(c.width, dpi),
                                       Scale(c.height, dpi), dialog,
                                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT,
                     reinterpret_cast<WPARAM>(DialogFont(dialog, c.bold ? Font::Bold : Font::Regular)), FALSE);
    }
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(dialog, GWL_EXSTYLE));
    const RECT frame = CentredFrame(dialog, clientWidth, clientHeight, style, exStyle, dpi);
    SetWindowPos(dialog, nullptr, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
}

void SetTopmost(HWND window, bool topmost) {
    SetWindowPos(window, topmost ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

std::wstring WindowText(HWND window) {
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

}  // namespace DialogKit
