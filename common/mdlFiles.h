// Path helpers. "\" is the only folder separator; "/" is not one.
#pragma once

#include <string>
#include <string_view>

namespace mdlFiles {

// Both parts are views into the text they are given, so that a selection of
// many files is taken apart without copies; the text must outlive them.
// Everything after the last "\"; empty when there is none or the path ends in "\".
std::wstring_view FileNamePart(std::wstring_view path);
// Everything after the last "."; empty when there is none or the text ends in ".".
std::wstring_view ExtensionPart(std::wstring_view name);
// True when a directory search for the path finds a normal file whose name
// equals the path's name part without regard to case.
bool FileExists(std::wstring_view path);

}  // namespace mdlFiles
