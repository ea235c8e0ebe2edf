// Starting trkconfig, the program beside the library that shows the options
// dialog, or the name prompt when it is given an argument.
#pragma once

#include <windows.h>

#include <string>

#include "Handles.h"
#include "Trace.h"

namespace Trkconfig {

// Starts program (full path as the application name, so that a folder with
// blanks cannot run another program) with commandLine as its text, in a
// normal window. Raises a numbered failure when it cannot be started.
Handles::UniqueHandle Start(const std::wstring& program, std::wstring commandLine);

// Sleeps until the process ends, running the thread's window messages
// meanwhile, and answers its exit code (STILL_ACTIVE when unknown).
DWORD WaitForExit(HANDLE process);

// "Tracklet Options": starts trkconfig without arguments and does not wait.
// A missing trkconfig is traced, not raised; the answer is then false.
bool ShowOptions(const Trace::Procedure& trace);

}  // namespace Trkconfig
