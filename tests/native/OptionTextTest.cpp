#include <gtest/gtest.h>

#include "Failure.h"
#include "OptionText.h"

using OptionText::IsNumber;
using OptionText::IsValidExtension;
using OptionText::SplitExtensions;
using OptionText::ToInteger16;

namespace {

int FailureOf(std::wstring_view text) {
    try {
        ToInteger16(text);
    } catch (const Failure::Error& e) {
        return e.number;
    }
    return 0;
}

TEST(IsNumber, AcceptsSignDigitsFractionAndSurroundingBlanks) {
    for (const wchar_t* text : {L"0", L"1", L"-1", L"+7", L"007", L" 12 ", L"\t3\t", L"1.0", L"2.5",
                                L"1.", L".5", L"-.5", L"+0.", L"70000", L"99999999999999999999"})
        EXPECT_TRUE(IsNumber(text)) << text;
}

TEST(IsNumber, RejectsEverythingElse) {
    for (const wchar_t* text :
         {L"", L" ", L".", L"-", L"+", L"-.", L"yes", L"1e3", L"1E3", L"1,000", L"1 000", L"- 1",
          L"--1", L"+-1", L"1-", L"1.2.3", L"0x10", L"&H10", L"$5", L"1..", L"\u0661", L"1\u00a0"})
        EXPECT_FALSE(IsNumber(text)) << text;
}

TEST(ToInteger16, RoundsHalvesToTheEvenNeighbour) {
    struct Case { const wchar_t* text; int16_t value; };
    for (const Case& c : std::initializer_list<Case>{
             {L"1.0", 1}, {L"2.5", 2}, {L"3.5", 4}, {L"0.5", 0}, {L"1.5", 2}, {L"-2.5", -2},
             {L"-3.5", -4}, {L"2.51", 3}, {L"2.500001", 3}, {L"2.4999999", 2}, {L"2.50000", 2},
             {L"-0.4", 0}, {L".5", 0}, {L".6", 1}, {L"7.", 7}, {L" -12 ", -12}, {L"+5", 5}})
        EXPECT_EQ(ToInteger16(c.text), c.value) << c.text;
}

TEST(ToInteger16, RangeEndsAndOverflow) {
    EXPECT_EQ(ToInteger16(L"32767"), 32767);
    EXPECT_EQ(ToInteger16(L"-32768"), -32768);
    EXPECT_EQ(ToInteger16(L"32767.4"), 32767);
    EXPECT_EQ(ToInteger16(L"-32768.5"), -32768);  // the even neighbour is in range
    EXPECT_EQ(ToInteger16(L"000000000000000000001"), 1);
    for (const wchar_t* text : {L"32768", L"-32769", L"32767.5", L"-32768.51", L"70000",
                                L"99999999999999999999999", L"-99999999999999999999999"})
        EXPECT_EQ(FailureOf(text), Failure::Overflow) << text;
}

TEST(SplitExtensions, KeepsEveryElementExactly) {
    using V = std::vector<std::wstring>;
    EXPECT_EQ(SplitExtensions(L""), V{L""});
    EXPECT_EQ(SplitExtensions(L"mp3"), V{L"mp3"});
    EXPECT_EQ(SplitExtensions(L"mp3, wav"), (V{L"mp3", L" wav"}));
    EXPECT_EQ(SplitExtensions(L"mp3,,wav"), (V{L"mp3", L"", L"wav"}));
    EXPECT_EQ(SplitExtensions(L","), (V{L"", L""}));
    EXPECT_EQ(SplitExtensions(L",mp3,"), (V{L"", L"mp3", L""}));
}

TEST(IsValidExtension, RejectsOnlyTheEightPathCharacters) {
    for (const wchar_t* text : {L"", L"mp3", L"MP3", L" wav", L"tar.gz", L"\"q\"", L"a b", L"~$"})
        EXPECT_TRUE(IsValidExtension(text)) << text;
    for (const wchar_t* text : {L"a\\b", L"a/b", L"c:", L"*", L"m?3", L"<", L">", L"|", L"mp3|"})
        EXPECT_FALSE(IsValidExtension(text)) << text;
}

// The options come from one section read; each key must still read as the
// profile functions would read it alone.
TEST(StoredValue, ReadsASectionAsTheProfileFunctionsReadOneKey) {
    using namespace std::literals;
    const std::wstring_view section = L"debug = 1\0Files=\"ogg,flac\"\0Paths\0Debug=0\0Prompt=\0;Order=1\0"sv;
    EXPECT_EQ(OptionText::StoredValue(section, L"Debug"), L"1");  // any case, the first entry wins
    EXPECT_EQ(OptionText::StoredValue(section, L"Files"), L"\"ogg,flac\"");
    EXPECT_EQ(OptionText::StoredValue(section, L"Prompt"), L"");
    EXPECT_EQ(OptionText::StoredValue(section, L"Paths"), std::nullopt);  // no "=": the default
    EXPECT_EQ(OptionText::StoredValue(section, L"Order"), std::nullopt);
    EXPECT_EQ(OptionText::StoredValue(L"", L"Debug"), std::nullopt);

    EXPECT_EQ(OptionText::ProfileValue(L"\"ogg,flac\""), L"ogg,flac");
    EXPECT_EQ(OptionText::ProfileValue(L"'a'"), L"a");
    EXPECT_EQ(OptionText::ProfileValue(L"\"a'"), L"\"a'");
    EXPECT_EQ(OptionText::ProfileValue(L"\""), L"\"");
    EXPECT_EQ(OptionText::ProfileValue(std::wstring(300, L'x')).size(), 254u);
}

}  // namespace
