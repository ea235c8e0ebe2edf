// What the system's windows share: layouts given in twips (1/1440 inch, 15 to
// a pixel at 96 dpi) that follow the screen's DPI, the Tahoma fonts, and
// centring on the work area of the window's monitor. trkconfig's dialogs are
// built here from an empty in-memory template; the installer's window uses
// the measures and fonts.
#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"

namespace DialogKit {

// Dots per inch of the window's monitor; of the screen for a null window
// (96 when the platform cannot say).
int Dpi(HWND window);
int Scale(int twips, int dpi);

enum class Font { Regular, Bold, Underlined };

// Tahoma 8.25 pt at the given DPI.
Handles::UniqueFont MakeFont(int dpi, Font kind);

// The outer rectangle of a window with this style whose client area is
// clientWidth x clientHeight twips, centred on the work area of the monitor
// that holds `window` (the primary monitor for a null window).
RECT CentredFrame(HWND window, int clientWidth, int clientHeight, DWORD style, DWORD exStyle, int dpi);

struct Control {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;  // twips
    bool bold;
};

// Shows a modal dialog with the given caption and frame style; the procedure
// receives lParam in WM_INITDIALOG and sizes the dialog there with Build.
INT_PTR ShowModal(const wchar_t* caption, DWORD style, DLGPROC procedure, LPARAM lParam);

// Creates the controls in the given order, which is therefore the tab order,
// each with its font; sizes the dialog's client area and centres it.
void Build(HWND dialog, const Control* controls, size_t count, int clientWidth, int clientHeight);

// Tahoma 8.25 pt at the dialog's DPI, made once per dialog and deleted after
// its last control.
HFONT DialogFont(HWND dialog, Font kind);

// Above all windows that are not topmost, or back among them; the stacking
// order only.
void SetTopmost(HWND window, bool topmost);

std::wstring WindowText(HWND window);

}  // namespace DialogKit
