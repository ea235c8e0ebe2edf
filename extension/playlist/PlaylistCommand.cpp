#include "PlaylistCommand.h"

#include <cstdint>
#include <memory>
#include <vector>

#include "FailureText.h"
#include "Failure.h"
#include "FileNameRule.h"
#include "FolderPlaylist.h"
#include "Sort.h"
#include "LogicalOrder.h"
#include "ModuleState.h"
#include "NoCase.h"
#include "OptionTable.h"
#include "Playlist.h"
#include "PlaylistFile.h"
#include "PromptExchange.h"
#include "SystemError.h"
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

// What a failure concerns: the program that asks for the name, or the
// playlist itself once its path is known.
struct Concern {
    FailureText::Cause cause = FailureText::Cause::System;
    std::wstring path;
};

// The playlist's base name from the prompt; false when the user cancelled.
// The prompt answers under a key of its own, which goes again once read. The
// prompt learns the playlist's folder, which limits the name's length.
bool AskName(std::wstring_view extension, const std::wstring& folder, std::wstring& name, Concern& concern,
             const Trace::Procedure& trace, std::wstring_view suggestion = {}) {
    trace(L"Getting filename via user input");
    const std::wstring options = inihelper::OptionsFile();
    static LONG prompts = 0;
    const std::wstring key = PromptExchange::MakeKey(GetCurrentProcessId(), GetCurrentThreadId(),
                                                     static_cast<unsigned long>(InterlockedIncrement(&prompts)));
    const std::wstring program = inihelper::ProgramFolder() + L"\\trkconfig.exe";
    concern = {FailureText::Cause::Prompt, program};
    const Handles::UniqueHandle process =
        Trkconfig::Start(program, program + L" " + PromptExchange::Argument(extension, key, suggestion, folder));
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

// The playlist's name without a prompt: "new", or under the Name option
// the name of the folder it lands in.
std::wstring RuleName(const std::wstring& folder, const OptionSet& options) {
    return options.Name == 1 ? Playlist::NameAfterFolder(folder) : std::wstring(L"new");
}

// The name from the prompt when one is to be asked, else by the rule. False
// when the user cancelled.
bool ChooseName(const std::wstring& folder, const OptionSet& options, bool ask, std::wstring& name,
                Concern& concern, const Trace::Procedure& trace) {
    name = RuleName(folder, options);
    if (!ask) return true;
    const std::wstring suggestion = options.Name == 1 ? name : std::wstring();
    return AskName(Playlist::Extension(options.Format), folder, name, concern, trace, suggestion);
}

// The name by the same rule as the prompt's: an answer from another
// trkconfig, or from an edited trk.ini, may be one Windows cannot take, or
// one that would write elsewhere (a parent folder, a stream, a device).
void CheckName(const std::wstring& name, std::wstring_view extension, const std::wstring& folder) {
    // Every playlist passes here: the volume is asked only where its answer
    // can matter ("new.m3u" fits any), since under Wine, as on a share, the
    // question costs as much as writing a small playlist.
    FileNameRule::Limits limits;
    if (FileNameRule::MayPassVolumeLimit(name, extension)) limits = FileNameRule::LimitsFor(folder);
    const FileNameRule::Verdict verdict = FileNameRule::Check(name, extension, folder, &limits);
    if (verdict == FileNameRule::Verdict::Fine) return;
    const unsigned long error = verdict == FileNameRule::Verdict::TooLong ? ERROR_FILENAME_EXCED_RANGE : ERROR_INVALID_NAME;
    throw Failure::Error{Failure::BadFileName, FileNameRule::Message(verdict, name, extension, folder, &limits), error};
}

void WriteList(const std::wstring& folder, const std::wstring& name, Playlist::LineSource& lines,
               const OptionSet& options, const PlaylistCommand::Request& request, Concern& concern,
               const Trace::Procedure& trace) {
    const std::wstring_view extension = Playlist::Extension(options.Format);
    const std::wstring path = folder + name + std::wstring(extension);
    concern = {FailureText::Cause::System, path};
    CheckName(name, extension, folder);
    trace(L"Writing list to file");
    PlaylistFile::Write(path, lines, options.Overwrite != 0, Playlist::IsUtf8Format(options.Format),
                        options.Portable == 1);
    trace(L"List has been written", Trace::BlankAfter);
    if (request.written) request.written->push_back(path);
}

void WriteList(const std::wstring& folder, const std::wstring& name, std::wstring_view lines,
               const OptionSet& options, const PlaylistCommand::Request& request, Concern& concern,
               const Trace::Procedure& trace) {
    Playlist::TextLines text(lines);
    WriteList(folder, name, text, options, request, concern, trace);
}

// EachFolder: playlists in several folders. The first one waits until a
// second comes: only a playlist that stays alone is named through the
// prompt; every other takes the Name rule's name at once.
class Playlists {
public:
    Playlists(const PlaylistCommand::Request& request, const OptionSet& options, Concern& concern,
              const Trace::Procedure& trace)
        : request_(request), options_(options), concern_(concern), trace_(trace),
          ask_(options.Prompt != 0 && request.ui) {}

    void Offer(const std::wstring& folder, std::wstring lines) {
        if (lines.empty()) return;
        ++offered_;
        if (offered_ == 1 && ask_) {
            pendingFolder_ = folder;
            pendingLines_ = std::move(lines);
            return;
        }
        Flush();
        WriteList(folder, RuleName(folder, options_), lines, options_, request_, concern_, trace_);
    }
    // The walk is over: a playlist that stayed alone is named now.
    PlaylistCommand::Outcome Finish() {
        if (offered_ == 0) {
            FolderPlaylist::NothingFound(request_.owner, request_.ui, trace_);
            return PlaylistCommand::Outcome::NothingFound;
        }
        if (pendingFolder_.empty()) return PlaylistCommand::Outcome::Written;
        std::wstring name;
        if (!ChooseName(pendingFolder_, options_, offered_ == 1, name, concern_, trace_))
            return PlaylistCommand::Outcome::Cancelled;
        WriteList(pendingFolder_, name, pendingLines_, options_, request_, concern_, trace_);
        return PlaylistCommand::Outcome::Written;
    }

private:
    void Flush() {
        if (pendingFolder_.empty()) return;
        WriteList(pendingFolder_, RuleName(pendingFolder_, options_), pendingLines_, options_, request_, concern_,
                  trace_);
        pendingFolder_.clear();
        std::wstring().swap(pendingLines_);
    }

    const PlaylistCommand::Request& request_;
    const OptionSet& options_;
    Concern& concern_;
    const Trace::Procedure& trace_;
    const bool ask_;
    size_t offered_ = 0;
    std::wstring pendingFolder_, pendingLines_;
};

// The walked files of one folder as lines of a playlist; our own playlists
// are left out.
void AppendWalked(std::wstring& lines, Playlist::EntryMaker& entry, const std::wstring& folder,
                  const std::vector<std::wstring>& names) {
    const std::wstring_view prefix = entry.PrefixIn(folder);
    for (const std::wstring& name : names) {
        if (Playlist::IsPlaylistFile(name)) continue;
        Playlist::AppendEntry(lines, prefix, name, entry.Portable());
        lines += Playlist::kLineEnd;
    }
}

// EachFolder 1: each selected folder's tree in a playlist inside it; 2: each
// folder's own files in a playlist inside it. The selected files that are no
// folders go into one playlist in the command's folder, first.
PlaylistCommand::Outcome CreateEach(const PlaylistCommand::Request& request, const OptionSet& options,
                                    const std::wstring& folder, const std::wstring& oneFolder, Concern& concern,
                                    const Trace::Procedure& trace) {
    const bool portable = options.Portable == 1, full = options.Paths != 0;
    Playlists playlists(request, options, concern, trace);
    if (request.files.size() > 1) {
        Playlist::EntryMaker entry(folder, full, portable);
        playlists.Offer(folder, Playlist::Lines(request.files, oneFolder, entry));
    }
    struct Walk : FolderWalk::Sink, FolderPlaylist::Steps {
        Playlists& playlists;
        const bool trees, full, portable;
        std::wstring top, lines;
        std::unique_ptr<Playlist::EntryMaker> entry;
        Walk(Playlists& p, bool t, bool f, bool o) : playlists(p), trees(t), full(f), portable(o) {}
        void Begin(const std::wstring& folder) override {
            if (!trees) return;
            top = Playlist::WithBackslash(folder);
            entry = std::make_unique<Playlist::EntryMaker>(top, full, portable);
            lines.clear();
        }
        void Files(const std::wstring& folder, const std::vector<std::wstring>& names) override {
            if (trees) {
                AppendWalked(lines, *entry, folder, names);
                return;
            }
            Playlist::EntryMaker own(folder, full, portable);
            std::wstring ownLines;
            AppendWalked(ownLines, own, folder, names);
            playlists.Offer(folder, std::move(ownLines));
        }
        void End(const std::wstring&) override {
            if (trees) playlists.Offer(top, std::move(lines));
            lines = std::wstring();
        }
    } walk(playlists, options.EachFolder == 1, full, portable);
    if (!FolderPlaylist::Gather(request.folders, options, request.owner, request.ui, walk, &walk, trace))
        return PlaylistCommand::Outcome::Cancelled;
    return playlists.Finish();
}

// The message box's text. A refused playlist that is read-only or a folder
// has no system text that would say so: what stands at the path says it.
std::wstring MessageFor(const Failure::Error& e, const Concern& concern) {
    FailureText::Cause cause = concern.cause;
    if (e.number == Failure::BadFileName && e.system) cause = FailureText::Cause::Name;
    if (cause == FailureText::Cause::System && SystemError::CodeOf(e) == ERROR_ACCESS_DENIED) {
        const DWORD attributes = GetFileAttributesW(concern.path.c_str());
        if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY))
            cause = FailureText::Cause::Folder;
        else if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY))
            cause = FailureText::Cause::ReadOnly;
    }
    const std::wstring reason = cause == FailureText::Cause::Name ? e.detail : SystemError::Text(SystemError::CodeOf(e));
    return FailureText::Message(cause, concern.path, reason);
}

