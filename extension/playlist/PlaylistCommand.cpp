#include "PlaylistCommand.h"

#include <cstdint>
#include <vector>

#include "Failure.h"
#include "FolderPlaylist.h"
#include "Sort.h"
#include "LogicalOrder.h"
#include "ModuleState.h"
#include "NoCase.h"
#include "OptionTable.h"
#include "Playlist.h"
#include "PlaylistFile.h"
#include "PromptExchange.h"
#include "Trace.h"
#include "Trkconfig.h"
#include "inihelper.h"

namespace {

using OptionTable::kCancelMarker;

// Sorts the files by name; each keeps its path. Answers the folder every file
// lies in, or empty when they lie in several.
std::wstring SortSelection(KeptFiles& files, int16_t order) {
    const auto high = static_cast<int32_t>(files.size() - 1);
    if (order == 1) General::Sort(files, 0, high, LogicalOrder::Less);
    else General::Sort(files, 0, high);
    return std::wstring(Playlist::CommonFolder(files));
}

// The playlist's base name from the prompt; false when the user cancelled.
// The prompt answers under a key of its own, which goes again once read.
bool AskName(std::wstring_view extension, std::wstring& name, const Trace::Procedure& trace) {
    trace(L"Getting filename via user input");
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
        trace(L"Prompt ended with exit status " + Trace::Number(static_cast<int32_t>(status)) +
                    L", exiting...");
        trace(L"Action Was Canceled, exiting...");
        return false;
    }
    if (NoCase::Same(name, kCancelMarker)) {
        trace(L"Action Was Canceled, exiting...");
        return false;
    }
    trace(L"Writing list as " + name + std::wstring(extension) + L" ...");
    return true;
}

}  // namespace

namespace PlaylistCommand {

Outcome Create(const Request& request, const OptionSet& options, const Trace::Procedure& trace) {
    trace(L"Creating M3U Playlist...", Trace::BlankAfter);
    KeptFiles& files = request.files;
    const bool withFolders = options.Folders != 0;
    const std::wstring_view first = files.size() > 1 ? files.Path(1)
                                    : withFolders && !request.folders.empty()
                                        ? std::wstring_view(request.folders[0])
                                        : std::wstring_view();
    const std::wstring folder = Playlist::TargetFolder(request.directory, request.viewFolder, first);
    const std::wstring oneFolder = SortSelection(files, options.Order);
    trace(L"", Trace::Raw);

    // The lines are made before the prompt: while it is open the thread's
    // messages run, and another menu of this thread may take over the
    // selection. This playlist holds the files it was chosen for.
    const bool portable = options.Portable == 1;
    Playlist::EntryMaker entry(folder, options.Paths != 0, portable);
    std::wstring lines = Playlist::Lines(files, oneFolder, entry);
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
                    Playlist::AppendEntry(lines, prefix, name, entry.Portable());
                    lines += Playlist::kLineEnd;
                }
            }
        } entries(entry, lines);
        if (!FolderPlaylist::Gather(request.folders, options, request.owner, request.ui, entries, trace))
            return Outcome::Cancelled;
        if (lines.empty()) {
            FolderPlaylist::NothingFound(request.owner, request.ui, trace);
            return Outcome::NothingFound;
        }
    }

    const std::wstring_view extension = Playlist::Extension(options.Format);
    std::wstring name = L"new";
    // A caller that asked for no user interface (a script, a verb run by
    // another program) gets no prompt either: it would wait for an answer
    // that nobody may be there to give. The playlist keeps its plain name.
    if (options.Prompt != 0 && request.ui) {
        if (!AskName(extension, name, trace)) return Outcome::Cancelled;
        if (!Playlist::IsPlainName(name)) Failure::Raise(Failure::BadFileName);
    }

    trace(L"Writing list to file");
    PlaylistFile::Write(folder + name + std::wstring(extension), lines, options.Overwrite != 0,
                        Playlist::IsUtf8Format(options.Format), portable);
    trace(L"List has been written", Trace::BlankAfter);
    return Outcome::Written;
}

}  // namespace PlaylistCommand
