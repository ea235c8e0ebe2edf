// Helpers for the handler and server tests: options written before a
// thread's first object, work on fresh apartment threads, the trace without
// its time stamps, and the shell's menu read back.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "Codepage.h"
#include "FileBytes.h"
#include "inihelper.h"

namespace support {

struct Options {
    int bitmaps = 1, debug = 1, prompt = 0, overwrite = 1, paths = 0, format = 0, order = 0, folders = 0;
    std::wstring files = L"mp3,wav";
};

// Written before the thread's first object: the library reads the options
// only then.
inline void WriteOptions(const Options& o) {
    const std::wstring file = inihelper::OptionsFile();
    DeleteFileW(file.c_str());
    inihelper::IniWrite(L"trk", L"Bitmaps", std::to_wstring(o.bitmaps), file);
    inihelper::IniWrite(L"trk", L"Debug", std::to_wstring(o.debug), file);
    inihelper::IniWrite(L"trk", L"Prompt", std::to_wstring(o.prompt), file);
    inihelper::IniWrite(L"trk", L"Overwrite", std::to_wstring(o.overwrite), file);
    inihelper::IniWrite(L"trk", L"Paths", std::to_wstring(o.paths), file);
    inihelper::IniWrite(L"trk", L"Format", std::to_wstring(o.format), file);
    inihelper::IniWrite(L"trk", L"Order", std::to_wstring(o.order), file);
    inihelper::IniWrite(L"trk", L"Folders", std::to_wstring(o.folders), file);
    inihelper::IniWrite(L"trk", L"Files", o.files, file);
}

// Runs body on a new thread in a single-threaded apartment and waits for it:
// each such thread starts the library afresh with the options then on disk.
inline void OnNewThread(const std::function<void()>& body) {
    std::thread t([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        body();
        CoUninitialize();
    });
    t.join();
}

// The debug file's lines after the last start-up header, without their
// "(Time: [...])" suffix and with their indentation kept.
inline std::vector<std::string> TraceLines() {
    std::istringstream in(FileBytes::Read(inihelper::UserFolder() + L"\\trkmenu.dbg"));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        size_t stamp = line.rfind(" (Time: [");
        if (stamp != std::string::npos) line.erase(stamp);
        lines.push_back(line);
    }
    return lines;
}

// The lines of one module::procedure, indentation removed.
inline std::vector<std::string> TraceOf(const std::string& prefix) {
    std::vector<std::string> out;
    for (const std::string& line : TraceLines()) {
        size_t start = line.find_first_not_of(' ');
        if (start != std::string::npos && line.compare(start, prefix.size(), prefix) == 0)
            out.push_back(line.substr(start + prefix.size()));
    }
    return out;
}

struct Item {
    std::wstring caption;
    UINT id = 0;
    HMENU submenu = nullptr;
    HBITMAP checked = nullptr, unchecked = nullptr;
};

inline std::vector<Item> Items(HMENU menu) {
    std::vector<Item> items;
    int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t caption[256] = {};
        MENUITEMINFOW info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_CHECKMARKS;
        info.dwTypeData = caption;
        info.cch = 256;
        GetMenuItemInfoW(menu, i, TRUE, &info);
        items.push_back({caption, info.wID, info.hSubMenu, info.hbmpChecked, info.hbmpUnchecked});
    }
    return items;
}

// A folder of its own under the per-user folder, emptied.
inline std::wstring FreshFolder(const std::wstring& name) {
    std::wstring folder = inihelper::UserFolder() + L"\\" + name;
    CreateDirectoryW(folder.c_str(), nullptr);
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (h != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                DeleteFileW((folder + L"\\" + found.cFileName).c_str());
        } while (FindNextFileW(h, &found));
        FindClose(h);
    }
    return folder;
}

inline std::string ReadFile(const std::wstring& path) { return FileBytes::Read(path); }

}  // namespace support
