#include "frmMain.h"

#include <shlobj.h>

#include "Codepage.h"
#include "CommandLine.h"
#include "DialogKit.h"
#include "Handles.h"
#include "ModuleInfo.h"
#include "NoCase.h"
#include "Registry.h"
#include "MenuChoice.h"
#include "Package.h"
#include "inihelper.h"
#include "mdlFiles.h"
#include "resource.h"
#include "trkkit.h"

namespace {

// Files, the folder view of a folder, and the background of an open folder.
constexpr const wchar_t* HandlerKeys[] = {
    L"*\\shellex\\ContextMenuHandlers\\TRK",
    L"Directory\\shellex\\ContextMenuHandlers\\TRK",
    L"Directory\\Background\\shellex\\ContextMenuHandlers\\TRK",
};
constexpr wchar_t HandlerKeyForRemoval[] = L"*\\ShellEx\\ContextMenuHandlers\\TRK";
constexpr wchar_t UninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tracklet";
constexpr wchar_t SharedDllsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
// The installed copy of this program, beside the files it removes.
constexpr wchar_t RemoverName[] = L"\\trkinstall.exe";
constexpr wchar_t ApprovedKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
constexpr wchar_t ProgId[] = L"trkmenu.shellext";
// The classes the library registers; a per-user removal takes them along
// even when the library is gone, and the Explorer command's (which the
// package declares on Windows 11) goes with every removal.
constexpr wchar_t ShellExtClassKey[] = L"CLSID\\{928BB78A-14A7-11D3-A91E-0040056902A2}";
constexpr wchar_t ShellExtProgId[] = L"trkmenu.ShellExt";
constexpr wchar_t ExplorerCommandClassKey[] = L"CLSID\\{2C9A5863-AD8D-4683-B139-06AF736D2142}";
constexpr wchar_t ExplorerCommandProgId[] = L"trkmenu.ExplorerCommand";
// The classes below HKEY_CURRENT_USER (or the machine's own below HKEY_LOCAL_MACHINE).
constexpr wchar_t ClassesPrefix[] = L"Software\\Classes\\";
constexpr wchar_t RunOnceKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce";
constexpr wchar_t RunOnceValue[] = L"Tracklet";
constexpr const wchar_t* InstalledFiles[] = {L"\\trkkit.dll", L"\\trkmenu.dll", L"\\trkconfig.exe", RemoverName};
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

// %LOCALAPPDATA%\Programs\Tracklet, the convention for programs of one user.
std::wstring UserProgramFolder() {
    auto known = [](REFKNOWNFOLDERID id) {
        PWSTR path = nullptr;
        std::wstring folder;
        if (SUCCEEDED(SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &path)) && path) folder = path;
        CoTaskMemFree(path);
        return folder;
    };
    std::wstring folder = known(FOLDERID_UserProgramFiles);
    if (folder.empty()) {
        folder = known(FOLDERID_LocalAppData);
        if (!folder.empty()) folder += L"\\Programs";
    }
    return folder.empty() ? folder : folder + L"\\Tracklet";
}

bool HasAdministratorRights() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID admins = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &admins))
        return false;
    BOOL member = FALSE;
    const bool ok = CheckTokenMembership(nullptr, admins, &member) && member;
    FreeSid(admins);
    return ok;
}

std::wstring HresultText(HRESULT hr) { return SystemErrorText(static_cast<DWORD>(hr)); }

}  // namespace

InstallTarget InstallTarget::Machine(const std::wstring& systemDir) {
    return {false, systemDir, HKEY_LOCAL_MACHINE, HKEY_CLASSES_ROOT, L""};
}

InstallTarget InstallTarget::User(const std::wstring& folder) {
    return {true, folder, HKEY_CURRENT_USER, HKEY_CURRENT_USER, ClassesPrefix};
}

frmMain::frmMain(HINSTANCE instance) : instance_(instance) {}

frmMain::~frmMain() {
    if (hwnd_) DestroyWindow(hwnd_);
}

