// The installer's texts and decisions, apart from the window and the file
// work, so that every message can be checked character by character.
#pragma once

#include <string>
#include <string_view>

namespace InstallText {

constexpr wchar_t AppTitle[] = L"TRK Installer";          // boxes without a title of their own
constexpr wchar_t WindowCaption[] = L"Tracklet Installer";
constexpr wchar_t MissingFileTitle[] = L"Installer: Error, Missing File";
constexpr wchar_t RegistrationTitle[] = L"Installer: Error, File Registration";
constexpr wchar_t WrongPackageTitle[] = L"Installer: Error, Wrong Package";
constexpr wchar_t OtherInstallationTitle[] = L"Installer: Error, Already Installed";

struct Message {
    std::wstring text;
    std::wstring title;
    bool critical;              // the critical-stop icon
    bool information = false;   // the information icon; neither: no icon
};

// The program's exit code. A quiet run shows nothing, so each message it
// would have shown has a code of its own; README.md lists them.
enum class Outcome : int {
    Done = 0,
    TrkkitMissing = 10,
    TrkmenuMissing = 11,
    TrkconfigMissing = 12,
    LoadFailed = 20,
    NoEntryPoint = 21,
    OleFailed = 22,               // DLLSelfRegister's codes 2 to 5 and any other
    RegisterLoadFailed = 23,
    RegisterNoEntryPoint = 24,
    RegisterFailed = 25,
    RegisterUnexpected = 26,
    UnknownClass = 27,
    CopyFailed = 30,
    DeleteFailed = 31,
    KitLoadFailed = 32,
    KitNoEntryPoint = 33,
    WrongPackage = 40,
    // One installation at a time: the other kind is there already.
    MachineInstallationPresent = 50,   // a per-user installation was asked for
    UserInstallationPresent = 51,      // a machine-wide one was asked for
    // A machine-wide run without administrator rights could not start
    // itself again with them (the prompt was declined).
    ElevationFailed = 52,
    // Windows Installer's ERROR_SUCCESS_REBOOT_REQUIRED, which deployment
    // tools already read as "done, restart pending".
    RestartCompletesRemoval = 3010,
};

// "Tracklet Installer" CR LF "Version 0.42 build 17" CR LF CR LF
std::wstring Header(unsigned major, unsigned minor, unsigned revision);

Message MissingTrkkit(std::wstring_view header, std::wstring_view systemDir, std::wstring_view programDir);
Message MissingTrkmenu(std::wstring_view header, std::wstring_view programDir);
Message MissingTrkconfig(std::wstring_view header, std::wstring_view programDir);
Message LoadFailed(std::wstring_view header, unsigned long error);
Message NoEntryPoint(std::wstring_view header, unsigned long error);
// A non-zero result of DLLSelfRegister. A class identifier that cannot be
// found after registration counts as an unexpected one.
Message Registration(std::wstring_view header, int code);
Message UnknownClass(std::wstring_view header);
Outcome RegistrationOutcome(int code);

// A file held by a running program was left for the next restart.
Message RestartCompletesRemoval(std::wstring_view header);

// A platform operation on a file that failed where the system foresees none:
// the header, what was attempted on which file, and the system's own words.
enum class FileOp { Copy, Delete, Load, FindEntry };
Message FileOperationFailed(std::wstring_view header, FileOp op, std::wstring_view path,
                            std::wstring_view detail, unsigned long error,
                            std::wstring_view systemText);
Outcome FileOperationOutcome(FileOp op);

// "<the system's words> (system error <n>)", or "System error <n>" without words.
std::wstring SystemReason(unsigned long error, std::wstring_view systemText);

// The 32-bit installer on a 64-bit Windows.
Message WrongPackage(std::wstring_view header);

// A per-user installation on a machine with the machine-wide one, or the
// other way round: nothing was changed.
Message OtherInstallation(std::wstring_view header, bool machineWideThere);

// Installing for all users needs administrator rights, and starting again
// with them failed (declined, or the system's error).
Message ElevationFailed(std::wstring_view header, unsigned long error, std::wstring_view systemText);

// Why the package did not serve: not beside the installer, or refused by
// Windows (its HRESULT, the system's words for it, the deployment's own).
std::wstring PackageMissing(std::wstring_view packagePath);
std::wstring PackageRefused(unsigned long hr, std::wstring_view systemText, std::wstring_view deploymentText);

// Windows 11 shows Tracklet in the classic menu only ("Show more options"):
// the why, after a successful installation.
Message ClassicMenuOnly(std::wstring_view header, std::wstring_view reason);

// What the command line asks for. Whole command line, program name included:
// "remove" in any letter case removes, anything else installs. After it (or
// alone), the switches "/quiet" or "/q" (no window and no message boxes) and
// "/user" (the current user alone), any letter case, each at most once, in
// any order. Any other argument makes a machine-wide installation with its
// window, as it always did.
struct Request {
    bool removal = false;
    bool quiet = false;
    bool perUser = false;
};
Request ReadCommandLine(std::wstring_view commandLine);

// A 32-bit installer on 64-bit Windows would land in SysWOW64 and the 32-bit
// registry view, where the 64-bit Explorer never looks.
constexpr bool MustRefuse(bool built32Bit, bool runningOnWow64) { return built32Bit && runningOnWow64; }

}  // namespace InstallText
