// The Explorer command as Windows 11's menu drives it, through the real
// trkmenu.dll, against floors measured in the same run. The selection is
// every file of a folder that really holds them (bench/make-fixture:
// music-like names, every tenth file not audio), as the folder's view holds
// them: the folder's own enumeration, in a shuffled order whose first item is
// a song; a site for the folder's view, as Explorer gives one; bitmaps on,
// trace off, prompt off, a new playlist each run.
//
// Phases, each against its floor:
//   state   GetState of the root (every right-click)
//           / the first item's path (GetDisplayName(SIGDN_FILESYSPATH)) and
//             attributes (SFGAO_FOLDER): what deciding on it must read
//   invoke  Invoke of "Create M3U Playlist"
//           / every item's path through GetDisplayName(SIGDN_FILESYSPATH),
//             the listed ones sorted, the same bytes written
//   shell   (1,000 items) invoke and its floor on Wine's own item array
// Printed per phase: best of each side, best against best, and the median of
// each command run's ratio to the floor run beside it; then how the
// state grows from 1,000 to 100,000 items, and the peak working set of each
// side's invoke, each in a fresh process.
//
// The items keep the view's folder and their child IDs, as the items Explorer
// hands out on Windows do, and the site's view holds its folder the same way
// (tools/shellhost/ViewItems.h): a path is the parent folder's answer for its
// child, in constant time. Wine's own items rebind from the desktop on every
// GetDisplayName and read desktop.ini in each folder of the path, which in
// the music folder costs a scan of it (about 3.5 ms per path among 1,000
// files, 15 ms among 10,000): on them both sides would time Wine's scans, and
// 100,000 items would take hours. The shell row keeps the command honest on
// Wine's items where that is affordable; its playlist must equal invoke's.
//
// Usage (under Wine): bench_explorer_command.exe DLL FIXTURE_ROOT [MAX_INVOKE]
//   FIXTURE_ROOT holds f1000, f10000 and f100000 (see
//   bench/run-explorer-command-bench); invoke and peak are measured up to
//   MAX_INVOKE items (default 100,000), state at every size.
#include <windows.h>
#include <objbase.h>
#include <psapi.h>
#include <shlobj.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <wrl/client.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "BenchClock.h"
#include "FileBytes.h"
#include "FolderSite.h"
#include "ViewItems.h"
#include "trkmenu_h.h"