int frmMain::Run(std::wstring_view commandLine) {
    request_ = InstallText::ReadCommandLine(commandLine);
    arguments_ = std::wstring(CommandLine::ArgumentText(commandLine));
    if (request_.quiet) {
        Form_Load();
        return passOn_ ? *passOn_ : static_cast<int>(outcome_);
    }
    if (!Create()) return 1;
    const bool finished = Form_Load();
    if (!finished || passOn_) {
        DestroyWindow(hwnd_);
        hwnd_ = nullptr;
        return passOn_ ? *passOn_ : 1;
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

bool frmMain::Form_Load() {
    const ModuleInfo::Version version = ProgramVersion();
    HeaderText = InstallText::Header(version.major, version.minor, version.revision);
    if (InstallText::MustRefuse(sizeof(void*) == 4, RunningOnWow64()))
        return Fail(InstallText::Outcome::WrongPackage, InstallText::WrongPackage(HeaderText));
    if (!request_.perUser && !HasAdministratorRights()) return RunElevated();
    target_ = request_.perUser ? InstallTarget::User(UserProgramFolder())
                               : InstallTarget::Machine(Registry::SystemDirectory());
    if (request_.removal) return RemoveTRK();
    return InstallTRK();
}

bool frmMain::RunElevated() {
    const std::wstring self = ModuleInfo::FileName(nullptr);
    const std::wstring ownDir = inihelper::ProgramFolder();
    SHELLEXECUTEINFOW info{};
    info.cbSize = sizeof(info);
    info.fMask = SEE_MASK_NOCLOSEPROCESS | SEE_MASK_NOASYNC | SEE_MASK_FLAG_NO_UI;
    info.lpVerb = L"runas";
    info.lpFile = self.c_str();
    info.lpParameters = arguments_.c_str();
    info.lpDirectory = ownDir.c_str();
    info.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&info)) {
        const DWORD error = GetLastError();
        return Fail(InstallText::Outcome::ElevationFailed,
                    InstallText::ElevationFailed(HeaderText, error, SystemErrorText(error)));
    }
    Handles::UniqueHandle process(info.hProcess);
    DWORD code = 1;
    if (!process || WaitForSingleObject(process.get(), INFINITE) != WAIT_OBJECT_0 ||
        !GetExitCodeProcess(process.get(), &code))
        code = 1;
    passOn_ = static_cast<int>(code);
    return true;
}

bool frmMain::OtherKindInstalled() const {
    // The machine's own classes, not the merged view in which the user's
    // would show as well.
    const HKEY other = target_.perUser ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
    return !Registry::RegGetString(other, UninstallKey, L"DisplayName").empty() ||
           !Registry::RegGetString(other, std::wstring(ClassesPrefix) + HandlerKeys[0], L"").empty();
}

