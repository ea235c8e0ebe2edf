#include "InstallText.h"

#include <cwchar>
#include <vector>

#include "CommandLine.h"
#include "NoCase.h"

namespace InstallText {

namespace {

constexpr std::wstring_view CrLf = L"\r\n";
constexpr std::wstring_view Indent = L"   ";
constexpr std::wstring_view WrongError = L"THIS IS A _WAY_ WRONG ERROR! WHAT DID YOU DO TO THE FILE?!";

template <class... Parts>
std::wstring Join(Parts... parts) {
    std::wstring text;
    (text.append(parts), ...);
    return text;
}

Message Registering(std::wstring_view header, std::wstring_view body) {
    return {Join(header, body), RegistrationTitle, true};
}

Message MissingInOwnFolder(std::wstring_view header, std::wstring_view what, std::wstring_view programDir) {
    return {Join(header, what, CrLf, L"Make sure that it is located in:", CrLf, Indent, programDir, L"\\"),
            MissingFileTitle, true};
}

}  // namespace

std::wstring SystemReason(unsigned long error, std::wstring_view systemText) {
    // The system's text usually ends in a line break of its own.
    while (!systemText.empty() && (systemText.back() == L'\r' || systemText.back() == L'\n' ||
                                   systemText.back() == L' '))
        systemText.remove_suffix(1);
    std::wstring reason = systemText.empty() ? std::wstring(L"System error ")
                                             : Join(systemText, L" (system error ");
    reason += std::to_wstring(error);
    if (!systemText.empty()) reason += L")";
    return reason;
}

std::wstring Header(unsigned major, unsigned minor, unsigned revision) {
    return Join(std::wstring_view(WindowCaption), CrLf, L"Version ", std::to_wstring(major), L".",
                std::to_wstring(minor), L" build ", std::to_wstring(revision), CrLf, CrLf);
}

Message MissingTrkkit(std::wstring_view header, std::wstring_view systemDir, std::wstring_view programDir) {
    return {Join(header, L"Unable to locate resource dll, \"trkkit.dll\"", CrLf,
                 L"Make sure that it is located at either:", CrLf, Indent, systemDir, CrLf, Indent,
                 programDir, L"\\"),
            MissingFileTitle, true};
}

Message MissingTrkmenu(std::wstring_view header, std::wstring_view programDir) {
    return MissingInOwnFolder(header, L"Unable to locate program dll, \"trkmenu.dll\"", programDir);
}

Message MissingTrkconfig(std::wstring_view header, std::wstring_view programDir) {
    return MissingInOwnFolder(header, L"Unable to locate setup program, \"trkconfig.exe\"", programDir);
}

Message LoadFailed(std::wstring_view header, unsigned long error) {
    return {Join(header, L"LoadLibrary() Failed, GetLastError() returns:", CrLf, std::to_wstring(error)),
            AppTitle, false};
}

Message NoEntryPoint(std::wstring_view header, unsigned long error) {
    return {Join(header, L"GetProcAddress() Failed, GetLastError() returns:", CrLf, std::to_wstring(error)),
            AppTitle, false};
}

Message Registration(std::wstring_view header, int code) {
    switch (code) {
    case 2:
        return Registering(header, L"Could not initialize OLE in order to register the application dll");
    case 3:
        return Registering(header, L"LoadLibrary() failed while registering the application dll");
    case 4:
        return Registering(header, Join(L"No entrypoint for DllRegisterServer() was found in the application dll",
                                        CrLf, WrongError));
    case 5:
        return Registering(header, Join(L"DllRegisterServer() in the application dll returned failure", CrLf,
                                        WrongError));
    default:
        return UnknownClass(header);
    }
}

Message UnknownClass(std::wstring_view header) {
    return Registering(header, L"Unexpected error while registering application dll");
}

Outcome RegistrationOutcome(int code) {
    switch (code) {
    case 2:
        return Outcome::OleFailed;
    case 3:
        return Outcome::RegisterLoadFailed;
    case 4:
        return Outcome::RegisterNoEntryPoint;
    case 5:
        return Outcome::RegisterFailed;
    default:
        return Outcome::RegisterUnexpected;
    }
}

Message RestartCompletesRemoval(std::wstring_view header) {
    return {Join(header, L"Some of Tracklet's files are in use and will be deleted when Windows restarts.", CrLf,
                 L"Restart the computer to complete the removal."),
            AppTitle, false, true};
}

Outcome FileOperationOutcome(FileOp op) {
    switch (op) {
    case FileOp::Copy:
        return Outcome::CopyFailed;
    case FileOp::Delete:
        return Outcome::DeleteFailed;
    case FileOp::Load:
        return Outcome::KitLoadFailed;
    case FileOp::FindEntry:
        break;
    }
    return Outcome::KitNoEntryPoint;
}

Message FileOperationFailed(std::wstring_view header, FileOp op, std::wstring_view path,
                            std::wstring_view detail, unsigned long error, std::wstring_view systemText) {
    std::wstring what;
    switch (op) {
    case FileOp::Copy:
        what = Join(L"Unable to copy \"", path, L"\"", CrLf, L"to \"", detail, L"\"");
        break;
    case FileOp::Delete:
        what = Join(L"Unable to delete \"", path, L"\"");
        break;
    case FileOp::Load:
        what = Join(L"Unable to load \"", path, L"\"");
        break;
    case FileOp::FindEntry:
        what = Join(L"Unable to find ", detail, L"() in \"", path, L"\"");
        break;
    }
    return {Join(header, what, CrLf, CrLf, SystemReason(error, systemText)), AppTitle, true};
}

Message WrongPackage(std::wstring_view header) {
    return {Join(header, L"This installer is for 32-bit Windows, but this computer runs 64-bit Windows.", CrLf,
                 L"The Explorer of a 64-bit Windows cannot use the 32-bit Tracklet.", CrLf,
                 L"Please run install.exe of the 64-bit Tracklet package instead."),
            WrongPackageTitle, true};
}

Message OtherInstallation(std::wstring_view header, bool machineWideThere) {
    const std::wstring_view what =
        machineWideThere ? L"Tracklet is already installed for all users of this computer." : L"Tracklet is already installed for your user account alone.";
    const std::wstring_view how =
        machineWideThere ? L"Remove it first (Apps & features, or install.exe remove), then install for yourself with /user."
                         : L"Remove it first (Apps & features, or install.exe remove /user), then install for all users.";
    return {Join(header, what, CrLf, how, CrLf, L"Nothing was changed."), OtherInstallationTitle, true};
}

Message ElevationFailed(std::wstring_view header, unsigned long error, std::wstring_view systemText) {
    return {Join(header, L"Installing Tracklet for all users needs administrator rights.", CrLf,
                 L"To install it for yourself alone, run install.exe /user.", CrLf, CrLf,
                 SystemReason(error, systemText)),
            AppTitle, true};
}

std::wstring PackageMissing(std::wstring_view packagePath) {
    return Join(L"The package \"", packagePath, L"\" is missing.");
}

std::wstring PackageRefused(unsigned long hr, std::wstring_view systemText, std::wstring_view deploymentText) {
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%08lX", hr);
    while (!systemText.empty() && (systemText.back() == L'\r' || systemText.back() == L'\n' ||
                                   systemText.back() == L' '))
        systemText.remove_suffix(1);
    std::wstring text = Join(L"Windows did not register the package (error ", std::wstring_view(code), L")");
    if (!systemText.empty()) text += Join(L": ", systemText);
    if (!deploymentText.empty()) text += Join(CrLf, deploymentText);
    return text;
}

Message ClassicMenuOnly(std::wstring_view header, std::wstring_view reason) {
    return {Join(header, L"Tracklet is installed in the classic context menu (\"Show more options\"), not in the first menu of Windows 11:",
                 CrLf, reason),
            AppTitle, false, true};
}

Request ReadCommandLine(std::wstring_view commandLine) {
    std::vector<std::wstring_view> words;
    std::wstring_view rest = CommandLine::ArgumentText(commandLine);
    while (!rest.empty()) {
        size_t end = 0;
        while (end < rest.size() && rest[end] > L' ') ++end;
        words.push_back(rest.substr(0, end));
        while (end < rest.size() && rest[end] <= L' ') ++end;
        rest.remove_prefix(end);
    }
    auto isQuiet = [](std::wstring_view word) { return NoCase::Same(word, L"/quiet") || NoCase::Same(word, L"/q"); };
    Request request;
    request.removal = !words.empty() && NoCase::Same(words[0], L"remove");
    for (size_t i = request.removal ? 1 : 0; i < words.size(); ++i) {
        bool& flag = isQuiet(words[i]) ? request.quiet : request.perUser;
        // Anything else, or a switch given twice, installs with its window, as it always did.
        if (flag || (!isQuiet(words[i]) && !NoCase::Same(words[i], L"/user"))) return {};
        flag = true;
    }
    return request;
}

}  // namespace InstallText
