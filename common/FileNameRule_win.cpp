#include "FileNameRule.h"

#include <windows.h>

namespace FileNameRule {

Limits LimitsFor(const std::wstring& folder) {
    Limits limits;
    limits.path = MAX_PATH - 1;
    // A CD's or an old file system's names may be shorter than 255.
    wchar_t root[MAX_PATH] = {};
    DWORD longest = 0;
    if (!folder.empty() && GetVolumePathNameW(folder.c_str(), root, MAX_PATH) &&
        GetVolumeInformationW(root, nullptr, 0, nullptr, &longest, nullptr, nullptr, 0) && longest > 0)
        limits.name = longest;
    return limits;
}

}  // namespace FileNameRule
