#include "trkkit.h"

#include <ole2.h>

#include <string>

#include "Handles.h"

namespace {

std::wstring Widen(const char* text) {
    int n = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (n <= 1) return {};
    std::wstring wide(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), n);
    wide.resize(static_cast<size_t>(n - 1));
    return wide;
}

struct OleSession {
    HRESULT hr = OleInitialize(nullptr);
    ~OleSession() {
        if (SUCCEEDED(hr)) OleUninitialize();
    }
};

// What registration runs in the library: its DllRegisterServer, or its
// DllInstall for the current user alone.
enum class Entry { Machine, UserInstall, UserUninstall };

short Register(const char* libraryPath, Entry entry) {
    OleSession ole;
    if (FAILED(ole.hr)) return trkkit::OleInitFailed;
    if (!libraryPath || !*libraryPath) return trkkit::LoadFailed;
    // Altered search path: the library's own dependencies are found beside it,
    // as regsvr32 does, not beside whoever called us.
    Handles::UniqueModule lib(LoadLibraryExW(Widen(libraryPath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!lib) return trkkit::LoadFailed;
    HRESULT hr = E_FAIL;
    if (entry == Entry::Machine) {
        using RegisterServer = HRESULT(STDAPICALLTYPE*)();
        auto proc = reinterpret_cast<RegisterServer>(
            reinterpret_cast<void*>(GetProcAddress(lib.get(), "DllRegisterServer")));
        if (!proc) return trkkit::NoEntryPoint;
        hr = proc();
    } else {
        using Install = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);
        auto proc = reinterpret_cast<Install>(reinterpret_cast<void*>(GetProcAddress(lib.get(), "DllInstall")));
        if (!proc) return trkkit::NoEntryPoint;
        // What regsvr32 /n /i:user (with /u to remove) calls.
        hr = proc(entry == Entry::UserInstall, L"user");
    }
    return FAILED(hr) ? trkkit::RegisterFailed : trkkit::Registered;
}

// Nothing may unwind into the caller; the only thing that can throw is
// widening the path, before anything is loaded.
short Guarded(const char* libraryPath, Entry entry) {
    try {
        return Register(libraryPath, entry);
    } catch (...) {
        return trkkit::LoadFailed;
    }
}

}  // namespace

extern "C" short WINAPI DLLSelfRegister(const char* libraryPath) { return Guarded(libraryPath, Entry::Machine); }

extern "C" short WINAPI DLLUserRegister(const char* libraryPath) { return Guarded(libraryPath, Entry::UserInstall); }

extern "C" short WINAPI DLLUserUnregister(const char* libraryPath) {
    return Guarded(libraryPath, Entry::UserUninstall);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
