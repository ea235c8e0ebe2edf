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

short Register(const char* libraryPath) {
    OleSession ole;
    if (FAILED(ole.hr)) return trkkit::OleInitFailed;
    if (!libraryPath || !*libraryPath) return trkkit::LoadFailed;
    // Altered search path: the library's own dependencies are found beside it,
    // as regsvr32 does, not beside whoever called us.
    Handles::UniqueModule lib(LoadLibraryExW(Widen(libraryPath).c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH));
    if (!lib) return trkkit::LoadFailed;
    using RegisterServer = HRESULT(STDAPICALLTYPE*)();
    auto entry = reinterpret_cast<RegisterServer>(
        reinterpret_cast<void*>(GetProcAddress(lib.get(), "DllRegisterServer")));
    if (!entry) return trkkit::NoEntryPoint;
    if (FAILED(entry())) return trkkit::RegisterFailed;
    return trkkit::Registered;
}

}  // namespace

extern "C" short WINAPI DLLSelfRegister(const char* libraryPath) {
    // Nothing may unwind into the caller; the only thing that can throw is
    // widening the path, before anything is loaded.
    try {
        return Register(libraryPath);
    } catch (...) {
        return trkkit::LoadFailed;
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) DisableThreadLibraryCalls(instance);
    return TRUE;
}
