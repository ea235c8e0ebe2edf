// Playlists of whole folders through the real trkmenu.dll (Folders = 1: 100
// selected folders of 100 listed files each; trace off, no prompt) against a
// plain baseline that walks the same folders with the same call, sorts the
// same way and writes the same bytes. Both run in this process, taking turns.
// Printed: the best time of each side, their ratio, and the median of the
// ratios of each handler run to the baseline run right after it.
// The folders are made from the Linux side beforehand (Wine's own file
// creation is slow): bench/folder-bench BUILD-DIR runs it all.
// A second row: EachFolder = 2 gives each of the 100 album folders a playlist
// of its own, against a plain walk that writes the same 100 playlists (both
// new on each run).
// Usage (under Wine): bench_folders.exe PARENT-FOLDER [path of trkmenu.dll]
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "DropDataObject.h"
#include "FileBytes.h"
#include "inihelper.h"
#include "trkmenu_h.h"

namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The subfolders of parent, in the order the shell lists them.
std::vector<std::wstring> Subfolders(const std::wstring& parent) {
    std::vector<std::wstring> folders;
    WIN32_FIND_DATAW found{};
    HANDLE h = FindFirstFileW((parent + L"\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return folders;
    do {
        const std::wstring name = found.cFileName;
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) && name != L"." && name != L"..")
            folders.push_back(parent + L"\\" + name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    return folders;
}

bool Handler(IClassFactory* factory, IDataObject* data, const std::string& parent) {
    IShellExtInit* init = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
        return false;
    IContextMenu* menu = nullptr;
    bool ok = SUCCEEDED(init->Initialize(nullptr, data, nullptr)) &&
              SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    if (ok) {
        HMENU popup = CreatePopupMenu();
        ok = HRESULT_CODE(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL)) == 2;
        CMINVOKECOMMANDINFO ci{};
        ci.cbSize = sizeof ci;
        ci.fMask = CMIC_MASK_FLAG_NO_UI;
        ci.lpVerb = MAKEINTRESOURCEA(0);
        ci.lpDirectory = parent.c_str();
        ci.nShow = SW_SHOWNORMAL;
        ok = ok && menu->InvokeCommand(&ci) == S_OK;
        DestroyMenu(popup);
        menu->Release();
    }
    init->Release();
    return ok;
}

// The listed names of one folder, read with the same call, sorted.
bool SortedNames(const std::wstring& folder, std::vector<std::wstring>& names) {
    names.clear();
    WIN32_FIND_DATAW found;
    HANDLE h = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                FIND_FIRST_EX_LARGE_FETCH);
    if (h == INVALID_HANDLE_VALUE) return false;
    do {
        if (found.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM))
            continue;
        std::wstring_view name(found.cFileName);
        if (name.size() > 4 && name.substr(name.size() - 4) == L".mp3") names.emplace_back(name);
    } while (FindNextFileW(h, &found));
    FindClose(h);
    std::sort(names.begin(), names.end());
    return true;
}

bool WriteBytes(const std::wstring& target, const std::wstring& text, DWORD disposition = CREATE_NEW) {
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr,
                                   nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(h) && ok;
}

// The plain way: each folder read with the same call, its names sorted, the
// entries ("Folder\Name") written in one go.
bool Baseline(const std::vector<std::wstring>& folders, const std::wstring& target) {
    std::vector<std::wstring> sorted = folders;
    std::sort(sorted.begin(), sorted.end());
    std::wstring text;
    std::vector<std::wstring> names;
    for (const std::wstring& folder : sorted) {
        if (!SortedNames(folder, names)) return false;
        const std::wstring_view base = std::wstring_view(folder).substr(folder.find_last_of(L'\\') + 1);
        for (const auto& name : names) text.append(base).append(L"\\").append(name).append(L"\r\n");
    }
    return WriteBytes(target, text, CREATE_ALWAYS);
}

// The plain way for EachFolder = 2: each folder read, its names sorted, its
// own playlist written into it.
bool EachBaseline(const std::vector<std::wstring>& folders) {
    std::vector<std::wstring> names;
    for (const std::wstring& folder : folders) {
        if (!SortedNames(folder, names)) return false;
        std::wstring text;
        for (const auto& name : names) text.append(name).append(L"\r\n");
        if (!WriteBytes(folder + L"\\baseline.m3u", text)) return false;
    }
    return true;
}

void Forget(const std::vector<std::wstring>& folders) {
    for (const std::wstring& folder : folders) {
        DeleteFileW((folder + L"\\new.m3u").c_str());
        DeleteFileW((folder + L"\\baseline.m3u").c_str());
    }
}

