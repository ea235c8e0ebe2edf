#include "OptionText.h"

#include <algorithm>

#include "Failure.h"
#include "NoCase.h"

namespace OptionText {
namespace {

bool IsBlank(wchar_t c) { return c == L' ' || c == L'\t'; }
bool IsDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

std::wstring_view Trim(std::wstring_view t) {
    while (!t.empty() && IsBlank(t.front())) t.remove_prefix(1);
    while (!t.empty() && IsBlank(t.back())) t.remove_suffix(1);
    return t;
}

}  // namespace

bool IsNumber(std::wstring_view text) {
    std::wstring_view t = Trim(text);
    if (!t.empty() && (t.front() == L'+' || t.front() == L'-')) t.remove_prefix(1);
    size_t digits = 0, i = 0;
    while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    if (i < t.size() && t[i] == L'.') {
        ++i;
        while (i < t.size() && IsDigit(t[i])) ++i, ++digits;
    }
    return digits > 0 && i == t.size();
}

int16_t ToInteger16(std::wstring_view text) {
    std::wstring_view t = Trim(text);
    bool negative = false;
    if (!t.empty() && (t.front() == L'+' || t.front() == L'-')) {
        negative = t.front() == L'-';
        t.remove_prefix(1);
    }
    // Whole part, saturating far beyond the 16-bit range.
    long long whole = 0;
    size_t i = 0;
    for (; i < t.size() && IsDigit(t[i]); ++i)
        if (whole < 1000000) whole = whole * 10 + (t[i] - L'0');
    // Rounding needs only: above, at or below one half.
    int half = -1;  // -1 below, 0 exactly a half, 1 above
    if (i < t.size() && t[i] == L'.') {
        ++i;
        if (i < t.size() && IsDigit(t[i])) {
            int first = t[i] - L'0';
            bool restNonZero = false;
            for (size_t j = i + 1; j < t.size() && IsDigit(t[j]); ++j)
                if (t[j] != L'0') restNonZero = true;
            if (first > 5 || (first == 5 && restNonZero)) half = 1;
            else if (first == 5) half = 0;
        }
    }
    if (half == 1 || (half == 0 && whole % 2 == 1)) ++whole;
    long long value = negative ? -whole : whole;
    if (value < INT16_MIN || value > INT16_MAX) Failure::Raise(Failure::Overflow);
    return static_cast<int16_t>(value);
}

std::vector<std::wstring> SplitExtensions(std::wstring_view text) {
    std::vector<std::wstring> parts;
    size_t start = 0;
    for (;;) {
        size_t comma = text.find(L',', start);
        if (comma == std::wstring_view::npos) {
            parts.emplace_back(text.substr(start));
            return parts;
        }
        parts.emplace_back(text.substr(start, comma - start));
        start = comma + 1;
    }
}

bool IsValidExtension(std::wstring_view element) {
    return element.find_first_of(L"\\/:*?<>|") == std::wstring_view::npos;
}

std::optional<std::wstring_view> StoredValue(std::wstring_view section, std::wstring_view key) {
    while (!section.empty() && section.front() != L'\0') {
        const size_t end = std::min(section.find(L'\0'), section.size());
        const std::wstring_view entry = section.substr(0, end);
        section.remove_prefix(std::min(end + 1, section.size()));
        const size_t equals = entry.find(L'=');
        if (!NoCase::SameFolded(Trim(entry.substr(0, equals)), key)) continue;
        if (equals == std::wstring_view::npos) return std::nullopt;
        return Trim(entry.substr(equals + 1));
    }
    return std::nullopt;
}

std::wstring ProfileValue(std::wstring_view stored) {
    if (stored.size() > 1 && (stored.front() == L'"' || stored.front() == L'\'') && stored.back() == stored.front())
        stored = stored.substr(1, stored.size() - 2);
    return std::wstring(stored.substr(0, 254));
}

}  // namespace OptionText
