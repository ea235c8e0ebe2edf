#include "mdlFiles.h"

#include <windows.h>

namespace mdlFiles {

bool FileExists(std::wstring_view path) {
    std::wstring pattern(path);
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found,
                                     FindExSearchNameMatch, nullptr, 0);
    std::wstring name;
    if (search != INVALID_HANDLE_VALUE) {
        // Only normal files count: hidden, system and folder entries are passed over.
        do {
            const DWORD skip = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
            if (!(found.dwFileAttributes & skip)) {
                name = found.cFileName;
                break;
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    std::wstring want(FileNamePart(path));
    CharLowerBuffW(name.data(), static_cast<DWORD>(name.size()));
    CharLowerBuffW(want.data(), static_cast<DWORD>(want.size()));
    return name == want;
}

}  // namespace mdlFiles
