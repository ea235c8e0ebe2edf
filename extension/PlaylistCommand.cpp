#include "PlaylistCommand.h"

#include <cstdint>
#include <vector>

#include "Failure.h"
#include "FolderPlaylist.h"
#include "General.h"
#include "LogicalOrder.h"
#include "ModuleState.h"
#include "NoCase.h"
#include "OptionTable.h"
#include "Playlist.h"
#include "PlaylistFile.h"
#include "PromptExchange.h"
#include "ShellExtInvoke.h"
#include "Trace.h"
#include "Trkconfig.h"
#include "inihelper.h"

namespace {

using OptionTable::kCancelMarker;

// Sorts the names; each path follows its name. Answers the folder every file
// lies in, or empty when they lie in several (or their paths are not known).
std::wstring SortSelection(std::vector<std::wstring>& names, std::vector<std::wstring>& paths, int16_t order) {
    if (names.empty()) names.emplace_back();
    const bool withPaths = paths.size() == names.size();
    const std::wstring common = withPaths ? Playlist::CommonFolder(names, paths) : std::wstring();
    std::vector<std::wstring> selected;
    if (withPaths && common.empty()) selected = names;
    const auto high = static_cast<int32_t>(names.size() - 1);
    if (order == 1) General::Sort(names, 0, high, LogicalOrder::Less);
    else General::Sort(names, 0, high);
    if (!common.empty()) {
        // Rebuilt from the sorted names, in place: the old paths' buffers fit.
        for (size_t i = 0; i < names.size(); ++i) {
            paths[i].clear();
            if (!names[i].empty()) paths[i].append(common).append(names[i]);
        }
    } else if (withPaths) {
        paths = Playlist::PathsInOrder(names, selected, paths);
    }
    return common;
}

// Kept names may be folders ("Live.mp3"): with the Folders option they go
// with the folders, whose files they give.
void TakeFolders(ModuleState& state) {
    auto& names = state.SelectionList;
    auto& paths = state.SelectionPaths;
    if (paths.size() != names.size()) return;
    size_t kept = 1;
    for (size_t i = 1; i < names.size(); ++i) {
        if (FolderPlaylist::IsFolder(paths[i])) {
            state.SelectionFolders.push_back(std::move(paths[i]));
            continue;
        }
        if (kept != i) {
            names[kept].swap(names[i]);
            paths[kept].swap(paths[i]);
        }
        ++kept;
    }
    names.resize(kept);
    paths.resize(kept);
}

// The playlist's base name from the prompt; false when the user cancelled.
// The prompt answers under a key of its own, which goes again once read.
bool AskName(std::wstring_view extension, std::wstring& name) {
    InvokeTrace(L"Getting filename via user input");
    const std::wstring options = inihelper::OptionsFile();
    static LONG prompts = 0;
    const std::wstring key = PromptExchange::MakeKey(GetCurrentProcessId(), GetCurrentThreadId(),
                                                     static_cast<unsigned long>(InterlockedIncrement(&prompts)));
    const std::wstring program = inihelper::ProgramFolder() + L"\\trkconfig.exe";
    const Handles::UniqueHandle process =
        Trkconfig::Start(program, program + L" " + PromptExchange::Argument(extension, key));
    const DWORD status = Trkconfig::WaitForExit(process.get());
    name = inihelper::ReadAnswer(options, kCancelMarker, key);
    inihelper::DeleteAnswer(options, key);
    if (status != 0) {
        InvokeTrace(L"Prompt ended with exit status " + Trace::Number(static_cast<int32_t>(status)) +
                    L", exiting...");
        InvokeTrace(L"Action Was Canceled, exiting...");
        return false;
    }
    if (NoCase::Same(name, kCancelMarker)) {
        InvokeTrace(L"Action Was Canceled, exiting...");
        return false;
    }
    InvokeTrace(L"Writing list as " + name + std::wstring(extension) + L" ...");
    return true;
}

}  // namespace

void CreatePlaylist(const std::wstring& directory, HWND owner, bool ui) {
    ModuleState& state = ThreadState();
    InvokeTrace(L"Creating M3U Playlist...", Trace::BlankAfter);
    auto& names = state.SelectionList;
    auto& paths = state.SelectionPaths;
    const bool withFolders = state.Options.Folders != 0;
    if (withFolders) TakeFolders(state);
    const std::wstring& first = paths.size() > 1 ? paths[1]
                                : withFolders && !state.SelectionFolders.empty() ? state.SelectionFolders[0]
                                                                                  : std::wstring();
    const std::wstring folder = Playlist::TargetFolder(directory, state.SelectionFolder, first);
    const std::wstring oneFolder = SortSelection(names, paths, state.Options.Order);
    InvokeTrace(L"", Trace::Raw);

    // The lines are made before the prompt: while it is open the thread's
    // messages run, and another menu of this thread may take over the
    // selection. This playlist holds the files it was chosen for.
    Playlist::EntryMaker entry(folder, state.Options.Paths != 0);
    std::wstring lines = Playlist::Lines(names, paths, oneFolder, entry);
    if (withFolders) {
        // The selected files first, then each folder's.
        // Files of one folder share what stands before their names.
        struct Entries : FolderWalk::Sink {
            Playlist::EntryMaker& entry;
            std::wstring& lines;
            Entries(Playlist::EntryMaker& e, std::wstring& l) : entry(e), lines(l) {}
            void Files(const std::wstring& folder, const std::vector<std::wstring>& names) override {
                const std::wstring_view prefix = entry.PrefixIn(folder);
                for (const std::wstring& name : names) {
                    Playlist::AppendEntry(lines, prefix, name);
                    lines.append(L"\r\n");
                }
            }
        } entries(entry, lines);
        if (!FolderPlaylist::Gather(state.SelectionFolders, state.Options, owner, ui, entries)) return;
        if (lines.empty()) {
            FolderPlaylist::NothingFound(owner, ui);
            return;
        }
    }

    const std::wstring_view extension = Playlist::Extension(state.Options.Format);
    std::wstring name = L"new";
    if (state.Options.Prompt != 0) {
        if (!AskName(extension, name)) return;
        if (!Playlist::IsPlainName(name)) Failure::Raise(Failure::BadFileName);
    }

    InvokeTrace(L"Writing list to file");
    PlaylistFile::Write(folder + name + std::wstring(extension), lines, state.Options.Overwrite != 0,
                        Playlist::IsUtf8Format(state.Options.Format));
    InvokeTrace(L"List has been written", Trace::BlankAfter);
}