bool frmMain::InstallTRK() {
    if (OtherKindInstalled())
        return Fail(target_.perUser ? InstallText::Outcome::MachineInstallationPresent
                                    : InstallText::Outcome::UserInstallationPresent,
                    InstallText::OtherInstallation(HeaderText, target_.perUser));
    if (hwnd_) ShowWindow(hwnd_, SW_SHOWNORMAL);
    SetBold(0, true);
    Repaint();
    Pause();

    const std::wstring& dir = target_.folder;
    const std::wstring ownDir = inihelper::ProgramFolder();
    const std::wstring kit = dir + L"\\trkkit.dll";
    const std::wstring remover = dir + RemoverName;

    // Every delivered file is found before any is moved, so that a missing
    // one leaves the machine as it was. A trkkit already in the system
    // directory is used where it lies; a private one (per user) is replaced
    // by the delivered one. trkmenu and trkconfig always come from the
    // delivery folder.
    const bool kitDelivered = mdlFiles::FileExists(ownDir + L"\\trkkit.dll");
    const bool kitInPlace = mdlFiles::FileExists(kit) && !(target_.perUser && kitDelivered);
    if (!kitInPlace && !kitDelivered)
        return Fail(InstallText::Outcome::TrkkitMissing, InstallText::MissingTrkkit(HeaderText, dir, ownDir));
    if (!mdlFiles::FileExists(ownDir + L"\\trkmenu.dll"))
        return Fail(InstallText::Outcome::TrkmenuMissing, InstallText::MissingTrkmenu(HeaderText, ownDir));
    if (!mdlFiles::FileExists(ownDir + L"\\trkconfig.exe"))
        return Fail(InstallText::Outcome::TrkconfigMissing, InstallText::MissingTrkconfig(HeaderText, ownDir));
    // A machine that already has Tracklet holds its count on trkkit already.
    const bool installedBefore = !Registry::RegGetString(target_.settings, UninstallKey, L"DisplayName").empty();

    if (target_.perUser && SHCreateDirectoryExW(nullptr, dir.c_str(), nullptr) != ERROR_SUCCESS &&
        !mdlFiles::FileExists(dir)) {
        const DWORD error = GetLastError();
        return FailOnFile(InstallText::FileOp::Copy, ownDir + L"\\trkmenu.dll", dir, error);
    }
    std::vector<std::pair<std::wstring, std::wstring>> delivered;
    if (!kitInPlace) delivered.emplace_back(ownDir + L"\\trkkit.dll", kit);
    delivered.emplace_back(ownDir + L"\\trkmenu.dll", dir + L"\\trkmenu.dll");
    delivered.emplace_back(ownDir + L"\\trkconfig.exe", dir + L"\\trkconfig.exe");
    if (!MoveAllInto(delivered)) return false;
    if (!PlaceRemover(remover)) return false;

    // Prove the installed library is a loadable COM server before registering
    // it. It stays loaded for the rest of the run. The altered search path
    // keeps its dependencies from being looked up in the delivery folder.
    const std::wstring library = dir + L"\\trkmenu.dll";
    HMODULE menu = LoadLibraryExW(library.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
    if (!menu) {
        const DWORD error = GetLastError();
        return Fail(InstallText::Outcome::LoadFailed, InstallText::LoadFailed(HeaderText, error));
    }
    if (!GetProcAddress(menu, target_.perUser ? "DllInstall" : "DllRegisterServer")) {
        const DWORD error = GetLastError();
        return Fail(InstallText::Outcome::NoEntryPoint, InstallText::NoEntryPoint(HeaderText, error));
    }
    if (!RegisterLibrary(library)) return false;
    std::wstring classicReason;
    const bool classic = ChooseMenu(ownDir, classicReason);

    SetBold(0, false);
    SetBold(1, true);
    Mark(0);
    Repaint();
    Pause();

    // Without a class identifier the handler entries could never work: stop
    // before writing either of them. The user's own classes are read where
    // they are: COM under Wine looks at the machine's alone.
    std::wstring classId =
        target_.perUser ? Registry::RegGetString(target_.classes, target_.Classes(ProgId) + L"\\CLSID", L"")
                        : Registry::ClassIdFromProgId(ProgId);
    if (!Registry::IsClassId(classId)) classId = Registry::UnknownClassId;
    if (classId == Registry::UnknownClassId)
        return Fail(InstallText::Outcome::UnknownClass, InstallText::UnknownClass(HeaderText));
    if (classic) {
        for (const wchar_t* key : HandlerKeys)
            Registry::RegSetValue(target_.classes, target_.Classes(key), L"", classId);
        Registry::RegSetValue(target_.settings, ApprovedKey, classId, L"Tracklet");
    } else {
        // The packaged command shows in the classic menu too: the handler an
        // earlier installation left would make it twice.
        RemoveClassicEntries(classId);
    }

    if (!target_.perUser && !installedBefore) CountSharedKit(kit, kitInPlace);
    // A removal's leftovers due at the next sign-in would take this installation along.
    if (target_.perUser) Registry::RegDelValue(HKEY_CURRENT_USER, RunOnceKey, RunOnceValue);
    WriteUninstallEntry(dir, remover);

    SetBold(1, false);
    Mark(1);
    Repaint();
    Pause();
    if (!classicReason.empty() && !request_.quiet)
        Show(InstallText::ClassicMenuOnly(HeaderText, classicReason));
    Finish();
    return true;
}

bool frmMain::ChooseMenu(const std::wstring& ownDir, std::wstring& classicReason) {
    const unsigned long build = Package::WindowsBuild();
    auto registration = MenuChoice::Registration::NotTried;
    Package::Outcome outcome;
    const std::wstring package = ownDir + L"\\" + Package::FileName;
    if (MenuChoice::WantsPackage(build)) {
        if (!mdlFiles::FileExists(package)) {
            registration = MenuChoice::Registration::PackageMissing;
        } else {
            outcome = Package::Register(package, target_.folder);
            registration = SUCCEEDED(outcome.hr) ? MenuChoice::Registration::Registered
                                                 : MenuChoice::Registration::Failed;
        }
    }
    const MenuChoice::Choice choice = MenuChoice::Choose(build, registration);
    if (MenuChoice::TellsTheUser(choice))
        classicReason = choice.why == MenuChoice::Why::PackageMissing
                            ? InstallText::PackageMissing(package)
                            : InstallText::PackageRefused(static_cast<unsigned long>(outcome.hr),
                                                          HresultText(outcome.hr), outcome.errorText);
    return choice.menu == MenuChoice::Menu::Classic;
}

void frmMain::RemoveClassicEntries(const std::wstring& classId) {
    for (const wchar_t* key : {HandlerKeyForRemoval, HandlerKeys[1], HandlerKeys[2]}) {
        Registry::RegDelValue(target_.classes, target_.Classes(key), L"");
        Registry::RegDelKey(target_.classes, target_.Classes(key));
    }
    if (classId != Registry::UnknownClassId) Registry::RegDelValue(target_.settings, ApprovedKey, classId);
}

bool frmMain::RemoveTRK() {
    if (hwnd_) {
        ShowWindow(hwnd_, SW_SHOWNORMAL);
        SetWindowTextW(lblReg_[0], L"Removing DLL's && EXE's");
        SetWindowTextW(lblReg_[1], L"Removing Registry Entries");
    }
    SetBold(0, true);
    Repaint();

    const std::wstring& dir = target_.folder;
    const std::wstring kit = dir + L"\\trkkit.dll";
    const std::wstring library = dir + L"\\trkmenu.dll";
    bool pending = false;

    if (target_.perUser) {
        // Unregistered while the library is still there to do it.
        if (mdlFiles::FileExists(kit) && mdlFiles::FileExists(library)) UnregisterForUser(library);
        if (mdlFiles::FileExists(kit) && !DeleteInstalled(kit, pending)) return false;
    } else if (mdlFiles::FileExists(kit) && !ReleaseSharedKit(kit, pending)) {
        return false;
    }
    for (const wchar_t* literal : {L"\\trkmenu.dll", L"\\trkconfig.exe"}) {
        const std::wstring path = dir + literal;
        if (mdlFiles::FileExists(path) && !DeleteInstalled(path, pending)) return false;
    }
    // The remover is this very program when Apps & features started it; a
    // running program cannot delete its own file, so it goes at the next
    // restart. That leaves nothing of Tracklet working and needs no message.
    const std::wstring remover = dir + RemoverName;
    if (mdlFiles::FileExists(remover)) {
        bool removerPending = false;
        if (!DeleteInstalled(remover, removerPending)) return false;
    }
    if (target_.perUser) {
        if (!userCleanupDue_) RemoveDirectoryW(dir.c_str());
        else ScheduleUserCleanup();
    }
    Pause();

    SetBold(0, false);
    Mark(0);
    SetBold(1, true);
    Repaint();

    // The approval is named by the class identifier that the installation
    // wrote into the handler's key; the ProgID, which outlives the library
    // file unless the library unregistered itself, is asked only without it.
    // The folder keys may be missing: earlier versions did not write them.
    std::wstring classId = Registry::RegGetString(target_.classes, target_.Classes(HandlerKeyForRemoval), L"");
    if (!Registry::IsClassId(classId))
        classId = target_.perUser ? Registry::RegGetString(target_.classes, target_.Classes(ProgId) + L"\\CLSID", L"")
                                  : Registry::ClassIdFromProgId(ProgId);
    if (!Registry::IsClassId(classId)) classId = Registry::UnknownClassId;
    RemoveClassicEntries(classId);
    // The machine's removal leaves the handler's class registered, as it
    // always did; a user's takes every class along.
    if (target_.perUser) {
        Registry::RegDelTree(target_.classes, target_.Classes(ShellExtClassKey));
        Registry::RegDelTree(target_.classes, target_.Classes(ShellExtProgId));
    }
    Registry::RegDelTree(target_.classes, target_.Classes(ExplorerCommandClassKey));
    Registry::RegDelTree(target_.classes, target_.Classes(ExplorerCommandProgId));
    Registry::RegDelKey(target_.settings, UninstallKey);
    // Registered per user on Windows 11, whichever way Tracklet was installed.
    if (MenuChoice::WantsPackage(Package::WindowsBuild())) Package::Remove();
    Pause();

    SetBold(1, false);
    Mark(1);
    Repaint();
    if (pending) {
        outcome_ = InstallText::Outcome::RestartCompletesRemoval;
        if (!request_.quiet) Show(InstallText::RestartCompletesRemoval(HeaderText));
    }
    Finish();
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

bool frmMain::MoveAllInto(const std::vector<std::pair<std::wstring, std::wstring>>& files) {
    // The installed copy of the installer, run without arguments, finds the
    // files beside itself: they are in place, and deleting the "source"
    // would delete the installed file.
    const auto inPlace = [](const auto& file) { return NoCase::Same(file.first, file.second); };
    // All copies first: were one refused (a trkconfig still running, say)
    // after another's source had gone, the next attempt would find the
    // delivery incomplete.
    for (const auto& file : files) {
        if (inPlace(file)) continue;
        ClearReadOnly(file.second);
        if (!CopyFileW(file.first.c_str(), file.second.c_str(), FALSE))
            return FailOnFile(InstallText::FileOp::Copy, file.first, file.second, GetLastError());
        ClearReadOnly(file.second);
    }
    for (const auto& file : files) {
        if (inPlace(file)) continue;
        ClearReadOnly(file.first);
        if (!DeleteFileW(file.first.c_str()))
            return FailOnFile(InstallText::FileOp::Delete, file.first, {}, GetLastError());
    }
    return true;
}

// trkkit is shared: one count per program that installed it. A copy that was
// there without a count belongs to an earlier owner, who counts as one.
void frmMain::CountSharedKit(const std::wstring& kit, bool kitWasThere) {
    const auto count = Registry::RegGetNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit);
    Registry::RegSetNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit, count.value_or(kitWasThere ? 1 : 0) + 1);
}

