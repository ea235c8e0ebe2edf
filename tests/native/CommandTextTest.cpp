// Cutting an 8-bit answer to the shell's buffer in a double-byte code page:
// whole characters only, and the text with its zero within cchMax bytes.
#include <gtest/gtest.h>

#include "CommandText.h"

namespace {

// A stand-in double-byte code page: CJK characters take two bytes.
std::string FakeDoubleByte(std::wstring_view one) {
    if (one[0] >= 0x3000) return std::string("\x93\x8c", 2);
    return std::string(1, static_cast<char>(one[0]));
}

}  // namespace

TEST(CommandText, EightBitAnswerFitsItsBufferByBytes) {
    const std::wstring text = L"\u6771\u4eac.mp3";
    EXPECT_EQ(CommandText::CutToBytes(text, 4, FakeDoubleByte).size(), 2u);   // one character + zero
    EXPECT_EQ(CommandText::CutToBytes(text, 5, FakeDoubleByte).size(), 4u);   // two characters + zero
    EXPECT_EQ(CommandText::CutToBytes(text, 2, FakeDoubleByte).size(), 0u);   // no half character
    EXPECT_EQ(CommandText::CutToBytes(text, 0, FakeDoubleByte).size(), 0u);
    EXPECT_EQ(CommandText::CutToBytes(text, 100, FakeDoubleByte).size(), 8u);
    EXPECT_EQ(CommandText::CutToUnits(L"Create a M3U", 10), L"Create a ");
    EXPECT_EQ(CommandText::CutToUnits(L"abc", 0), L"");
}

TEST(CommandText, RequestKindsAndOffsets) {
    using CommandText::Kind;
    EXPECT_EQ(CommandText::KindOf(4), Kind::Verb);
    EXPECT_EQ(CommandText::KindOf(5), Kind::Help);
    EXPECT_EQ(CommandText::KindOf(6), Kind::Validate);
    EXPECT_EQ(CommandText::KindOf(3), Kind::None);
    EXPECT_EQ(CommandText::KindOf(7), Kind::None);
    EXPECT_EQ(CommandText::Answer(Kind::Help, 1), L"Tracklet Options");
    EXPECT_EQ(CommandText::Answer(Kind::Verb, 2), L"");
    EXPECT_EQ(CommandText::Answer(Kind::None, 0), L"");
}

TEST(CommandText, CaptionsLoseTheirAccessKeyMarks) {
    EXPECT_EQ(CommandText::WithoutMnemonic(L"&Tracklet"), L"Tracklet");
    EXPECT_EQ(CommandText::WithoutMnemonic(L"Tracklet &Options"), L"Tracklet Options");
    EXPECT_EQ(CommandText::WithoutMnemonic(L"Rock && Roll&"), L"Rock & Roll");
}
