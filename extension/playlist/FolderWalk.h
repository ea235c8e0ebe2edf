// FolderWalk: the files a folder contributes to a playlist, depth first: the
// folder's own listed files in order, then each subfolder in order, each the
// same way. Platform-free; the platform edge reads the folders.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "Sort.h"

namespace FolderWalk {

// What one folder shows: the names of the files that are kept and of the
// subfolders to go into (hidden ones, system ones and links to folders are
// left out by the reader).
struct Listing {
    std::vector<std::wstring> files;
    std::vector<std::wstring> folders;
};

using Keep = std::function<bool(std::wstring_view name)>;
using GoOn = std::function<bool()>;

class Reader {
public:
    virtual ~Reader() = default;
    // Lists folder (a full path ending in "\"), files only where keep says so.
    // A large folder can take long (on a share above all): now and then
    // while reading, goOn is asked, and false ends the read. False when the
    // folder cannot be read or its read was ended.
    virtual bool Read(const std::wstring& folder, const Keep& keep, const GoOn& goOn, Listing& out) = 0;
};

class Progress {
public:
    virtual ~Progress() = default;
    // Called before each folder is read, and now and then while a large one
    // is read; false stops the walk.
    virtual bool Reading(const std::wstring& folder) = 0;
};

class Sink {
public:
    virtual ~Sink() = default;
    // The listed files of folder (a full path ending in "\"), in order.
    virtual void Files(const std::wstring& folder, const std::vector<std::wstring>& names) = 0;
};

// True when name's extension equals an entry of extensions, case included.
bool IsListed(std::wstring_view name, const std::vector<std::wstring>& extensions);

// Hands the listed files in and below folder to sink, folder by folder,
// names ordered by less. False when progress stopped the walk.
bool Collect(std::wstring_view folder, const std::vector<std::wstring>& extensions, General::Less less,
             Reader& reader, Progress& progress, Sink& sink);
// The same, each file's full path appended to paths.
bool Collect(std::wstring_view folder, const std::vector<std::wstring>& extensions, General::Less less,
             Reader& reader, Progress& progress, std::vector<std::wstring>& paths);

}  // namespace FolderWalk
