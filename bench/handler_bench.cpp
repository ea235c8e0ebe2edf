// The whole road of one playlist through the real trkmenu.dll (Initialize,
// QueryContextMenu, InvokeCommand; trace off, no prompt) against a plain
// baseline that reads the same names from the same data object in one pass,
// sorts them and writes the same bytes. Both run in this process, taking
// turns, for 1,000, 10,000 and 100,000 files. Printed: the best time of each
// side and their ratio, and the median of the ratios of each handler run to
// the baseline run right after it (less swayed by a slow spell of the machine).
// Usage (under Wine): bench_handler.exe [path of trkmenu.dll]
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "DropDataObject.h"
#include "inihelper.h"
#include "trkmenu_h.h"

namespace {

using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

const std::wstring kFolder = L"C:\\bench\\Music";

double Now() {
    static LARGE_INTEGER frequency = [] {
        LARGE_INTEGER f;
        QueryPerformanceFrequency(&f);
        return f;
    }();
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(frequency.QuadPart);
}

std::string Read(const std::wstring& path) {
    std::string bytes;
    HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0,
                           nullptr);
    if (h == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(h, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    ReadFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    bytes.resize(got);
    CloseHandle(h);
    return bytes;
}

// Paths in a shuffled order, so that both sides really sort.
std::vector<std::wstring> Selection(size_t count) {
    std::vector<std::wstring> paths;
    paths.reserve(count);
    wchar_t name[64];
    for (size_t i = 0; i < count; ++i) {
        std::swprintf(name, 64, L"\\Artist %03u - Track %06u.mp3", static_cast<unsigned>(i % 97),
                      static_cast<unsigned>(i));
        paths.push_back(kFolder + name);
    }
    std::shuffle(paths.begin(), paths.end(), std::mt19937(42));
    return paths;
}

// Time spent in Initialize and InvokeCommand during the last Handler run.
double initializeSeconds = 0, invokeSeconds = 0;
// Time spent reading and sorting the names during the last Baseline run.
double readSeconds = 0, sortSeconds = 0;

// The handler as Explorer drives it, through COM's class factory, adding its
// items to the host's popup.
bool Handler(IClassFactory* factory, IDataObject* data, HMENU popup) {
    IShellExtInit* init = nullptr;
    if (FAILED(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init))))
        return false;
    IContextMenu* menu = nullptr;
    const double begin = Now();
    bool ok = SUCCEEDED(init->Initialize(nullptr, data, nullptr));
    initializeSeconds = Now() - begin;
    ok = ok && SUCCEEDED(init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)));
    if (ok) {
        HRESULT hr = menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
        ok = SUCCEEDED(hr) && HRESULT_CODE(hr) == 2;
        const std::string folder = "C:\\bench\\Music";
        CMINVOKECOMMANDINFO ci{};
        ci.cbSize = sizeof ci;
        ci.lpVerb = MAKEINTRESOURCEA(0);
        ci.lpDirectory = folder.c_str();
        ci.nShow = SW_SHOWNORMAL;
        const double start = Now();
        ok = ok && menu->InvokeCommand(&ci) == S_OK;
        invokeSeconds = Now() - start;
        menu->Release();
    }
    init->Release();
    return ok;
}

// The plain way: one pass over the drop list, a sort, one write.
bool Baseline(IDataObject* data, const std::wstring& target) {
    const double begin = Now();
    FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
    STGMEDIUM medium{};
    if (FAILED(data->GetData(&format, &medium))) return false;
    std::vector<std::wstring> names;
    auto* header = static_cast<const DROPFILES*>(GlobalLock(medium.hGlobal));
    const wchar_t* p = reinterpret_cast<const wchar_t*>(reinterpret_cast<const char*>(header) +
                                                        header->pFiles);
    while (*p) {
        size_t n = wcslen(p);
        std::wstring_view path(p, n);
        std::wstring_view name = path.substr(path.find_last_of(L'\\') + 1);
        if (name.substr(name.find_last_of(L'.') + 1) == L"mp3") names.emplace_back(name);
        p += n + 1;
    }
    GlobalUnlock(medium.hGlobal);
    ReleaseStgMedium(&medium);
    const double sorting = Now();
    readSeconds = sorting - begin;
    std::sort(names.begin(), names.end());
    sortSeconds = Now() - sorting;
    std::wstring text;
    for (const auto& name : names) text.append(name).append(L"\r\n");
    int size = WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr,
                                   0, nullptr, nullptr);
    std::string bytes(size, '\0');
    WideCharToMultiByte(CP_ACP, 0, text.data(), static_cast<int>(text.size()), bytes.data(), size,
                        nullptr, nullptr);
    HANDLE h = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = WriteFile(h, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return CloseHandle(h) && ok;
}

