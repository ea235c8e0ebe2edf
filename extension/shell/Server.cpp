#include "Server.h"

#include <oleauto.h>
#include <wrl/client.h>
#include <string>

#include "ClassIdText.h"
#include "General.h"
#include "Handles.h"
#include "ModuleInfo.h"
#include "ShellExt.h"
#include "trkmenu_h.h"

namespace Server {

namespace {

LONG moduleCount = 0;

constexpr wchar_t Description[] = L"Tracklet Playlist Shell Extension";
constexpr wchar_t ProgId[] = L"trkmenu.ShellExt";

class ClassFactory final : public IClassFactory {
public:
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IClassFactory)) {
            *ppv = static_cast<IClassFactory*>(this);
            AddRef();
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    // The factory is static: its references only keep the module loaded.
    IFACEMETHODIMP_(ULONG) AddRef() override {
        LockModule();
        return 2;
    }
    IFACEMETHODIMP_(ULONG) Release() override {
        UnlockModule();
        return 1;
    }
    IFACEMETHODIMP CreateInstance(IUnknown* outer, REFIID riid, void** ppv) override {
        if (!ppv) return E_POINTER;
        *ppv = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        // The thread's start-up runs before its first object; an object
        // whose thread has no record would fail in every method.
        if (!General::StartThread()) return E_OUTOFMEMORY;
        return ShellExt::Create(riid, ppv);
    }
    IFACEMETHODIMP LockServer(BOOL lock) override {
        if (lock) LockModule(); else UnlockModule();
        return S_OK;
    }
};

ClassFactory factory;

std::wstring ModulePath() { return ModuleInfo::FileName(Instance()); }

LSTATUS SetValue(const std::wstring& keyPath, const wchar_t* name, const std::wstring& value) {
    Handles::UniqueKey key;
    LSTATUS rc = RegCreateKeyExW(HKEY_CLASSES_ROOT, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE,
                                 nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

HINSTANCE Instance() {
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&Instance), &module);
    return module;
}

void StayLoaded() {
    static LONG pinned = 0;
    if (InterlockedExchange(&pinned, 1)) return;
    HMODULE module = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_PIN,
                       reinterpret_cast<LPCWSTR>(&StayLoaded), &module);
}

void LockModule() { InterlockedIncrement(&moduleCount); }
void UnlockModule() { InterlockedDecrement(&moduleCount); }
LONG ModuleCount() { return InterlockedCompareExchange(&moduleCount, 0, 0); }

HRESULT GetClassObject(REFCLSID rclsid, REFIID riid, void** ppv) {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(rclsid, CLSID_ShellExt)) return CLASS_E_CLASSNOTAVAILABLE;
    return factory.QueryInterface(riid, ppv);
}

HRESULT RegisterServer() {
    const std::wstring path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    const std::wstring clsid = ClassIdText::FromGuid(CLSID_ShellExt);
    const std::wstring classKey = L"CLSID\\" + clsid;
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } entries[] = {
        {classKey, nullptr, Description},
        {classKey + L"\\InprocServer32", nullptr, path},
        {classKey + L"\\InprocServer32", L"ThreadingModel", L"Apartment"},
        {classKey + L"\\ProgID", nullptr, ProgId},
        {classKey + L"\\TypeLib", nullptr, ClassIdText::FromGuid(LIBID_trkmenu)},
        {classKey + L"\\VERSION", nullptr, L"2.0"},
        {ProgId, nullptr, Description},
        {std::wstring(ProgId) + L"\\CLSID", nullptr, clsid},
    };
    for (const auto& e : entries) {
        LSTATUS rc = SetValue(e.key, e.name, e.value);
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    Microsoft::WRL::ComPtr<ITypeLib> typeLib;
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, typeLib.GetAddressOf());
    if (FAILED(hr)) return hr;
    std::wstring file = path;  // RegisterTypeLib takes a non-const text
    return RegisterTypeLib(typeLib.Get(), file.data(), nullptr);
}

HRESULT UnregisterServer() {
    const std::wstring classKey = L"CLSID\\" + ClassIdText::FromGuid(CLSID_ShellExt);
    HRESULT result = S_OK;
    for (const std::wstring& key : {classKey, std::wstring(ProgId)}) {
        LSTATUS rc = RegDeleteTreeW(HKEY_CLASSES_ROOT, key.c_str());
        if (rc != ERROR_SUCCESS && rc != ERROR_FILE_NOT_FOUND) result = HRESULT_FROM_WIN32(rc);
        if (rc == ERROR_SUCCESS) RegDeleteKeyW(HKEY_CLASSES_ROOT, key.c_str());
    }
    const SYSKIND kind = sizeof(void*) == 8 ? SYS_WIN64 : SYS_WIN32;
    // Already gone counts as removed.
    BSTR registered = nullptr;
    if (SUCCEEDED(QueryPathOfRegTypeLib(LIBID_trkmenu, 2, 0, 0, &registered))) {
        SysFreeString(registered);
        HRESULT hr = UnRegisterTypeLib(LIBID_trkmenu, 2, 0, 0, kind);
        if (FAILED(hr)) result = hr;
    }
    return result;
}

}  // namespace Server
