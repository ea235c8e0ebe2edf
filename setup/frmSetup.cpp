#include "frmSetup.h"

#include <windows.h>
#include <commctrl.h>

#include <array>
#include <string>

#include "DialogKit.h"
#include "Failure.h"
#include "Handles.h"
#include "OptionTable.h"
#include "SetupStore.h"
#include "frmSetupLinks.h"
#include "inihelper.h"
#include "resource.h"

namespace frmSetup {

namespace {

using DialogKit::Control;

constexpr wchar_t kCaption[] = L"Tracklet Setup & Options";
constexpr int kClientWidth = 6060, kClientHeight = 4950;  // twips

constexpr DWORD kLabel = SS_LEFT | SS_NOPREFIX;
constexpr DWORD kLink = SS_LEFTNOWORDWRAP | SS_NOPREFIX | SS_NOTIFY;
constexpr DWORD kCheck = WS_TABSTOP | BS_AUTO3STATE;
constexpr DWORD kTwoState = WS_TABSTOP | BS_AUTOCHECKBOX;
constexpr DWORD kButton = WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kList = WS_TABSTOP | WS_VSCROLL | CBS_DROPDOWNLIST;

// In tab order: OK, Cancel, then the rest in reading order. The labels end
// before the column of the check boxes, and every control ends inside the
// client area. A drop-down list's height is that of its open list.
const Control kControls[] = {
    {IDC_CMDOK, L"BUTTON", L"&Ok", kButton, 0, 4740, 4530, 1230, 330, false},
    {IDC_CMDCANCEL, L"BUTTON", L"&Cancel", kButton, 0, 3450, 4530, 1230, 330, false},
    {IDC_IMAGE1, L"STATIC", L"", SS_OWNERDRAW, 0, 15, 15, 1695, 825, false},
    {IDC_LBLLINK0, L"STATIC", L"www.tracklet.example - Our web site", kLink, 0, 1770, 45, 2970, 195, false},
    {IDC_LBLLINK1, L"STATIC", L"www.tracklet.example/m3u - Home page", kLink, 0, 1770, 330, 3285, 195, false},
    {IDC_LBLLINK2, L"STATIC", L"hi@tracklet.example - Mail us", kLink, 0, 1770, 585, 2685, 195, false},
    {IDC_LABEL2, L"STATIC", L"General :", kLabel, 0, 15, 960, 960, 195, true},
    {IDC_CHKSB, L"BUTTON", L"Show bitmaps in menu items", kCheck, 0, 1050, 945, 2355, 240, false},
    {IDC_CHKDEBUG, L"BUTTON", L"Generate Debugging Info", kCheck, 0, 1050, 1215, 2175, 240, false},
    {IDC_LABEL1, L"STATIC", L"File Exts.", kLabel, 0, 120, 1530, 855, 195, false},
    {IDC_TXTFILEEXT, L"EDIT", L"", WS_TABSTOP | ES_AUTOHSCROLL | ES_LEFT, WS_EX_CLIENTEDGE, 1050, 1485, 2385, 285,
     false},
    {IDC_LABEL3, L"STATIC", L"Playlists :", kLabel, 0, 15, 1935, 960, 195, true},
    {IDC_CHKPROMPT, L"BUTTON", L"Prompt for file name (If not create as `new.m3u`)", kCheck, 0, 1050, 1920, 3960,
     240, false},
    {IDC_CHKOVERWRITE, L"BUTTON", L"Overwrite existing files (If not append to end of existing file)", kCheck, 0,
     1050, 2190, 4920, 240, false},
    {IDC_CHKFULLPATHS, L"BUTTON", L"Use full paths", kCheck, 0, 1050, 2460, 2505, 240, false},
    {IDC_CHKFORMAT, L"BUTTON", L"Write UTF-8 playlists (.m3u8)", kTwoState, 0, 1050, 2730, 2805, 240, false},
    {IDC_CHKORDER, L"BUTTON", L"Sort as Explorer does (2 before 10)", kTwoState, 0, 1050, 3000, 3300, 240, false},
    {IDC_CHKPORTABLE, L"BUTTON", L"Portable playlists (/ and LF, for phones and media servers)", kTwoState, 0, 1050,
     3270, 4860, 240, false},
    {IDC_CHKNAME, L"BUTTON", L"Name playlists after their folder", kTwoState, 0, 1050, 3540, 3300, 240, false},
    {IDC_CHKFOLDERS, L"BUTTON", L"Include folders and their subfolders", kTwoState, 0, 1050, 3810, 3300, 240,
     false},
    {IDC_LBLEACHFOLDER, L"STATIC", L"Of folders:", kLabel, 0, 1290, 4125, 915, 195, false},
    {IDC_CMBEACHFOLDER, L"COMBOBOX", L"", kList, 0, 2250, 4080, 3720, 1200, false},
};

// The control of each numeric option, in the order of the options table.
constexpr int kOptionIds[] = {IDC_CHKSB,       IDC_CHKDEBUG,  IDC_CHKPROMPT, IDC_CHKOVERWRITE,
                              IDC_CHKFULLPATHS, IDC_CHKFORMAT, IDC_CHKORDER,  IDC_CHKFOLDERS,
                              IDC_CHKPORTABLE,  IDC_CHKNAME,   IDC_CMBEACHFOLDER};
static_assert(std::size(kOptionIds) == SetupLogic::CheckKeyCount);

// The EachFolder choices, in the order of their values.
constexpr const wchar_t* kEachFolderChoices[] = {
    L"One playlist for the whole selection",
    L"A playlist in each selected folder",
    L"A playlist in every folder with music",
};

constexpr int kLinkCount = 3;
constexpr COLORREF kBlack = RGB(0, 0, 0), kBlue = RGB(0, 0, 255), kRed = RGB(255, 0, 0);

// Lives until the dialog and all its controls are gone, so that nothing they
// handle on their way out can reach freed state.
struct Form {
    std::wstring file;
    Handles::UniqueBitmap logo;
    HCURSOR hand = nullptr;
    struct Link {
        COLORREF color = kBlack;
        bool underlined = false;
    };
    std::array<Link, kLinkCount> links{};
};

Form* FormOf(HWND form) { return reinterpret_cast<Form*>(GetWindowLongPtrW(form, DWLP_USER)); }

void SetLinkLook(HWND form, int index, COLORREF color, bool underlined) {
    Form::Link& link = FormOf(form)->links[index];
    HWND label = GetDlgItem(form, IDC_LBLLINK0 + index);
    SetPropW(label, frmSetupLinks::kColorProp, frmSetupLinks::EncodeColor(color));
    SetPropW(label, frmSetupLinks::kUnderlineProp, frmSetupLinks::EncodeUnderline(underlined));
    if (link.color == color && link.underlined == underlined) return;  // no flicker
    link.color = color;
    link.underlined = underlined;
    SendMessageW(label, WM_SETFONT,
                 reinterpret_cast<WPARAM>(DialogKit::DialogFont(
                     form, underlined ? DialogKit::Font::Underlined : DialogKit::Font::Regular)),
                 FALSE);
    InvalidateRect(label, nullptr, TRUE);
}

void HighlightLink(HWND form, int index, COLORREF color) {
    for (int k = 0; k < kLinkCount; ++k)
        if (k != index) SetLinkLook(form, k, kBlack, false);
    SetLinkLook(form, index, color, true);
}

void lblLink_MouseMove(HWND form, int index) { HighlightLink(form, index, kBlue); }
void lblLink_MouseDown(HWND form, int index) { HighlightLink(form, index, kRed); }
// Released, or the pointer is back on the dialog's own surface: all plain.
void ResetLinks(HWND form) {
    for (int k = 0; k < kLinkCount; ++k) SetLinkLook(form, k, kBlack, false);
}
void lblLink_MouseUp(HWND form) { ResetLinks(form); }
void Form_MouseMove(HWND form) { ResetLinks(form); }

LRESULT CALLBACK LinkProcedure(HWND label, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR index,
                               DWORD_PTR) {
    HWND form = GetParent(label);
    const int k = static_cast<int>(index);
    if (message == WM_NCDESTROY) {
        RemovePropW(label, frmSetupLinks::kColorProp);
        RemovePropW(label, frmSetupLinks::kUnderlineProp);
        RemoveWindowSubclass(label, LinkProcedure, index);
    }
    if (!FormOf(form)) return DefSubclassProc(label, message, wParam, lParam);
    switch (message) {
        case WM_SETCURSOR:
            SetCursor(FormOf(form)->hand);
            return TRUE;
        case WM_MOUSEMOVE:
            lblLink_MouseMove(form, k);
            break;
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDBLCLK:
            lblLink_MouseDown(form, k);
            break;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP:
            lblLink_MouseUp(form);
            break;
    }
    return DefSubclassProc(label, message, wParam, lParam);
}

bool IsChoice(size_t option) { return OptionTable::kNumeric[option].shown == OptionTable::Shown::Choice; }

// The choice of playlists per folder means something only with folders.
void FollowFolders(HWND form) {
    const BOOL folders = IsDlgButtonChecked(form, IDC_CHKFOLDERS) == BST_CHECKED;
    EnableWindow(GetDlgItem(form, IDC_LBLEACHFOLDER), folders);
    EnableWindow(GetDlgItem(form, IDC_CMBEACHFOLDER), folders);
}

void GetOptions(HWND form) {
    const SetupLogic::OptionValues values = SetupStore::ReadOptions(FormOf(form)->file);
    for (size_t k = 0; k < std::size(kOptionIds); ++k) {
        if (IsChoice(k)) SendDlgItemMessageW(form, kOptionIds[k], CB_SETCURSEL, static_cast<WPARAM>(values.states[k]), 0);
        else CheckDlgButton(form, kOptionIds[k], static_cast<UINT>(values.states[k]));
    }
    SetDlgItemTextW(form, IDC_TXTFILEEXT, values.files.c_str());
    FollowFolders(form);
}

bool SetOptions(HWND form) {
    SetupLogic::OptionValues values;
    for (size_t k = 0; k < std::size(kOptionIds); ++k) {
        if (IsChoice(k)) {
            const LRESULT chosen = SendDlgItemMessageW(form, kOptionIds[k], CB_GETCURSEL, 0, 0);
            values.states[k] = chosen == CB_ERR ? 0 : static_cast<int>(chosen);
        } else {
            values.states[k] = static_cast<int>(IsDlgButtonChecked(form, kOptionIds[k]));
        }
    }
    values.files = DialogKit::WindowText(GetDlgItem(form, IDC_TXTFILEEXT));
    return SetupStore::WriteOptions(values, FormOf(form)->file);
}

void Form_Load(HWND form) {
    Form* state = FormOf(form);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    DialogKit::Build(form, kControls, std::size(kControls), kClientWidth, kClientHeight);
    SendDlgItemMessageW(form, IDC_TXTFILEEXT, EM_LIMITTEXT, 0, 0);
    for (const wchar_t* choice : kEachFolderChoices)
        SendDlgItemMessageW(form, IDC_CMBEACHFOLDER, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(choice));
    state->logo.reset(static_cast<HBITMAP>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDB_LOGO), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
    state->hand = static_cast<HCURSOR>(
        LoadImageW(instance, MAKEINTRESOURCEW(IDC_HANDPOINTER), IMAGE_CURSOR, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    if (!state->hand) state->hand = LoadCursorW(nullptr, IDC_HAND);
    const int small = GetSystemMetrics(SM_CXSMICON), big = GetSystemMetrics(SM_CXICON);
    SendMessageW(form, WM_SETICON, ICON_SMALL,
                 reinterpret_cast<LPARAM>(LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                     small, small, LR_SHARED)));
    SendMessageW(form, WM_SETICON, ICON_BIG,
                 reinterpret_cast<LPARAM>(
                     LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON, big, big, LR_SHARED)));
    for (int k = 0; k < kLinkCount; ++k) {
        HWND label = GetDlgItem(form, IDC_LBLLINK0 + k);
        SetWindowSubclass(label, LinkProcedure, static_cast<UINT_PTR>(k), 0);
        SetPropW(label, frmSetupLinks::kColorProp, frmSetupLinks::EncodeColor(kBlack));
        SetPropW(label, frmSetupLinks::kUnderlineProp, frmSetupLinks::EncodeUnderline(false));
    }
    DialogKit::SetTopmost(form, true);
    GetOptions(form);
    // Through the dialog manager, so the focused button answers Enter.
    SendMessageW(form, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(form, IDC_CMDOK)), TRUE);
}

void Close(HWND form) {
    DialogKit::SetTopmost(form, false);
    EndDialog(form, 0);
}

void cmdOK_Click(HWND form) {
    if (!SetOptions(form)) {
        const std::wstring text = L"The options could not be saved to\n\n" + FormOf(form)->file +
                                  L"\n\nThe file or its folder may be read-only.";
        MessageBoxW(form, text.c_str(), L"Tracklet", MB_OK | MB_ICONERROR);
    }
    Close(form);
}

void cmdCancel_Click(HWND form) { Close(form); }

// The etched separator: a grey line over a white one, across the whole width.
void PaintSeparator(HWND form, HDC dc) {
    const int dpi = DialogKit::Dpi(form);
    const int thickness = dpi / 96 > 1 ? dpi / 96 : 1;
    const int left = DialogKit::Scale(15, dpi), right = DialogKit::Scale(8865, dpi);
    RECT grey{left, DialogKit::Scale(855, dpi), right, DialogKit::Scale(855, dpi) + thickness};
    RECT white{left, DialogKit::Scale(870, dpi), right, DialogKit::Scale(870, dpi) + thickness};
    const Handles::UniqueBrush greyBrush(CreateSolidBrush(RGB(128, 128, 128)));
    FillRect(dc, &grey, greyBrush.get());
    FillRect(dc, &white, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
}

void PaintLogo(HWND form, const DRAWITEMSTRUCT& item) {
    BITMAP info{};
    HBITMAP logo = FormOf(form)->logo.get();
    if (!logo || !GetObjectW(logo, sizeof info, &info)) return;
    const Handles::UniqueDC memory(CreateCompatibleDC(item.hDC));
    if (!memory) return;
    HGDIOBJ old = SelectObject(memory.get(), logo);
    const RECT& r = item.rcItem;
    SetStretchBltMode(item.hDC, HALFTONE);
    StretchBlt(item.hDC, r.left, r.top, r.right - r.left, r.bottom - r.top, memory.get(), 0, 0, info.bmWidth,
               info.bmHeight, SRCCOPY);
    SelectObject(memory.get(), old);
}

INT_PTR CALLBACK Procedure(HWND form, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(form, DWLP_USER, lParam);
        Form_Load(form);
        return FALSE;  // the focus is on cmdOK
    }
    // Messages that come before the state is attached get the defaults.
    if (!FormOf(form)) return FALSE;
    switch (message) {
        case WM_COMMAND:
            // Enter and Escape send IDOK and IDCANCEL, which no control here
            // has: the dialog has neither a default nor a cancel button.
            if (HIWORD(wParam) != BN_CLICKED) break;
            if (LOWORD(wParam) == IDC_CMDOK) cmdOK_Click(form);
            else if (LOWORD(wParam) == IDC_CMDCANCEL) cmdCancel_Click(form);
            else if (LOWORD(wParam) == IDC_CHKFOLDERS) FollowFolders(form);
            return TRUE;
        case WM_CLOSE:
            EndDialog(form, 0);
            return TRUE;
        case WM_MOUSEMOVE:
            Form_MouseMove(form);
            return TRUE;
        case WM_CTLCOLORSTATIC: {
            const int id = GetDlgCtrlID(reinterpret_cast<HWND>(lParam));
            if (id < IDC_LBLLINK0 || id >= IDC_LBLLINK0 + kLinkCount) break;
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, FormOf(form)->links[id - IDC_LBLLINK0].color);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<INT_PTR>(GetSysColorBrush(COLOR_BTNFACE));
        }
        case WM_DRAWITEM:
            if (wParam != IDC_IMAGE1) break;
            PaintLogo(form, *reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            return TRUE;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            HDC dc = BeginPaint(form, &paint);
            PaintSeparator(form, dc);
            EndPaint(form, &paint);
            return TRUE;
        }
    }
    return FALSE;
}

}  // namespace

void Show() {
    Form form;
    form.file = inihelper::OptionsFile();
    if (DialogKit::ShowModal(kCaption, WS_POPUP | WS_CAPTION | WS_SYSMENU, Procedure,
                             reinterpret_cast<LPARAM>(&form)) == -1)
        Failure::Raise(Failure::Internal, L"the options dialog could not be shown");
}

}  // namespace frmSetup
