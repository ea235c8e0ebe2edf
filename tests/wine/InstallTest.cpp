// install.exe run for real in the test's own Wine prefix, one scenario per
// prefix: the delivery folder, the system directory and the registry are
// checked afterwards, and every message box is read from the screen.
#include <gtest/gtest.h>
#include <shlobj.h>
#include <windows.h>
#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "InstallHarness.h"
#include "resource.h"

using namespace harness;

namespace {

const std::wstring Header = L"Tracklet Installer\r\nVersion 0.42 build 17\r\n\r\n";
const std::wstring ClassId = L"{928BB78A-14A7-11D3-A91E-0040056902A2}";
const std::wstring HandlerKey = L"*\\shellex\\ContextMenuHandlers\\TRK";
const std::wstring FolderKeys[] = {L"Directory\\shellex\\ContextMenuHandlers\\TRK",
                                   L"Directory\\Background\\shellex\\ContextMenuHandlers\\TRK"};
const std::wstring UninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tracklet";
const std::wstring SharedDllsKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
const std::wstring ApprovedKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Shell Extensions\\Approved";
const wchar_t* const Shipped[] = {L"trkkit.dll", L"trkmenu.dll", L"trkconfig.exe"};

std::wstring ControlText(HWND window, int id) {
    wchar_t text[256] = {};
    GetDlgItemTextW(window, id, text, 256);
    return text;
}

bool Marked(HWND window, int id) {
    return SendMessageW(GetDlgItem(window, id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void ExpectFinishedWindow(HWND window, const wchar_t* row0, const wchar_t* row1) {
    wchar_t caption[64] = {};
    GetWindowTextW(window, caption, 64);
    EXPECT_STREQ(caption, L"Tracklet Installer");
    EXPECT_EQ(ControlText(window, IDC_LBLREG0), row0);
    EXPECT_EQ(ControlText(window, IDC_LBLREG1), row1);
    EXPECT_TRUE(Marked(window, IDC_CHK0));
    EXPECT_TRUE(Marked(window, IDC_CHK1));
    EXPECT_EQ(ControlText(window, IDOK), L"&Ok");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(window, IDOK)));
}

bool Installed() {
    return ReadString(HKEY_CLASSES_ROOT, HandlerKey, L"") == ClassId &&
           ReadString(HKEY_LOCAL_MACHINE, ApprovedKey, ClassId) == L"Tracklet" &&
           Exists(SystemDir() + L"\\trkmenu.dll");
}

bool HandlerEntriesAbsent() {
    return !KeyExists(HKEY_CLASSES_ROOT, HandlerKey) && !KeyExists(HKEY_CLASSES_ROOT, FolderKeys[0]) &&
           !KeyExists(HKEY_CLASSES_ROOT, FolderKeys[1]) && !ReadString(HKEY_LOCAL_MACHINE, ApprovedKey, ClassId) &&
           !ReadString(HKEY_LOCAL_MACHINE, ApprovedKey, L"!");
}

// A run that stopped before moving anything left the machine as it was.
void ExpectMachineUntouched() {
    for (auto name : Shipped)
        EXPECT_FALSE(Exists(SystemDir() + L"\\" + name)) << "moved: " << testing::PrintToString(name);
    EXPECT_FALSE(Exists(SystemDir() + L"\\trkinstall.exe"));
    EXPECT_TRUE(HandlerEntriesAbsent());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"trkmenu.ShellExt"));
}

struct Expected {
    std::wstring title;
    std::wstring body;   // the text after the header
    bool icon;
};

// Runs the installer to its message box and checks what the user reads.
void ExpectFailure(std::wstring_view arguments, const Expected& expected) {
    InstallerRun run(arguments);
    auto box = run.TakeMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, expected.title);
    EXPECT_EQ(box->text, Header + expected.body);
    EXPECT_EQ(box->icon, expected.icon);
    EXPECT_EQ(run.WaitForExit(), 1u) << "the program ends after the message";
}

std::wstring UserTrkIni() {
    wchar_t appData[MAX_PATH] = {};
    SHGetFolderPathW(nullptr, CSIDL_APPDATA | CSIDL_FLAG_CREATE, nullptr, 0, appData);
    std::wstring folder = std::wstring(appData) + L"\\Tracklet";
    CreateDirectoryW(folder.c_str(), nullptr);
    return folder + L"\\trk.ini";
}

// A handle that keeps others from writing or deleting a file until the test ends.
struct HeldOpen {
    HANDLE handle;
    explicit HeldOpen(const std::wstring& path, DWORD share)
        : handle(CreateFileW(path.c_str(), GENERIC_READ, share, nullptr, OPEN_EXISTING, 0, nullptr)) {}
    ~HeldOpen() {
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
    }
};

}  // namespace

