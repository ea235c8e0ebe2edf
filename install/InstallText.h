// The installer's texts and decisions, free of the platform so that every
// message can be checked character by character.
#pragma once

#include <string>
#include <string_view>

namespace InstallText {

constexpr wchar_t AppTitle[] = L"TRK Installer";          // boxes without a title of their own
constexpr wchar_t WindowCaption[] = L"Tracklet Installer";
constexpr wchar_t MissingFileTitle[] = L"Installer: Error, Missing File";
constexpr wchar_t RegistrationTitle[] = L"Installer: Error, File Registration";
constexpr wchar_t WrongPackageTitle[] = L"Installer: Error, Wrong Package";

struct Message {
    std::wstring text;
    std::wstring title;
    bool critical;   // the critical-stop icon; otherwise no icon
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

// A platform operation on a file that failed where the system foresees none:
// the header, what was attempted on which file, and the system's own words.
enum class FileOp { Copy, Delete, Load, FindEntry };
Message FileOperationFailed(std::wstring_view header, FileOp op, std::wstring_view path,
                            std::wstring_view detail, unsigned long error,
                            std::wstring_view systemText);

// The 32-bit installer on a 64-bit Windows.
Message WrongPackage(std::wstring_view header);

// Whole command line, program name included: true when the rest reads
// "remove" in any letter case.
bool IsRemoval(std::wstring_view commandLine);

// A 32-bit installer on 64-bit Windows would land in SysWOW64 and the 32-bit
// registry view, where the 64-bit Explorer never looks.
constexpr bool MustRefuse(bool built32Bit, bool runningOnWow64) { return built32Bit && runningOnWow64; }

}  // namespace InstallText
