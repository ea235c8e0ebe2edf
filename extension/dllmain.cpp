#include <windows.h>
#include <objbase.h>

#include "ModuleState.h"
#include "Server.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID reserved) {
    // Each thread's record goes with the thread. An unloaded library takes
    // every record along, also those of threads that go on; at the process's
    // end only the last thread's is left.
    if (reason == DLL_THREAD_DETACH) ReleaseThreadState();
    if (reason == DLL_PROCESS_DETACH) {
        if (reserved) ReleaseThreadState();
        else ReleaseAllThreadStates();
    }
    return TRUE;
}

// The server exports (trkmenu.def).
STDAPI DllCanUnloadNow() { return Server::ModuleCount() == 0 ? S_OK : S_FALSE; }

STDAPI DllGetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    return Server::GetClassObject(rclsid, riid, ppv);
}

STDAPI DllRegisterServer() { return Server::RegisterServer(); }

STDAPI DllUnregisterServer() { return Server::UnregisterServer(); }

STDAPI DllInstall(BOOL install, PCWSTR commandLine) { return Server::Install(install != FALSE, commandLine); }
