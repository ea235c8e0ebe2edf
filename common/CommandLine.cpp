#include "CommandLine.h"

namespace CommandLine {

std::wstring_view ArgumentText(std::wstring_view commandLine) {
    auto isBlank = [](wchar_t c) { return c <= L' '; };
    size_t i = 0;
    if (!commandLine.empty() && commandLine[0] == L'"') {
        size_t close = commandLine.find(L'"', 1);
        i = close == std::wstring_view::npos ? commandLine.size() : close + 1;
    } else {
        while (i < commandLine.size() && !isBlank(commandLine[i])) ++i;
    }
    while (i < commandLine.size() && isBlank(commandLine[i])) ++i;
    return commandLine.substr(i);
}

}  // namespace CommandLine
