// The handler as a user meets it, through the real trkmenu.dll, against a
// plain one-pass baseline in the same run. The selected files really are in
// the folder where the playlist lands (bench/make-fixture made them from the
// Linux side), with music-like names, every tenth not audio; bitmaps on,
// trace off, prompt off, the playlist new on each run ("new") or replacing
// the one before ("replace"). A replace goes through a temporary file and a
// rename so that a failed write loses nothing; the baseline replaces the same
// safe way. The row "in-place" sets the handler's safe replace against a
// baseline that overwrites in place (no temporary name, and no protection):
// for reference, it shows what the safety costs.
//
// Every row is measured with Portable 0 and 1 (the baseline then ends its
// lines in LF alone), each on a thread of its own, since a thread reads the
// options when it first uses the library. The folders of shorter names
// (s10000, s100000: "07 Artist - Title 000006.mp3") show the product's own
// cost per name, which a long shared prefix hides behind the sort.
//
// Phases, each against the baseline's same work:
//   menu    Initialize + QueryContextMenu  / read the names + build the same menu
//   invoke  InvokeCommand                  / sort + write the same bytes
//   whole   create .. final Release        / all of the above
// Printed per phase: best of each side, best against best, and the median of
// each handler run's ratio to the baseline run right after it. Then the peak
// working set of each side, each in a fresh process, as its growth above the
// working set the process had before its first object, and the first use of the
// library on a thread that loads it (fresh processes, median): as in Explorer,
// where the shell's own modules are loaded before any menu handler, and in a
// bare process that has yet to load them.
//
// Usage (under Wine): bench_handler.exe DLL FIXTURE_ROOT [--first-use-only RUNS]
//   FIXTURE_ROOT holds f1000, f10000 and f100000 (see bench/run-handler-bench).
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>
#include <random>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "BenchClock.h"
#include "DropDataObject.h"
#include "FileBytes.h"
#include "inihelper.h"
#include "trkmenu_h.h"

namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The shipped list, as users have it.
constexpr std::wstring_view kExtensions[] = {L"mp3", L"mp2", L"mpa", L"voc", L"wav", L"it",  L"xm",  L"s3m",
                                             L"stm", L"mod", L"dsm", L"far", L"ult", L"mtm", L"669", L"wma"};

// Every file of the folder, in a shuffled order, as one CF_HDROP block. The
// names go straight into the block so that the fixture itself adds little to
// either side's peak.
IDataObject* SelectAll(const std::wstring& folder) {
    std::wstring names;
    std::vector<size_t> starts;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileExW((folder + L"\\*").c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                   nullptr, FIND_FIRST_EX_LARGE_FETCH);
    if (find == INVALID_HANDLE_VALUE) return nullptr;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::wstring_view name(found.cFileName);
        if (name.ends_with(L".m3u")) continue;
        starts.push_back(names.size());
        names.append(name).push_back(L'\0');
    } while (FindNextFileW(find, &found));
    FindClose(find);
    std::shuffle(starts.begin(), starts.end(), std::mt19937(42));

    DROPFILES header{};
    header.pFiles = sizeof header;
    header.fWide = TRUE;
    const size_t chars = names.size() + starts.size() * (folder.size() + 1) + 1;
    std::vector<char> block(sizeof header + chars * sizeof(wchar_t));
    std::memcpy(block.data(), &header, sizeof header);
    auto* out = reinterpret_cast<wchar_t*>(block.data() + sizeof header);
    for (size_t start : starts) {
        out = std::copy(folder.begin(), folder.end(), out);
        *out++ = L'\\';
        for (const wchar_t* p = names.data() + start; *p; ++p) *out++ = *p;
        *out++ = L'\0';
    }
    *out = L'\0';
    return DropDataObject::FromBlock(std::move(block));
}

struct Phases {
    double menu = 0, invoke = 0, whole = 0;
};

// The handler as Explorer drives it: a new object per menu, adding its items
// to the host's popup, then the command.
bool Handler(IClassFactory* factory, IDataObject* data, HMENU popup, const std::string& folder, Phases& t) {
    const double begin = Now();
    IShellExtInit* init = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)))) return false;
    IContextMenu* menu = nullptr;
    const double menuBegin = Now();
    bool ok = SUCCEEDED(init->Initialize(nullptr, data, nullptr)) &&
              SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    if (ok) {
        HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
        t.menu = Now() - menuBegin;
        ok = SUCCEEDED(hr) && HRESULT_CODE(hr) == 2;
        CMINVOKECOMMANDINFO ci{};
        ci.cbSize = sizeof ci;
        ci.lpVerb = MAKEINTRESOURCEA(0);
        ci.lpDirectory = folder.c_str();
        ci.nShow = SW_SHOWNORMAL;
        const double invokeBegin = Now();
        ok = ok && menu->InvokeCommand(&ci) == S_OK;
        t.invoke = Now() - invokeBegin;
        menu->Release();
    }
    init->Release();
    t.whole = Now() - begin;
    return ok;
}

