// The one place where text crosses between UTF-16 (inside) and 8-bit text in
// the system code page or UTF-8 (files, 8-bit interfaces).
#pragma once

#include <string>
#include <string_view>

namespace Codepage {

std::string ToAnsi(std::wstring_view text);
std::wstring FromAnsi(std::string_view text);
// True when every character survives a round trip through the code page.
bool FitsAnsi(std::wstring_view text);
// True when the text is plain ASCII, which every ANSI code page holds as it is.
bool IsAscii(std::wstring_view text);
// The text as the code page holds it: a character it cannot hold exactly
// becomes "?", never a look-alike.
std::wstring ThroughAnsi(std::wstring_view text);
// The same for a given code page; the system's may be UTF-8 (Windows' "Use
// Unicode UTF-8" setting), where only a broken text does not fit.
bool Fits(unsigned codePage, std::wstring_view text);
std::wstring Through(unsigned codePage, std::wstring_view text);

std::string ToUtf8(std::wstring_view text);
// The same conversions appended to out, in one pass over the text.
void AppendAnsi(std::wstring_view text, std::string& out);
void AppendUtf8(std::wstring_view text, std::string& out);
// True when the bytes are well-formed UTF-8 (empty text is).
bool IsUtf8(std::string_view bytes);
std::wstring FromUtf8(std::string_view text);

}  // namespace Codepage