// trkkit goes only with the last count on it. A machine installed before the
// count existed has neither the count nor the Uninstall entry, and trkkit goes
// as it always did; a count without our entry is another program's.
bool frmMain::ReleaseSharedKit(const std::wstring& kit, bool& pending) {
    const bool ours = !Registry::RegGetString(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayName").empty();
    const auto count = Registry::RegGetNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit);
    if (ours && count.value_or(1) > 1) {
        Registry::RegSetNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit, *count - 1);
        return true;
    }
    if (!ours && count) return true;
    if (!DeleteInstalled(kit, pending)) return false;
    Registry::RegDelValue(HKEY_LOCAL_MACHINE, SharedDllsKey, kit);
    return true;
}

bool frmMain::PlaceRemover(const std::wstring& remover) {
    const std::wstring self = ModuleInfo::FileName(nullptr);
    if (NoCase::Same(self, remover)) return true;
    ClearReadOnly(remover);
    if (!CopyFileW(self.c_str(), remover.c_str(), FALSE))
        return FailOnFile(InstallText::FileOp::Copy, self, remover, GetLastError());
    ClearReadOnly(remover);
    return true;
}

bool frmMain::DeleteInstalled(const std::wstring& path, bool& pending) {
    ClearReadOnly(path);
    if (DeleteFileW(path.c_str())) return true;
    const DWORD error = GetLastError();
    if (target_.perUser) {
        pending = true;
        userCleanupDue_ = true;
        return true;
    }
    // Held by a running program (the Explorer keeps trkmenu loaded): the
    // system deletes it when it next starts, before anyone can load it.
    if (MoveFileExW(path.c_str(), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT)) {
        pending = true;
        return true;
    }
    return FailOnFile(InstallText::FileOp::Delete, path, {}, error);
}

