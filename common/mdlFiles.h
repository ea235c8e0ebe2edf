// Path helpers. "\" is the only folder separator; "/" is not one.
#pragma once

#include <string>
#include <string_view>

namespace mdlFiles {

// Everything after the last "\"; empty when there is none or the path ends in "\".
std::wstring FileNamePart(std::wstring_view path);
// Everything after the last "."; empty when there is none or the text ends in ".".
std::wstring ExtensionPart(std::wstring_view name);
// True when a directory search for the path finds a normal file whose name
// equals the path's name part without regard to case.
bool FileExists(std::wstring_view path);

}  // namespace mdlFiles
