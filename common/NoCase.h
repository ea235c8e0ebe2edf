// The one case-insensitive comparison of the programs: Windows' own ordinal
// rule (file names, verbs, switches, markers), whatever the user's locale.
#pragma once

#include <string_view>

namespace NoCase {

bool Same(std::wstring_view a, std::wstring_view b);

}  // namespace NoCase