TEST(Installation, MovesTheFilesRegistersAndIsRemovedAgain) {
    DeliverAll();
    {
        InstallerRun run;
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        ExpectFinishedWindow(window, L"Registering application DLL", L"Modifying registry entries");
        // Client area 4110 x 840 twips at the screen's DPI.
        HDC screen = GetDC(nullptr);
        const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
        ReleaseDC(nullptr, screen);
        RECT client{};
        GetClientRect(window, &client);
        EXPECT_EQ(client.right, MulDiv(4110, dpi, 1440));
        EXPECT_EQ(client.bottom, MulDiv(840, dpi, 1440));
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    for (auto name : Shipped) {
        EXPECT_TRUE(Exists(SystemDir() + L"\\" + name)) << "installed: " << testing::PrintToString(name);
        EXPECT_FALSE(Exists(DeliveryDir() + L"\\" + name)) << "moved away: " << testing::PrintToString(name);
    }
    // The library registered itself through trkkit ...
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"trkmenu.ShellExt\\CLSID", L""), ClassId);
    auto server = ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId + L"\\InprocServer32", L"");
    ASSERT_TRUE(server);
    EXPECT_EQ(Lower(*server), Lower(SystemDir() + L"\\trkmenu.dll"));
    // ... and the installer admitted it as a handler for every file.
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, HandlerKey, L""), ClassId);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, ApprovedKey, ClassId), L"Tracklet");
    // ... for folders and for the background of an open folder, too.
    for (const auto& key : FolderKeys)
        EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key, L""), ClassId) << testing::PrintToString(key);

    WriteFileText(UserTrkIni(), "[trk]\r\nPrompt=1\r\n");
    WriteFileText(SystemDir() + L"\\trk.ini", "[trk]\r\nPrompt=1\r\n");
    {
        InstallerRun run(L"remove");
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        // The doubled ampersand is how a label shows one.
        ExpectFinishedWindow(window, L"Removing DLL's && EXE's", L"Removing Registry Entries");
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    for (auto name : Shipped)
        EXPECT_FALSE(Exists(SystemDir() + L"\\" + name)) << "removed: " << testing::PrintToString(name);
    EXPECT_TRUE(HandlerEntriesAbsent());
    // Only the handler's own keys go; the keys above them and the approved list stay.
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"*\\shellex\\ContextMenuHandlers"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"Directory\\Background\\shellex\\ContextMenuHandlers"));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, ApprovedKey));
    // The class's own registration and the user's options stay.
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"trkmenu.ShellExt\\CLSID", L""), ClassId);
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId + L"\\InprocServer32"));
    EXPECT_TRUE(Exists(UserTrkIni()));
    EXPECT_TRUE(Exists(SystemDir() + L"\\trk.ini"));

    // A second removal finds nothing to do and still ends normally.
    EXPECT_TRUE(RunToSuccess(L"remove"));
    EXPECT_TRUE(HandlerEntriesAbsent());
}

TEST(Installation, OnlyTheBareWordRemoveInAnyCaseRemoves) {
    DeliverAll();
    ASSERT_TRUE(RunToSuccess(L"/remove"));
    EXPECT_TRUE(Installed()) << "/remove installs";
    ASSERT_TRUE(RunToSuccess(L"REMOVE"));
    EXPECT_TRUE(HandlerEntriesAbsent());
    EXPECT_FALSE(Exists(SystemDir() + L"\\trkmenu.dll"));

    DeliverAll();
    ASSERT_TRUE(RunToSuccess(L"remove everything"));
    EXPECT_TRUE(Installed()) << "a further argument makes it an installation";
    ASSERT_TRUE(RunToSuccess(L"Remove"));
    EXPECT_TRUE(HandlerEntriesAbsent());
}

TEST(Installation, UsesTheTrkkitOfTheSystemDirectoryNeverOneBesideTheInstaller) {
    // A good trkkit is already installed; a planted one lies beside install.exe.
    ASSERT_TRUE(CopyFileW(Input(L"trkkit").c_str(), (SystemDir() + L"\\trkkit.dll").c_str(), FALSE));
    ResetDelivery();
    Deliver(L"trkmenu", L"trkmenu.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    Deliver(L"fakekit", L"trkkit.dll");
    const std::wstring marker = L"C:\\planted-trkkit-ran.txt";
    SetEnvironmentVariableW(L"TRK_FAKEKIT_MARKER", marker.c_str());
    SetEnvironmentVariableW(L"TRK_FAKEKIT_CODE", L"6");

    EXPECT_TRUE(RunToSuccess(L""));
    EXPECT_FALSE(Exists(marker)) << "the planted trkkit.dll ran";
    EXPECT_TRUE(Exists(DeliveryDir() + L"\\trkkit.dll")) << "the copy beside the installer stays where it is";
    EXPECT_TRUE(Installed());
}

TEST(Failures, TrkkitNowhere) {
    ResetDelivery();
    Deliver(L"trkmenu", L"trkmenu.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    ExpectFailure(L"", {L"Installer: Error, Missing File",
                        L"Unable to locate resource dll, \"trkkit.dll\"\r\nMake sure that it is located at either:\r\n   " +
                            SystemDir() + L"\r\n   C:\\delivery\\",
                        true});
    EXPECT_TRUE(Exists(DeliveryDir() + L"\\trkmenu.dll")) << "nothing was moved";
    ExpectMachineUntouched();
}

TEST(Failures, TrkmenuMissing) {
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    ExpectFailure(L"", {L"Installer: Error, Missing File",
                        L"Unable to locate program dll, \"trkmenu.dll\"\r\nMake sure that it is located in:\r\n   "
                        L"C:\\delivery\\",
                        true});
    // Every file is looked for before any is moved.
    EXPECT_TRUE(Exists(DeliveryDir() + L"\\trkkit.dll")) << "nothing was moved";
    EXPECT_TRUE(Exists(DeliveryDir() + L"\\trkconfig.exe"));
    ExpectMachineUntouched();
}

TEST(Failures, TrkconfigMissing) {
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkmenu", L"trkmenu.dll");
    ExpectFailure(L"", {L"Installer: Error, Missing File",
                        L"Unable to locate setup program, \"trkconfig.exe\"\r\nMake sure that it is located in:\r\n   "
                        L"C:\\delivery\\",
                        true});
    // Every file is looked for before any is moved: a second run therefore
    // still finds trkmenu.dll where it was delivered.
    EXPECT_TRUE(Exists(DeliveryDir() + L"\\trkkit.dll")) << "nothing was moved";
    EXPECT_TRUE(Exists(DeliveryDir() + L"\\trkmenu.dll"));
    ExpectMachineUntouched();
}

