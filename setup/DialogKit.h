// What both of trkconfig's dialogs share: a dialog made from an empty
// in-memory template whose controls are placed in pixels (the layout is given
// in twips, 15 to a pixel at 96 dpi, and follows the screen's DPI), the Tahoma
// fonts, centring on the screen and the topmost state while shown.
#pragma once

#include <windows.h>

#include <string>

namespace DialogKit {

struct Control {
    int id;
    const wchar_t* className;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;  // twips
    bool bold;
};

enum class Font { Regular, Bold, Underlined };

// Shows a modal dialog with the given caption and frame style; the procedure
// receives lParam in WM_INITDIALOG and sizes the dialog there with Build.
INT_PTR ShowModal(const wchar_t* caption, DWORD style, DLGPROC procedure, LPARAM lParam);

// Dots per inch of the dialog's monitor (96 when the platform cannot say).
int Dpi(HWND window);
int Scale(int twips, int dpi);

// Creates the controls in the given order, which is therefore the tab order,
// each with its font; sizes the dialog's client area and centres it.
void Build(HWND dialog, const Control* controls, size_t count, int clientWidth, int clientHeight);

// Tahoma 8.25 pt at the dialog's DPI, made once per dialog and deleted with it.
HFONT DialogFont(HWND dialog, Font kind);

// Above all windows that are not topmost, or back among them; the stacking
// order only.
void SetTopmost(HWND window, bool topmost);

std::wstring WindowText(HWND window);

}  // namespace DialogKit
