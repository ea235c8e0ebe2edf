// A trkkit.dll for the installer's tests. DLLSelfRegister answers with the
// code in TRK_FAKEKIT_CODE (0 when unset) and, when TRK_FAKEKIT_MARKER names
// a file, writes that file first, so a test can tell that this copy ran.
#include <windows.h>

#include <cstdlib>

extern "C" short WINAPI DLLSelfRegister(const char* libraryPath) {
    wchar_t marker[MAX_PATH];
    if (GetEnvironmentVariableW(L"TRK_FAKEKIT_MARKER", marker, MAX_PATH)) {
        HANDLE f = CreateFileW(marker, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f != INVALID_HANDLE_VALUE) {
            DWORD written = 0;
            if (libraryPath) WriteFile(f, libraryPath, lstrlenA(libraryPath), &written, nullptr);
            CloseHandle(f);
        }
    }
    char code[16];
    if (!GetEnvironmentVariableA("TRK_FAKEKIT_CODE", code, sizeof code)) return 0;
    return static_cast<short>(std::atoi(code));
}