TEST(Failures, SecondRunFromTheSameFolder) {
    ASSERT_TRUE(InstallFromFullDelivery());
    // The first run moved trkmenu and trkconfig away; copies in the system
    // directory do not count.
    ExpectFailure(L"", {L"Installer: Error, Missing File",
                        L"Unable to locate program dll, \"trkmenu.dll\"\r\nMake sure that it is located in:\r\n   "
                        L"C:\\delivery\\",
                        true});
}

TEST(Failures, LibraryThatCannotBeLoaded) {
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    WriteFileText(DeliveryDir() + L"\\trkmenu.dll", "this is not a library");
    ExpectFailure(L"", {L"TRK Installer", L"LoadLibrary() Failed, GetLastError() returns:\r\n193", false});
    EXPECT_TRUE(HandlerEntriesAbsent());
}

TEST(Failures, LibraryWithoutDllRegisterServer) {
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    Deliver(L"noentry", L"trkmenu.dll");
    ExpectFailure(L"", {L"TRK Installer", L"GetProcAddress() Failed, GetLastError() returns:\r\n127", false});
    EXPECT_TRUE(HandlerEntriesAbsent());
}

TEST(Failures, EveryRegistrationCodeHasItsMessage) {
    const std::wstring wrong = L"\r\nTHIS IS A _WAY_ WRONG ERROR! WHAT DID YOU DO TO THE FILE?!";
    const std::wstring unexpected = L"Unexpected error while registering application dll";
    const struct {
        const wchar_t* code;
        std::wstring body;
    } cases[] = {
        {L"2", L"Could not initialize OLE in order to register the application dll"},
        {L"3", L"LoadLibrary() failed while registering the application dll"},
        {L"4", L"No entrypoint for DllRegisterServer() was found in the application dll" + wrong},
        {L"5", L"DllRegisterServer() in the application dll returned failure" + wrong},
        {L"1", unexpected},
        {L"-1", unexpected},
        {L"6", unexpected},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.code));
        SetEnvironmentVariableW(L"TRK_FAKEKIT_CODE", c.code);
        ResetDelivery();
        Deliver(L"fakekit", L"trkkit.dll");   // moved in by the first run, then used where it lies
        Deliver(L"trkmenu", L"trkmenu.dll");
        Deliver(L"trkconfig", L"trkconfig.exe");
        ExpectFailure(L"", {L"Installer: Error, File Registration", c.body, true});
        EXPECT_TRUE(HandlerEntriesAbsent());
    }
}

TEST(Failures, UnknownClassIdentifierWritesNothing) {
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkconfig", L"trkconfig.exe");
    Deliver(L"noprogid", L"trkmenu.dll");
    ExpectFailure(L"", {L"Installer: Error, File Registration", L"Unexpected error while registering application dll",
                        true});
    EXPECT_TRUE(HandlerEntriesAbsent());
    EXPECT_FALSE(ReadString(HKEY_CLASSES_ROOT, HandlerKey, L""));
}

TEST(Failures, DestinationInUse) {
    const std::wstring target = SystemDir() + L"\\trkconfig.exe";
    WriteFileText(target, "an older trkconfig, still running");
    HeldOpen running(target, 0);
    ASSERT_NE(running.handle, INVALID_HANDLE_VALUE);
    DeliverAll();
    InstallerRun run;
    auto box = run.TakeMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, L"TRK Installer");
    EXPECT_TRUE(box->icon);
    const std::wstring what = Header + L"Unable to copy \"C:\\delivery\\trkconfig.exe\"\r\nto \"" + target + L"\"\r\n\r\n";
    EXPECT_EQ(box->text.substr(0, what.size()), what);
    EXPECT_NE(box->text.find(L"(system error 32)"), std::wstring::npos) << testing::PrintToString(box->text);
    EXPECT_EQ(run.WaitForExit(), 1u);
    // The delivery stays whole, so that the next attempt can succeed.
    for (const wchar_t* name : {L"\\trkkit.dll", L"\\trkmenu.dll", L"\\trkconfig.exe"})
        EXPECT_TRUE(Exists(DeliveryDir() + name)) << name;
    EXPECT_TRUE(HandlerEntriesAbsent());
}

TEST(Failures, SourceThatCannotBeDeleted) {
    DeliverAll();
    // Readable, so the copy works, but not deletable while the handle lives.
    HeldOpen reader(DeliveryDir() + L"\\trkmenu.dll", FILE_SHARE_READ);
    ASSERT_NE(reader.handle, INVALID_HANDLE_VALUE);
    InstallerRun run;
    auto box = run.TakeMessageBox();
    ASSERT_TRUE(box);
    EXPECT_EQ(box->title, L"TRK Installer");
    const std::wstring what = Header + L"Unable to delete \"C:\\delivery\\trkmenu.dll\"\r\n\r\n";
    EXPECT_EQ(box->text.substr(0, what.size()), what);
    EXPECT_NE(box->text.find(L"(system error 32)"), std::wstring::npos) << testing::PrintToString(box->text);
    EXPECT_EQ(run.WaitForExit(), 1u);
    EXPECT_TRUE(HandlerEntriesAbsent());
}

bool ReadOnly(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY);
}

