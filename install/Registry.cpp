#include "Registry.h"

#include <objbase.h>

#include "ClassIdText.h"
#include "Handles.h"

namespace Registry {

void RegSetValue(HKEY root, std::wstring_view subKey, std::wstring_view valueName, std::wstring_view value) {
    const std::wstring path(subKey), name(valueName), data(value);
    SECURITY_ATTRIBUTES security{sizeof(security), nullptr, FALSE};
    Handles::UniqueKey key;
    DWORD disposition = 0;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, &security, key.put(),
                        &disposition) != ERROR_SUCCESS)
        return;
    const auto bytes = static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t));
    RegSetValueExW(key.get(), name.c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(data.c_str()), bytes);
}

void RegDelValue(HKEY root, std::wstring_view subKey, std::wstring_view valueName) {
    const std::wstring path(subKey), name(valueName);
    Handles::UniqueKey key;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_ALL_ACCESS, key.put()) != ERROR_SUCCESS) return;
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

void RegSetNumber(HKEY root, std::wstring_view subKey, std::wstring_view valueName, DWORD value) {
    const std::wstring path(subKey), name(valueName);
    Handles::UniqueKey key;
    if (RegCreateKeyExW(root, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.put(),
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key.get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

std::optional<DWORD> RegGetNumber(HKEY root, std::wstring_view subKey, std::wstring_view valueName) {
    const std::wstring path(subKey), name(valueName);
    DWORD value = 0, bytes = sizeof value;
    if (RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &bytes) != ERROR_SUCCESS)
        return std::nullopt;
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
    Handles::UniqueKey rootKey;
    if (RegOpenKeyExW(root, L"", 0, KEY_ALL_ACCESS, rootKey.put()) != ERROR_SUCCESS) return;
    RegDeleteKeyW(root, path.c_str());
}

void RegDelTree(HKEY root, std::wstring_view subKey) {
    const std::wstring path(subKey);
    if (path.empty()) return;
    if (RegDeleteTreeW(root, path.c_str()) == ERROR_SUCCESS) RegDeleteKeyW(root, path.c_str());
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