HBITMAP CheckMarkPicture(UINT id) {
    HBITMAP source = LoadBitmapW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id));
    BITMAP described{};
    GetObjectW(source, sizeof described, &described);
    const int width = GetSystemMetrics(SM_CXMENUCHECK), height = GetSystemMetrics(SM_CYMENUCHECK);
    HDC screen = GetDC(nullptr);
    HDC from = CreateCompatibleDC(screen);
    HDC to = CreateCompatibleDC(screen);
    HBITMAP target = CreateCompatibleBitmap(screen, width, height);
    ReleaseDC(nullptr, screen);
    HGDIOBJ oldFrom = SelectObject(from, source);
    HGDIOBJ oldTo = SelectObject(to, target);
    SetStretchBltMode(to, COLORONCOLOR);
    StretchBlt(to, 0, 0, width, height, from, 0, 0, described.bmWidth, described.bmHeight, SRCCOPY);
    SelectObject(from, oldFrom);
    SelectObject(to, oldTo);
    DeleteDC(from);
    DeleteDC(to);
    DeleteObject(source);
    return target;
}

// The plain way: one pass over the drop list keeping the listed names, the
// same cascade with two pictures, a sort, one write.
enum class Write { New, SafeReplace, InPlace };

bool Baseline(IDataObject* data, HMENU popup, const std::wstring& target, Write write, bool portable, Phases& t) {
    const double begin = Now();
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return false;
    std::vector<std::wstring> names;
    auto* header = static_cast<const DROPFILES*>(GlobalLock(medium.hGlobal));
    const wchar_t* p =
        reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(header) + header->pFiles);
    while (*p) {
        const size_t n = wcslen(p);
        const std::wstring_view path(p, n);
        const std::wstring_view name = path.substr(path.find_last_of(L'\\') + 1);
        const size_t dot = name.find_last_of(L'.');
        const std::wstring_view extension = dot == name.npos ? std::wstring_view() : name.substr(dot + 1);
        if (std::find(std::begin(kExtensions), std::end(kExtensions), extension) != std::end(kExtensions))
            names.emplace_back(name);
        p += n + 1;
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);

    HMENU submenu = CreatePopupMenu();
    HBITMAP pictures[2] = {CheckMarkPicture(101), CheckMarkPicture(102)};
    InsertMenuW(submenu, 0, MF_BYPOSITION | MF_STRING, 1, L"&Create M3U Playlist");
    SetMenuItemBitmaps(submenu, 0, MF_BYPOSITION, pictures[0], pictures[0]);
    InsertMenuW(submenu, 1, MF_BYPOSITION | MF_STRING, 2, L"Tracklet &Options");
    SetMenuItemBitmaps(submenu, 1, MF_BYPOSITION, pictures[1], pictures[1]);
    InsertMenuW(popup, 0, MF_BYPOSITION | MF_POPUP, reinterpret_cast<UINT_PTR>(submenu), L"&Tracklet");
    const double invokeBegin = Now();
    t.menu = invokeBegin - begin;

    std::sort(names.begin(), names.end());
    std::wstring text;
    const wchar_t* const end = portable ? L"\n" : L"\r\n";
    for (const auto& name : names) text.append(name).append(end);
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    // A safe replace writes beside the playlist and moves the whole file over it.
    const bool safe = write == Write::SafeReplace;
    const std::wstring file = safe ? target + L".tmp" : target;
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr,
                           write == Write::InPlace ? CREATE_ALWAYS : CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    bool ok = h != INVALID_HANDLE_VALUE;
    if (ok) {
        DWORD written = 0;
        ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
        ok = CloseHandle(h) && ok;
    }
    if (ok && safe) ok = MoveFileExW(file.c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
    t.invoke = Now() - invokeBegin;
    // The handler lets go of its pictures with its object.
    DeleteObject(pictures[0]);
    DeleteObject(pictures[1]);
    t.whole = Now() - begin;
    return ok;
}

struct Side {
    Phases best{1e30, 1e30, 1e30};
    void Keep(const Phases& p) {
        best.menu = std::min(best.menu, p.menu);
        best.invoke = std::min(best.invoke, p.invoke);
        best.whole = std::min(best.whole, p.whole);
    }
};


