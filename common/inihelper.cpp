#include "inihelper.h"

#include <windows.h>
#include <shlobj.h>

#include "Codepage.h"
#include "ModuleInfo.h"

namespace inihelper {
std::wstring IniRead(std::wstring_view section, std::wstring_view key, std::wstring_view file,
                     std::wstring_view defaultValue) {
    wchar_t buffer[255] = {};
    std::wstring s(section), k(key), f(file), d(defaultValue);
    DWORD n = GetPrivateProfileStringW(s.c_str(), k.c_str(), d.c_str(), buffer, 255, f.c_str());
    if (n > 254) n = 254;
    return std::wstring(buffer, n);
}

bool IniWrite(std::wstring_view section, std::wstring_view key, std::wstring_view value,
              std::wstring_view file) {
    std::wstring s(section), k(key), v(value), f(file);
    return WritePrivateProfileStringW(s.c_str(), k.c_str(), v.c_str(), f.c_str()) != FALSE;
}

bool WriteAnswer(std::wstring_view answer, std::wstring_view file) {
    std::string value = Codepage::ToUtf8(answer);
    std::string path = Codepage::ToAnsi(file);
    std::wstring widePath(file);
    // A path the code page cannot hold goes through the wide function; the
    // value's bytes must not be converted, so the narrow one writes them.
    if (!Codepage::FitsAnsi(file)) {
        wchar_t shortPath[MAX_PATH] = {};
        if (GetShortPathNameW(widePath.c_str(), shortPath, MAX_PATH) == 0) return false;
        path = Codepage::ToAnsi(shortPath);
    }
    return WritePrivateProfileStringA("input", "value", value.c_str(), path.c_str()) != FALSE;
}

std::wstring ReadAnswer(std::wstring_view file, std::wstring_view defaultValue) {
    std::string path = Codepage::ToAnsi(file);
    if (!Codepage::FitsAnsi(file)) {
        wchar_t shortPath[MAX_PATH] = {};
        std::wstring widePath(file);
        if (GetShortPathNameW(widePath.c_str(), shortPath, MAX_PATH) == 0)
            return std::wstring(defaultValue.substr(0, 254));
        path = Codepage::ToAnsi(shortPath);
    }
    char buffer[255] = {};
    const char kMissing[] = "\x01missing";
    DWORD n = GetPrivateProfileStringA("input", "value", kMissing, buffer, 255, path.c_str());
    std::string bytes(buffer, n > 254 ? 254 : n);
    if (bytes == kMissing) return std::wstring(defaultValue.substr(0, 254));
    // The 254-byte cut may split a character: then drop an incomplete tail.
    const size_t maxDrop = bytes.size() == 254 ? 3 : 0;
    for (size_t drop = 0; drop <= maxDrop; ++drop) {
        std::string_view candidate(bytes.data(), bytes.size() - drop);
        if (candidate.empty()) return {};
        if (MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, candidate.data(),
                                static_cast<int>(candidate.size()), nullptr, 0) > 0)
            return Codepage::FromUtf8(candidate);
    }
    return Codepage::FromAnsi(bytes);
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
