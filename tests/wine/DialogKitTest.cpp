// The dialog kit in-process: a dialog built from it, and what its fonts
// still are while its controls go away.
#include <gtest/gtest.h>
#include <windows.h>
#include <commctrl.h>

#include "DialogKit.h"

namespace {

struct Probe {
    HFONT font = nullptr;
    RECT client{};
    bool fontAliveAtControlEnd = false;
};

LRESULT CALLBACK ControlEnd(HWND control, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR data) {
    if (message == WM_NCDESTROY) {
        auto* probe = reinterpret_cast<Probe*>(data);
        probe->fontAliveAtControlEnd =
            reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)) == probe->font &&
            GetObjectType(probe->font) == OBJ_FONT;
        RemoveWindowSubclass(control, ControlEnd, 0);
    }
    return DefSubclassProc(control, message, wParam, lParam);
}

INT_PTR CALLBACK Procedure(HWND dialog, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* probe = reinterpret_cast<Probe*>(lParam);
    const DialogKit::Control controls[] = {
        {101, L"STATIC", L"Bold :", SS_LEFT, 0, 15, 15, 900, 195, true},
        {102, L"BUTTON", L"Check", WS_TABSTOP | BS_AUTO3STATE, 0, 945, 15, 1500, 240, false},
    };
    DialogKit::Build(dialog, controls, std::size(controls), 3000, 600);
    probe->font = DialogKit::DialogFont(dialog, DialogKit::Font::Bold);
    GetClientRect(dialog, &probe->client);
    SetWindowSubclass(GetDlgItem(dialog, 101), ControlEnd, 0, reinterpret_cast<DWORD_PTR>(probe));
    EndDialog(dialog, 7);
    return TRUE;
}

}  // namespace

TEST(DialogKit, BuildsTheClientAreaAndKeepsItsFontsUntilTheLastControlIsGone) {
    Probe probe;
    ASSERT_EQ(DialogKit::ShowModal(L"Kit", WS_POPUP | WS_CAPTION | WS_SYSMENU, Procedure,
                                   reinterpret_cast<LPARAM>(&probe)),
              7);
    const int dpi = DialogKit::Dpi(nullptr);
    EXPECT_EQ(probe.client.right, DialogKit::Scale(3000, dpi));
    EXPECT_EQ(probe.client.bottom, DialogKit::Scale(600, dpi));
    EXPECT_TRUE(probe.fontAliveAtControlEnd) << "a control outlived the font it was given";
    EXPECT_EQ(GetObjectType(probe.font), 0u) << "the dialog's fonts were not deleted with it";
}
