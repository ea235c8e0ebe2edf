// A program's own command line, as GetCommandLineW gives it.
#pragma once

#include <string_view>

namespace CommandLine {

// The argument text after the program's name, skipped as the C runtime does
// for WinMain: a quoted name ends at its closing quote, an unquoted one at
// the first blank; the blanks after it go too.
std::wstring_view ArgumentText(std::wstring_view commandLine);

}  // namespace CommandLine
