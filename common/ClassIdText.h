// Class identifiers as registry text, for the library's self-registration,
// its start-up trace and the installer.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace ClassIdText {

// Braced upper-case text, such as {928BB78A-14A7-11D3-A91E-0040056902A2}.
std::wstring FromGuid(REFGUID guid);

// The class identifier registered for a ProgID (its letter case does not
// matter) as braced text; false, with the platform's answer in *rc, when the
// ProgID is not registered.
bool FromProgId(std::wstring_view progId, std::wstring& text, HRESULT* rc = nullptr);

}  // namespace ClassIdText
