#include "frmMain.h"

#include <shlobj.h>

#include <memory>
#include <type_traits>

#include "Codepage.h"
#include "DialogKit.h"
#include "ModuleInfo.h"
#include "Registry.h"
#include "inihelper.h"
#include "mdlFiles.h"
#include "resource.h"
#include "trkkit.h"

namespace {

constexpr wchar_t HandlerKey[] = L"*\\shellex\\ContextMenuHandlers\\TRK";
constexpr wchar_t HandlerKeyForRemoval[] = L"*\\ShellEx\\ContextMenuHandlers\\TRK";
constexpr wchar_t ApprovedKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t ProgId[] = L"trkmenu.shellext";
constexpr DWORD StepPause = 500;

// The program's own version record: Version major.minor build revision,
// where the file version is written major.minor.0.revision.
ModuleInfo::Version ProgramVersion() {
    ModuleInfo::Version version;
    ModuleInfo::ReadVersion(ModuleInfo::FileName(nullptr), version);
    return version;
}

bool RunningOnWow64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::wstring SystemErrorText(DWORD error) {
    wchar_t* text = nullptr;
    DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                 FORMAT_MESSAGE_IGNORE_INSERTS,
                             nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = n ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    return result;
}

}  // namespace

frmMain::frmMain(HINSTANCE instance) : instance_(instance) {}

frmMain::~frmMain() {
    if (hwnd_) DestroyWindow(hwnd_);
}

