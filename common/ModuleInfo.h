// What a program or library knows about its own file: its path and its
// version record. Handles are passed as void* to keep <windows.h> out.
#pragma once

#include <string>

namespace ModuleInfo {

// The module that holds the given code or data; nullptr when none does.
void* ModuleOf(const void* address);
// Full path of a loaded module (nullptr: the program's own file); empty on failure.
std::wstring FileName(void* module);

// Loads a library of the system directory by that directory alone, never
// from the program's folder or the current one, where anyone may have put a
// file of that name; nullptr when it cannot be loaded. Never freed: it stays
// for the life of the process.
void* LoadSystemLibrary(const wchar_t* name);

struct Version {
    unsigned major = 0, minor = 0, revision = 0;  // file version major.minor.0.revision
    std::wstring description;                     // FileDescription of the first translation
};
// False when the file carries no version record; fields not found stay as
// they were. version.dll is loaded from the system directory on first use,
// not imported: a program started from a download folder would otherwise
// load whatever version.dll lies beside it, before any of its code runs.
bool ReadVersion(const std::wstring& path, Version& version);

}  // namespace ModuleInfo
