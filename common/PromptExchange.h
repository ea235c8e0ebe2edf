// The name prompt's exchange between trkmenu and trkconfig: the argument
// text trkmenu starts trkconfig with, and the key of section "input" that
// trkconfig answers under. Each prompt has a key of its own, so that two
// prompts open at once cannot hand each other their answers.
#pragma once

#include <string>
#include <string_view>

namespace PromptExchange {

// The argument text: the question, which names the playlist's extension,
// then, with a suggestion, " /name:" and the suggestion in double quotes (a
// file name holds none), then, with a folder (the playlist's, for the length
// of its path), " /folder:" and the folder in double quotes (no path holds
// one), then " /answer:" and the key. The key stays last, where an older
// trkconfig looks for it.
std::wstring Argument(std::wstring_view extension, std::wstring_view key, std::wstring_view suggestion = {},
                      std::wstring_view folder = {});

// A key for one prompt: "value-" + process + "-" + thread + "-" + counter, in
// hexadecimal.
std::wstring MakeKey(unsigned long process, unsigned long thread, unsigned long counter);

// Letters, digits and "-" only, 1 to 48 characters.
bool IsKey(std::wstring_view key);

struct Request {
    std::wstring key;        // where the answer goes: the key given, else "value"
    std::wstring extension;  // ".m3u8" when the question names it, else ".m3u"
    std::wstring suggestion; // the name the text box starts with; empty without one
    std::wstring folder;     // the playlist's folder, with its "\"; empty when not given
};

// The value of a quoted switch (` /NAME:"value"`) that stands in text after
// the question; empty when there is none.
std::wstring QuotedSwitch(std::wstring_view argumentText, std::wstring_view name);

// What trkconfig's argument text asks for. Only a text that ends in
// " /answer:KEY", with a KEY of the form above, names a key.
Request Parse(std::wstring_view argumentText);

}  // namespace PromptExchange
