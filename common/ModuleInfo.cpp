#include "ModuleInfo.h"

#include <windows.h>

#include <vector>

namespace ModuleInfo {

void* ModuleOf(const void* address) {
    HMODULE module = nullptr;
    if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module))
        return nullptr;
    return module;
}

std::wstring FileName(void* module) {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(static_cast<HMODULE>(module), path.data(),
                                     static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return path;
        }
        path.resize(path.size() * 2);  // cut to the buffer: try a larger one
    }
}

void* LoadSystemLibrary(const wchar_t* name) {
    HMODULE module = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    if (module || GetLastError() != ERROR_INVALID_PARAMETER) return module;
    // Systems without the search flags reject them as an invalid parameter.
    wchar_t system[MAX_PATH] = {};
    UINT n = GetSystemDirectoryW(system, MAX_PATH);
    if (n == 0 || n >= MAX_PATH) return nullptr;
    std::wstring path = std::wstring(system, n) + L"\\" + name;
    return LoadLibraryW(path.c_str());
}

namespace {

struct VersionApi {
    decltype(&GetFileVersionInfoSizeW) sizeOf = nullptr;
    decltype(&GetFileVersionInfoW) read = nullptr;
    decltype(&VerQueryValueW) query = nullptr;
};

template <class F>
void Find(HMODULE module, const char* name, F& function) {
    function = reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

const VersionApi& Api() {
    static const VersionApi api = [] {
        VersionApi a;
        if (auto module = static_cast<HMODULE>(LoadSystemLibrary(L"version.dll"))) {
            Find(module, "GetFileVersionInfoSizeW", a.sizeOf);
            Find(module, "GetFileVersionInfoW", a.read);
            Find(module, "VerQueryValueW", a.query);
        }
        return a;
    }();
    return api;
}

}  // namespace

bool ReadVersion(const std::wstring& path, Version& version) {
    const VersionApi& api = Api();
    if (!api.sizeOf || !api.read || !api.query) return false;
    DWORD ignored = 0;
    DWORD size = api.sizeOf(path.c_str(), &ignored);
    if (size == 0) return false;
    std::vector<BYTE> data(size);
    if (!api.read(path.c_str(), 0, size, data.data())) return false;

    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT fixedSize = 0;
    if (api.query(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &fixedSize) && fixed &&
        fixedSize >= sizeof(VS_FIXEDFILEINFO)) {
        version.major = HIWORD(fixed->dwFileVersionMS);
        version.minor = LOWORD(fixed->dwFileVersionMS);
        version.revision = LOWORD(fixed->dwFileVersionLS);
    }

    struct Translation { WORD language, codePage; };
    Translation* translations = nullptr;
    UINT translationSize = 0;
    if (api.query(data.data(), L"\\VarFileInfo\\Translation",
                       reinterpret_cast<void**>(&translations), &translationSize) &&
        translations && translationSize >= sizeof(Translation)) {
        wchar_t query[64];
        wsprintfW(query, L"\\StringFileInfo\\%04x%04x\\FileDescription", translations->language,
                  translations->codePage);
        wchar_t* description = nullptr;
        UINT descriptionSize = 0;
        if (api.query(data.data(), query, reinterpret_cast<void**>(&description),
                           &descriptionSize) &&
            description && descriptionSize > 1)
            version.description = description;
    }
    return true;
}

}  // namespace ModuleInfo