// Files from a CD or some archives are read-only; the copies must not stay so,
// or no later run could replace or remove them.
TEST(Installation, ReadOnlyFilesAreInstalledAndRemovedAgain) {
    DeliverAll();
    for (auto name : Shipped)
        ASSERT_TRUE(SetFileAttributesW((DeliveryDir() + L"\\" + name).c_str(), FILE_ATTRIBUTE_READONLY));
    ASSERT_TRUE(RunToSuccess(L""));
    for (auto name : Shipped) {
        EXPECT_TRUE(Exists(SystemDir() + L"\\" + name)) << testing::PrintToString(name);
        EXPECT_FALSE(ReadOnly(SystemDir() + L"\\" + name)) << testing::PrintToString(name);
        EXPECT_FALSE(Exists(DeliveryDir() + L"\\" + name)) << testing::PrintToString(name);
    }
    // An installed file that is read-only all the same is still replaced and removed.
    SetFileAttributesW((SystemDir() + L"\\trkmenu.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    DeliverAll();
    ASSERT_TRUE(RunToSuccess(L""));
    SetFileAttributesW((SystemDir() + L"\\trkkit.dll").c_str(), FILE_ATTRIBUTE_READONLY);
    ASSERT_TRUE(RunToSuccess(L"remove"));
    for (auto name : Shipped) EXPECT_FALSE(Exists(SystemDir() + L"\\" + name)) << testing::PrintToString(name);
    EXPECT_TRUE(HandlerEntriesAbsent());
}

// A library that unregistered itself took its ProgID along; the approval is
// still found by the class identifier in the handler's key.
TEST(Removal, TheApprovalGoesEvenAfterTheLibraryUnregisteredItself) {
    ASSERT_TRUE(InstallFromFullDelivery());
    HMODULE library = LoadLibraryW((SystemDir() + L"\\trkmenu.dll").c_str());
    ASSERT_TRUE(library);
    auto unregister = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllUnregisterServer")));
    ASSERT_TRUE(unregister);
    EXPECT_EQ(unregister(), S_OK);
    FreeLibrary(library);
    ASSERT_FALSE(ReadString(HKEY_CLASSES_ROOT, L"trkmenu.ShellExt\\CLSID", L""));
    ASSERT_TRUE(RunToSuccess(L"remove"));
    EXPECT_TRUE(HandlerEntriesAbsent());
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, ApprovedKey, ClassId));
}

namespace {

std::wstring PendingRenames() {
    std::wstring all(32768, L'\0');
    DWORD bytes = static_cast<DWORD>(all.size() * sizeof(wchar_t));
    if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SYSTEM\\CurrentControlSet\\Control\\Session Manager",
                     L"PendingFileRenameOperations", RRF_RT_REG_MULTI_SZ, nullptr, all.data(), &bytes) !=
        ERROR_SUCCESS)
        return {};
    all.resize(bytes / sizeof(wchar_t));
    return Lower(all);
}

// Recorded as "\??\<path>" followed by an empty target: deleted at the restart.
bool DeletionPending(const std::wstring& path) {
    return PendingRenames().find(Lower(L"\\??\\" + path) + L'\0' + L'\0') != std::wstring::npos;
}

}  // namespace

// The Explorer keeps trkmenu.dll loaded once it has used the menu.
TEST(Removal, AFileInUseIsDeletedAtTheRestartAfterTheRegistryEntriesWent) {
    ASSERT_TRUE(InstallFromFullDelivery());
    const std::wstring library = SystemDir() + L"\\trkmenu.dll";
    {
        HeldOpen shell(library, FILE_SHARE_READ);
        ASSERT_NE(shell.handle, INVALID_HANDLE_VALUE);
        InstallerRun run(L"remove");
        auto box = run.TakeMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title, L"TRK Installer");
        EXPECT_EQ(box->text, Header + L"Some of Tracklet's files are in use and will be deleted when Windows "
                                      L"restarts.\r\nRestart the computer to complete the removal.");
        EXPECT_TRUE(box->icon);
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        ExpectFinishedWindow(window, L"Removing DLL's && EXE's", L"Removing Registry Entries");
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    EXPECT_TRUE(DeletionPending(library));
    EXPECT_FALSE(Exists(SystemDir() + L"\\trkconfig.exe"));
    EXPECT_FALSE(Exists(SystemDir() + L"\\trkkit.dll"));
    EXPECT_TRUE(HandlerEntriesAbsent()) << "no new Explorer may load the handler";
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));

    // Quiet, the same with trkconfig.exe running; the exit code tells a restart is due.
    DeleteFileW(library.c_str());
    ASSERT_TRUE(InstallFromFullDelivery());
    const std::wstring setup = SystemDir() + L"\\trkconfig.exe";
    HeldOpen running(setup, 0);
    ASSERT_NE(running.handle, INVALID_HANDLE_VALUE);
    bool windowSeen = true;
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"remove /quiet"), windowSeen), 3010u);
    EXPECT_FALSE(windowSeen);
    EXPECT_TRUE(DeletionPending(setup));
    EXPECT_FALSE(Exists(library));
    EXPECT_TRUE(HandlerEntriesAbsent());
}

