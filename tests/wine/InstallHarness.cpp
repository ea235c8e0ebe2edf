#include "InstallHarness.h"

#include <gtest/gtest.h>
#include <shellapi.h>

#include <vector>

#include "resource.h"

namespace harness {

namespace {

constexpr DWORD Timeout = 60000;
constexpr DWORD Poll = 50;

struct Windows {
    DWORD pid;
    const wchar_t* cls;
    HWND found = nullptr;
};

BOOL CALLBACK MatchProcessWindow(HWND hwnd, LPARAM param) {
    auto s = reinterpret_cast<Windows*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    wchar_t name[64] = {};
    GetClassNameW(hwnd, name, 64);
    if (owner == s->pid && lstrcmpW(name, s->cls) == 0 && IsWindowVisible(hwnd)) {
        s->found = hwnd;
        return FALSE;
    }
    return TRUE;
}

HWND FindProcessWindow(DWORD pid, const wchar_t* cls) {
    Windows search{pid, cls};
    EnumWindows(MatchProcessWindow, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::wstring WindowText(HWND hwnd) {
    wchar_t text[4096] = {};
    GetWindowTextW(hwnd, text, 4096);
    return text;
}

BOOL CALLBACK FindIcon(HWND child, LPARAM param) {
    wchar_t name[32] = {};
    GetClassNameW(child, name, 32);
    if (lstrcmpiW(name, L"Static") == 0 && IsWindowVisible(child) &&
        (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON && SendMessageW(child, STM_GETICON, 0, 0)) {
        *reinterpret_cast<bool*>(param) = true;
        return FALSE;
    }
    return TRUE;
}

bool ShowsIcon(HWND box) {
    bool icon = false;
    EnumChildWindows(box, FindIcon, reinterpret_cast<LPARAM>(&icon));
    return icon;
}

MessageBoxSeen Read(HWND box) {
    MessageBoxSeen seen;
    seen.title = WindowText(box);
    wchar_t text[4096] = {};
    GetDlgItemTextW(box, 0xFFFF, text, 4096);
    seen.text = text;
    seen.icon = ShowsIcon(box);
    return seen;
}

}  // namespace

std::wstring Input(std::wstring_view name) {
    int argc = 0;
    LPWSTR* argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring prefix = std::wstring(name) + L"=";
    std::wstring value;
    for (int i = 1; i < argc && argv; ++i) {
        std::wstring arg = argv[i];
        if (arg.rfind(prefix, 0) == 0) value = arg.substr(prefix.size());
    }
    LocalFree(argv);
    for (auto& c : value)
        if (c == L'/') c = L'\\';
    if (value.empty()) ADD_FAILURE() << "no input " << std::string(name.begin(), name.end()) << "= given";
    return value;
}

std::wstring SystemDir() {
    wchar_t dir[MAX_PATH] = {};
    GetSystemDirectoryW(dir, MAX_PATH);
    return dir;
}

std::wstring DeliveryDir() {
    return L"C:\\delivery";
}

void ResetDelivery() {
    const std::wstring dir = DeliveryDir();
    CreateDirectoryW(dir.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                std::wstring file = dir + L"\\" + found.cFileName;
                SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileW(file.c_str());
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    Deliver(L"install", L"install.exe");
}

void Deliver(std::wstring_view input, std::wstring_view asName) {
    const std::wstring source = Input(input);
    const std::wstring target = DeliveryDir() + L"\\" + std::wstring(asName);
    ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE))
        << "copy of " << std::string(source.begin(), source.end()) << " failed: " << GetLastError();
}

void DeliverAll() {
    ResetDelivery();
    Deliver(L"trkmenu", L"trkmenu.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    Deliver(L"trkkit", L"trkkit.dll");
}

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& key, const std::wstring& name) {
    wchar_t data[512] = {};
    DWORD size = sizeof(data) - sizeof(wchar_t);
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, data, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::wstring(data);
}

bool KeyExists(HKEY root, const std::wstring& key) {
    HKEY h;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::optional<DWORD> ReadNumber(HKEY root, const std::wstring& key, const std::wstring& name) {
    DWORD value = 0, size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

void WriteNumber(HKEY root, const std::wstring& key, const std::wstring& name, DWORD value) {
    ASSERT_EQ(RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_DWORD, &value, sizeof value), ERROR_SUCCESS);
}

void WriteFileText(const std::wstring& path, std::string_view text) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

std::wstring DeliveredInstaller(std::wstring_view arguments) {
    std::wstring commandLine = L"\"" + DeliveryDir() + L"\\install.exe\"";
    if (!arguments.empty()) commandLine += L" " + std::wstring(arguments);
    return commandLine;
}

// Started from its own folder, as a user double-clicking it would.
InstallerRun::InstallerRun(std::wstring_view arguments) {
    Start(DeliveredInstaller(arguments), DeliveryDir().c_str());
}

InstallerRun::InstallerRun(const Command& command) {
    Start(command.line, nullptr);
}

void InstallerRun::Start(std::wstring commandLine, const wchar_t* folder) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, folder, &si, &pi)) {
        ADD_FAILURE() << "install.exe did not start: " << GetLastError();
        return;
    }
    CloseHandle(pi.hThread);
    process_ = pi.hProcess;
    pid_ = pi.dwProcessId;
}

InstallerRun::~InstallerRun() {
    if (!process_) return;
    if (WaitForSingleObject(process_, 0) == WAIT_TIMEOUT) TerminateProcess(process_, 99);
    CloseHandle(process_);
}

HWND InstallerRun::WaitUntilFinished() {
    if (!process_) return nullptr;
    for (DWORD waited = 0; waited < Timeout; waited += Poll) {
        if (HWND box = FindProcessWindow(pid_, L"#32770")) {
            auto seen = Read(box);
            ADD_FAILURE() << "unexpected message box \"" << testing::PrintToString(seen.title)
                          << "\": " << testing::PrintToString(seen.text);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            return nullptr;
        }
        if (HWND window = FindProcessWindow(pid_, TRK_INSTALLER_CLASS)) {
            HWND ok = GetDlgItem(window, IDOK);
            if (ok && IsWindowEnabled(ok)) return window;
        }
        if (WaitForSingleObject(process_, Poll) == WAIT_OBJECT_0) {
            ADD_FAILURE() << "install.exe ended before it finished";
            return nullptr;
        }
    }
    ADD_FAILURE() << "install.exe did not finish in time";
    return nullptr;
}

std::optional<MessageBoxSeen> InstallerRun::TakeMessageBox() {
    if (!process_) return std::nullopt;
    for (DWORD waited = 0; waited < Timeout; waited += Poll) {
        if (HWND box = FindProcessWindow(pid_, L"#32770")) {
            // Let the box finish laying itself out before it is read.
            Sleep(100);
            auto seen = Read(box);
            PostMessageW(box, WM_COMMAND, IDOK, 0);
            // Gone before the caller looks at what follows it.
            for (DWORD closing = 0; IsWindow(box) && closing < Timeout; closing += Poll) Sleep(Poll);
            return seen;
        }
        if (WaitForSingleObject(process_, Poll) == WAIT_OBJECT_0) break;
    }
    ADD_FAILURE() << "no message box appeared";
    return std::nullopt;
}

DWORD InstallerRun::ClickOkAndWait(HWND window) {
    // What a click on the enabled button sends; BM_CLICK would depend on
    // mouse capture, which other windows on the shared display can take.
    PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(window, IDOK)));
    return WaitForExit();
}

