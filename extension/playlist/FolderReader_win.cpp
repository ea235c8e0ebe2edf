#include "FolderReader.h"

#include "Handles.h"

namespace {

// Searches of long paths need the form that skips the MAX_PATH limit.
void Pattern(std::wstring& out, const std::wstring& folder) {
    out.clear();
    if (folder.size() + 1 >= MAX_PATH && folder.compare(0, 4, L"\\\\?\\") != 0) {
        if (folder.compare(0, 2, L"\\\\") == 0) out.append(L"\\\\?\\UNC").append(folder, 1);
        else out.append(L"\\\\?\\").append(folder);
    } else {
        out.append(folder);
    }
    out += L'*';
}

// Folders kept by a cloud-files provider (OneDrive and the like) are reparse
// points too, yet to the user they are ordinary folders: walk them. Links and
// junctions, and any tag not known, are not followed, so no loop can form.
bool IsCloudFolder(DWORD reparseTag) {
    const DWORD family = reparseTag & ~static_cast<DWORD>(IO_REPARSE_TAG_CLOUD_MASK);
    return family == static_cast<DWORD>(IO_REPARSE_TAG_CLOUD) ||
           reparseTag == static_cast<DWORD>(IO_REPARSE_TAG_ONEDRIVE);
}

}  // namespace

bool FolderReader::Read(const std::wstring& folder, const FolderWalk::Keep& keep, const FolderWalk::GoOn& goOn,
                        FolderWalk::Listing& out) {
    // Entries between two questions whether to go on: a folder of many
    // thousand files shows progress and can be cancelled while it is read.
    constexpr unsigned kAskEvery = 256;
    unsigned entries = 0;
    Pattern(pattern_, folder);
    Handles::UniqueFind search(FindFirstFileExW(pattern_.c_str(), FindExInfoBasic, &found_, FindExSearchNameMatch,
                                                nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!search) return false;
    do {
        if (++entries % kAskEvery == 0 && !goOn()) return false;
        const DWORD attributes = found_.dwFileAttributes;
        if (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) continue;
        const wchar_t* name = found_.cFileName;
        if (attributes & FILE_ATTRIBUTE_DIRECTORY) {
            if (name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'))) continue;
            if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) && !IsCloudFolder(found_.dwReserved0)) continue;
            out.folders.emplace_back(name);
        } else if (keep(name)) {
            out.files.emplace_back(name);
        }
    } while (FindNextFileW(search.get(), &found_));
    return true;
}