TEST(AppsAndFeatures, TheEntryDescribesTheInstallationAndRemovesItWithoutTheDelivery) {
    ASSERT_TRUE(InstallFromFullDelivery());
    const std::wstring remover = SystemDir() + L"\\trkinstall.exe";
    ASSERT_TRUE(Exists(remover));
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayName"), L"Tracklet");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayVersion"), L"1.47.612");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"Publisher"), L"Tracklet");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayIcon"), remover + L",0");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"InstallLocation"), SystemDir());
    const auto uninstall = ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"UninstallString");
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(*uninstall, L"\"" + remover + L"\" remove");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, UninstallKey, L"QuietUninstallString"), *uninstall + L" /quiet");
    ULONGLONG bytes = 0;
    for (const wchar_t* name : {L"trkkit.dll", L"trkmenu.dll", L"trkconfig.exe", L"trkinstall.exe"}) {
        WIN32_FILE_ATTRIBUTE_DATA data;
        ASSERT_TRUE(GetFileAttributesExW((SystemDir() + L"\\" + name).c_str(), GetFileExInfoStandard, &data));
        bytes += data.nFileSizeLow;
    }
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, UninstallKey, L"EstimatedSize"), (bytes + 1023) / 1024);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, UninstallKey, L"NoModify"), 1u);
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, UninstallKey, L"NoRepair"), 1u);

    // Run without arguments, the installed copy finds the files beside it in
    // place and registers them again; nothing is deleted.
    bool windowSeen = true;
    EXPECT_EQ(RunQuiet(L"\"" + remover + L"\" /quiet", windowSeen), 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_TRUE(Installed());
    for (auto name : Shipped) EXPECT_TRUE(Exists(SystemDir() + L"\\" + name)) << testing::PrintToString(name);

    ResetDelivery();
    ASSERT_TRUE(DeleteFileW((DeliveryDir() + L"\\install.exe").c_str()));
    ASSERT_TRUE(RemoveDirectoryW(DeliveryDir().c_str()));
    {
        InstallerRun run(InstallerRun::Command{*uninstall});
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    for (auto name : Shipped) EXPECT_FALSE(Exists(SystemDir() + L"\\" + name)) << testing::PrintToString(name);
    EXPECT_TRUE(HandlerEntriesAbsent());
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    // A running program cannot delete its own file: the copy goes at the restart.
    EXPECT_TRUE(!Exists(remover) || DeletionPending(remover));
}

TEST(Quiet, NoWindowNoMessageAndTheExitCodeTellsTheResult) {
    DeliverAll();
    bool windowSeen = true;
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/Q"), windowSeen), 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_TRUE(Installed());
    // The Explorer command's class goes with the removal (the package
    // declares it on Windows 11); the handler's own registration stays.
    const std::wstring commandClass = L"CLSID\\{2C9A5863-AD8D-4683-B139-06AF736D2142}";
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, (commandClass + L"\\InprocServer32").c_str(), nullptr, REG_SZ,
                              L"x", 4),
              ERROR_SUCCESS);
    ASSERT_EQ(RegSetKeyValueW(HKEY_CLASSES_ROOT, L"trkmenu.ExplorerCommand\\CLSID", nullptr, REG_SZ, L"x", 4),
              ERROR_SUCCESS);
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"REMOVE /quiet"), windowSeen), 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_TRUE(HandlerEntriesAbsent());
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, commandClass));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"trkmenu.ExplorerCommand"));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + ClassId + L"\\InprocServer32"));
    for (auto name : Shipped) EXPECT_FALSE(Exists(SystemDir() + L"\\" + name)) << testing::PrintToString(name);

    // Each failure that would show a message has a code of its own.
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkmenu", L"trkmenu.dll");
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 12u) << "trkconfig.exe missing";
    EXPECT_FALSE(windowSeen);
    Deliver(L"trkconfig", L"trkconfig.exe");
    Deliver(L"noentry", L"trkmenu.dll");
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 21u) << "no DllRegisterServer";
    EXPECT_FALSE(windowSeen);
    // The removal left the class's registration; a library without a ProgID
    // must not find it.
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"trkmenu.ShellExt");
    ResetDelivery();
    Deliver(L"trkconfig", L"trkconfig.exe");
    Deliver(L"noprogid", L"trkmenu.dll");
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 27u) << "no class identifier";
    EXPECT_FALSE(windowSeen);
}

// trkkit.dll is shared: counted under its full path, deleted with the last count.
TEST(SharedCount, TrkkitGoesOnlyWithTheLastCount) {
    const std::wstring kit = SystemDir() + L"\\trkkit.dll";
    bool windowSeen = false;
    auto install = [&] {
        DeliverAll();
        ASSERT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 0u);
    };
    auto remove = [&] { ASSERT_EQ(RunQuiet(DeliveredInstaller(L"remove /quiet"), windowSeen), 0u); };

    // Absent before: ours alone.
    install();
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 1u);
    // Installing again over an installation counts nothing more.
    install();
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 1u);
    remove();
    EXPECT_FALSE(Exists(kit));
    EXPECT_FALSE(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit));

    // Present without a count: its earlier owner counts as one.
    ASSERT_TRUE(CopyFileW(Input(L"trkkit").c_str(), kit.c_str(), FALSE));
    install();
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 2u);
    remove();
    EXPECT_TRUE(Exists(kit));
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 1u);

    // Present with a count of 2.
    WriteNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit, 2);
    install();
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 3u);
    remove();
    EXPECT_TRUE(Exists(kit));
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 2u);
    // A removal without our installation leaves another owner's count alone.
    remove();
    EXPECT_EQ(ReadNumber(HKEY_LOCAL_MACHINE, SharedDllsKey, kit), 2u);
    EXPECT_TRUE(Exists(kit));
}

