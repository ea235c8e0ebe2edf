#include <windows.h>
#include <objbase.h>

#include "ModuleState.h"
#include "Server.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    // Each thread's record goes with the thread; the process's last one with
    // the library.
    if (reason == DLL_THREAD_DETACH || reason == DLL_PROCESS_DETACH) ReleaseThreadState();
    return TRUE;
}

// The four server exports (trkmenu.def).
STDAPI DllCanUnloadNow() { return Server::ModuleCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return Server::GetClassObject(rclsid, riid, ppv);
}

STDAPI DllRegisterServer() { return Server::RegisterServer(); }

STDAPI DllUnregisterServer() { return Server::UnregisterServer(); }
