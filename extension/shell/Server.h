// The in-process COM server: the library's instance, its object and lock
// count, the class factories and self-registration.
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

// The class factory of each served class (static objects).
HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv);

// Writes, or removes, every served class with its ProgID and the type library
// (with its automation interfaces) under a classes root: HKEY_CLASSES_ROOT
// for the machine, HKEY_CURRENT_USER\Software\Classes for one user. Keys that
// are already gone count as removed.
HRESULT RegisterServer(HKEY classesRoot);
HRESULT UnregisterServer(HKEY classesRoot);
// DllRegisterServer and DllUnregisterServer: the machine's root.
HRESULT RegisterServer();
HRESULT UnregisterServer();

// DllInstall (what regsvr32 /i calls): command line "user" (any letter case)
// registers or removes for the current user alone; none, or an empty one, for
// the machine, as DllRegisterServer and DllUnregisterServer do; any other
// E_INVALIDARG, with nothing written.
HRESULT Install(bool install, const wchar_t* commandLine);

}  // namespace Server