// The EachFolder = 2 row, on a thread of its own: the thread reads the
// options when it first uses the library.
bool EachFolderRow(IClassFactory* factory, const std::vector<std::wstring>& folders, const std::string& parentA) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IDataObject* data = DropDataObject::Create(folders);
    Forget(folders);
    bool ok = Handler(factory, data, parentA) && EachBaseline(folders);
    double handler = 1e30, baseline = 1e30;
    std::vector<double> ratios;
    for (int run = 0; run < 21 && ok; ++run) {
        Forget(folders);
        double start = Now();
        ok = Handler(factory, data, parentA);
        const double h = Now() - start;
        start = Now();
        ok = ok && EachBaseline(folders);
        const double b = Now() - start;
        handler = std::min(handler, h);
        baseline = std::min(baseline, b);
        ratios.push_back(h / b);
    }
    bool same = ok;
    for (const std::wstring& folder : folders) {
        const std::string bytes = FileBytes::Read(folder + L"\\new.m3u");
        same = same && !bytes.empty() && bytes == FileBytes::Read(folder + L"\\baseline.m3u");
    }
    Forget(folders);
    std::sort(ratios.begin(), ratios.end());
    if (!same) std::printf("EachFolder=2: failed (runs %s, bytes %s)\n", ok ? "ran" : "failed", same ? "equal" : "differ");
    else
        std::printf("EachFolder=2, %zu playlists: handler %.2f ms, baseline %.2f ms, ratio %.2f, median %.2f\n",
                    folders.size(), handler * 1000, baseline * 1000, handler / baseline, ratios[ratios.size() / 2]);
    data->Release();
    CoUninitialize();
    return same;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: bench_folders PARENT-FOLDER [trkmenu.dll]\n", stderr);
        return 2;
    }
    const std::wstring parent = argv[1];
    const std::wstring dll = argc > 2 ? argv[2] : inihelper::ProgramFolder() + L"\\..\\extension\\trkmenu.dll";
    const std::wstring options = inihelper::OptionsFile();
    for (auto [key, value] : {std::pair{L"Bitmaps", L"0"}, {L"Debug", L"0"}, {L"Prompt", L"0"}, {L"Overwrite", L"1"},
                              {L"Paths", L"0"}, {L"Order", L"0"}, {L"Folders", L"1"}, {L"Portable", L"0"}, {L"Name", L"0"},
                              {L"EachFolder", L"0"}, {L"Files", L"mp3"}})
        inihelper::IniWrite(L"trk", key, value, options);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    HMODULE library = LoadLibraryW(dll.c_str());
    auto getClassObject = library ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                                        GetProcAddress(library, "DllGetClassObject")))
                                  : nullptr;
    IClassFactory* factory = nullptr;
    if (!getClassObject ||
        FAILED(getClassObject(CLSID_ShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        std::fwprintf(stderr, L"cannot create the handler from %ls\n", dll.c_str());
        return 2;
    }

    const std::vector<std::wstring> folders = Subfolders(parent);
    const std::string parentA(parent.begin(), parent.end());
    IDataObject* data = DropDataObject::Create(folders);
    const std::wstring handlerFile = parent + L"\\new.m3u";
    const std::wstring baselineFile = parent + L"\\baseline.m3u";
    // Warm up both: the handler's first object runs the thread's start-up.
    bool ok = Handler(factory, data, parentA) && Baseline(folders, baselineFile);
    double handler = 1e30, baseline = 1e30;
    std::vector<double> ratios;
    for (int run = 0; run < 21 && ok; ++run) {
        double start = Now();
        ok = Handler(factory, data, parentA);
        const double h = Now() - start;
        start = Now();
        ok = ok && Baseline(folders, baselineFile);
        const double b = Now() - start;
        handler = std::min(handler, h);
        baseline = std::min(baseline, b);
        ratios.push_back(h / b);
    }
    const std::string bytes = FileBytes::Read(handlerFile);
    const bool same = !bytes.empty() && bytes == FileBytes::Read(baselineFile);
    size_t lines = std::count(bytes.begin(), bytes.end(), '\n');
    std::sort(ratios.begin(), ratios.end());
    if (!ok || !same) {
        std::printf("failed (runs %s, bytes %s)\n", ok ? "ran" : "failed", same ? "equal" : "differ");
    } else {
        std::printf("%zu folders, %zu files: handler %.2f ms, baseline %.2f ms, ratio %.2f, median %.2f\n",
                    folders.size(), lines, handler * 1000, baseline * 1000, handler / baseline,
                    ratios[ratios.size() / 2]);
    }
    data->Release();
    inihelper::IniWrite(L"trk", L"EachFolder", L"2", options);
    bool each = false;
    std::thread([&] { each = EachFolderRow(factory, folders, parentA); }).join();
    inihelper::IniWrite(L"trk", L"EachFolder", L"0", options);
    factory->Release();
    CoUninitialize();
    return ok && same && each ? 0 : 1;
}
