#include "NoCase.h"

namespace NoCase {
namespace {

// Upper-case form of the letters Windows folds when it compares file names.
wchar_t Fold(wchar_t c) {
    const unsigned u = static_cast<unsigned>(c);
    if (u < 0x80) return (u >= 'a' && u <= 'z') ? static_cast<wchar_t>(u - 0x20) : c;
    if (u >= 0xE0 && u <= 0xFE && u != 0xF7) return static_cast<wchar_t>(u - 0x20);
    if (u == 0xFF) return static_cast<wchar_t>(0x178);
    if (u >= 0x100 && u <= 0x17E) {
        // Latin Extended-A pairs capital/small, the pairing shifting twice.
        const bool oddSmall = (u <= 0x137) || (u >= 0x14A && u <= 0x177);
        if (u == 0x138 || u == 0x149) return c;
        if (oddSmall ? (u & 1) : !(u & 1)) return static_cast<wchar_t>(u - 1);
        return c;
    }
    if (u >= 0x3B1 && u <= 0x3CB) return static_cast<wchar_t>(u == 0x3C2 ? 0x3A3 : u - 0x20);
    if (u == 0x3AC) return static_cast<wchar_t>(0x386);
    if (u >= 0x3AD && u <= 0x3AF) return static_cast<wchar_t>(u - 0x25);
    if (u == 0x3CC) return static_cast<wchar_t>(0x38C);
    if (u == 0x3CD || u == 0x3CE) return static_cast<wchar_t>(u - 0x3F);
    if (u >= 0x430 && u <= 0x44F) return static_cast<wchar_t>(u - 0x20);
    if (u >= 0x450 && u <= 0x45F) return static_cast<wchar_t>(u - 0x50);
    if (u >= 0xFF41 && u <= 0xFF5A) return static_cast<wchar_t>(u - 0x20);
    return c;
}

}  // namespace

bool SameFolded(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i] != b[i] && Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

}  // namespace NoCase