// The one message box of a failed playlist, whichever menu it came from.
void ShowFailure(HWND owner, const std::wstring& text) {
    MessageBoxW(owner, text.c_str(), L"Tracklet", MB_OK | MB_ICONERROR);
}

PlaylistCommand::Outcome Run(const PlaylistCommand::Request& request, const OptionSet& options,
                             const Trace::Procedure& trace, Concern& concern) {
    using PlaylistCommand::Outcome;
    trace(L"Creating M3U Playlist...", Trace::BlankAfter);
    KeptFiles& files = request.files;
    const bool withFolders = options.Folders != 0;
    const std::wstring first = files.size() > 1                           ? files.Path(1)
                               : withFolders && !request.folders.empty() ? request.folders[0]
                                                                         : std::wstring();
    const std::wstring folder = Playlist::TargetFolder(request.directory, request.viewFolder, first);
    concern.path = folder;
    const std::wstring oneFolder = SortSelection(files, options.Order);
    trace(L"", Trace::Raw);
    if (withFolders && (options.EachFolder == 1 || options.EachFolder == 2))
        return CreateEach(request, options, folder, oneFolder, concern, trace);

    const bool portable = options.Portable == 1;
    Playlist::EntryMaker entry(folder, options.Paths != 0, portable);
    // A caller that asked for no user interface (a script, a verb run by
    // another program) gets no prompt either: it would wait for an answer
    // that nobody may be there to give. The playlist keeps its plain name.
    const bool ask = options.Prompt != 0 && request.ui;
    if (!withFolders && !ask) {
        // Nothing runs before the writing that could take the selection
        // over: the lines are made as they are written, never held whole.
        Playlist::KeptLines lines(files, oneFolder, entry);
        WriteList(folder, RuleName(folder, options), lines, options, request, concern, trace);
        return Outcome::Written;
    }
    // The lines are made before the prompt: while it is open the thread's
    // messages run, and another menu of this thread may take over the
    // selection. This playlist holds the files it was chosen for.
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

    std::wstring name;
    if (!ChooseName(folder, options, ask, name, concern, trace)) return Outcome::Cancelled;
    WriteList(folder, name, lines, options, request, concern, trace);
    return Outcome::Written;
}

}  // namespace

namespace PlaylistCommand {

Result Create(const Request& request, const OptionSet& options, const Trace::Procedure& trace) {
    Result result;
    Concern concern;
    Failure::Guard([&] { result.outcome = Run(request, options, trace, concern); },
                   [&](const Failure::Error& e) {
                       result = {Outcome::Failed, SystemError::CodeOf(e)};
                       trace(FailureText::OneLine(Failure::Report(e)));
                       if (request.ui) ShowFailure(request.owner, MessageFor(e, concern));
                   });
    return result;
}

}  // namespace PlaylistCommand