namespace {

using Microsoft::WRL::ComPtr;
using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

// The shipped list, as users have it.
constexpr std::wstring_view kExtensions[] = {L"mp3", L"mp2", L"mpa", L"voc", L"wav", L"it",  L"xm",  L"s3m",
                                             L"stm", L"mod", L"dsm", L"far", L"ult", L"mtm", L"669", L"wma"};

bool Listed(std::wstring_view name) {
    const size_t dot = name.find_last_of(L'.');
    const std::wstring_view extension = dot == name.npos ? std::wstring_view() : name.substr(dot + 1);
    return std::find(std::begin(kExtensions), std::end(kExtensions), extension) != std::end(kExtensions);
}

// Every file of the folder, shuffled, a song first: the view's items, and
// with shell also Wine's own item array over the same children.
struct Selection {
    ComPtr<IShellItemArray> view;
    ComPtr<IShellItemArray> shell;
};

Selection SelectAll(const std::wstring& folder, bool shell = false) {
    Selection selection;
    PIDLIST_ABSOLUTE parent = nullptr;
    if (FAILED(SHParseDisplayName(folder.c_str(), nullptr, &parent, 0, nullptr))) return selection;
    IShellFolder* desktop = nullptr;
    IShellFolder* shellFolder = nullptr;
    SHGetDesktopFolder(&desktop);
    desktop->BindToObject(parent, nullptr, IID_IShellFolder, reinterpret_cast<void**>(&shellFolder));
    desktop->Release();
    CoTaskMemFree(parent);
    if (!shellFolder) return selection;
    std::vector<PITEMID_CHILD> children;
    std::vector<bool> audio;
    IEnumIDList* list = nullptr;
    if (shellFolder->EnumObjects(nullptr, SHCONTF_NONFOLDERS, &list) == S_OK) {
        PITEMID_CHILD child = nullptr;
        while (list->Next(1, &child, nullptr) == S_OK) {
            STRRET name{};
            wchar_t text[MAX_PATH] = {};
            shellFolder->GetDisplayNameOf(child, SHGDN_INFOLDER | SHGDN_FORPARSING, &name);
            StrRetToBufW(&name, child, text, MAX_PATH);
            if (!std::wstring_view(text).ends_with(L".m3u")) {
                children.push_back(child);
                audio.push_back(Listed(text));
            } else {
                CoTaskMemFree(child);
            }
        }
        list->Release();
    }
    std::vector<size_t> order(children.size());
    for (size_t i = 0; i < order.size(); ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(42));
    const auto song = std::find_if(order.begin(), order.end(), [&](size_t i) { return audio[i]; });
    if (song != order.end()) std::iter_swap(order.begin(), song);
    std::vector<PCUITEMID_CHILD> shuffled;
    for (size_t i : order) shuffled.push_back(children[i]);
    if (!shuffled.empty()) {
        selection.view.Attach(ViewItems::Array::Create(shellFolder, shuffled));
        if (shell && FAILED(SHCreateShellItemArray(nullptr, shellFolder, static_cast<UINT>(shuffled.size()),
                                                   shuffled.data(), selection.shell.GetAddressOf())))
            selection.shell.Reset();
    }
    for (PITEMID_CHILD child : children) CoTaskMemFree(child);
    shellFolder->Release();
    return selection;
}

struct Command {
    ComPtr<IExplorerCommand> root;
    ComPtr<IExplorerCommand> create;
};

IClassFactory* Factory(const std::wstring& dll) {
    HMODULE library = LoadLibraryW(dll.c_str());
    auto get = library ? reinterpret_cast<GetClassObject>(
                             reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")))
                       : nullptr;
    IClassFactory* factory = nullptr;
    if (!get || FAILED(get(CLSID_ExplorerCommand, IID_IClassFactory, reinterpret_cast<void**>(&factory))))
        return nullptr;
    return factory;
}

// The root with its site, and its first sub-command, as Explorer holds them.
bool MakeCommand(IClassFactory* factory, const std::wstring& folder, Command& command) {
    if (FAILED(factory->CreateInstance(nullptr, IID_IExplorerCommand, reinterpret_cast<void**>(command.root.GetAddressOf()))))
        return false;
    IObjectWithSite* withSite = nullptr;
    if (SUCCEEDED(command.root->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&withSite)))) {
        IShellItem* item = ViewItems::FolderItem(folder);
        IUnknown* site = FolderSite::Create(folder, nullptr, item);
        if (item) item->Release();
        withSite->SetSite(site);
        site->Release();
        withSite->Release();
    }
    IEnumExplorerCommand* list = nullptr;
    if (FAILED(command.root->EnumSubCommands(&list))) return false;
    const bool ok = list->Next(1, command.create.GetAddressOf(), nullptr) == S_OK;
    list->Release();
    return ok;
}

// The floor of GetState: what deciding on the first item must read.
bool StateFloor(IShellItemArray* items) {
    IShellItem* item = nullptr;
    if (FAILED(items->GetItemAt(0, &item))) return false;
    LPWSTR path = nullptr;
    SFGAOF attributes = 0;
    const bool ok = SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path)) &&
                    SUCCEEDED(item->GetAttributes(SFGAO_FOLDER, &attributes));
    CoTaskMemFree(path);
    item->Release();
    return ok;
}

bool State(const Command& command, IShellItemArray* items) {
    EXPCMDSTATE state = ECS_HIDDEN;
    return command.root->GetState(items, FALSE, &state) == S_OK && state == ECS_ENABLED;
}

// The floor of Invoke: every path, the listed names sorted, one new file.
bool InvokeFloor(IShellItemArray* items, const std::wstring& target) {
    DWORD count = 0;
    items->GetCount(&count);
    std::vector<std::wstring> names;
    for (DWORD i = 0; i < count; ++i) {
        IShellItem* item = nullptr;
        if (FAILED(items->GetItemAt(i, &item))) return false;
        LPWSTR path = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
            const std::wstring_view full(path);
            const std::wstring_view name = full.substr(full.find_last_of(L'\\') + 1);
            if (Listed(name)) names.emplace_back(name);
        }
        CoTaskMemFree(path);
        item->Release();
    }
    std::sort(names.begin(), names.end());
    std::wstring text;
    for (const auto& name : names) text.append(name).append(L"\r\n");
    const int size =
        WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size, nullptr, nullptr);
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
    return CloseHandle(h) && ok;
}


