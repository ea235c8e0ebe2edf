// The texts ShellExt answers about its two commands (verb, help text,
// validation), and how an answer is cut to the shell's buffer.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace CommandText {

enum class Kind { Verb, Help, Validate, None };

// uFlags 0/4: verb, 1/5: help text, 2/6: validate; anything else: no answer.
Kind KindOf(uint32_t uFlags);

// The answer for command offset 0 or 1; the empty text for any other.
std::wstring_view Answer(Kind kind, uint64_t idCmd);

// A menu caption as a menu that shows "&" as typed needs it: each "&" that
// marks the access key goes, "&&" becomes "&".
std::wstring WithoutMnemonic(std::wstring_view caption);

// At most cchMax - 1 code units, so that the text and its zero fit.
std::wstring CutToUnits(std::wstring_view text, uint32_t cchMax);

// The 8-bit form of text, whole characters only, at most cchMax - 1 bytes:
// in a double-byte code page one character can take two. toBytes converts
// one character.
std::string CutToBytes(std::wstring_view text, uint32_t cchMax, std::string (*toBytes)(std::wstring_view));

}  // namespace CommandText
