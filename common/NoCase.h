// The one case-insensitive comparison of the programs: Windows' own ordinal
// rule (file names, verbs, switches, markers), whatever the user's locale.
// Platform-free code, which cannot ask Windows, uses SameFolded.
#pragma once

#include <string_view>

namespace NoCase {

bool Same(std::wstring_view a, std::wstring_view b);

// The same rule for the letters that file names mostly hold: ASCII, Latin-1,
// Latin Extended-A, Greek, Cyrillic and full-width Latin.
bool SameFolded(std::wstring_view a, std::wstring_view b);

}  // namespace NoCase
