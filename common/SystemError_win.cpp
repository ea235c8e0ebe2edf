#include "SystemError.h"

#include <windows.h>

namespace SystemError {

unsigned long CodeOf(const Failure::Error& e) {
    if (e.system) return e.system;
    if (e.number < 0) {
        const HRESULT hr = static_cast<HRESULT>(e.number);
        return HRESULT_FACILITY(hr) == FACILITY_WIN32 ? HRESULT_CODE(hr) : ERROR_INTERNAL_ERROR;
    }
    switch (e.number) {
    case Failure::InvalidArgument: return ERROR_INVALID_PARAMETER;
    case Failure::Overflow: return ERROR_ARITHMETIC_OVERFLOW;
    case Failure::OutOfMemory: return ERROR_OUTOFMEMORY;
    case Failure::BadFileName: return ERROR_INVALID_NAME;
    case Failure::FileNotFound: return ERROR_FILE_NOT_FOUND;
    case Failure::PathNotFound: return ERROR_PATH_NOT_FOUND;
    case Failure::FileAccess: return ERROR_ACCESS_DENIED;
    default: return ERROR_INTERNAL_ERROR;
    }
}

std::wstring Text(unsigned long error) {
    wchar_t* text = nullptr;
    const DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM |
                                       FORMAT_MESSAGE_IGNORE_INSERTS,
                                   nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring result = n ? std::wstring(text, n) : std::wstring();
    LocalFree(text);
    while (!result.empty() && (result.back() == L'\r' || result.back() == L'\n' || result.back() == L' '))
        result.pop_back();
    if (result.empty()) result = L"Error " + std::to_wstring(error) + L".";
    return result;
}

}  // namespace SystemError
