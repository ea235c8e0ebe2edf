#include "Package.h"

#include <asyncinfo.h>
#include <inspectable.h>
#include <shlwapi.h>
#include <winstring.h>
#include <wrl/client.h>

#include "Handles.h"

using Microsoft::WRL::ComPtr;

namespace Package {

namespace {

// mingw-w64 has no windows.management.deployment.h: the few interfaces used
// here, declared from their published IDL (method order is the table order).
// Parameterised ones (the async operation, the package collection) are only
// ever called through the pointer the platform handed out, never asked for
// by IID.
constexpr IID IID_PackageManager = {0x9a7d4b65, 0x5e8f, 0x4fc7, {0xa2, 0xe5, 0x7f, 0x69, 0x25, 0xcb, 0x8b, 0x53}};
constexpr IID IID_PackageManager9 = {0x1aa79035, 0xcc71, 0x4b2e, {0x80, 0xa6, 0xc7, 0x04, 0x1d, 0x85, 0x79, 0xa7}};
constexpr IID IID_AddPackageOptions = {0x05cee018, 0xf68f, 0x422b, {0x95, 0xa4, 0x66, 0x67, 0x9e, 0xc7, 0x7f, 0xc0}};
constexpr IID IID_UriFactory = {0x44a9796f, 0x723e, 0x4fdf, {0xa2, 0x18, 0x03, 0x3e, 0x75, 0xb0, 0xc0, 0x84}};
constexpr IID IID_DeploymentResult = {0x2563b9ae, 0xb77d, 0x4c1f, {0x8a, 0x7b, 0x20, 0xe6, 0xad, 0x51, 0x5e, 0xf3}};
constexpr IID IID_Package = {0x163c792f, 0xbd75, 0x413c, {0xbf, 0x23, 0xb1, 0xfe, 0x7b, 0x95, 0xd8, 0x25}};

// Windows.Foundation.IUriRuntimeClassFactory
struct IUriFactory : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE CreateUri(HSTRING uri, IInspectable** result) = 0;
};

// IAsyncOperationWithProgress<DeploymentResult, DeploymentProgress>
struct IDeploymentOperation : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE put_Progress(IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Progress(IUnknown** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_Completed(IUnknown* handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Completed(IUnknown** handler) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetResults(IInspectable** result) = 0;
};

// Windows.Management.Deployment.IDeploymentResult
struct IDeploymentResult : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_ErrorText(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ActivityId(GUID* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExtendedErrorCode(HRESULT* value) = 0;
};

// Windows.Management.Deployment.IPackageManager, as far as removal needs it.
struct IPackageManager : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE AddPackageAsync(void*, void*, UINT32, IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE UpdatePackageAsync(void*, void*, UINT32, IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RemovePackageAsync(HSTRING fullName, IDeploymentOperation** operation) = 0;
    virtual HRESULT STDMETHODCALLTYPE StagePackageAsync(void*, void*, IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE RegisterPackageAsync(void*, void*, UINT32, IDeploymentOperation**) = 0;
    virtual HRESULT STDMETHODCALLTYPE FindPackages(IInspectable**) = 0;
    // An empty user security identifier: the current user.
    virtual HRESULT STDMETHODCALLTYPE FindPackagesByUserSecurityId(HSTRING sid, IInspectable** packages) = 0;
};

// Windows.Management.Deployment.IPackageManager9, up to AddPackageByUriAsync.
struct IPackageManager9 : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE FindProvisionedPackages(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE AddPackageByUriAsync(IInspectable* uri, IInspectable* options,
                                                           IDeploymentOperation** operation) = 0;
};

// Windows.Management.Deployment.IAddPackageOptions, up to ExternalLocationUri.
struct IAddPackageOptions : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_DependencyPackageUris(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_TargetVolume(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_TargetVolume(IInspectable*) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageFamilyNames(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_OptionalPackageUris(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_RelatedPackageUris(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ExternalLocationUri(IInspectable**) = 0;
    virtual HRESULT STDMETHODCALLTYPE put_ExternalLocationUri(IInspectable* uri) = 0;
};

// IIterable<Package> and IIterator<Package>
struct IPackageIterator : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Current(IInspectable** package) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_HasCurrent(boolean* has) = 0;
    virtual HRESULT STDMETHODCALLTYPE MoveNext(boolean* has) = 0;
};
struct IPackageIterable : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE First(IPackageIterator** first) = 0;
};

// Windows.ApplicationModel.IPackageId and IPackage, as far as needed.
struct IPackageId : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Name(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Version(void* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Architecture(INT32* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_ResourceId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_Publisher(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_PublisherId(HSTRING* value) = 0;
    virtual HRESULT STDMETHODCALLTYPE get_FullName(HSTRING* value) = 0;
};
struct IPackage : IInspectable {
    virtual HRESULT STDMETHODCALLTYPE get_Id(IPackageId** id) = 0;
};

// The Windows Runtime's entry points, from combase.dll when it is there.
class Runtime {
public:
    Runtime() : module_(LoadLibraryExW(L"combase.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32)) {
        if (!module_) return;
        getFactory_ = Find<GetFactoryProc>("RoGetActivationFactory");
        activate_ = Find<ActivateProc>("RoActivateInstance");
        create_ = Find<CreateProc>("WindowsCreateString");
        delete_ = Find<DeleteProc>("WindowsDeleteString");
        raw_ = Find<RawProc>("WindowsGetStringRawBuffer");
    }
    bool Ready() const { return getFactory_ && activate_ && create_ && delete_ && raw_; }

    // An owned HSTRING.
    class String {
    public:
        String(const Runtime& rt, const std::wstring& text) : rt_(rt) {
            rt.create_(text.c_str(), static_cast<UINT32>(text.size()), &value_);
        }
        explicit String(const Runtime& rt) : rt_(rt) {}
        ~String() {
            if (value_) rt_.delete_(value_);
        }
        String(const String&) = delete;
        String& operator=(const String&) = delete;
        HSTRING get() const { return value_; }
        HSTRING* put() { return &value_; }
        std::wstring Text() const {
            UINT32 length = 0;
            const wchar_t* raw = value_ ? rt_.raw_(value_, &length) : nullptr;
            return raw ? std::wstring(raw, length) : std::wstring();
        }

    private:
        const Runtime& rt_;
        HSTRING value_ = nullptr;
    };

    HRESULT Activate(const wchar_t* className, IInspectable** instance) const {
        String name(*this, className);
        return activate_(name.get(), instance);
    }
    HRESULT Factory(const wchar_t* className, REFIID iid, void** factory) const {
        String name(*this, className);
        return getFactory_(name.get(), iid, factory);
    }

private:
    using GetFactoryProc = HRESULT(WINAPI*)(HSTRING, REFIID, void**);
    using ActivateProc = HRESULT(WINAPI*)(HSTRING, IInspectable**);
    using CreateProc = HRESULT(WINAPI*)(const wchar_t*, UINT32, HSTRING*);
    using DeleteProc = HRESULT(WINAPI*)(HSTRING);
    using RawProc = const wchar_t*(WINAPI*)(HSTRING, UINT32*);
    template <class Proc>
    Proc Find(const char* name) {
        return reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(module_.get(), name)));
    }

    Handles::UniqueModule module_;
    GetFactoryProc getFactory_ = nullptr;
    ActivateProc activate_ = nullptr;
    CreateProc create_ = nullptr;
    DeleteProc delete_ = nullptr;
    RawProc raw_ = nullptr;
};

constexpr wchar_t PackageManagerClass[] = L"Windows.Management.Deployment.PackageManager";
// Long enough for a slow disk; a deployment that hangs must not hang the installer.
constexpr DWORD DeploymentTimeout = 5 * 60 * 1000;

// A file URI for a local path ("file:///C:/Program%20Files/...").
HRESULT MakeUri(const Runtime& rt, const std::wstring& path, ComPtr<IInspectable>& uri) {
    wchar_t url[2084];   // the longest URL the shell's functions handle
    DWORD size = 2084;
    HRESULT hr = UrlCreateFromPathW(path.c_str(), url, &size, 0);
    if (FAILED(hr)) return hr;
    ComPtr<IUriFactory> factory;
    hr = rt.Factory(L"Windows.Foundation.Uri", IID_UriFactory, reinterpret_cast<void**>(factory.GetAddressOf()));
    if (FAILED(hr)) return hr;
    Runtime::String text(rt, url);
    return factory->CreateUri(text.get(), uri.GetAddressOf());
}

// Waits for the deployment to end: its error code, and its own words.
Outcome Wait(const Runtime& rt, IDeploymentOperation* operation) {
    ComPtr<IAsyncInfo> info;
    HRESULT hr = operation->QueryInterface(IID_IAsyncInfo, reinterpret_cast<void**>(info.GetAddressOf()));
    if (FAILED(hr)) return {hr};
    AsyncStatus status = AsyncStatus::Started;
    for (DWORD waited = 0; SUCCEEDED(hr = info->get_Status(&status)) && status == AsyncStatus::Started; waited += 50) {
        if (waited >= DeploymentTimeout) {
            info->Cancel();
            return {HRESULT_FROM_WIN32(ERROR_TIMEOUT)};
        }
        Sleep(50);
    }
    if (FAILED(hr)) return {hr};
    if (status == AsyncStatus::Completed) return {S_OK};
    Outcome outcome{HRESULT_FROM_WIN32(ERROR_CANCELLED)};
    if (status == AsyncStatus::Error) {
        HRESULT error = S_OK;
        info->get_ErrorCode(&error);
        outcome.hr = FAILED(error) ? error : E_FAIL;
    }
    ComPtr<IInspectable> results;
    ComPtr<IDeploymentResult> result;
    if (SUCCEEDED(operation->GetResults(results.GetAddressOf())) && results &&
        SUCCEEDED(results->QueryInterface(IID_DeploymentResult, reinterpret_cast<void**>(result.GetAddressOf())))) {
        Runtime::String text(rt);
        if (SUCCEEDED(result->get_ErrorText(text.put()))) outcome.errorText = text.Text();
    }
    return outcome;
}

HRESULT ToHresult(HRESULT hr) { return FAILED(hr) ? hr : E_FAIL; }

}  // namespace

unsigned long WindowsBuild() {
    // RtlGetVersion tells the truth whatever the program's manifest declares.
    using RtlGetVersionProc = LONG(WINAPI*)(OSVERSIONINFOW*);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto proc = ntdll ? reinterpret_cast<RtlGetVersionProc>(
                            reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                      : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!proc || proc(&info) != 0) return 0;
    return info.dwMajorVersion >= 10 ? info.dwBuildNumber : 0;
}

Outcome Register(const std::wstring& packagePath, const std::wstring& externalFolder) {
    Runtime rt;
    if (!rt.Ready()) return {REGDB_E_CLASSNOTREG};
    ComPtr<IInspectable> manager;
    HRESULT hr = rt.Activate(PackageManagerClass, manager.GetAddressOf());
    if (FAILED(hr)) return {hr};
    ComPtr<IPackageManager9> manager9;
    hr = manager->QueryInterface(IID_PackageManager9, reinterpret_cast<void**>(manager9.GetAddressOf()));
    if (FAILED(hr)) return {hr};
    ComPtr<IInspectable> optionsObject;
    hr = rt.Activate(L"Windows.Management.Deployment.AddPackageOptions", optionsObject.GetAddressOf());
    if (FAILED(hr)) return {hr};
    ComPtr<IAddPackageOptions> options;
    hr = optionsObject->QueryInterface(IID_AddPackageOptions, reinterpret_cast<void**>(options.GetAddressOf()));
    if (FAILED(hr)) return {hr};
    ComPtr<IInspectable> packageUri, externalUri;
    if (FAILED(hr = MakeUri(rt, packagePath, packageUri)) || FAILED(hr = MakeUri(rt, externalFolder, externalUri)))
        return {hr};
    if (FAILED(hr = options->put_ExternalLocationUri(externalUri.Get()))) return {hr};
    ComPtr<IDeploymentOperation> operation;
    hr = manager9->AddPackageByUriAsync(packageUri.Get(), optionsObject.Get(), operation.GetAddressOf());
    if (FAILED(hr) || !operation) return {ToHresult(hr)};
    return Wait(rt, operation.Get());
}

Outcome Remove() {
    Runtime rt;
    if (!rt.Ready()) return {REGDB_E_CLASSNOTREG};
    ComPtr<IInspectable> object;
    HRESULT hr = rt.Activate(PackageManagerClass, object.GetAddressOf());
    if (FAILED(hr)) return {hr};
    ComPtr<IPackageManager> manager;
    hr = object->QueryInterface(IID_PackageManager, reinterpret_cast<void**>(manager.GetAddressOf()));
    if (FAILED(hr)) return {hr};
    Runtime::String currentUser(rt);
    ComPtr<IInspectable> found;
    hr = manager->FindPackagesByUserSecurityId(currentUser.get(), found.GetAddressOf());
    if (FAILED(hr) || !found) return {ToHresult(hr)};
    // The collection is the IIterable<Package> the manager handed out.
    auto* packages = static_cast<IPackageIterable*>(found.Get());
    ComPtr<IPackageIterator> it;
    if (FAILED(hr = packages->First(it.GetAddressOf())) || !it) return {ToHresult(hr)};
    Outcome outcome;
    boolean has = false;
    for (it->get_HasCurrent(&has); has; it->MoveNext(&has)) {
        ComPtr<IInspectable> current;
        ComPtr<IPackage> package;
        ComPtr<IPackageId> id;
        if (FAILED(it->get_Current(current.GetAddressOf())) || !current || FAILED(current->QueryInterface(IID_Package, reinterpret_cast<void**>(package.GetAddressOf()))) ||
            FAILED(package->get_Id(id.GetAddressOf())) || !id)
            continue;
        Runtime::String name(rt), fullName(rt);
        if (FAILED(id->get_Name(name.put())) || name.Text() != Name) continue;
        if (FAILED(id->get_FullName(fullName.put()))) continue;
        ComPtr<IDeploymentOperation> operation;
        hr = manager->RemovePackageAsync(fullName.get(), operation.GetAddressOf());
        const Outcome removed = FAILED(hr) || !operation ? Outcome{ToHresult(hr)} : Wait(rt, operation.Get());
        if (FAILED(removed.hr)) outcome = removed;
    }
    return outcome;
}

}  // namespace Package
