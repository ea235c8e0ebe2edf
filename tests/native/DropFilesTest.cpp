// The one-pass CF_HDROP reader on blocks as the shell builds them and as a
// careless data object might: it must stop where DragQueryFile stops and
// never read past the block. Then the selection kept from such a block.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "DropFiles.h"
#include "Selection.h"
#include "mdlFiles.h"

using ::testing::ElementsAre;

namespace {

std::vector<unsigned char> Block(uint32_t pFiles, bool wide, const std::vector<unsigned char>& list) {
    std::vector<unsigned char> b(20, 0);
    std::memcpy(b.data(), &pFiles, 4);
    uint32_t w = wide ? 1 : 0;
    std::memcpy(b.data() + 16, &w, 4);
    b.resize(pFiles < 20 ? 20 : pFiles, 0);
    b.insert(b.end(), list.begin(), list.end());
    return b;
}

std::vector<unsigned char> Wide(const std::u16string& text) {
    std::vector<unsigned char> out(text.size() * 2);
    std::memcpy(out.data(), text.data(), out.size());
    return out;
}

std::vector<unsigned char> Ansi(const std::string& text) { return {text.begin(), text.end()}; }

// The names as stored, copied out (exactly one of the two vectors is filled).
struct Names {
    bool wide = false;
    std::vector<std::u16string> wideNames;
    std::vector<std::string> ansiNames;
};


Names Parse(const unsigned char* bytes, std::size_t size) {
    Names names;
    names.wide = DropFiles::ForEach(bytes, size, [&](DropFiles::Span s, bool wide) {
        if (wide) {
            std::u16string name(s.length, u'\0');
            std::memcpy(name.data(), bytes + s.offset, 2 * s.length);
            names.wideNames.push_back(std::move(name));
        } else {
            names.ansiNames.emplace_back(reinterpret_cast<const char*>(bytes + s.offset), s.length);
        }
    });
    return names;
}

Names Parse(const std::vector<unsigned char>& block) { return Parse(block.data(), block.size()); }

}  // namespace

TEST(DropFiles, ReadsWideAndEightBitListsUpToTheEmptyName) {
    auto wide = Block(20, true, Wide(std::u16string(u"C:\\a.mp3\0D:\\\u6771.wav\0\0C:\\after.mp3\0\0", 34)));
    auto names = Parse(wide);
    EXPECT_TRUE(names.wide);
    EXPECT_THAT(names.wideNames, ElementsAre(u"C:\\a.mp3", u"D:\\\u6771.wav"));

    auto ansi = Block(24, false, Ansi(std::string("C:\\a.mp3\0b.txt\0\0", 16)));
    names = Parse(ansi);
    EXPECT_FALSE(names.wide);
    EXPECT_THAT(names.ansiNames, ElementsAre("C:\\a.mp3", "b.txt"));
}

TEST(DropFiles, MalformedBlocksYieldWhatLiesInsideThemOnly) {
    // Too short for the header.
    std::vector<unsigned char> tiny(12, 0);
    EXPECT_TRUE(Parse(tiny).wideNames.empty());
    EXPECT_TRUE(Parse(nullptr, 0).ansiNames.empty());
    // pFiles past the end, or pointing into the header.
    auto past = Block(20, true, Wide(u"x"));
    uint32_t far = 4000;
    std::memcpy(past.data(), &far, 4);
    EXPECT_TRUE(Parse(past).wideNames.empty());
    auto inside = Block(20, false, Ansi("abc"));
    uint32_t low = 8;
    std::memcpy(inside.data(), &low, 4);
    EXPECT_TRUE(Parse(inside).ansiNames.empty());
    // No terminator at all, and an odd byte at the end of a wide list: the
    // last name ends with the block.
    auto open = Block(20, false, Ansi("a.mp3"));
    EXPECT_THAT(Parse(open).ansiNames, ElementsAre("a.mp3"));
    auto odd = Block(20, true, Wide(u"ab"));
    odd.push_back('c');
    EXPECT_THAT(Parse(odd).wideNames, ElementsAre(u"ab"));
}

TEST(DropFiles, SpansPointIntoTheBlockEvenAtAnOddStart) {
    // A wide list need not start on an even offset; names are found by their
    // place in the block, never by a cast of it.
    auto odd = Block(21, true, Wide(std::u16string(u"C:\\a.mp3\0\u6771\0\0", 12)));
    std::vector<DropFiles::Span> spans;
    EXPECT_TRUE(DropFiles::ForEach(odd.data(), odd.size(), [&](DropFiles::Span s, bool) { spans.push_back(s); }));
    ASSERT_EQ(spans.size(), 2u);
    EXPECT_EQ(spans[0].offset, 21u);
    EXPECT_EQ(spans[0].length, 8u);
    EXPECT_EQ(spans[1].offset, 21u + 18u);
    EXPECT_EQ(spans[1].length, 1u);
    EXPECT_THAT(Parse(odd).wideNames, ElementsAre(u"C:\\a.mp3", u"\u6771"));
}

namespace {

std::wstring Latin1(std::string_view bytes) {
    std::wstring text;
    for (char c : bytes) text += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return text;
}

std::vector<std::pair<std::wstring, bool>> seen;
void Seen(std::wstring_view name, bool kept) { seen.emplace_back(name, kept); }

}  // namespace

