// "Create M3U Playlist", whichever menu it was chosen from: the given files,
// sorted, and the listed files of the given folders, written as a playlist
// into the folder the command was given in. Everything it works on is handed
// in; only the trace is the thread's.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "KeptFiles.h"
#include "ModuleState.h"
#include "Trace.h"

namespace PlaylistCommand {

struct Request {
    std::wstring directory;   // the folder the caller named with the command; may be empty
    std::wstring viewFolder;  // the folder the shell's view showed; may be empty
    KeptFiles& files;         // the kept files, slot 0 empty; left sorted
    // With the Folders option: the selected folders, or the folder whose
    // background was clicked. Their files are read only now.
    std::vector<std::wstring>& folders;
    HWND owner = nullptr;     // for the prompt's and any message's sake
    bool ui = true;           // false: no prompt, no progress, no message
    // When given, receives the path of each playlist written, in order.
    std::vector<std::wstring>* written = nullptr;
};

// With the EachFolder option several playlists may be written: Written then
// means all of them, Cancelled that those written before the cancel are whole
// and no more followed.
enum class Outcome {
    Written,       // the playlist holds every entry
    Cancelled,     // the user cancelled the prompt or the folder walk
    NothingFound,  // the folders held no listed file and no file was given
    Failed,        // no playlist, or no whole one, was written; the user was told (with ui)
};

struct Result {
    Outcome outcome = Outcome::Failed;
    unsigned long error = 0;  // Failed: the system's error code (HRESULT_FROM_WIN32)
};

// Every failure is traced ("ERROR: " line) and, with ui, shown in a message
// box owned by request.owner that names the playlist and the reason. trace
// names the front end's module and procedure for every line.
Result Create(const Request& request, const OptionSet& options, const Trace::Procedure& trace);

}  // namespace PlaylistCommand
