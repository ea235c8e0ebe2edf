// The selection a menu is built for, read into the names and full paths of
// the files the command keeps: the classic menu's CF_HDROP list of paths, or
// the paths of the Explorer command's shell items, one at a time. The reading
// and the keep rule are platform-free and the same for both menus; the data
// object's side is SelectionShell.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "KeptFiles.h"

namespace Selection {

// A name buffer of 500 characters: paths are cut to their first 499.
inline constexpr std::size_t kPathLimit = 499;

// True when extension equals an entry of list, case included.
bool IsListedExtension(const std::vector<std::wstring>& list, std::wstring_view extension);

// The name part of a path (mdlFiles::FileNamePart).
std::wstring_view NamePart(std::wstring_view path);

// The files kept from one list, in list order after the empty slot 0.
using Files = KeptFiles;

struct Rules {
    const std::vector<std::wstring>* extensions;  // the keep rule's list
    // 8-bit names are in the system code page.
    std::wstring (*fromCodePage)(std::string_view);
    // Told of every name read, kept or not, folders excepted; may be null.
    void (*seen)(std::wstring_view name, bool kept);
    // When both are given, a path not kept that isFolder confirms goes to
    // folders instead (the Folders option).
    bool (*isFolder)(const std::wstring& path) = nullptr;
    std::vector<std::wstring>* folders = nullptr;
};

// The keep rule alone, as a menu's visibility asks it: true when path, cut
// to kPathLimit, is not empty and its name's extension is listed.
bool Keeps(const std::vector<std::wstring>& extensions, std::wstring_view path);
// The same for a path as the shell hands it out, ended by a null (or none):
// one pass finds its end, its name and its extension, as a menu's state,
// asked on every right-click, wants.
bool Keeps(const std::vector<std::wstring>& extensions, const wchar_t* path);

// One selected path through the keep rule: cut to kPathLimit (an empty one
// is passed over), kept when Keeps says so, else handed to rules.folders
// when the rules take folders and isFolder(path) confirms. rules.seen hears
// of every other name. isFolder is asked only then, so a caller may pass
// whatever answers it cheaply for this one path.
template <class IsFolder>
void Take(std::wstring& path, const Rules& rules, Files& files, IsFolder&& isFolder) {
    if (path.size() > kPathLimit) path.resize(kPathLimit);
    if (path.empty()) return;
    const std::wstring_view name = NamePart(path);
    const bool kept = Keeps(*rules.extensions, path);
    if (!kept && rules.folders && isFolder(path)) {
        rules.folders->push_back(path);
        return;
    }
    if (rules.seen) rules.seen(name, kept);
    if (kept) files.Add(path, name.size());
}

// Reads the paths of a CF_HDROP block (a DROPFILES header and its list) into
// files, whose buffers are reused. A path is cut to kPathLimit before
// its name part is taken; an empty one is passed over. Returns the number of
// files kept.
std::size_t Read(const void* block, std::size_t size, const Rules& rules, Files& files);

}  // namespace Selection
