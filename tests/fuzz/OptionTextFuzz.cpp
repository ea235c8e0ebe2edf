// Whatever a user or an older program leaves in trk.ini, the option value
// parsing must neither crash nor misjudge a number.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "Failure.h"
#include "OptionText.h"

namespace {

// The digits of a number text; a double holds up to 15 of them exactly
// enough that no rounding decision changes, so it can judge ToInteger16.
size_t Digits(std::wstring_view text) {
    size_t n = 0;
    for (wchar_t c : text) n += c >= L'0' && c <= L'9';
    return n;
}

void CheckNumber(const std::wstring& text) {
    const bool number = OptionText::IsNumber(text);
    int result = 0;
    bool overflow = false;
    try {
        result = OptionText::ToInteger16(text);
    } catch (const Failure::Error& e) {
        if (e.number != Failure::Overflow) std::abort();
        overflow = true;
    }
    if (!number || Digits(text) > 15) return;

    // wcstod takes leading blanks only; IsNumber allows tabs at both ends.
    std::wstring trimmed = text;
    while (!trimmed.empty() && (trimmed.back() == L' ' || trimmed.back() == L'\t')) trimmed.pop_back();
    size_t start = trimmed.find_first_not_of(L" \t");
    trimmed = trimmed.substr(start == std::wstring::npos ? trimmed.size() : start);
    wchar_t* end = nullptr;
    const double value = std::wcstod(trimmed.c_str(), &end);
    if (*end != L'\0') std::abort();  // IsNumber accepted what no decimal reader would
    const double rounded = std::nearbyint(value);  // the default mode rounds half to even
    if (rounded < -32768 || rounded > 32767) {
        if (!overflow) std::abort();
    } else if (overflow || result != static_cast<int>(rounded)) {
        std::abort();
    }
}

void CheckExtensions(const std::wstring& text) {
    const auto parts = OptionText::SplitExtensions(text);
    std::wstring joined;
    for (size_t k = 0; k < parts.size(); ++k) {
        if (parts[k].find(L',') != std::wstring::npos) std::abort();
        if (k) joined += L',';
        joined += parts[k];
        OptionText::IsValidExtension(parts[k]);
    }
    if (joined != text) std::abort();
}

// Any section text, cut anywhere: a found value lies inside it, and an
// entry named by the text before its "=" is found.
void CheckSection(const std::wstring& text) {
    const std::wstring_view section(text);
    const size_t equals = section.find(L'=');
    const size_t end = section.find(L'\0');
    std::wstring_view key = section.substr(0, std::min(equals, end));
    key.remove_prefix(std::min(key.find_first_not_of(L" \t"), key.size()));
    key.remove_suffix(key.size() - std::min(key.find_last_not_of(L" \t") + 1, key.size()));
    const auto value = OptionText::StoredValue(section, key);
    if (value && (value->data() < section.data() || value->data() + value->size() > section.data() + section.size()))
        std::abort();
    if (equals < end && !key.empty() && !value) std::abort();
    if (value && OptionText::ProfileValue(*value).size() > 254) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Bytes below 0xF0 stand for themselves; 0xF0..0xFF pick a few characters
    // outside Latin-1 (full-width and Arabic-Indic digits, minus sign, NBSP...).
    static const wchar_t kWide[16] = {0xFF10, 0xFF15, 0x0661, 0x2212, 0x00A0, 0x3000, 0xFF0E, 0xD800,
                                      0xDC00, 0xFFFF, 0x2028, 0x00B2, 0x0966, 0xFE63, 0xFF19, 0};
    std::wstring text;
    text.reserve(size);
    for (size_t k = 0; k < size; ++k)
        text.push_back(data[k] >= 0xF0 ? kWide[data[k] - 0xF0] : static_cast<wchar_t>(data[k]));
    CheckNumber(text);
    CheckExtensions(text);
    CheckSection(text);
    return 0;
}