namespace {

// Runs the shell host as Explorer would reach the handler: through the registry.
DWORD RightClick(const std::wstring& folder, const std::vector<std::wstring>& names, int offset) {
    std::wstring commandLine = L"\"" + Input(L"shellhost") + L"\" --registry --offset " + std::to_wstring(offset) +
                               L" --dir \"" + folder + L"\"";
    for (const auto& name : names) commandLine += L" \"" + folder + L"\\" + name + L"\"";
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return GetLastError();
    CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    else TerminateProcess(pi.hProcess, 99);
    CloseHandle(pi.hProcess);
    return code;
}

DWORD RightClickCreatePlaylist(const std::wstring& folder, const std::vector<std::wstring>& names) {
    return RightClick(folder, names, 0);
}

// The full path of a running trkconfig.exe, which it then ends; empty when
// none started within the time.
std::wstring TakeRunningTrkconfig() {
    for (int attempt = 0; attempt < 200; ++attempt) {
        HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
        PROCESSENTRY32W entry{};
        entry.dwSize = sizeof(entry);
        std::wstring path;
        for (BOOL more = Process32FirstW(snapshot, &entry); more && path.empty();
             more = Process32NextW(snapshot, &entry)) {
            if (_wcsicmp(entry.szExeFile, L"trkconfig.exe") != 0) continue;
            HANDLE process = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE,
                                         entry.th32ProcessID);
            wchar_t image[MAX_PATH] = {};
            DWORD size = MAX_PATH;
            if (process && QueryFullProcessImageNameW(process, 0, image, &size)) path = image;
            if (process) {
                TerminateProcess(process, 0);
                WaitForSingleObject(process, 10000);
                CloseHandle(process);
            }
        }
        CloseHandle(snapshot);
        if (!path.empty()) return path;
        Sleep(50);
    }
    return {};
}

std::string FileBytes(const std::wstring& path) {
    HANDLE f = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "(missing)";
    char buffer[4096];
    DWORD read = 0;
    ReadFile(f, buffer, sizeof buffer, &read, nullptr);
    CloseHandle(f);
    return std::string(buffer, read);
}

}  // namespace

TEST(EndToEnd, TheShellFindsTheInstalledHandlerUntilItIsRemoved) {
    ASSERT_TRUE(InstallFromFullDelivery());
    // No name prompt: nobody is there to type one.
    WriteFileText(UserTrkIni(), "[trk]\r\nPrompt=0\r\nOverwrite=1\r\nFiles=mp3,wav\r\n");
    const std::wstring music = L"C:\\music";
    CreateDirectoryW(music.c_str(), nullptr);
    for (auto name : {L"b.mp3", L"A.mp3", L"notes.txt"}) WriteFileText(music + L"\\" + name, "sample");

    EXPECT_EQ(RightClickCreatePlaylist(music, {L"b.mp3", L"A.mp3", L"notes.txt"}), 0u);
    EXPECT_EQ(FileBytes(music + L"\\new.m3u"), "A.mp3\r\nb.mp3\r\n");

    ASSERT_TRUE(RunToSuccess(L"remove"));
    DeleteFileW((music + L"\\new.m3u").c_str());
    EXPECT_NE(RightClickCreatePlaylist(music, {L"b.mp3", L"A.mp3"}), 0u) << "no handler after removal";
    EXPECT_FALSE(Exists(music + L"\\new.m3u"));
}

// ---- For the current user alone: install.exe /user ----

namespace {

const std::wstring UserClasses = L"Software\\Classes\\";
const wchar_t* const UserFiles[] = {L"trkkit.dll", L"trkmenu.dll", L"trkconfig.exe", L"trkinstall.exe"};

// %LOCALAPPDATA%\Programs\Tracklet
std::wstring UserFolder() {
    PWSTR path = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_LocalAppData, 0, nullptr, &path))) folder = path;
    CoTaskMemFree(path);
    return folder + L"\\Programs\\Tracklet";
}