// The keep rule over a whole list: the name part's extension against the list,
// case included, and the name part taken after the path is cut to 499.
TEST(Selection, KeepsListedNamesWithTheirPathsInListOrder) {
    const std::vector<std::wstring> extensions{L"mp3", L"wav"};
    const std::u16string cutFolder = u"C:\\" + std::u16string(490, u'd') + u"\\";
    std::u16string list = u"C:\\M\\b.mp3" + std::u16string(1, 0) + u"C:\\M\\SONG.MP3" + std::u16string(1, 0) +
                          u"D:\\Album.wav" + std::u16string(1, 0) + u"C:\\README" + std::u16string(1, 0) +
                          u"E:\\\u6771.b.mp3" + std::u16string(1, 0) + cutFolder + u"x.mp3.wav" +
                          std::u16string(2, 0);
    auto block = Block(20, true, Wide(list));
    Selection::Files files;
    // What an earlier, longer selection left must not survive.
    for (int i = 0; i < 9; ++i) files.Add(L"C:\\stale\\stale.mp3", 9);
    seen.clear();
    const Selection::Rules rules{&extensions, Latin1, Seen};
    EXPECT_EQ(Selection::Read(block.data(), block.size(), rules, files), 4u);
    const std::wstring cutPath = L"C:\\" + std::wstring(490, L'd') + L"\\x.mp3";
    EXPECT_THAT(files.Names(), ElementsAre(L"", L"b.mp3", L"Album.wav", L"\u6771.b.mp3", L"x.mp3"));
    EXPECT_THAT(files.Paths(), ElementsAre(L"", L"C:\\M\\b.mp3", L"D:\\Album.wav", L"E:\\\u6771.b.mp3", cutPath));
    EXPECT_EQ(seen.size(), 6u);
    EXPECT_EQ(seen[1], std::make_pair(std::wstring(L"SONG.MP3"), false));
    EXPECT_EQ(seen[3], std::make_pair(std::wstring(L"README"), false));

    // 8-bit names go through the code page; nothing listed keeps nothing.
    auto ansi = Block(20, false, Ansi(std::string("C:\\caf\xe9.mp3\0x.ogg\0\0", 19)));
    EXPECT_EQ(Selection::Read(ansi.data(), ansi.size(), rules, files), 1u);
    EXPECT_THAT(files.Names(), ElementsAre(L"", L"caf\u00e9.mp3"));
    const std::vector<std::wstring> none;
    EXPECT_EQ(Selection::Read(ansi.data(), ansi.size(), {&none, Latin1, nullptr}, files), 0u);
    EXPECT_THAT(files.Paths(), ElementsAre(L""));
}

// Both forms of the keep rule (the classic menu's paths, a shell's null-ended
// ones) say what the name's extension says, the path cut at the same length.
// The null-ended form reads whole aligned blocks: each path stands at every
// place in its block, after and before characters that would mislead it
// (an end, a ".", a "\") if they were taken for the path's own.
TEST(Selection, KeepRuleIsTheSameForNullEndedPaths) {
    // With and without the empty extension: a "\" or "." taken from outside
    // the path changes the answer under one list or the other.
    const std::vector<std::wstring> lists[] = {{L"mp3", L"wav", L"b", L"m", L""}, {L"mp3", L"x"}};
    const std::wstring longName(Selection::kPathLimit, L'x');
    std::vector<std::wstring> paths{std::wstring(L"a.mp3"), std::wstring(L"a.ogg"), std::wstring(L".x"), std::wstring(L"\\a"),
                                    std::wstring(L"C:\\M\\a.MP3"), std::wstring(L"C:\\M\\.wav"),
                                    L"C:\\" + longName + L".mp3", L"C:\\" + longName.substr(0, 490) + L".mp3",
                                    L"C:\\" + longName.substr(0, 492) + L".mp3",
                                    L"C:\\" + longName.substr(0, 493) + L".mp3"};
    // Every prefix: ends, "." and "\" at every place in a block.
    const std::wstring song = L"C:\\Music\\a.b\\Live.mp3\\Disc 1\\01 Song.x";
    for (size_t n = 0; n <= song.size(); ++n) paths.push_back(song.substr(0, n));

    constexpr size_t kBlock = 16 / sizeof(wchar_t);
    for (const std::vector<std::wstring>& list : lists) {
        for (const std::wstring& path : paths) {
            const std::wstring_view cut = std::wstring_view(path).substr(0, Selection::kPathLimit);
            const bool expected = !cut.empty() && Selection::IsListedExtension(
                                                      list, mdlFiles::ExtensionPart(mdlFiles::FileNamePart(cut)));
            EXPECT_EQ(Selection::Keeps(list, std::wstring_view(path)), expected) << path.size();
            for (wchar_t around : {L'\0', L'.', L'\\'}) {
                for (size_t place = 0; place < kBlock; ++place) {
                    std::vector<wchar_t> buffer(path.size() + 3 * kBlock, around);
                    // The first whole block of the buffer, and the path's place in it.
                    const auto address = reinterpret_cast<std::uintptr_t>(buffer.data());
                    wchar_t* at = buffer.data() + ((16 - address % 16) % 16) / sizeof(wchar_t) + place;
                    std::copy(path.begin(), path.end(), at);
                    at[path.size()] = L'\0';
                    EXPECT_EQ(Selection::Keeps(list, at), expected)
                        << path.size() << " at " << place << " among " << static_cast<int>(around);
                }
            }
        }
    }
    EXPECT_FALSE(Selection::Keeps(lists[0], static_cast<const wchar_t*>(nullptr)));
}
