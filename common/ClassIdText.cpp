#include "ClassIdText.h"

#include <objbase.h>

namespace ClassIdText {

std::wstring FromGuid(REFGUID guid) {
    wchar_t text[40] = {};
    const int written = StringFromGUID2(guid, text, 40);
    // The count includes the terminating zero.
    return written > 0 ? std::wstring(text, written - 1) : std::wstring();
}

bool FromProgId(std::wstring_view progId, std::wstring& text, HRESULT* rc) {
    const std::wstring name(progId);
    CLSID id{};
    const HRESULT hr = CLSIDFromProgID(name.c_str(), &id);
    if (rc) *rc = hr;
    if (FAILED(hr)) return false;
    text = FromGuid(id);
    return !text.empty();
}

}  // namespace ClassIdText
