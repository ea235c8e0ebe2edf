// What a program or library knows about its own file: its path and its
// version record. Handles are passed as void* to keep <windows.h> out.
#pragma once

#include <string>

namespace ModuleInfo {

// The module that holds the given code or data; nullptr when none does.
void* ModuleOf(const void* address);
// Full path of a loaded module (nullptr: the program's own file); empty on failure.
std::wstring FileName(void* module);

struct Version {
    unsigned major = 0, minor = 0, revision = 0;  // file version major.minor.0.revision
    std::wstring description;                     // FileDescription of the first translation
};
// False when the file carries no version record; fields not found stay as they were.
bool ReadVersion(const std::wstring& path, Version& version);

}  // namespace ModuleInfo
