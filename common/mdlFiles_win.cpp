#include "mdlFiles.h"

#include <windows.h>

#include "Handles.h"
#include "NoCase.h"

namespace mdlFiles {

bool FileExists(std::wstring_view path) {
    const std::wstring_view want = FileNamePart(path);
    // A path that names no file (a folder with its backslash, or nothing) names no existing file.
    if (want.empty()) return false;
    const std::wstring pattern(path);
    WIN32_FIND_DATAW found{};
    Handles::UniqueFind search(
        FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr, 0));
    if (!search) return false;
    // Only normal files count: hidden, system and folder entries are passed over.
    const DWORD skip = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_DIRECTORY;
    do {
        if (!(found.dwFileAttributes & skip)) return NoCase::Same(found.cFileName, want);
    } while (FindNextFileW(search.get(), &found));
    return false;
}

}  // namespace mdlFiles