struct Timing {
    double handler = 1e30, baseline = 1e30, initialize = 0, invoke = 0, read = 0, sort = 0;
    std::vector<double> pairRatios;  // each handler run against the baseline run right after it
    bool ok = true;
    double MedianPairRatio() {
        std::sort(pairRatios.begin(), pairRatios.end());
        return pairRatios.empty() ? 0 : pairRatios[pairRatios.size() / 2];
    }
};

// Best of runs for each side, the two taking turns so that both see the same
// load on a shared machine.
Timing Measure(int runs, IClassFactory* factory, IDataObject* data, const std::wstring& baselineFile) {
    Timing t;
    for (int i = 0; i < runs && t.ok; ++i) {
        // The host's menu is the host's work, made and destroyed untimed.
        HMENU popup = CreatePopupMenu();
        double start = Now();
        t.ok = Handler(factory, data, popup);
        double took = Now() - start;
        DestroyMenu(popup);
        const double handlerTook = took;
        if (took < t.handler) {
            t.handler = took;
            t.initialize = initializeSeconds;
            t.invoke = invokeSeconds;
        }
        start = Now();
        t.ok = t.ok && Baseline(data, baselineFile);
        took = Now() - start;
        t.pairRatios.push_back(handlerTook / took);
        if (took < t.baseline) {
            t.baseline = took;
            t.read = readSeconds;
            t.sort = sortSeconds;
        }
    }
    return t;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    std::wstring dll = argc > 1 ? argv[1] : inihelper::ProgramFolder() + L"\\..\\extension\\trkmenu.dll";
    const std::wstring options = inihelper::OptionsFile();
    for (auto [key, value] : {std::pair{L"Bitmaps", L"0"}, {L"Debug", L"0"}, {L"Prompt", L"0"},
                              {L"Overwrite", L"1"}, {L"Paths", L"0"}, {L"Files", L"mp3"}})
        inihelper::IniWrite(L"trk", key, value, options);
    SHCreateDirectoryExW(nullptr, kFolder.c_str(), nullptr);
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);

    HMODULE library = LoadLibraryW(dll.c_str());
    auto getClassObject =
        library ? reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(
                      GetProcAddress(library, "DllGetClassObject")))
                : nullptr;
    IClassFactory* factory = nullptr;
    if (!getClassObject ||
        FAILED(getClassObject(CLSID_ShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)))) {
        std::fwprintf(stderr, L"cannot create the handler from %ls\n", dll.c_str());
        return 2;
    }

    const std::wstring handlerFile = kFolder + L"\\new.m3u";
    const std::wstring baselineFile = kFolder + L"\\baseline.m3u";
    std::printf("%-10s %14s %14s %8s %8s %14s %14s %14s %14s\n", "files", "handler ms", "baseline ms", "ratio", "median",
                "of it init", "of it invoke", "baseline read", "baseline sort");
    int status = 0;
    for (size_t count : {size_t{1000}, size_t{10000}, size_t{100000}}) {
        IDataObject* data = DropDataObject::Create(Selection(count));
        // Small runs take about a millisecond: many of them, so that the best
        // of each side is not a matter of luck on a shared machine.
        const int runs = count >= 100000 ? 9 : count >= 10000 ? 21 : 61;
        // Warm up both (the handler's first object runs the thread's start-up).
        HMENU popup = CreatePopupMenu();
        Handler(factory, data, popup);
        DestroyMenu(popup);
        Baseline(data, baselineFile);
        Timing t = Measure(runs, factory, data, baselineFile);
        const bool same = Read(handlerFile) == Read(baselineFile) && !Read(handlerFile).empty();
        if (!t.ok || !same) {
            std::printf("%-10zu failed (handler %s, bytes %s)\n", count, t.ok ? "ran" : "failed",
                        same ? "equal" : "differ");
            status = 1;
        } else {
            std::printf("%-10zu %14.2f %14.2f %8.2f %8.2f %14.2f %14.2f %14.2f %14.2f\n", count, t.handler * 1000,
                        t.baseline * 1000, t.handler / t.baseline, t.MedianPairRatio(), t.initialize * 1000, t.invoke * 1000,
                        t.read * 1000, t.sort * 1000);
        }
        data->Release();
    }
    factory->Release();
    CoUninitialize();
    return status;
}
