// Writing a playlist file. The old playlist survives any failure: a replaced
// playlist is written beside it under a temporary name and moved over it only
// once complete, and an appended one gets its new lines in one write.
#pragma once

#include <string>
#include <string_view>

namespace PlaylistFile {

// Writes lines (CR LF included) to path, replacing the file when overwrite is
// set, else appending. Encoding as Playlist::Decide says. Raises a numbered
// failure (53, 75, 76, ...) when the file cannot be written.
void Write(const std::wstring& path, std::wstring_view lines, bool overwrite);

// The numbered failure for a platform error code.
[[noreturn]] void RaiseSystemError(unsigned long error);

}  // namespace PlaylistFile
