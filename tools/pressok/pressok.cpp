// pressok: stands in for the user at install.exe. Waits until the installer's
// window has finished (its "&Ok" is enabled), prints the two rows and
// presses "&Ok"; a message box of the installer is printed and answered with
// OK instead. For the demo; not shipped.
//
// pressok [SECONDS]   (default 60)
// Exit code: 0 when "&Ok" was pressed, 1 after a message box, 2 on timeout.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "resource.h"

namespace {

void Print(const std::wstring& text) {
    int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, utf8.data(), n, nullptr, nullptr);
    std::printf("%s\n", utf8.c_str());
    std::fflush(stdout);
}

std::wstring Text(HWND hwnd) {
    wchar_t text[2048] = {};
    GetWindowTextW(hwnd, text, 2048);
    return text;
}

// A caption as the control shows it: "&&" is one ampersand, a lone "&" marks
// the access key.
std::wstring Shown(const std::wstring& caption) {
    std::wstring shown;
    for (size_t i = 0; i < caption.size(); ++i) {
        if (caption[i] == L'&' && ++i == caption.size()) break;
        shown += caption[i];
    }
    return shown;
}

BOOL CALLBACK FindBox(HWND hwnd, LPARAM param) {
    wchar_t cls[16] = {};
    GetClassNameW(hwnd, cls, 16);
    if (lstrcmpW(cls, L"#32770") == 0 && IsWindowVisible(hwnd)) {
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }
    return TRUE;
}

}  // namespace

int main(int argc, char** argv) {
    const DWORD limit = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 60) * 1000;
    for (DWORD waited = 0; waited < limit; waited += 100, Sleep(100)) {
        HWND box = nullptr;
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box) {
            Sleep(100);
            wchar_t text[4096] = {};
            GetDlgItemTextW(box, 0xFFFF, text, 4096);
            Print(L"message box \"" + Text(box) + L"\":\n" + text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return 1;
        }
        HWND window = FindWindowW(TRK_INSTALLER_CLASS, L"Tracklet Installer");
        HWND ok = window ? GetDlgItem(window, IDOK) : nullptr;
        if (ok && IsWindowEnabled(ok)) {
            for (int row = 0; row < 2; ++row) {
                bool marked = SendDlgItemMessageW(window, IDC_CHK0 + row, BM_GETCHECK, 0, 0) == BST_CHECKED;
                Print(std::wstring(marked ? L"[x] " : L"[ ] ") + Shown(Text(GetDlgItem(window, IDC_LBLREG0 + row))));
            }
            Print(L"pressing \"" + Shown(Text(ok)) + L"\"");
            PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(ok));
            return 0;
        }
    }
    Print(L"install.exe did not finish in time");
    return 2;
}
