#include "FolderWalk.h"

#include "Playlist.h"
#include "Selection.h"
#include "mdlFiles.h"

namespace FolderWalk {

bool IsListed(std::wstring_view name, const std::vector<std::wstring>& extensions) {
    return Selection::IsListedExtension(extensions, mdlFiles::ExtensionPart(name));
}

bool Collect(std::wstring_view folder, const std::vector<std::wstring>& extensions, General::Less less,
             Reader& reader, Progress& progress, Sink& sink) {
    const Keep keep = [&extensions](std::wstring_view name) { return IsListed(name, extensions); };
    // One level per folder being gone through: the length of its path and
    // the subfolders still to visit. The stack is explicit, as an Explorer
    // thread's own is small, and the path is one text that grows and
    // shrinks, so that a deep tree costs no copy of it per level.
    struct Level {
        size_t length;
        std::vector<std::wstring> subfolders;
        size_t next = 0;
    };
    std::vector<Level> stack;
    Listing listing;
    std::wstring path = Playlist::WithBackslash(folder);
    bool stopped = false;
    const GoOn goOn = [&] {
        stopped = !progress.Reading(path);
        return !stopped;
    };
    auto enter = [&] {
        if (!goOn()) return false;
        listing.files.clear();
        listing.folders.clear();
        if (!reader.Read(path, keep, goOn, listing)) return !stopped;
        if (!listing.files.empty()) {
            General::Order(listing.files, less);
            sink.Files(path, listing.files);
        }
        if (listing.folders.empty()) return true;
        General::Order(listing.folders, less);
        stack.push_back(Level{path.size(), std::move(listing.folders)});
        return true;
    };
    if (!enter()) return false;
    while (!stack.empty()) {
        Level& level = stack.back();
        if (level.next == level.subfolders.size()) {
            stack.pop_back();
            continue;
        }
        path.resize(level.length);
        path.append(level.subfolders[level.next++]) += L'\\';
        if (!enter()) return false;
    }
    return true;
}

bool Collect(std::wstring_view folder, const std::vector<std::wstring>& extensions, General::Less less,
             Reader& reader, Progress& progress, std::vector<std::wstring>& paths) {
    struct : Sink {
        std::vector<std::wstring>* paths;
        void Files(const std::wstring& folder, const std::vector<std::wstring>& names) override {
            for (const std::wstring& name : names) paths->push_back(folder + name);
        }
    } sink;
    sink.paths = &paths;
    return Collect(folder, extensions, less, reader, progress, sink);
}

}  // namespace FolderWalk
