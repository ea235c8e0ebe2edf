// The one-pass CF_HDROP reader on blocks as the shell builds them and as a
// careless data object might: it must stop where DragQueryFile stops and
// never read past the block.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

#include "DropFiles.h"

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

}  // namespace

TEST(DropFiles, ReadsWideAndEightBitListsUpToTheEmptyName) {
    auto wide = Block(20, true, Wide(std::u16string(u"C:\\a.mp3\0D:\\\u6771.wav\0\0C:\\after.mp3\0\0", 34)));
    auto names = DropFiles::Parse(wide.data(), wide.size());
    EXPECT_TRUE(names.wide);
    EXPECT_THAT(names.wideNames, ElementsAre(u"C:\\a.mp3", u"D:\\\u6771.wav"));

    auto ansi = Block(24, false, Ansi(std::string("C:\\a.mp3\0b.txt\0\0", 16)));
    names = DropFiles::Parse(ansi.data(), ansi.size());
    EXPECT_FALSE(names.wide);
    EXPECT_THAT(names.ansiNames, ElementsAre("C:\\a.mp3", "b.txt"));
}

TEST(DropFiles, MalformedBlocksYieldWhatLiesInsideThemOnly) {
    // Too short for the header.
    std::vector<unsigned char> tiny(12, 0);
    EXPECT_TRUE(DropFiles::Parse(tiny.data(), tiny.size()).wideNames.empty());
    EXPECT_TRUE(DropFiles::Parse(nullptr, 0).ansiNames.empty());
    // pFiles past the end, or pointing into the header.
    auto past = Block(20, true, Wide(u"x"));
    uint32_t far = 4000;
    std::memcpy(past.data(), &far, 4);
    EXPECT_TRUE(DropFiles::Parse(past.data(), past.size()).wideNames.empty());
    auto inside = Block(20, false, Ansi("abc"));
    uint32_t low = 8;
    std::memcpy(inside.data(), &low, 4);
    EXPECT_TRUE(DropFiles::Parse(inside.data(), inside.size()).ansiNames.empty());
    // No terminator at all, and an odd byte at the end of a wide list: the
    // last name ends with the block.
    auto open = Block(20, false, Ansi("a.mp3"));
    EXPECT_THAT(DropFiles::Parse(open.data(), open.size()).ansiNames, ElementsAre("a.mp3"));
    auto odd = Block(20, true, Wide(u"ab"));
    odd.push_back('c');
    EXPECT_THAT(DropFiles::Parse(odd.data(), odd.size()).wideNames, ElementsAre(u"ab"));
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
    EXPECT_THAT(DropFiles::Parse(odd.data(), odd.size()).wideNames, ElementsAre(u"C:\\a.mp3", u"\u6771"));
}