// Where the library reads its options (the per-user file, and beside it
// where that does not exist yet).
void WriteOptions(const std::wstring& dll, bool portable) {
    const std::wstring beside = dll.substr(0, dll.find_last_of(L'\\')) + L"\\trk.ini";
    for (const std::wstring& ini : {beside, inihelper::OptionsFile()})
    for (auto [key, value] : {std::pair{L"Bitmaps", L"1"}, {L"Debug", L"0"}, {L"Prompt", L"0"}, {L"Overwrite", L"1"},
                              {L"Paths", L"0"}, {L"Portable", portable ? L"1" : L"0"},
                              {L"Files", L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma"}})
        WritePrivateProfileStringW(L"trk", key, value, ini.c_str());
}

size_t WorkingSet() {
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters.WorkingSetSize;
}

IClassFactory* Factory(const std::wstring& dll) {
    HMODULE library = LoadLibraryW(dll.c_str());
    auto get = library ? reinterpret_cast<GetClassObject>(
                             reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")))
                       : nullptr;
    IClassFactory* factory = nullptr;
    if (!get || FAILED(get(CLSID_ShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) return nullptr;
    return factory;
}

std::string Narrow(const std::wstring& text) {
    std::string out(text.size(), '\0');
    std::transform(text.begin(), text.end(), out.begin(), [](wchar_t c) { return static_cast<char>(c); });
    return out;
}

// Child: one whole road of one side; the exit code is the peak working set in
// KiB above the working set before the first object (the selection made, the
// library loaded).
DWORD PeakChild(bool handler, const std::wstring& dll, const std::wstring& folder, bool portable) {
    IDataObject* data = SelectAll(folder);
    if (!data) return 0;
    IClassFactory* factory = handler ? Factory(dll) : nullptr;
    if (handler && !factory) return 0;
    const size_t before = WorkingSet();
    const std::wstring target = folder + (handler ? L"\\new.m3u" : L"\\baseline.m3u");
    DeleteFileW(target.c_str());
    HMENU popup = CreatePopupMenu();
    Phases t;
    const bool ok = handler ? Handler(factory, data, popup, Narrow(folder), t)
                            : Baseline(data, popup, target, Write::New, portable, t);
    DestroyMenu(popup);
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    const size_t growth = counters.PeakWorkingSetSize > before ? counters.PeakWorkingSetSize - before : 0;
    return ok ? static_cast<DWORD>(growth / 1024) + 1 : 0;
}

// Child: load the library on this thread and make its first object; the
// exit code is the time in microseconds. Explorer has its shell modules
// loaded before it loads any menu handler: with inShell, so has this process.
DWORD FirstUseChild(const std::wstring& dll, bool inShell) {
    if (inShell)
        for (const wchar_t* module : {L"shell32.dll", L"shlwapi.dll", L"oleaut32.dll"}) LoadLibraryW(module);
    const double begin = Now();
    IClassFactory* factory = Factory(dll);
    IShellExtInit* init = nullptr;
    if (!factory || FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
        return 0;
    init->Release();
    factory->Release();
    return static_cast<DWORD>((Now() - begin) * 1e6);
}


void Row(const std::string& fixture, bool portable, const char* mode, const char* phase, double h, double b,
         std::vector<double> ratios) {
    std::printf("%-8s %-8s %-8s %-7s %12.2f %12.2f %7.2f %7.2f\n", fixture.c_str(), portable ? "1" : "0", mode, phase,
                h * 1000, b * 1000, h / b, Median(std::move(ratios)));
}

// The fixtures: f for the long names, s for the short ones.
const char* const kFixtures[] = {"f1000", "f10000", "f100000", "s10000", "s100000"};

size_t CountOf(const std::string& fixture) { return std::stoul(fixture.substr(1)); }

std::wstring Wide(const std::string& text) { return std::wstring(text.begin(), text.end()); }

// Every row of one Portable value, on this thread; false when a row failed.
bool Rows(const std::wstring& dll, const std::wstring& root, bool portable) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IClassFactory* factory = Factory(dll);
    if (!factory) {
        std::fwprintf(stderr, L"cannot create the handler from %ls\n", dll.c_str());
        return false;
    }
    bool good = true;
    for (const char* fixture : kFixtures) {
        const size_t count = CountOf(fixture);
        const std::wstring folder = root + L"\\" + Wide(fixture);
        IDataObject* data = SelectAll(folder);
        if (!data) {
            std::fwprintf(stderr, L"no fixture at %ls\n", folder.c_str());
            good = false;
            continue;
        }
        const std::string directory = Narrow(folder);
        const std::wstring handlerFile = folder + L"\\new.m3u", baselineFile = folder + L"\\baseline.m3u";
        const int runs = count >= 100000 ? 15 : count >= 10000 ? 21 : 41;
        for (Write write : {Write::New, Write::SafeReplace, Write::InPlace}) {
            const bool fresh = write == Write::New;
            Side handler, baseline;
            std::vector<double> menuRatios, invokeRatios, wholeRatios;
            bool ok = true;
            // One untimed round first: the thread's start-up and warm caches.
            for (int i = -1; i < runs && ok; ++i) {
                if (fresh) {
                    DeleteFileW(handlerFile.c_str());
                    DeleteFileW(baselineFile.c_str());
                }
                Phases h, b;
                HMENU popup = CreatePopupMenu();
                ok = Handler(factory, data, popup, directory, h);
                DestroyMenu(popup);
                popup = CreatePopupMenu();
                ok = Baseline(data, popup, baselineFile, write, portable, b) && ok;
                DestroyMenu(popup);
                if (i < 0) continue;
                handler.Keep(h);
                baseline.Keep(b);
                menuRatios.push_back(h.menu / b.menu);
                invokeRatios.push_back(h.invoke / b.invoke);
                wholeRatios.push_back(h.whole / b.whole);
            }
            const std::string written = FileBytes::Read(handlerFile);
            const bool same = ok && !written.empty() && written == FileBytes::Read(baselineFile);
            const char* mode = fresh ? "new" : write == Write::SafeReplace ? "replace" : "in-place";
            if (!same) {
                std::printf("%-8s %-8s %-8s failed (runs %s, bytes %s)\n", fixture, portable ? "1" : "0", mode,
                            ok ? "ok" : "failed", written == FileBytes::Read(baselineFile) ? "equal" : "differ");
                good = false;
                continue;
            }
            Row(fixture, portable, mode, "menu", handler.best.menu, baseline.best.menu, menuRatios);
            Row(fixture, portable, mode, "invoke", handler.best.invoke, baseline.best.invoke, invokeRatios);
            Row(fixture, portable, mode, "whole", handler.best.whole, baseline.best.whole, wholeRatios);
        }
        data->Release();
    }
    factory->Release();
    CoUninitialize();
    return good;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: bench_handler.exe DLL FIXTURE_ROOT\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring dll = argv[1], root = argv[2];
    if (argc == 6 && std::wstring_view(argv[3]) == L"--peak-handler")
        return static_cast<int>(PeakChild(true, dll, argv[4], _wtoi(argv[5]) == 1));
    if (argc == 6 && std::wstring_view(argv[3]) == L"--peak-baseline")
        return static_cast<int>(PeakChild(false, dll, argv[4], _wtoi(argv[5]) == 1));
    if (argc == 4 && std::wstring_view(argv[3]) == L"--first-use") return static_cast<int>(FirstUseChild(dll, true));
    if (argc == 4 && std::wstring_view(argv[3]) == L"--first-use-bare")
        return static_cast<int>(FirstUseChild(dll, false));
    const auto quoted = [](const std::wstring& s) { return L"\"" + s + L"\""; };
    const std::wstring childBase = quoted(dll) + L" " + quoted(root);
    const auto firstUse = [&](int runs) {
        std::printf("\nfirst use on a thread that loads the library (%d fresh processes each)\n", runs);
        for (const wchar_t* where : {L"", L"-bare"}) {
            std::vector<double> times;
            for (int i = 0; i < runs; ++i) times.push_back(RunChild(childBase + L" --first-use" + where) / 1000.0);
            std::printf("  %-44s median %5.1f ms, best %5.1f ms\n",
                        *where ? "bare process (shell modules load too):" : "shell modules loaded, as in Explorer:",
                        Median(times), *std::min_element(times.begin(), times.end()));
        }
    };

    WriteOptions(dll, false);
    // The first use alone, as often as asked.
    if (argc == 5 && std::wstring_view(argv[3]) == L"--first-use-only") {
        firstUse(std::max(1, _wtoi(argv[4])));
        return 0;
    }
    int status = 0;
    std::printf("%-8s %-8s %-8s %-7s %12s %12s %7s %7s\n", "files", "portable", "playlist", "phase", "handler ms",
                "baseline ms", "best", "median");
    for (bool portable : {false, true}) {
        WriteOptions(dll, portable);
        bool good = true;
        std::thread([&] { good = Rows(dll, root, portable); }).join();
        if (!good) status = 1;
    }

    std::printf("\npeak working set above the process's before the first object\n%-8s %-8s %14s %14s %7s\n", "files",
                "portable", "handler MiB", "baseline MiB", "ratio");
    for (bool portable : {false, true}) {
        WriteOptions(dll, portable);
        for (const char* fixture : kFixtures) {
            const std::wstring folder = quoted(root + L"\\" + Wide(fixture));
            const std::wstring flag = portable ? L" 1" : L" 0";
            const double h = RunChild(childBase + L" --peak-handler " + folder + flag) / 1024.0;
            const double b = RunChild(childBase + L" --peak-baseline " + folder + flag) / 1024.0;
            if (h == 0 || b == 0) status = 1;
            std::printf("%-8s %-8s %14.1f %14.1f %7.2f\n", fixture, portable ? "1" : "0", h, b, b > 0 ? h / b : 0);
        }
    }
    WriteOptions(dll, false);

    firstUse(7);
    CoUninitialize();
    return status;
}
