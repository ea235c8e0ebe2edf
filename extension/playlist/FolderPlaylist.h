// With the Folders option on: the files that selected folders, or the folder
// whose background was clicked, add to a playlist. Only the command walks;
// the menu never does.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "FolderWalk.h"
#include "ModuleState.h"
#include "Trace.h"

namespace FolderPlaylist {

// True when path names a folder: a selected name with a listed extension may
// be one ("Live.mp3").
bool IsFolder(const std::wstring& path);

// Moves the kept files that are folders over to folders, in their order.
void TakeFolders(KeptFiles& files, std::vector<std::wstring>& folders);

// Orders folders by name under the Order option (equal names by path), walks
// each in turn and hands their listed files to sink. False when the user
// cancelled; the caller then writes nothing. Progress is shown only with ui.
bool Gather(std::vector<std::wstring> folders, const OptionSet& options, HWND owner, bool ui,
            FolderWalk::Sink& sink, const Trace::Procedure& trace);

// The same, under one progress display for them all, telling steps when
// each folder's walk begins and when it has ended.
class Steps {
public:
    virtual ~Steps() = default;
    virtual void Begin(const std::wstring& folder) = 0;
    virtual void End(const std::wstring& folder) = 0;
};
bool Gather(std::vector<std::wstring> folders, const OptionSet& options, HWND owner, bool ui,
            FolderWalk::Sink& sink, Steps* steps, const Trace::Procedure& trace);

// The command found nothing to write: traced, and told to the user with ui.
void NothingFound(HWND owner, bool ui, const Trace::Procedure& trace);

}  // namespace FolderPlaylist
