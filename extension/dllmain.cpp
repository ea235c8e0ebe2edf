#include <windows.h>

#include "ModuleState.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID) {
    // Each thread's record goes with the thread; the process's last one with
    // the library.
    if (reason == DLL_THREAD_DETACH || reason == DLL_PROCESS_DETACH) ReleaseThreadState();
    return TRUE;
}
