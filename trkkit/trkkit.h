// trkkit.dll registers a COM library by running its own DllRegisterServer,
// or for the current user alone its DllInstall with the command line "user".
// The installer binds the entries by name with GetProcAddress; the exports
// are undecorated and uses the platform's standard calling convention on both
// architectures (__stdcall on x86, the one convention on x64).
#pragma once

#include <windows.h>

namespace trkkit {

// Result codes of DLLSelfRegister (16-bit, as the installer reads them).
enum Code : short {
    Registered = 0,
    OleInitFailed = 2,      // OleInitialize refused (e.g. the thread is in the MTA)
    LoadFailed = 3,         // the library could not be loaded
    NoEntryPoint = 4,       // the library has no DllRegisterServer (per user: no DllInstall)
    RegisterFailed = 5,     // the entry returned a failure code
};

using SelfRegisterProc = short(WINAPI*)(const char* libraryPath);
constexpr const char* SelfRegisterName = "DLLSelfRegister";
// The same codes, through DllInstall(TRUE, L"user") and DllInstall(FALSE, L"user").
constexpr const char* UserRegisterName = "DLLUserRegister";
constexpr const char* UserUnregisterName = "DLLUserUnregister";

}  // namespace trkkit

extern "C" {
// libraryPath: full path of the COM library, 8-bit text in the system code page.
short WINAPI DLLSelfRegister(const char* libraryPath);
short WINAPI DLLUserRegister(const char* libraryPath);
short WINAPI DLLUserUnregister(const char* libraryPath);
}
