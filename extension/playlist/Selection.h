// The selection a context menu is built for: the shell's CF_HDROP list of
// paths, read into the names and full paths of the files the handler keeps.
// The reading and the keep rule are platform-free; the data object's side is
// SelectionShell.
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

// Reads the paths of a CF_HDROP block (a DROPFILES header and its list) into
// files, whose buffers are reused. A path is cut to kPathLimit before
// its name part is taken; an empty one is passed over. Returns the number of
// files kept.
std::size_t Read(const void* block, std::size_t size, const Rules& rules, Files& files);

}  // namespace Selection