int frmMain::Run(std::wstring_view commandLine) {
    if (!Create()) return 1;
    if (!Form_Load(commandLine)) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
        return 1;
    }
    MSG msg;
    while (GetMessageW(&msg, nullptr, 0, 0) > 0) {
        if (hwnd_ && IsDialogMessageW(hwnd_, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return 0;
}

bool frmMain::Create() {
    WNDCLASSEXW wc{};
    wc.cbSize = sizeof(wc);
    wc.lpfnWndProc = WindowProc;
    wc.hInstance = instance_;
    wc.hIcon = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_INSTALL), IMAGE_ICON,
                                             GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    wc.hIconSm = static_cast<HICON>(LoadImageW(instance_, MAKEINTRESOURCEW(IDI_INSTALL), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
    wc.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = TRK_INSTALLER_CLASS;
    if (!RegisterClassExW(&wc)) return false;

    // The layout is in twips; the program is DPI aware, so scale by the real DPI.
    const int dpi = DialogKit::Dpi(nullptr);
    auto px = [dpi](int twips) { return DialogKit::Scale(twips, dpi); };
    font_ = DialogKit::MakeFont(dpi, DialogKit::Font::Regular);
    boldFont_ = DialogKit::MakeFont(dpi, DialogKit::Font::Bold);

    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    const RECT frame = DialogKit::CentredFrame(nullptr, 4110, 840, style, exStyle, dpi);
    hwnd_ = CreateWindowExW(exStyle, TRK_INSTALLER_CLASS, InstallText::WindowCaption, style, frame.left, frame.top,
                            frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance_, this);
    if (!hwnd_) return false;

    auto child = [&](const wchar_t* cls, const wchar_t* text, DWORD childStyle, int id, int l, int t, int w, int h) {
        HWND control = CreateWindowExW(0, cls, text, WS_CHILD | WS_VISIBLE | childStyle, px(l), px(t), px(w), px(h),
                                       hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance_, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font_.get()), FALSE);
        return control;
    };
    lblReg_[0] = child(L"STATIC", L"Registering application DLL", SS_LEFT, IDC_LBLREG0, 405, 30, 6360, 210);
    lblReg_[1] = child(L"STATIC", L"Modifying registry entries", SS_LEFT, IDC_LBLREG1, 405, 255, 5970, 195);
    // Plain (not automatic) check boxes: only the program marks them.
    chk_[0] = child(L"BUTTON", L"", BS_CHECKBOX, IDC_CHK0, 105, 45, 180, 195);
    chk_[1] = child(L"BUTTON", L"", BS_CHECKBOX, IDC_CHK1, 105, 255, 180, 195);
    cmdOk_ = child(L"BUTTON", L"&Ok", BS_DEFPUSHBUTTON | WS_TABSTOP | WS_DISABLED, IDOK, 2685, 480, 1410, 345);
    return lblReg_[0] && lblReg_[1] && chk_[0] && chk_[1] && cmdOk_;
}

LRESULT CALLBACK frmMain::WindowProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto create = reinterpret_cast<CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto self = reinterpret_cast<frmMain*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    switch (msg) {
    case WM_COMMAND:
        if (!self) break;
        // Enter reaches us as IDOK even while the button is still disabled.
        if (LOWORD(wParam) == IDOK && HIWORD(wParam) == BN_CLICKED && IsWindowEnabled(self->cmdOk_)) {
            self->cmdOk_Click();
            return 0;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            DestroyWindow(hwnd);
            return 0;
        }
        break;
    case WM_DESTROY:
        if (self) self->hwnd_ = nullptr;
        PostQuitMessage(0);
        return 0;
    default:
        break;
    }
    return DefWindowProcW(hwnd, msg, wParam, lParam);
}

bool frmMain::Form_Load(std::wstring_view commandLine) {
    const ModuleInfo::Version version = ProgramVersion();
    HeaderText = InstallText::Header(version.major, version.minor, version.revision);
    if (InstallText::MustRefuse(sizeof(void*) == 4, RunningOnWow64())) {
        Show(InstallText::WrongPackage(HeaderText));
        return false;
    }
    if (InstallText::IsRemoval(commandLine)) return RemoveTRK();
    return InstallTRK();
}

bool frmMain::InstallTRK() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetBold(0, true);
    Repaint();
    Sleep(StepPause);

    const std::wstring systemDir = Registry::SystemDirectory();
    const std::wstring ownDir = inihelper::ProgramFolder();

    // trkkit: one already in the system directory is used where it lies.
    if (!mdlFiles::FileExists(systemDir + L"\\trkkit.dll")) {
        if (!mdlFiles::FileExists(ownDir + L"\\trkkit.dll")) {
            Show(InstallText::MissingTrkkit(HeaderText, systemDir, ownDir));
            return false;
        }
        if (!MoveInto(ownDir + L"\\trkkit.dll", systemDir + L"\\trkkit.dll")) return false;
    }
    // trkmenu and trkconfig always come from the delivery folder.
    if (!mdlFiles::FileExists(ownDir + L"\\trkmenu.dll")) {
        Show(InstallText::MissingTrkmenu(HeaderText, ownDir));
        return false;
    }
    if (!MoveInto(ownDir + L"\\trkmenu.dll", systemDir + L"\\trkmenu.dll")) return false;
    if (!mdlFiles::FileExists(ownDir + L"\\trkconfig.exe")) {
        Show(InstallText::MissingTrkconfig(HeaderText, ownDir));
        return false;
    }
    if (!MoveInto(ownDir + L"\\trkconfig.exe", systemDir + L"\\trkconfig.exe")) return false;

    // Prove the installed library is a loadable COM server before registering
    // it. It stays loaded for the rest of the run. The altered search path
    // keeps its dependencies from being looked up in the delivery folder.
    const std::wstring library = systemDir + L"\\trkmenu.dll";
    HMODULE menu = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!menu) {
        const DWORD error = GetLastError();
        Show(InstallText::LoadFailed(HeaderText, error));
        return false;
    }
    if (!GetProcAddress(menu, "DllRegisterServer")) {
        const DWORD error = GetLastError();
        Show(InstallText::NoEntryPoint(HeaderText, error));
        return false;
    }
    if (!RegisterLibrary(library)) return false;

    SetBold(0, false);
    SetBold(1, true);
    Mark(0);
    Repaint();
    Sleep(StepPause);

    // Without a class identifier the handler entries could never work: stop
    // before writing either of them.
    const std::wstring classId = Registry::ClassIdFromProgId(ProgId);
    if (classId == Registry::UnknownClassId) {
        Show(InstallText::UnknownClass(HeaderText));
        return false;
    }
    Registry::RegSetValue(HKEY_CLASSES_ROOT, HandlerKey, L"", classId);
    Registry::RegSetValue(HKEY_LOCAL_MACHINE, ApprovedKey, classId, L"Tracklet");

    SetBold(1, false);
    Mark(1);
    Repaint();
    Sleep(StepPause);
    EnableWindow(cmdOk_, TRUE);
    SetFocus(cmdOk_);
    // The menu appears without a restart of the Explorer.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return true;
}