// Every key and value below a key, as "path|name|type|bytes" lines.
void Collect(HKEY root, const std::wstring& path, std::vector<std::wstring>& out) {
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS) return;
    out.push_back(path);
    wchar_t name[16384];
    static std::vector<BYTE> data(1 << 16);
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 16384, type = 0, dataSize = static_cast<DWORD>(data.size());
        LSTATUS rc = RegEnumValueW(key, i, name, &nameSize, nullptr, &type, data.data(), &dataSize);
        if (rc == ERROR_NO_MORE_ITEMS) break;
        if (rc != ERROR_SUCCESS) continue;
        std::wstring line = path + L"|" + name + L"|" + std::to_wstring(type) + L"|";
        for (DWORD b = 0; b < dataSize; ++b) line += std::to_wstring(data[b]) + L",";
        out.push_back(line);
    }
    std::vector<std::wstring> subkeys;
    for (DWORD i = 0;; ++i) {
        DWORD nameSize = 16384;
        if (RegEnumKeyExW(key, i, name, &nameSize, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
        // Wine links the 32-bit view back into the 64-bit one: a cycle.
        if (_wcsicmp(name, L"Wow6432Node") != 0) subkeys.push_back(name);
    }
    RegCloseKey(key);
    for (const auto& sub : subkeys) Collect(root, path.empty() ? sub : path + L"\\" + sub, out);
}

// What a run must not touch: the machine's classes, its Windows settings
// (uninstall entries, shared counts, approvals, RunOnce), the renames due at
// the restart, and the system directory's files.
struct MachineState {
    std::vector<std::wstring> entries;
    static MachineState Now() {
        MachineState state;
        Collect(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Classes", state.entries);
        Collect(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion", state.entries);
        state.entries.push_back(L"pending " + PendingRenames());
        WIN32_FIND_DATAW found;
        HANDLE search = FindFirstFileW((SystemDir() + L"\\*").c_str(), &found);
        if (search != INVALID_HANDLE_VALUE) {
            do state.entries.push_back(L"file " + Lower(found.cFileName));
            while (FindNextFileW(search, &found));
            FindClose(search);
        }
        return state;
    }
};

void ExpectUnchanged(const MachineState& before, const MachineState& after) {
    std::vector<std::wstring> gone, added;
    std::set_difference(before.entries.begin(), before.entries.end(), after.entries.begin(), after.entries.end(),
                        std::back_inserter(gone));
    std::set_difference(after.entries.begin(), after.entries.end(), before.entries.begin(), before.entries.end(),
                        std::back_inserter(added));
    EXPECT_TRUE(gone.empty()) << testing::PrintToString(gone);
    EXPECT_TRUE(added.empty()) << testing::PrintToString(added);
}

MachineState Sorted(MachineState state) {
    std::sort(state.entries.begin(), state.entries.end());
    return state;
}

bool UserEntriesAbsent() {
    for (const std::wstring& key : {HandlerKey, FolderKeys[0], FolderKeys[1], L"CLSID\\" + ClassId,
                                    std::wstring(L"trkmenu.ShellExt"),
                                    std::wstring(L"TypeLib\\{928BB788-14A7-11D3-A91E-0040056902A2}")})
        if (KeyExists(HKEY_CURRENT_USER, UserClasses + key)) return false;
    return !ReadString(HKEY_CURRENT_USER, ApprovedKey, ClassId) && !KeyExists(HKEY_CURRENT_USER, UninstallKey);
}

std::wstring RunOnceCommand() {
    return ReadString(HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\RunOnce", L"Tracklet")
        .value_or(L"");
}

// What Windows does at the next sign-in with a RunOnce entry.
DWORD RunCommand(std::wstring command) {
    STARTUPINFOW si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, CREATE_NO_WINDOW, nullptr, nullptr, &si,
                        &pi))
        return GetLastError();
    CloseHandle(pi.hThread);
    DWORD code = STILL_ACTIVE;
    if (WaitForSingleObject(pi.hProcess, 60000) == WAIT_OBJECT_0) GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    return code;
}

}  // namespace

TEST(PerUser, InstallsForTheUserAloneWorksInTheMenuAndTheEntryRemovesEverything) {
    const MachineState before = Sorted(MachineState::Now());
    DeliverAll();
    {
        InstallerRun run(L"/USER");
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    const std::wstring folder = UserFolder();
    for (auto name : UserFiles) EXPECT_TRUE(Exists(folder + L"\\" + name)) << testing::PrintToString(name);
    for (auto name : Shipped) EXPECT_FALSE(Exists(DeliveryDir() + L"\\" + name)) << testing::PrintToString(name);
    // The class, its ProgID and the type library under the user's classes,
    // registered by the library's DllInstall ...
    auto server = ReadString(HKEY_CURRENT_USER, UserClasses + L"CLSID\\" + ClassId + L"\\InprocServer32", L"");
    ASSERT_TRUE(server);
    EXPECT_EQ(Lower(*server), Lower(folder + L"\\trkmenu.dll"));
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UserClasses + L"trkmenu.ShellExt\\CLSID", L""), ClassId);
    // ... the handler for files, folders and backgrounds, and its approval.
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UserClasses + HandlerKey, L""), ClassId);
    for (const auto& key : FolderKeys) EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UserClasses + key, L""), ClassId);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, ApprovedKey, ClassId), L"Tracklet");
    // Apps & features for this user, removing with the per-user copy.
    const std::wstring remover = folder + L"\\trkinstall.exe";
    const auto uninstall = ReadString(HKEY_CURRENT_USER, UninstallKey, L"UninstallString");
    ASSERT_TRUE(uninstall);
    EXPECT_EQ(*uninstall, L"\"" + remover + L"\" remove /user");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UninstallKey, L"QuietUninstallString"), *uninstall + L" /quiet");
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UninstallKey, L"InstallLocation"), folder);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UninstallKey, L"DisplayName"), L"Tracklet");
    // Nothing of the machine's: no files, no classes, no count on trkkit.
    ExpectUnchanged(before, Sorted(MachineState::Now()));

    // The shell finds the handler through the user's classes.
    WriteFileText(UserTrkIni(), "[trk]\r\nPrompt=0\r\nOverwrite=1\r\nFiles=mp3\r\n");
    const std::wstring music = L"C:\\music";
    CreateDirectoryW(music.c_str(), nullptr);
    for (auto name : {L"b.mp3", L"A.mp3", L"notes.txt"}) WriteFileText(music + L"\\" + name, "sample");
    EXPECT_EQ(RightClickCreatePlaylist(music, {L"b.mp3", L"A.mp3", L"notes.txt"}), 0u);
    EXPECT_EQ(FileBytes(music + L"\\new.m3u"), "A.mp3\r\nb.mp3\r\n");
    // "Tracklet Options" starts the trkconfig beside the library.
    EXPECT_EQ(RightClick(music, {L"b.mp3"}, 1), 0u);
    EXPECT_EQ(Lower(TakeRunningTrkconfig()), Lower(folder + L"\\trkconfig.exe"));

    // Removal from Apps & features, with the delivery folder gone.
    ResetDelivery();
    ASSERT_TRUE(DeleteFileW((DeliveryDir() + L"\\install.exe").c_str()));
    ASSERT_TRUE(RemoveDirectoryW(DeliveryDir().c_str()));
    {
        InstallerRun run(InstallerRun::Command{*uninstall});
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        ExpectFinishedWindow(window, L"Removing DLL's && EXE's", L"Removing Registry Entries");
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    EXPECT_TRUE(UserEntriesAbsent());
    for (auto name : Shipped) EXPECT_FALSE(Exists(folder + L"\\" + name)) << testing::PrintToString(name);
    // The running remover cannot delete itself, and without administrator
    // rights nothing can be deleted at the restart: the rest goes at the
    // next sign-in.
    const std::wstring cleanup = RunOnceCommand();
    ASSERT_NE(Lower(cleanup).find(Lower(folder)), std::wstring::npos) << testing::PrintToString(cleanup);
    RunCommand(cleanup);
    EXPECT_FALSE(Exists(folder)) << "the folder goes with its last file";
    ExpectUnchanged(before, Sorted(MachineState::Now()));
    DeleteFileW((music + L"\\new.m3u").c_str());
    EXPECT_NE(RightClickCreatePlaylist(music, {L"b.mp3", L"A.mp3"}), 0u) << "no handler after removal";
}

