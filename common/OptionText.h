// The value forms of the options file: numbers and the extension list.
// Shared by trkmenu's options store and trkconfig's dialog.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace OptionText {

// Blanks or tabs, an optional sign, digits with an optional fraction, blanks
// or tabs. Either side of the point may be empty but not both ("1." and ".5"
// are numbers, "." is not). No exponent, digit grouping, currency or hex
// forms, and only ASCII digits: anything else falls back to the key's default.
bool IsNumber(std::wstring_view text);
// The nearest whole number, a half to the even neighbour; outside
// -32768..32767 it is failure 6 (overflow). Only for texts that IsNumber accepts.
int16_t ToInteger16(std::wstring_view text);

// Split at every ",": n commas give n + 1 elements, empty ones included.
std::vector<std::wstring> SplitExtensions(std::wstring_view text);
// None of \ / : * ? < > | ; the empty element is valid.
bool IsValidExtension(std::wstring_view element);

// A whole section as GetPrivateProfileSectionW hands it out
// ("name=value\0...\0"), read once instead of a file access per key. The
// text the file holds for key (names without regard to case, the first
// entry wins, blanks and tabs trimmed, quotes kept); none when the key is
// missing or has no "=".
std::optional<std::wstring_view> StoredValue(std::wstring_view section, std::wstring_view key);
// What GetPrivateProfileStringW answers for that stored text: one pair of
// matching quotes removed, at most 254 characters.
std::wstring ProfileValue(std::wstring_view stored);

}  // namespace OptionText