DWORD InstallerRun::WaitForExit() {
    if (!process_) return STILL_ACTIVE;
    if (WaitForSingleObject(process_, Timeout) != WAIT_OBJECT_0) return STILL_ACTIVE;
    DWORD code = STILL_ACTIVE;
    GetExitCodeProcess(process_, &code);
    return code;
}

namespace {
BOOL CALLBACK AnyVisibleWindowOf(HWND hwnd, LPARAM param) {
    auto pid = reinterpret_cast<DWORD*>(param);
    DWORD owner = 0;
    GetWindowThreadProcessId(hwnd, &owner);
    if (owner == *pid && IsWindowVisible(hwnd)) {
        *pid = 0;
        return FALSE;
    }
    return TRUE;
}
}  // namespace

DWORD InstallerRun::WaitForExitWatchingWindows(bool& windowSeen) {
    windowSeen = false;
    if (!process_) return STILL_ACTIVE;
    for (DWORD waited = 0; waited < Timeout; waited += 10) {
        DWORD pid = pid_;
        EnumWindows(AnyVisibleWindowOf, reinterpret_cast<LPARAM>(&pid));
        if (pid == 0) windowSeen = true;
        if (WaitForSingleObject(process_, 10) == WAIT_OBJECT_0) return WaitForExit();
    }
    return STILL_ACTIVE;
}

DWORD RunQuiet(const std::wstring& commandLine, bool& windowSeen) {
    InstallerRun run(InstallerRun::Command{commandLine});
    return run.WaitForExitWatchingWindows(windowSeen);
}

bool InstallFromFullDelivery() {
    DeliverAll();
    return RunToSuccess(L"");
}

bool RunToSuccess(std::wstring_view arguments) {
    InstallerRun run(arguments);
    HWND window = run.WaitUntilFinished();
    if (!window) return false;
    return run.ClickOkAndWait(window) == 0;
}

std::wstring Lower(std::wstring text) {
    CharLowerBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
}

}  // namespace harness
