#include "FolderPlaylist.h"

#include "FolderReader.h"
#include "LogicalOrder.h"
#include "Trace.h"
#include "WalkProgress.h"
#include "mdlFiles.h"

namespace FolderPlaylist {
namespace {

std::wstring NameOf(const std::wstring& folder) {
    std::wstring_view path(folder);
    while (path.size() > 1 && path.back() == L'\\') path.remove_suffix(1);
    return std::wstring(mdlFiles::FileNamePart(path));
}

}  // namespace

bool IsFolder(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

void TakeFolders(KeptFiles& files, std::vector<std::wstring>& folders) {
    files.RemoveIf([&folders](std::wstring_view path) {
        std::wstring folder(path);
        if (!IsFolder(folder)) return false;
        folders.push_back(std::move(folder));
        return true;
    });
}

bool Gather(std::vector<std::wstring> folders, const OptionSet& options, HWND owner, bool ui,
            FolderWalk::Sink& sink, const Trace::Procedure& trace) {
    return Gather(std::move(folders), options, owner, ui, sink, nullptr, trace);
}

bool Gather(std::vector<std::wstring> folders, const OptionSet& options, HWND owner, bool ui,
            FolderWalk::Sink& sink, Steps* steps, const Trace::Procedure& trace) {
    const General::Less less = LogicalOrder::Chosen(options.Order);
    // By name, as the folders stand side by side in their parent; few, so
    // an insertion sort that cannot leave the list whatever less answers.
    std::vector<std::wstring> names;
    for (const std::wstring& folder : folders) names.push_back(NameOf(folder));
    auto before = [&](size_t a, size_t b) {
        if (less(names[a], names[b])) return true;
        if (less(names[b], names[a])) return false;
        return General::OrdinalLess(folders[a], folders[b]);
    };
    for (size_t i = 1; i < folders.size(); ++i)
        for (size_t j = i; j > 0 && before(j, j - 1); --j) {
            folders[j].swap(folders[j - 1]);
            names[j].swap(names[j - 1]);
        }

    struct Counter : FolderWalk::Sink {
        FolderWalk::Sink& next;
        size_t files = 0;
        explicit Counter(FolderWalk::Sink& sink) : next(sink) {}
        void Files(const std::wstring& folder, const std::vector<std::wstring>& names) override {
            files += names.size();
            next.Files(folder, names);
        }
    } counter(sink);
    FolderReader reader;
    WalkProgress::Watch progress(owner, ui);
    for (const std::wstring& folder : folders) {
        trace(L"Reading folder: " + folder);
        if (steps) steps->Begin(folder);
        if (!FolderWalk::Collect(folder, options.ExtensionList, less, reader, progress, counter)) {
            trace(L"Reading folders was canceled, exiting...", Trace::BlankAfter);
            return false;
        }
        if (steps) steps->End(folder);
    }
    trace(L"Files found in folders: " + std::to_wstring(counter.files));
    return true;
}

void NothingFound(HWND owner, bool ui, const Trace::Procedure& trace) {
    trace(L"No audio files were found, exiting...", Trace::BlankAfter);
    if (ui) MessageBoxW(owner, L"No audio files were found.", L"Tracklet", MB_OK | MB_ICONINFORMATION);
}

}  // namespace FolderPlaylist
