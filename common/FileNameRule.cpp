#include "FileNameRule.h"

#include "NoCase.h"

namespace FileNameRule {
namespace {

constexpr std::wstring_view kForbidden = L"\\/:*?\"<>|";

// The part of the name that Windows takes for a device's: before the first
// dot, blanks at its end cut off.
std::wstring_view DevicePart(std::wstring_view name) {
    std::wstring_view base = name.substr(0, name.find(L'.'));
    while (!base.empty() && base.back() == L' ') base.remove_suffix(1);
    return base;
}

bool IsDevice(std::wstring_view base) {
    static constexpr std::wstring_view devices[] = {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"};
    for (auto device : devices)
        if (NoCase::SameFolded(base, device)) return true;
    if (base.size() != 4) return false;
    const bool port = NoCase::SameFolded(base.substr(0, 3), L"COM") || NoCase::SameFolded(base.substr(0, 3), L"LPT");
    // The superscript digits count as well.
    const wchar_t digit = base[3];
    return port && ((digit >= L'1' && digit <= L'9') || digit == L'\u00B9' || digit == L'\u00B2' ||
                    digit == L'\u00B3');
}

// The longest name the limits leave for this folder and extension.
std::size_t Room(std::wstring_view extension, std::wstring_view folder, const Limits& limits) {
    const std::size_t used = folder.size() + extension.size();
    const std::size_t byPath = limits.path > used ? limits.path - used : 0;
    const std::size_t byName = limits.name > extension.size() ? limits.name - extension.size() : 0;
    return byPath < byName ? byPath : byName;
}

}  // namespace

Verdict Check(std::wstring_view name, std::wstring_view extension, std::wstring_view folder,
              const Limits* limits) {
    if (name.empty()) return Verdict::Fine;
    for (wchar_t c : name)
        if (c < 0x20) return Verdict::ControlCharacter;
    for (wchar_t c : name)
        if (kForbidden.find(c) != std::wstring_view::npos) return Verdict::Character;
    if (IsDevice(DevicePart(name))) return Verdict::DeviceName;
    if (name.back() == L'.' || name.back() == L' ') return Verdict::TrailingDotOrBlank;
    if (limits && name.size() > Room(extension, folder, *limits)) return Verdict::TooLong;
    return Verdict::Fine;
}

bool MayPassVolumeLimit(std::wstring_view name, std::wstring_view extension) {
    constexpr std::size_t kShortestVolumeLimit = 12;
    return name.size() + extension.size() > kShortestVolumeLimit;
}

std::wstring Message(Verdict verdict, std::wstring_view name, std::wstring_view extension,
                     std::wstring_view folder, const Limits* limits) {
    switch (verdict) {
    case Verdict::Fine: return {};
    case Verdict::Character:
        return L"A file name can't contain any of the following characters:\n\\ / : * ? \" < > |";
    case Verdict::ControlCharacter: return L"A file name can't contain control characters such as tabs.";
    case Verdict::DeviceName:
        return L"\"" + std::wstring(DevicePart(name)) +
               L"\" is the name of a device in Windows and can't be used as a file name.";
    case Verdict::TrailingDotOrBlank: return L"A file name can't end with a dot or a blank.";
    case Verdict::TooLong: {
        const std::size_t room = limits ? Room(extension, folder, *limits) : 0;
        if (room == 0) return L"The folder's path is too long for a playlist in it.";
        return L"The name is too long for this folder: it can have at most " + std::to_wstring(room) +
               (room == 1 ? L" character." : L" characters.");
    }
    }
    return {};
}

}  // namespace FileNameRule
