// Helpers of the start-up and options tests: the per-user files, their lines
// with the time stamps masked, and running code on a fresh thread as the shell
// does (apartment-threaded COM).
#pragma once

#include <windows.h>
#include <objbase.h>

#include <regex>
#include <string>
#include <thread>
#include <vector>

#include "Codepage.h"
#include "FileBytes.h"
#include "ModuleState.h"
#include "Trace.h"
#include "inihelper.h"

namespace StartupFiles {

inline std::wstring OptionsPath() { return inihelper::UserFolder() + L"\\trk.ini"; }
inline std::wstring DebugPath() { return Trace::DebugFile(); }

inline std::string ReadBytes(const std::wstring& path) { return FileBytes::Read(path); }
inline void WriteBytes(const std::wstring& path, const std::string& bytes) { FileBytes::Write(path, bytes); }

// Removes a file, or a folder standing in its place, whatever its attributes.
inline void Remove(const std::wstring& path) {
    SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
}

// The debug file's lines without their CR LF and with " (Time: [...])" cut
// off; the stamp must have the trace's shape to be cut.
inline std::vector<std::wstring> DebugLines() {
    static const std::wregex stamp(
        L" \\(Time: \\[\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d\\.\\d\\d [^\\]]+\\]\\)$");
    std::wstring text = Codepage::FromAnsi(ReadBytes(DebugPath()));
    std::vector<std::wstring> lines;
    size_t start = 0;
    for (size_t end; (end = text.find(L"\r\n", start)) != std::wstring::npos; start = end + 2)
        lines.push_back(std::regex_replace(text.substr(start, end - start), stamp, L""));
    if (start != text.size()) lines.push_back(L"<unterminated>" + text.substr(start));
    return lines;
}

inline std::wstring Profile(const wchar_t* section, const wchar_t* key) {
    wchar_t buffer[1024] = {};
    GetPrivateProfileStringW(section, key, L"<missing>", buffer, 1024, OptionsPath().c_str());
    return buffer;
}

// Runs body on a new apartment-threaded thread, as Explorer's threads are.
template <class Body>
void OnNewThread(Body body) {
    std::thread thread([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        body();
        ReleaseThreadState();
        CoUninitialize();
    });
    thread.join();
}

}  // namespace StartupFiles