// Where the library reads its options and writes its trace.
void WriteOptions(const std::wstring& dll) {
    const std::wstring ini = dll.substr(0, dll.find_last_of(L'\\')) + L"\\trk.ini";
    for (auto [key, value] : {std::pair{L"Bitmaps", L"1"}, {L"Debug", L"0"}, {L"Prompt", L"0"}, {L"Overwrite", L"1"},
                              {L"Paths", L"0"}, {L"Folders", L"0"},
                              {L"Files", L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma"}})
        WritePrivateProfileStringW(L"trk", key, value, ini.c_str());
}

// Child: one invoke of one side; the exit code is the peak working set in KiB.
DWORD PeakChild(bool command, const std::wstring& dll, const std::wstring& folder) {
    Selection selection = SelectAll(folder);
    IShellItemArray* items = selection.view.Get();
    if (!items) return 0;
    const std::wstring target = folder + (command ? L"\\new.m3u" : L"\\floor.m3u");
    DeleteFileW(target.c_str());
    bool ok = false;
    if (command) {
        IClassFactory* factory = Factory(dll);
        Command c;
        ok = factory && MakeCommand(factory, folder, c) && c.create->Invoke(items, nullptr) == S_OK;
    } else {
        ok = InvokeFloor(items, target);
    }
    selection = {};
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return ok ? static_cast<DWORD>(counters.PeakWorkingSetSize / 1024) : 0;
}


void Row(size_t count, const char* phase, double c, double f, std::vector<double> ratios) {
    std::printf("%-8zu %-7s %12.5f %12.5f %7.2f %7.2f\n", count, phase, c * 1000, f * 1000, c / f,
                Median(std::move(ratios)));
}

// Invoke against its floor, a new playlist each run after one unmeasured
// pair; prints the row and answers the playlist, empty when a run failed or
// the two sides wrote different bytes.
std::string InvokeRow(size_t count, const char* phase, const Command& command, IShellItemArray* items,
                      const std::wstring& folder, int runs) {
    const std::wstring commandFile = folder + L"\\new.m3u", floorFile = folder + L"\\floor.m3u";
    double bestInvoke = 1e30, bestFloor = 1e30;
    std::vector<double> ratios;
    bool ok = true;
    for (int i = -1; i < runs && ok; ++i) {
        DeleteFileW(commandFile.c_str());
        DeleteFileW(floorFile.c_str());
        double begin = Now();
        ok = command.create->Invoke(items, nullptr) == S_OK;
        const double invoke = Now() - begin;
        begin = Now();
        ok = InvokeFloor(items, floorFile) && ok;
        const double floor = Now() - begin;
        if (i < 0) continue;
        bestInvoke = std::min(bestInvoke, invoke);
        bestFloor = std::min(bestFloor, floor);
        ratios.push_back(invoke / floor);
    }
    std::string written = FileBytes::Read(commandFile);
    const bool equal = written == FileBytes::Read(floorFile);
    DeleteFileW(floorFile.c_str());
    if (!ok || written.empty() || !equal) {
        std::printf("%-8zu %-7s failed (runs %s, bytes %s)\n", count, phase, ok ? "ok" : "failed",
                    equal ? "equal" : "differ");
        return std::string();
    }
    Row(count, phase, bestInvoke, bestFloor, ratios);
    return written;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 3) {
        std::fwprintf(stderr, L"usage: bench_explorer_command.exe DLL FIXTURE_ROOT [MAX_INVOKE]\n");
        return 2;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    const std::wstring dll = argv[1], root = argv[2];
    if (argc == 5 && std::wstring_view(argv[3]) == L"--peak-command") return static_cast<int>(PeakChild(true, dll, argv[4]));
    if (argc == 5 && std::wstring_view(argv[3]) == L"--peak-floor") return static_cast<int>(PeakChild(false, dll, argv[4]));
    const size_t maxInvoke = argc >= 4 ? static_cast<size_t>(_wtoi(argv[3])) : 100000;
    WriteOptions(dll);
    IClassFactory* factory = Factory(dll);
    if (!factory) {
        std::fwprintf(stderr, L"cannot create the Explorer command from %ls\n", dll.c_str());
        return 2;
    }
    int status = 0;
    std::vector<double> stateTimes, floorTimes;
    std::printf("%-8s %-7s %12s %12s %7s %7s\n", "items", "phase", "command ms", "floor ms", "best", "median");
    for (size_t count : {size_t{1000}, size_t{10000}, size_t{100000}}) {
        const std::wstring folder = root + L"\\f" + std::to_wstring(count);
        Selection selection = SelectAll(folder, count == 1000);
        IShellItemArray* items = selection.view.Get();
        Command command;
        if (!items || (count == 1000 && !selection.shell) || !MakeCommand(factory, folder, command)) {
            std::fwprintf(stderr, L"no fixture or no command at %ls\n", folder.c_str());
            return 2;
        }

        // State: a batch of calls long enough for the clock (a call takes
        // well under a microsecond), the floor's batch beside it; which side
        // goes first alternates, so that neither always finds the other's
        // cache.
        constexpr int kCalls = 1000;
        double bestState = 1e30, bestFloor = 1e30;
        std::vector<double> stateRatios;
        bool ok = true;
        for (int round = -1; round < 21 && ok; ++round) {
            double state = 0, floor = 0;
            for (int side = 0; side < 2; ++side) {
                const bool ours = (side == 0) == (round % 2 == 0);
                const double begin = Now();
                if (ours)
                    for (int i = 0; i < kCalls; ++i) ok = State(command, items) && ok;
                else
                    for (int i = 0; i < kCalls; ++i) ok = StateFloor(items) && ok;
                (ours ? state : floor) = (Now() - begin) / kCalls;
            }
            if (round < 0) continue;
            bestState = std::min(bestState, state);
            bestFloor = std::min(bestFloor, floor);
            stateRatios.push_back(state / floor);
        }
        if (!ok) {
            std::printf("%-8zu state   failed\n", count);
            status = 1;
        } else {
            Row(count, "state", bestState, bestFloor, stateRatios);
            stateTimes.push_back(bestState);
            floorTimes.push_back(bestFloor);
        }

        // Invoke: the view's items up to MAX_INVOKE; many runs where one is
        // short, so that the median stands against the machine's other work.
        const int runs = count >= 100000 ? 5 : count >= 10000 ? 15 : 31;
        std::string written;
        if (count > maxInvoke) {
            std::printf("%-8zu invoke  not measured (above MAX_INVOKE)\n", count);
        } else if ((written = InvokeRow(count, "invoke", command, selection.view.Get(), folder, runs)).empty()) {
            status = 1;
        }
        // Wine's own items, where their scans are affordable: the same playlist.
        if (selection.shell) {
            const std::string shell = InvokeRow(count, "shell", command, selection.shell.Get(), folder, 5);
            if (shell.empty() || (!written.empty() && shell != written)) {
                if (!shell.empty()) std::printf("%-8zu shell   wrote other bytes than invoke\n", count);
                status = 1;
            }
        }
    }
    factory->Release();
    // The state reads no more than the first item when it keeps to its
    // floor from the smallest selection to the largest.
    if (stateTimes.size() == 3)
        std::printf("\nstate from 1,000 to 100,000 items: %.2fx; its floor (first item only) %.2fx; ratio of the two %.2f\n",
                    stateTimes[2] / stateTimes[0], floorTimes[2] / floorTimes[0],
                    (stateTimes[2] / stateTimes[0]) / (floorTimes[2] / floorTimes[0]));

    const auto quoted = [](const std::wstring& s) { return L"\"" + s + L"\""; };
    const std::wstring childBase = quoted(dll) + L" " + quoted(root);
    std::printf("\n%-8s %14s %14s %7s   (peak working set, invoke, fresh processes)\n", "items", "command MiB",
                "floor MiB", "ratio");
    for (size_t count : {size_t{1000}, size_t{10000}, size_t{100000}}) {
        if (count > maxInvoke) continue;
        const std::wstring folder = quoted(root + L"\\f" + std::to_wstring(count));
        const double c = RunChild(childBase + L" --peak-command " + folder) / 1024.0;
        const double f = RunChild(childBase + L" --peak-floor " + folder) / 1024.0;
        if (c == 0 || f == 0) status = 1;
        std::printf("%-8zu %14.1f %14.1f %7.2f\n", count, c, f, f > 0 ? c / f : 0);
    }
    CoUninitialize();
    return status;
}
