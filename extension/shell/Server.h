// The in-process COM server: the library's instance, its object and lock
// count, the class factory of ShellExt and self-registration.
#pragma once

#include <windows.h>

namespace Server {

// The module this code is linked into (the DLL, or a test program that links
// the library together with its resources).
HINSTANCE Instance();

// One interlocked count for live objects, the factory's references and
// LockServer; DllCanUnloadNow answers S_OK only at zero.
void LockModule();
void UnlockModule();
LONG ModuleCount();

// Keeps the library loaded for the rest of the process once it has made an
// object. The threads runtime linked into it takes a thread-local slot on
// each load that it never gives back, and Explorer unloads an idle handler
// and loads it again many times in a session: the process would run out of
// slots. A library that only registered itself is still unloaded.
void StayLoaded();

// The class factory of ShellExt (a static object).
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

HRESULT RegisterServer();
HRESULT UnregisterServer();

}  // namespace Server
