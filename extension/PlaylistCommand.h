// "&Create M3U Playlist": the thread's selection, sorted, written as a
// playlist into the folder the command was given in.
#pragma once

#include <string>

// directory: the folder text the shell gave with the command, possibly empty.
void CreatePlaylist(const std::wstring& directory);
