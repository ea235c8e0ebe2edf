// Stand-ins for trkmenu.dll in the installer's tests, one source built four ways:
//   FIXTURE_REGISTERS   DllRegisterServer registers the class and ProgID "trkmenu.ShellExt"
//   FIXTURE_NO_PROGID   DllRegisterServer succeeds but registers nothing
//   FIXTURE_FAILS       DllRegisterServer returns E_FAIL
//   FIXTURE_NO_ENTRY    no DllRegisterServer at all
#include <windows.h>

#include <string>

namespace {

HINSTANCE self;

[[maybe_unused]] bool SetText(const std::wstring& key, const wchar_t* name, const std::wstring& value) {
    HKEY h;
    if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &h, nullptr))
        return false;
    LONG rc = RegSetValueExW(h, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(h);
    return rc == ERROR_SUCCESS;
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) self = instance;
    return TRUE;
}

#ifndef FIXTURE_NO_ENTRY
extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllRegisterServer() {
#if defined(FIXTURE_FAILS)
    return E_FAIL;
#elif defined(FIXTURE_NO_PROGID)
    return S_OK;
#else
    const std::wstring clsid = L"{928BB78A-14A7-11D3-A91E-0040056902A2}";
    wchar_t path[MAX_PATH];
    GetModuleFileNameW(self, path, MAX_PATH);
    bool ok = SetText(L"CLSID\\" + clsid, nullptr, L"Tracklet Playlist Shell Extension") &&
              SetText(L"CLSID\\" + clsid + L"\\InprocServer32", nullptr, path) &&
              SetText(L"CLSID\\" + clsid + L"\\InprocServer32", L"ThreadingModel", L"Apartment") &&
              SetText(L"trkmenu.ShellExt\\CLSID", nullptr, clsid);
    return ok ? S_OK : E_FAIL;
#endif
}
#endif

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return S_OK;
}
