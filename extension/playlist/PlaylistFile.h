// Writing a playlist file. The old playlist survives any failure: a replaced
// playlist is written beside it under a temporary name and moved over it only
// once complete, and an appended one is cut back to its old length when its
// new lines cannot all be written. Each
// look-up of a name that does not exist costs a scan of the folder (and a
// round trip on a share), so a new playlist is one create of its own name.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

#include "Playlist.h"

namespace PlaylistFile {

// Writes lines (each ending in "\n") to path, replacing the file when
// overwrite is set, else appending; utf8Format makes the UTF-8 playlist with
// its header. Encoding as Playlist::Decide says; line ends as
// Playlist::UsesCrLf says (portable: LF alone in a new or replaced playlist).
// Raises a numbered failure (53, 75, 76, ...) when the file cannot be written.
void Write(const std::wstring& path, std::wstring_view lines, bool overwrite, bool utf8Format = false,
           bool portable = false);
// The same for lines made piece by piece: made once as they are written,
// again only where one does not fit the code page and the file starts over
// in UTF-8 (an append asks first, then writes).
void Write(const std::wstring& path, Playlist::LineSource& lines, bool overwrite, bool utf8Format = false,
           bool portable = false);

// The numbered failure for a platform error code; it carries the code and
// the system's text for it.
[[noreturn]] void RaiseSystemError(unsigned long error);

// The file-system calls that Write makes, so that tests can count them.
struct FileCalls {
    decltype(&::CreateFileW) createFile = ::CreateFileW;
    decltype(&::GetFileAttributesW) getAttributes = ::GetFileAttributesW;
    decltype(&::MoveFileExW) moveFile = ::MoveFileExW;
    decltype(&::DeleteFileW) deleteFile = ::DeleteFileW;
    decltype(&::SetFileInformationByHandle) setInformation = ::SetFileInformationByHandle;
    decltype(&::WriteFile) writeFile = ::WriteFile;
};
FileCalls& Calls();

}  // namespace PlaylistFile
