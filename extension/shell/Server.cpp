#include "Server.h"

#include <oleauto.h>
#include <wrl/client.h>

#include <cwchar>
#include <string>

#include "ClassIdText.h"
#include "ExplorerCommand.h"
#include "General.h"
#include "Handles.h"
#include "ModuleInfo.h"
#include "NoCase.h"
#include "ShellExt.h"
#include "trkmenu_h.h"

namespace Server {

namespace {

LONG moduleCount = 0;

using CreateProc = HRESULT (*)(REFIID riid, void** ppv);

class ClassFactory final : public IClassFactory {
public:
    explicit ClassFactory(CreateProc create) : create_(create) {}

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
    // The factories are static: their references only keep the module loaded.
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
        return create_(riid, ppv);
    }
    IFACEMETHODIMP LockServer(BOOL lock) override {
        if (lock) LockModule(); else UnlockModule();
        return S_OK;
    }

private:
    CreateProc create_;
};

// The creatable classes, one row each: what GetClassObject serves and what
// registration writes for each of them.
struct ServedClass {
    const CLSID& clsid;
    const wchar_t* progId;
    const wchar_t* description;
    ClassFactory factory;
};

ServedClass classes[] = {
    {CLSID_ShellExt, L"trkmenu.ShellExt", L"Tracklet Playlist Shell Extension", ClassFactory(&ShellExt::Create)},
    // The Explorer command of Windows 11's first menu.
    {CLSID_ExplorerCommand, L"trkmenu.ExplorerCommand", L"Tracklet Playlist Explorer Command",
     ClassFactory(&ExplorerCommand::Create)},
};

constexpr wchar_t ThreadingModel[] = L"Apartment";
// The class's entry names the type library's version.
constexpr wchar_t ClassVersion[] = L"2.0";
// The marshallers Windows registers for automation interfaces.
constexpr wchar_t AutomationProxy[] = L"{00020424-0000-0000-C000-000000000046}";
constexpr wchar_t DispatchProxy[] = L"{00020420-0000-0000-C000-000000000046}";

std::wstring ModulePath() { return ModuleInfo::FileName(Instance()); }

LSTATUS SetValue(HKEY classes, const std::wstring& keyPath, const wchar_t* name, const std::wstring& value) {
    Handles::UniqueKey key;
    LSTATUS rc = RegCreateKeyExW(classes, keyPath.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, key.put(), nullptr);
    if (rc != ERROR_SUCCESS) return rc;
    return RegSetValueExW(key.get(), name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

// The key and everything below it; a key that is not there counts as deleted.
LSTATUS DeleteKey(HKEY classes, const std::wstring& keyPath) {
    LSTATUS rc = RegDeleteTreeW(classes, keyPath.c_str());
    if (rc == ERROR_FILE_NOT_FOUND) return ERROR_SUCCESS;
    if (rc == ERROR_SUCCESS) rc = RegDeleteKeyW(classes, keyPath.c_str());
    return rc == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : rc;
}

std::wstring Hex(unsigned value) {
    wchar_t text[16];
    std::swprintf(text, 16, L"%x", value);
    return text;
}

std::wstring FolderOf(const std::wstring& path) {
    const size_t slash = path.find_last_of(L'\\');
    return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

struct TypeLibrary {
    Microsoft::WRL::ComPtr<ITypeLib> lib;
    std::wstring key;   // TypeLib\{LIBID}
    std::wstring version;
    std::wstring versionKey;
};

HRESULT OpenTypeLibrary(const std::wstring& path, TypeLibrary& out, TLIBATTR& attributes) {
    HRESULT hr = LoadTypeLibEx(path.c_str(), REGKIND_NONE, out.lib.GetAddressOf());
    if (FAILED(hr)) return hr;
    TLIBATTR* attr = nullptr;
    hr = out.lib->GetLibAttr(&attr);
    if (FAILED(hr)) return hr;
    attributes = *attr;
    out.lib->ReleaseTLibAttr(attr);
    out.key = L"TypeLib\\" + ClassIdText::FromGuid(attributes.guid);
    out.version = Hex(attributes.wMajorVerNum) + L"." + Hex(attributes.wMinorVerNum);
    out.versionKey = out.key + L"\\" + out.version;
    return S_OK;
}

// Calls visit(key, name, proxy) for each interface of the library that
// automation marshals (dual, oleautomation, or a dispinterface), as
// RegisterTypeLib registers them.
template <class Visit>
HRESULT ForEachAutomationInterface(ITypeLib* lib, Visit visit) {
    const UINT count = lib->GetTypeInfoCount();
    for (UINT i = 0; i < count; ++i) {
        Microsoft::WRL::ComPtr<ITypeInfo> info;
        if (FAILED(lib->GetTypeInfo(i, info.GetAddressOf()))) continue;
        TYPEATTR* attr = nullptr;
        if (FAILED(info->GetTypeAttr(&attr))) continue;
        const TYPEKIND kind = attr->typekind;
        const WORD flags = attr->wTypeFlags;
        const GUID guid = attr->guid;
        info->ReleaseTypeAttr(attr);
        const bool automation = flags & (TYPEFLAG_FOLEAUTOMATION | TYPEFLAG_FDUAL);
        if (kind != TKIND_DISPATCH && !(kind == TKIND_INTERFACE && automation)) continue;
        BSTR name = nullptr;
        info->GetDocumentation(MEMBERID_NIL, &name, nullptr, nullptr, nullptr);
        const std::wstring text = name ? name : L"";
        SysFreeString(name);
        const HRESULT hr = visit(L"Interface\\" + ClassIdText::FromGuid(guid), text,
                                 automation ? AutomationProxy : DispatchProxy);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

// What RegisterTypeLib writes, under the given classes root: RegisterTypeLib
// itself writes the machine's keys only, and RegisterTypeLibForUser writes
// them there too under Wine.
HRESULT RegisterTypeLibrary(HKEY classes, const std::wstring& path) {
    TypeLibrary tl;
    TLIBATTR attr{};
    HRESULT hr = OpenTypeLibrary(path, tl, attr);
    if (FAILED(hr)) return hr;
    BSTR doc = nullptr, helpFile = nullptr;
    tl.lib->GetDocumentation(MEMBERID_NIL, nullptr, &doc, nullptr, &helpFile);
    const std::wstring docText = doc ? doc : L"";
    const std::wstring helpDir = helpFile && *helpFile ? FolderOf(helpFile) : FolderOf(path);
    SysFreeString(doc);
    SysFreeString(helpFile);
    const wchar_t* platform = sizeof(void*) == 8 ? L"win64" : L"win32";
    const struct {
        std::wstring key;
        const wchar_t* name;
        std::wstring value;
    } entries[] = {
        {tl.versionKey, nullptr, docText},
        // Whether the library came from a disk image says nothing about it.
        {tl.versionKey + L"\\FLAGS", nullptr, Hex(attr.wLibFlags & ~LIBFLAG_FHASDISKIMAGE)},
        {tl.versionKey + L"\\HELPDIR", nullptr, helpDir},
        {tl.versionKey + L"\\" + Hex(attr.lcid) + L"\\" + platform, nullptr, path},
    };
    for (const auto& e : entries) {
        LSTATUS rc = SetValue(classes, e.key, e.name, e.value);
        if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    }
    const std::wstring libId = ClassIdText::FromGuid(attr.guid);
    return ForEachAutomationInterface(tl.lib.Get(), [&](const std::wstring& key, const std::wstring& name,
                                                        const wchar_t* proxy) {
        LSTATUS rc = SetValue(classes, key, nullptr, name);
        if (rc == ERROR_SUCCESS) rc = SetValue(classes, key + L"\\ProxyStubClsid", nullptr, proxy);
        if (rc == ERROR_SUCCESS) rc = SetValue(classes, key + L"\\ProxyStubClsid32", nullptr, proxy);
        if (rc == ERROR_SUCCESS) rc = SetValue(classes, key + L"\\TypeLib", nullptr, libId);
        if (rc == ERROR_SUCCESS) rc = SetValue(classes, key + L"\\TypeLib", L"Version", tl.version);
        return HRESULT_FROM_WIN32(rc);
    });
}

HRESULT UnregisterTypeLibrary(HKEY classes, const std::wstring& path) {
    TypeLibrary tl;
    TLIBATTR attr{};
    HRESULT hr = OpenTypeLibrary(path, tl, attr);
    if (FAILED(hr)) return hr;
    HRESULT result = ForEachAutomationInterface(
        tl.lib.Get(), [&](const std::wstring& key, const std::wstring&, const wchar_t*) {
            return HRESULT_FROM_WIN32(DeleteKey(classes, key));
        });
    const LSTATUS rc = DeleteKey(classes, tl.versionKey);
    if (rc != ERROR_SUCCESS) result = HRESULT_FROM_WIN32(rc);
    // The library's key goes with its last version; another version keeps it.
    RegDeleteKeyW(classes, tl.key.c_str());
    return result;
}

// HKEY_CURRENT_USER\Software\Classes, where Windows looks first.
Handles::UniqueKey UserClasses(LSTATUS& rc) {
    Handles::UniqueKey key;
    rc = RegCreateKeyExW(HKEY_CURRENT_USER, L"Software\\Classes", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                         key.put(), nullptr);
    return key;
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
    for (ServedClass& served : classes)
        if (IsEqualCLSID(rclsid, served.clsid)) return served.factory.QueryInterface(riid, ppv);
    return CLASS_E_CLASSNOTAVAILABLE;
}

HRESULT RegisterServer(HKEY classesRoot) {
    const std::wstring path = ModulePath();
    if (path.empty()) return HRESULT_FROM_WIN32(GetLastError());
    const std::wstring libId = ClassIdText::FromGuid(LIBID_trkmenu);
    for (const ServedClass& served : classes) {
        const std::wstring clsid = ClassIdText::FromGuid(served.clsid);
        const std::wstring classKey = L"CLSID\\" + clsid;
        const std::wstring progId = served.progId;
        const struct {
            std::wstring key;
            const wchar_t* name;
            std::wstring value;
        } entries[] = {
            {classKey, nullptr, served.description},
            {classKey + L"\\InprocServer32", nullptr, path},
            {classKey + L"\\InprocServer32", L"ThreadingModel", ThreadingModel},
            {classKey + L"\\ProgID", nullptr, progId},
            {classKey + L"\\TypeLib", nullptr, libId},
            {classKey + L"\\VERSION", nullptr, ClassVersion},
            {progId, nullptr, served.description},
            {progId + L"\\CLSID", nullptr, clsid},
        };
        for (const auto& e : entries) {
            LSTATUS rc = SetValue(classesRoot, e.key, e.name, e.value);
            if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
        }
    }
    return RegisterTypeLibrary(classesRoot, path);
}

HRESULT UnregisterServer(HKEY classesRoot) {
    HRESULT result = S_OK;
    for (const ServedClass& served : classes) {
        for (const std::wstring& key : {L"CLSID\\" + ClassIdText::FromGuid(served.clsid), std::wstring(served.progId)}) {
            LSTATUS rc = DeleteKey(classesRoot, key);
            if (rc != ERROR_SUCCESS) result = HRESULT_FROM_WIN32(rc);
        }
    }
    const HRESULT hr = UnregisterTypeLibrary(classesRoot, ModulePath());
    return FAILED(hr) ? hr : result;
}

HRESULT RegisterServer() { return RegisterServer(HKEY_CLASSES_ROOT); }
HRESULT UnregisterServer() { return UnregisterServer(HKEY_CLASSES_ROOT); }

HRESULT Install(bool install, const wchar_t* commandLine) {
    if (!commandLine || !*commandLine) return install ? RegisterServer() : UnregisterServer();
    if (!NoCase::Same(commandLine, L"user")) return E_INVALIDARG;
    LSTATUS rc = ERROR_SUCCESS;
    Handles::UniqueKey classesRoot = UserClasses(rc);
    if (rc != ERROR_SUCCESS) return HRESULT_FROM_WIN32(rc);
    return install ? RegisterServer(classesRoot.get()) : UnregisterServer(classesRoot.get());
}

}  // namespace Server
