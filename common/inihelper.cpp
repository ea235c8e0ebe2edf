#include "inihelper.h"

#include <windows.h>
#include <shlobj.h>

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

std::wstring ProgramFolder() {
    HMODULE self = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            reinterpret_cast<LPCWSTR>(&ProgramFolder), &self))
        return {};
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(self, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            break;
        }
        path.resize(path.size() * 2);
    }
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
