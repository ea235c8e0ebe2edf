// The installer's registry operations and system lookups. None of them
// reports a failure: a registry step that fails does nothing more, and the
// lookups fall back to a fixed value.
//
// Texts cross to the registry as UTF-16 (the W functions); for the ASCII texts
// the installer stores this is the same data the 8-bit functions would keep.
#pragma once

#include <windows.h>

#include <functional>
#include <optional>
#include <string>
#include <string_view>

// winreg.h maps RegSetValue onto the old RegSetValueW; ours is another operation.
#undef RegSetValue

namespace Registry {

// Class identifier text when a ProgID cannot be resolved.
constexpr wchar_t UnknownClassId[] = L"!";

// Creates the key (and any missing keys above it) and sets a REG_SZ value;
// an empty valueName sets the key's default value. The stored size is
// (characters + 1) * 2 bytes: the text and its terminating zero.
void RegSetValue(HKEY root, std::wstring_view subKey, std::wstring_view valueName, std::wstring_view value);
// Deletes one value (the default value for an empty name) of an existing key.
void RegDelValue(HKEY root, std::wstring_view subKey, std::wstring_view valueName);
// A REG_SZ value (the default value for an empty name); empty when the key or
// value is missing or of another type.
std::wstring RegGetString(HKEY root, std::wstring_view subKey, std::wstring_view valueName);
// A REG_DWORD value, set as RegSetValue sets text; read back, or nothing when
// the key or value is missing or of another type.
void RegSetNumber(HKEY root, std::wstring_view subKey, std::wstring_view valueName, DWORD value);
std::optional<DWORD> RegGetNumber(HKEY root, std::wstring_view subKey, std::wstring_view valueName);
// True for a braced class identifier text such as {928BB78A-14A7-11D3-A91E-0040056902A2}.
bool IsClassId(std::wstring_view text);
// Deletes the last key of the path; the keys above it stay.
void RegDelKey(HKEY root, std::wstring_view subKey);
// Deletes the last key of the path with everything below it.
void RegDelTree(HKEY root, std::wstring_view subKey);

// The Windows system directory without a trailing backslash, or empty when
// the platform cannot tell. Asked once; an empty answer is asked again.
std::wstring SystemDirectory();

// The braced class identifier registered for a ProgID (letter case of the
// ProgID does not matter), or UnknownClassId.
std::wstring ClassIdFromProgId(std::wstring_view progId);

// The cache behind SystemDirectory, with the platform's answer replaceable.
class SystemDirCache {
public:
    using Lookup = std::function<std::wstring()>;
    explicit SystemDirCache(Lookup lookup) : lookup_(std::move(lookup)) {}
    const std::wstring& Get();

private:
    Lookup lookup_;
    std::wstring dir_;
};

// GetSystemDirectoryW, whatever the length.
std::wstring AskSystemDirectory();

}  // namespace Registry
