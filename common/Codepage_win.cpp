#include "Codepage.h"

#include <windows.h>

namespace Codepage {
namespace {

std::string Narrow(UINT cp, DWORD flags, std::wstring_view text, BOOL* lossy) {
    if (text.empty()) return {};
    int n = WideCharToMultiByte(cp, flags, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                nullptr, lossy);
    std::string out(n > 0 ? n : 0, '\0');
    if (n > 0)
        WideCharToMultiByte(cp, flags, text.data(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, lossy);
    return out;
}

std::wstring Widen(UINT cp, std::string_view text) {
    if (text.empty()) return {};
    int n = MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring out(n > 0 ? n : 0, L'\0');
    if (n > 0)
        MultiByteToWideChar(cp, 0, text.data(), static_cast<int>(text.size()), out.data(), n);
    return out;
}

// The conversion to UTF-7 or UTF-8 refuses both the best-fit flag and the
// report of characters it could not hold; there the way back tells alone.
DWORD NoBestFit(UINT cp) { return cp == CP_UTF8 || cp == CP_UTF7 ? 0 : WC_NO_BEST_FIT_CHARS; }

}  // namespace

std::string ToAnsi(std::wstring_view text) { return Narrow(CP_ACP, 0, text, nullptr); }
std::wstring FromAnsi(std::string_view text) { return Widen(CP_ACP, text); }

bool Fits(unsigned codePage, std::wstring_view text) {
    const DWORD flags = NoBestFit(codePage);
    BOOL lossy = FALSE;
    std::string a = Narrow(codePage, flags, text, flags ? &lossy : nullptr);
    return !lossy && Widen(codePage, a) == text;
}

std::wstring Through(unsigned codePage, std::wstring_view text) {
    if (Fits(codePage, text)) return std::wstring(text);
    return Widen(codePage, Narrow(codePage, NoBestFit(codePage), text, nullptr));
}

bool FitsAnsi(std::wstring_view text) { return Fits(GetACP(), text); }
std::wstring ThroughAnsi(std::wstring_view text) { return Through(GetACP(), text); }

std::string ToUtf8(std::wstring_view text) { return Narrow(CP_UTF8, 0, text, nullptr); }

bool IsUtf8(std::string_view bytes) {
    if (bytes.empty()) return true;
    if (bytes.size() > 0x7FFFFFFF) return false;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), nullptr, 0) > 0;
}
std::wstring FromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }

}  // namespace Codepage