TEST(PerUser, QuietExitCodesAndOneInstallationAtATime) {
    bool windowSeen = true;
    const std::wstring folder = UserFolder();
    // The machine-wide installation is there: a per-user one says so and changes nothing.
    DeliverAll();
    ASSERT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 0u);
    DeliverAll();
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/user /quiet"), windowSeen), 50u);
    EXPECT_FALSE(windowSeen);
    EXPECT_FALSE(Exists(folder));
    EXPECT_TRUE(UserEntriesAbsent());
    for (auto name : Shipped) EXPECT_TRUE(Exists(DeliveryDir() + L"\\" + name)) << testing::PrintToString(name);
    ExpectFailure(L"/user", {L"Installer: Error, Already Installed",
                             L"Tracklet is already installed for all users of this computer.\r\nRemove it first "
                             L"(Apps & features, or install.exe remove), then install for yourself with /user.\r\n"
                             L"Nothing was changed.",
                             true});
    ASSERT_EQ(RunQuiet(DeliveredInstaller(L"remove /quiet"), windowSeen), 0u);

    // Each failure has its code per user too; a missing file leaves nothing behind.
    ResetDelivery();
    Deliver(L"trkkit", L"trkkit.dll");
    Deliver(L"trkmenu", L"trkmenu.dll");
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/Q /User"), windowSeen), 12u) << "trkconfig.exe missing";
    EXPECT_FALSE(Exists(folder));
    Deliver(L"trkconfig", L"trkconfig.exe");
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/user /quiet"), windowSeen), 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UserClasses + HandlerKey, L""), ClassId);

    // The per-user installation is there: the machine-wide one is refused.
    const MachineState before = Sorted(MachineState::Now());
    DeliverAll();
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 51u);
    ExpectUnchanged(before, Sorted(MachineState::Now()));

    // Removed by a delivered installer, nothing is left for the next sign-in.
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"remove /user /quiet"), windowSeen), 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_TRUE(UserEntriesAbsent());
    EXPECT_FALSE(Exists(folder));
    EXPECT_EQ(RunOnceCommand(), L"");
}

// Wine reports the Windows version that the registry names: here a Windows
// 11 without a package manager, where the registration fails as it does
// with an untrusted certificate, and the classic menu must serve.
TEST(Windows11, WithoutThePackageTheClassicMenuServesAndTheInstallationSaysWhy) {
    const std::wstring versionKey = L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion";
    const std::wstring build = L"22631";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, versionKey.c_str(), L"CurrentBuildNumber", REG_SZ, build.c_str(),
                              static_cast<DWORD>((build.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    const std::wstring version = L"10.0";
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, versionKey.c_str(), L"CurrentVersion", REG_SZ, version.c_str(),
                              static_cast<DWORD>((version.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    DeliverAll();
    WriteFileText(DeliveryDir() + L"\\Tracklet.msix", "a package Windows will not take");
    {
        InstallerRun run(L"");
        auto box = run.TakeMessageBox();
        ASSERT_TRUE(box);
        EXPECT_EQ(box->title, L"TRK Installer");
        const std::wstring start = Header + L"Tracklet is installed in the classic context menu (\"Show more "
                                            L"options\"), not in the first menu of Windows 11:\r\nWindows did not "
                                            L"register the package (error 0x";
        EXPECT_EQ(box->text.substr(0, start.size()), start) << testing::PrintToString(box->text);
        HWND window = run.WaitUntilFinished();
        ASSERT_TRUE(window);
        EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    }
    EXPECT_TRUE(Installed()) << "the classic keys are written";
    for (const auto& key : FolderKeys) EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key, L""), ClassId);

    // Quiet, the same installation ends with 0; per user, without the package beside it, the same.
    DeliverAll();
    bool windowSeen = true;
    EXPECT_EQ(RunQuiet(DeliveredInstaller(L"/quiet"), windowSeen), 0u);
    EXPECT_FALSE(windowSeen);
    EXPECT_TRUE(Installed());
    ASSERT_EQ(RunQuiet(DeliveredInstaller(L"remove /quiet"), windowSeen), 0u);
    EXPECT_TRUE(HandlerEntriesAbsent());
    DeleteFileW((DeliveryDir() + L"\\Tracklet.msix").c_str());
    DeliverAll();
    InstallerRun run(L"/user");
    auto box = run.TakeMessageBox();
    ASSERT_TRUE(box);
    EXPECT_NE(box->text.find(L"The package \"C:\\delivery\\Tracklet.msix\" is missing."), std::wstring::npos)
        << testing::PrintToString(box->text);
    HWND window = run.WaitUntilFinished();
    ASSERT_TRUE(window);
    EXPECT_EQ(run.ClickOkAndWait(window), 0u);
    EXPECT_EQ(ReadString(HKEY_CURRENT_USER, UserClasses + HandlerKey, L""), ClassId);
}