void frmMain::WriteUninstallEntry(const std::wstring& folder, const std::wstring& remover) {
    const HKEY root = target_.settings;
    auto text = [root](const wchar_t* name, const std::wstring& value) {
        Registry::RegSetValue(root, UninstallKey, name, value);
    };
    auto number = [root](const wchar_t* name, DWORD value) { Registry::RegSetNumber(root, UninstallKey, name, value); };
    ModuleInfo::Version library;
    ModuleInfo::ReadVersion(folder + L"\\trkmenu.dll", library);
    ULONGLONG bytes = 0;
    for (const wchar_t* name : InstalledFiles) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (GetFileAttributesExW((folder + name).c_str(), GetFileExInfoStandard, &data))
            bytes += (ULONGLONG(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    }
    const std::wstring command = L"\"" + remover + L"\" remove" + (target_.perUser ? L" /user" : L"");
    text(L"DisplayName", L"Tracklet");
    text(L"DisplayVersion", std::to_wstring(library.major) + L"." + std::to_wstring(library.minor) + L"." +
                                std::to_wstring(library.revision));
    text(L"Publisher", L"Tracklet");
    text(L"DisplayIcon", remover + L",0");
    text(L"InstallLocation", folder);
    text(L"UninstallString", command);
    text(L"QuietUninstallString", command + L" /quiet");
    number(L"EstimatedSize", static_cast<DWORD>((bytes + 1023) / 1024));
    number(L"NoModify", 1);
    number(L"NoRepair", 1);
}

bool frmMain::RegisterLibrary(const std::wstring& library) {
    // trkkit runs with the installer's rights, so only the installed copy
    // may be loaded, never one found by the ordinary search (which looks
    // beside install.exe first).
    const std::wstring kitPath = target_.folder + L"\\trkkit.dll";
    Handles::UniqueModule kit(LoadLibraryExW(kitPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!kit) return FailOnFile(InstallText::FileOp::Load, kitPath, {}, GetLastError());
    const char* entry = target_.perUser ? trkkit::UserRegisterName : trkkit::SelfRegisterName;
    auto selfRegister = reinterpret_cast<trkkit::SelfRegisterProc>(
        reinterpret_cast<void*>(GetProcAddress(kit.get(), entry)));
    if (!selfRegister)
        return FailOnFile(InstallText::FileOp::FindEntry, kitPath, Codepage::FromAnsi(entry), GetLastError());
    const std::string path = Codepage::ToAnsi(library);
    const short code = selfRegister(path.c_str());
    if (code != trkkit::Registered)
        return Fail(InstallText::RegistrationOutcome(code), InstallText::Registration(HeaderText, code));
    return true;
}

void frmMain::UnregisterForUser(const std::wstring& library) {
    const std::wstring kitPath = target_.folder + L"\\trkkit.dll";
    Handles::UniqueModule kit(LoadLibraryExW(kitPath.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    auto unregister = kit ? reinterpret_cast<trkkit::SelfRegisterProc>(reinterpret_cast<void*>(
                                GetProcAddress(kit.get(), trkkit::UserUnregisterName)))
                          : nullptr;
    // What is left after a failure goes with the class keys below.
    if (unregister) unregister(Codepage::ToAnsi(library).c_str());
}

void frmMain::ScheduleUserCleanup() {
    const std::wstring& dir = target_.folder;
    std::wstring command = L"\"" + Registry::SystemDirectory() + L"\\cmd.exe\" /d /c del /f /q";
    for (const wchar_t* name : InstalledFiles) command += L" \"" + dir + name + L"\"";
    command += L" & rd \"" + dir + L"\"";
    Registry::RegSetValue(HKEY_CURRENT_USER, RunOnceKey, RunOnceValue, command);
}

bool frmMain::Fail(InstallText::Outcome outcome, const InstallText::Message& message) {
    outcome_ = outcome;
    if (!request_.quiet) Show(message);
    return false;
}

bool frmMain::FailOnFile(InstallText::FileOp op, const std::wstring& path, const std::wstring& detail, DWORD error) {
    return Fail(InstallText::FileOperationOutcome(op),
                InstallText::FileOperationFailed(HeaderText, op, path, detail, error, SystemErrorText(error)));
}

void frmMain::Show(const InstallText::Message& message) {
    const UINT icon = message.critical ? MB_ICONERROR : message.information ? MB_ICONINFORMATION : 0;
    MessageBoxW(hwnd_, message.text.c_str(), message.title.c_str(), MB_OK | MB_SETFOREGROUND | icon);
}

// A quiet run has no window: the steps below then do nothing.
void frmMain::SetBold(int row, bool bold) {
    if (!hwnd_) return;
    SendMessageW(lblReg_[row], WM_SETFONT, reinterpret_cast<WPARAM>(bold ? boldFont_.get() : font_.get()), FALSE);
}

void frmMain::Mark(int row) {
    if (!hwnd_) return;
    SendMessageW(chk_[row], BM_SETCHECK, BST_CHECKED, 0);
}

void frmMain::Repaint() {
    if (!hwnd_) return;
    // The load runs before any message is handled: paint now, not later.
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW | RDW_ALLCHILDREN);
}

// The pauses let a user follow the rows; nobody watches a quiet run.
void frmMain::Pause() {
    if (!request_.quiet) Sleep(StepPause);
}

void frmMain::Finish() {
    if (hwnd_) {
        EnableWindow(cmdOk_, TRUE);
        SetFocus(cmdOk_);
        Repaint();
    }
    // The menu appears, or goes, without a restart of the Explorer.
    SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
}
