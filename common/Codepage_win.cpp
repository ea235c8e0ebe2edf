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

// Room for the most bytes a UTF-16 unit can take (3, in UTF-8 and in every
// code page), then one conversion.
void NarrowAppend(UINT cp, std::wstring_view text, std::string& out) {
    if (text.empty() || text.size() > 0x7FFFFFFF / 3) {
        if (!text.empty()) out += Narrow(cp, 0, text, nullptr);
        return;
    }
    const std::size_t at = out.size();
    const int room = static_cast<int>(text.size() * 3);
    out.resize(at + static_cast<std::size_t>(room));
    const int n = WideCharToMultiByte(cp, 0, text.data(), static_cast<int>(text.size()), out.data() + at, room,
                                      nullptr, nullptr);
    out.resize(at + static_cast<std::size_t>(n > 0 ? n : 0));
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

namespace {

// The characters a single-byte code page holds: what its 256 bytes read as.
// Each of them goes to a byte that reads as it again, so a text fits when
// every character is one of them. Made once per process.
class SingleByteTable {
public:
    SingleByteTable() {
        const UINT cp = GetACP();
        CPINFO info{};
        if (cp == CP_UTF8 || !GetCPInfo(cp, &info) || info.MaxCharSize != 1) return;
        char bytes[256];
        for (int b = 0; b < 256; ++b) bytes[b] = static_cast<char>(b);
        wchar_t chars[256];
        if (MultiByteToWideChar(cp, 0, bytes, 256, chars, 256) != 256) return;
        for (wchar_t c : chars) held_[static_cast<unsigned>(c) >> 5] |= 1u << (c & 31);
        usable_ = true;
    }
    bool Usable() const { return usable_; }
    bool Holds(std::wstring_view text) const {
        for (wchar_t c : text) {
            const auto u = static_cast<unsigned long>(c);
            if (u > 0xFFFF || !(held_[u >> 5] & (1u << (u & 31)))) return false;
        }
        return true;
    }

private:
    unsigned held_[65536 / 32] = {};
    bool usable_ = false;
};

}  // namespace

// A double-byte code page (or UTF-8) keeps the round trip.
bool IsAscii(std::wstring_view text) {
    wchar_t any = 0;
    for (wchar_t c : text) any |= c;
    return any < 0x80;
}

bool FitsAnsi(std::wstring_view text) {
    // Most names are plain ASCII: one quick pass says so.
    if (IsAscii(text)) return true;
    static const SingleByteTable table;
    return table.Usable() ? table.Holds(text) : Fits(GetACP(), text);
}
std::wstring ThroughAnsi(std::wstring_view text) { return Through(GetACP(), text); }

std::string ToUtf8(std::wstring_view text) { return Narrow(CP_UTF8, 0, text, nullptr); }
void AppendAnsi(std::wstring_view text, std::string& out) { NarrowAppend(CP_ACP, text, out); }
void AppendUtf8(std::wstring_view text, std::string& out) { NarrowAppend(CP_UTF8, text, out); }

bool IsUtf8(std::string_view bytes) {
    if (bytes.empty()) return true;
    if (bytes.size() > 0x7FFFFFFF) return false;
    return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, bytes.data(),
                               static_cast<int>(bytes.size()), nullptr, 0) > 0;
}
std::wstring FromUtf8(std::string_view text) { return Widen(CP_UTF8, text); }

}  // namespace Codepage
