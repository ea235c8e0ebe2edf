#include "Registry.h"

#include <objbase.h>

#include "ClassIdText.h"

#include <memory>
#include <type_traits>

namespace Registry {

namespace {

struct KeyCloser {
    void operator()(HKEY key) const { RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

}  // namespace

void RegSetValue(HKEY root, std::wstring_view subKey, std::wstring_view valueName, std::wstring_view value) {
    const std::wstring path(subKey), name(valueName), data(value);
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, FALSE};
    HKEY raw = nullptr;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, &security, &raw,
                        &disposition) != ERROR_SUCCESS)
        return;
    UniqueKey key(raw);
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

void RegDelValue(HKEY root, std::wstring_view subKey, std::wstring_view valueName) {
    const std::wstring path(subKey), name(valueName);
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return;
    UniqueKey key(raw);
    RegDeleteValueW(key.get(), name.c_str());
}

std::wstring RegGetString(HKEY root, std::wstring_view subKey, std::wstring_view valueName) {
    const std::wstring path(subKey), name(valueName);
    DWORD bytes = 0;
    if (RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, nullptr, &bytes) !=
            ERROR_SUCCESS ||
        bytes < sizeof(wchar_t))
        return {};
    std::wstring value(bytes / sizeof(wchar_t), L'\0');
    if (RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_SZ, nullptr, value.data(), &bytes) !=
        ERROR_SUCCESS)
        return {};
    value.resize(wcsnlen(value.c_str(), bytes / sizeof(wchar_t)));
    return value;
}

bool IsClassId(std::wstring_view text) {
    if (text.size() != 38 || text.front() != L'{' || text.back() != L'}') return false;
    CLSID id{};
    const std::wstring copy(text);
    return SUCCEEDED(CLSIDFromString(copy.c_str(), &id));
}

void RegDelKey(HKEY root, std::wstring_view subKey) {
    const std::wstring path(subKey);
    // An empty path would name the root itself; never delete that.
    if (path.empty()) return;
    // Opening the root with full access tells whether deleting below it can work at all.
    HKEY raw = nullptr;
    if (RegOpenKeyExW(root, L"", 0, KEY_ALL_ACCESS, &raw) != ERROR_SUCCESS) return;
    UniqueKey rootKey(raw);
    RegDeleteKeyW(root, path.c_str());
}

const std::wstring& SystemDirCache::Get() {
    if (dir_.empty()) dir_ = lookup_();
    return dir_;
}

std::wstring AskSystemDirectory() {
    std::wstring dir(MAX_PATH, L'\0');
    for (;;) {
        UINT n = GetSystemDirectoryW(dir.data(), static_cast<UINT>(dir.size()));
        if (n == 0) return {};
        if (n < dir.size()) {
            dir.resize(n);
            break;
        }
        dir.resize(n);  // too small: n is the size needed, zero included
    }
    while (dir.size() > 3 && dir.back() == L'\\') dir.pop_back();
    return dir;
}

std::wstring SystemDirectory() {
    static SystemDirCache cache(AskSystemDirectory);
    return cache.Get();
}

std::wstring ClassIdFromProgId(std::wstring_view progId) {
    std::wstring text;
    return ClassIdText::FromProgId(progId, text) ? text : UnknownClassId;
}

}  // namespace Registry