bool frmMain::RemoveTRK() {
    ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetWindowTextW(lblReg_[0], L"Removing DLL's && EXE's");
    SetWindowTextW(lblReg_[1], L"Removing Registry Entries");
    SetBold(0, true);
    Repaint();

    const std::wstring systemDir = Registry::SystemDirectory();
    for (const wchar_t* literal : {L"\\trkkit.dll", L"\\trkmenu.dll", L"\\trkconfig.exe"}) {
        const std::wstring path = systemDir + literal;
        if (mdlFiles::FileExists(path) && !DeleteInstalled(path)) return false;
    }
    Sleep(StepPause);

    SetBold(0, false);
    Mark(0);
    SetBold(1, true);
    Repaint();

    // The approval is named by the class identifier that the installation
    // wrote into the handler's key; the ProgID, which outlives the library
    // file unless the library unregistered itself, is asked only without it.
    std::wstring classId = Registry::RegGetString(HKEY_CLASSES_ROOT, HandlerKeyForRemoval, L"");
    if (!Registry::IsClassId(classId)) classId = Registry::ClassIdFromProgId(ProgId);
    Registry::RegDelValue(HKEY_CLASSES_ROOT, HandlerKeyForRemoval, L"");
    Registry::RegDelKey(HKEY_CLASSES_ROOT, HandlerKeyForRemoval);
    if (classId != Registry::UnknownClassId)
        Registry::RegDelValue(HKEY_LOCAL_MACHINE, ApprovedKey, classId);
    Sleep(StepPause);

    SetBold(1, false);
    Mark(1);
    EnableWindow(cmdOk_, TRUE);
    SetFocus(cmdOk_);
    Repaint();
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    return true;
}

void frmMain::cmdOk_Click() {
    DestroyWindow(hwnd_);
}

// Copies carry the read-only mark of files from a CD or some archives, and
// the system refuses to overwrite or delete such a file: a later run could
// then neither install nor remove it. Our files never keep the mark.
namespace {
void ClearReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_READONLY)) return;
    const DWORD rest = attributes & ~FILE_ATTRIBUTE_READONLY;
    SetFileAttributesW(path.c_str(), rest ? rest : FILE_ATTRIBUTE_NORMAL);
}
}  // namespace

bool frmMain::MoveInto(const std::wstring& source, const std::wstring& destination) {
    ClearReadOnly(destination);
    if (!CopyFileW(source.c_str(), destination.c_str(), FALSE)) {
        ShowFileFailure(InstallText::FileOp::Copy, source, destination, GetLastError());
        return false;
    }
    ClearReadOnly(destination);
    ClearReadOnly(source);
    if (!DeleteFileW(source.c_str())) {
        ShowFileFailure(InstallText::FileOp::Delete, source, {}, GetLastError());
        return false;
    }
    return true;
}

bool frmMain::DeleteInstalled(const std::wstring& path) {
    ClearReadOnly(path);
    if (DeleteFileW(path.c_str())) return true;
    ShowFileFailure(InstallText::FileOp::Delete, path, {}, GetLastError());
    return false;
}

bool frmMain::RegisterLibrary(const std::wstring& library) {
    // trkkit runs with the installer's rights, so only the copy in the system
    // directory may be loaded, never one found by the ordinary search (which
    // looks beside install.exe first).
    const std::wstring kitPath = Registry::SystemDirectory() + L"\\trkkit.dll";
    struct LibraryFreer {
        void operator()(HMODULE module) const { FreeLibrary(module); }
    };
    std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryFreer> kit(
        LoadLibraryExW(kitPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!kit) {
        ShowFileFailure(InstallText::FileOp::Load, kitPath, {}, GetLastError());
        return false;
    }
    auto selfRegister = reinterpret_cast<trkkit::SelfRegisterProc>(
        reinterpret_cast<void*>(GetProcAddress(kit.get(), trkkit::SelfRegisterName)));
    if (!selfRegister) {
        ShowFileFailure(InstallText::FileOp::FindEntry, kitPath, L"DLLSelfRegister", GetLastError());
        return false;
    }
    const std::string path = Codepage::ToAnsi(library);
    const short code = selfRegister(path.c_str());
    if (code != trkkit::Registered) {
        Show(InstallText::Registration(HeaderText, code));
        return false;
    }
    return true;
}

void frmMain::Show(const InstallText::Message& message) {
    MessageBoxW(hwnd_, message.text.c_str(), message.title.c_str(),
                MB_OK | MB_SETFOREGROUND | (message.critical ? MB_ICONERROR : 0));
}

void frmMain::ShowFileFailure(InstallText::FileOp op, const std::wstring& path, const std::wstring& detail,
                              DWORD error) {
    Show(InstallText::FileOperationFailed(HeaderText, op, path, detail, error, SystemErrorText(error)));
}

void frmMain::SetBold(int row, bool bold) {
    SendMessageW(lblReg_[row], WM_SETFONT, reinterpret_cast<WPARAM>(bold ? boldFont_.get() : font_.get()), FALSE);
}

void frmMain::Mark(int row) {
    SendMessageW(chk_[row], BM_SETCHECK, BST_CHECKED, 0);
}

void frmMain::Repaint() {
    // The load runs before any message is handled: paint now, not later.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}
