#include "inihelper.h"

#include <windows.h>
#include <shlobj.h>

#include "Codepage.h"
#include "ModuleInfo.h"
#include "OptionTable.h"

namespace inihelper {
std::wstring IniRead(std::wstring_view section, std::wstring_view key, std::wstring_view file,
                     std::wstring_view defaultValue) {
    wchar_t buffer[255] = {};
    std::wstring s(section), k(key), f(file), d(defaultValue);
    DWORD n = GetPrivateProfileStringW(s.c_str(), k.c_str(), d.c_str(), buffer, 255, f.c_str());
    if (n > 254) n = 254;
    return std::wstring(buffer, n);
}

std::wstring ReadSection(std::wstring_view section, std::wstring_view file) {
    const std::wstring s(section), f(file);
    std::wstring block(2048, L'\0');
    for (;;) {
        const DWORD size = static_cast<DWORD>(block.size());
        const DWORD n = GetPrivateProfileSectionW(s.c_str(), block.data(), size, f.c_str());
        // size - 2 means the section did not fit.
        if (n + 2 < size || size >= (1u << 24)) {
            block.resize(n < size ? n : size);
            return block;
        }
        block.assign(block.size() * 4, L'\0');
    }
}

bool IniWrite(std::wstring_view section, std::wstring_view key, std::wstring_view value,
              std::wstring_view file) {
    std::wstring s(section), k(key), v(value), f(file);
    return WritePrivateProfileStringW(s.c_str(), k.c_str(), v.c_str(), f.c_str()) != FALSE;
}

namespace {

// On a single-byte code page every byte is a character of its own: there the
// answer's UTF-8 bytes, taken as code-page characters, reach the file as
// those bytes and come back unchanged, and a name outside the code page
// survives. A double-byte code page pairs bytes up, so UTF-8 would not
// survive it: there the answer is code-page text like every other value, and
// a character outside the code page arrives as "?", which no file name holds,
// rather than as another name.
bool CarriesUtf8() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

constexpr wchar_t kMissingAnswer[] = L"\x01missing";

}  // namespace

// Through the wide functions, so that any path reaches the file.
bool WriteAnswer(std::wstring_view answer, std::wstring_view file, std::wstring_view key) {
    const std::wstring value = CarriesUtf8() ? Codepage::FromAnsi(Codepage::ToUtf8(answer))
                                             : Codepage::ThroughAnsi(answer);
    return IniWrite(OptionTable::kInputSection, key, value, file);
}

bool DeleteAnswer(std::wstring_view file, std::wstring_view key) {
    std::wstring k(key), f(file), s(OptionTable::kInputSection);
    return WritePrivateProfileStringW(s.c_str(), k.c_str(), nullptr, f.c_str()) != FALSE;
}

std::wstring ReadAnswer(std::wstring_view file, std::wstring_view defaultValue, std::wstring_view key) {
    const std::wstring text = IniRead(OptionTable::kInputSection, key, file, kMissingAnswer);
    if (text == kMissingAnswer) return std::wstring(defaultValue.substr(0, 254));
    if (!CarriesUtf8()) return text;
    const std::string bytes = Codepage::ToAnsi(text);
    // The 254-byte cut may split a character: then drop an incomplete tail.
    // Bytes that are no UTF-8 at all came from an older program, in the code page.
    const size_t maxDrop = bytes.size() == 254 ? 3 : 0;
    for (size_t drop = 0; drop <= maxDrop; ++drop) {
        std::string_view candidate(bytes.data(), bytes.size() - drop);
        if (candidate.empty()) return {};
        if (Codepage::IsUtf8(candidate)) return Codepage::FromUtf8(candidate);
    }
    return text;
}

std::wstring ProgramFolder() {
    void* self = ModuleInfo::ModuleOf(reinterpret_cast<const void*>(&ProgramFolder));
    if (!self) return {};
    std::wstring path = ModuleInfo::FileName(self);
    auto slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

std::wstring UserFolder() {
    PWSTR appData = nullptr;
    std::wstring folder;
    if (SUCCEEDED(SHGetKnownFolderPath(FOLDERID_RoamingAppData, KF_FLAG_CREATE, nullptr, &appData)))
        folder = std::wstring(appData) + L"\\Tracklet";
    CoTaskMemFree(appData);
    if (!folder.empty()) CreateDirectoryW(folder.c_str(), nullptr);
    return folder;
}

std::wstring OptionsFile() {
    std::wstring folder = UserFolder();
    if (folder.empty()) return ProgramFolder() + L"\\trk.ini";
    std::wstring file = folder + L"\\trk.ini";
    if (GetFileAttributesW(file.c_str()) == INVALID_FILE_ATTRIBUTES) {
        std::wstring shipped = ProgramFolder() + L"\\trk.ini";
        CopyFileW(shipped.c_str(), file.c_str(), TRUE);
    }
    return file;
}

}  // namespace inihelper
