// What the user reads when no playlist, or no whole one, could be written.
// Platform-free: the platform edge supplies the system's text for an error.
#pragma once

#include <string>
#include <string_view>

namespace FailureText {

enum class Cause {
    System,    // the system refused: reason is its text for the error
    ReadOnly,  // a read-only playlist of that name exists
    Folder,    // a folder of that name exists
    Name,      // the name was refused: reason is the name rule's sentence
    Prompt,    // the name prompt could not be started: path is the program's
};

// The text of the message box: what failed, the full path it concerns on a
// line of its own, and the reason.
std::wstring Message(Cause cause, std::wstring_view path, std::wstring_view reason);

// The reason on one line, for the trace.
std::wstring OneLine(std::wstring_view reason);

}  // namespace FailureText
