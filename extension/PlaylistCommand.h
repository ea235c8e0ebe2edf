// "&Create M3U Playlist": the thread's selection, sorted, written as a
// playlist into the folder the command was given in.
#pragma once

#include <windows.h>

#include <string>

// directory: the folder text the shell gave with the command, possibly empty.
// owner: the caller's window, for any message; ui false: none is shown.
void CreatePlaylist(const std::wstring& directory, HWND owner, bool ui);
