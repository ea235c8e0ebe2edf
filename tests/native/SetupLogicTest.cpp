#include <gtest/gtest.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

#include "PromptExchange.h"
#include "SetupLogic.h"

using namespace SetupLogic;

TEST(ModeChoice, ProgramNameIsSkippedAsThePlatformDoes) {
    struct Case {
        const wchar_t* commandLine;
        const wchar_t* argument;
    } cases[] = {
        {L"trkconfig.exe", L""},
        {L"trkconfig.exe   ", L""},
        {L"\"C:\\Program Files\\Tracklet\\trkconfig.exe\"", L""},
        {L"\"C:\\Program Files\\Tracklet\\trkconfig.exe\" x", L"x"},
        {L"\"C:\\a b\\trkconfig.exe\"x", L"x"},
        {L"C:\\Windows\\System32\\trkconfig.exe Enter M3U playlist filename:  (without .m3u)",
         L"Enter M3U playlist filename:  (without .m3u)"},
        {L"trkconfig.exe\t\t\"quoted\"  ", L"\"quoted\"  "},
        {L"", L""},
        {L"\"unterminated quote", L""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ArgumentText(c.commandLine), c.argument) << "command line: " << testing::PrintToString(std::wstring(c.commandLine));
}

TEST(ModeChoice, EmptyTextShowsTheOptionsAndAnyTextThePrompt) {
    EXPECT_EQ(ChooseMode(L""), Mode::Options);
    EXPECT_EQ(ChooseMode(L"x"), Mode::Prompt);
    EXPECT_EQ(ChooseMode(L"Enter M3U playlist filename:  (without .m3u)"), Mode::Prompt);
    EXPECT_EQ(ChooseMode(ArgumentText(L"trkconfig.exe remove")), Mode::Prompt);
}

TEST(PromptAnswer, OkGivesTheTextAsTypedCancelAndCloseGiveTheMarker) {
    EXPECT_EQ(Answer(PromptResult::Ok, L"  Party .m3u "), L"  Party .m3u ");
    EXPECT_EQ(Answer(PromptResult::Ok, L""), L"");
    EXPECT_EQ(Answer(PromptResult::Ok, L"a/b:c"), L"a/b:c");
    EXPECT_EQ(Answer(PromptResult::Ok, L"\u6771\u4eac"), L"\u6771\u4eac");
    // The close box is a way out, not an empty name.
    EXPECT_EQ(Answer(PromptResult::Cancel, L"Party"), L"[cancel]");
    EXPECT_EQ(Answer(PromptResult::Closed, L"Party"), L"[cancel]");
    EXPECT_EQ(Answer(PromptResult::Closed, L""), L"[cancel]");
}

TEST(PromptAnswer, EachPromptAnswersUnderTheKeyItWasGiven) {
    using PromptExchange::Parse;
    // The largest numbers still make a key of the allowed form.
    const std::wstring key = PromptExchange::MakeKey(0xFFFFFFFFul, 0xFFFFFFFFul, 0xFFFFFFFFul);
    EXPECT_TRUE(PromptExchange::IsKey(key)) << testing::PrintToString(key);
    for (const wchar_t* extension : {L".m3u", L".m3u8"}) {
        const auto request = Parse(PromptExchange::Argument(extension, key));
        EXPECT_EQ(request.key, key);
        EXPECT_EQ(request.extension, extension);
        EXPECT_EQ(request.folder, L"");
        // The folder goes before the key, which an older trkconfig finds at the end.
        const std::wstring folder = L"C:\\My Music (old) /x\\";
        for (const wchar_t* suggestion : {L"", L"Kind of Blue"}) {
            const auto withFolder = Parse(PromptExchange::Argument(extension, key, suggestion, folder));
            EXPECT_EQ(withFolder.key, key);
            EXPECT_EQ(withFolder.extension, extension);
            EXPECT_EQ(withFolder.folder, folder);
            EXPECT_EQ(withFolder.suggestion, suggestion);
        }
    }
    // Without a key of that form, at the very end after a blank: "value".
    for (const wchar_t* argument :
         {L"Enter M3U playlist filename:  (without .m3u)", L"/answer:abc", L"x /answer:", L"x /answer:a_b",
          L"x /answer:abc trailing", L"x /answer:1234567890123456789012345678901234567890123456789"}) {
        EXPECT_EQ(Parse(argument).key, L"value") << testing::PrintToString(std::wstring(argument));
        EXPECT_EQ(Parse(argument).extension, L".m3u");
    }
    EXPECT_EQ(Parse(L"x /answer:123456789012345678901234567890123456789012345678").key.size(), 48u);
}

// The suggestion stands before the key, where an older trkconfig does not
// look; a file name holds no double quote, so every one survives.
TEST(PromptAnswer, TheSuggestionTravelsQuotedBeforeTheKey) {
    using PromptExchange::Parse;
    const std::wstring key = PromptExchange::MakeKey(1, 2, 3);
    for (const wchar_t* name : {L"Kind of Blue", L"a /answer:x", L" Live", L"\u6771\u4eac", L"Mix (2) - 'Best'"}) {
        const std::wstring argument = PromptExchange::Argument(L".m3u8", key, name);
        EXPECT_EQ(argument.substr(argument.size() - key.size() - 9), L" /answer:" + key);
        const auto request = Parse(argument);
        EXPECT_EQ(request.suggestion, name);
        EXPECT_EQ(request.key, key);
        EXPECT_EQ(request.extension, L".m3u8");
    }
    EXPECT_EQ(Parse(PromptExchange::Argument(L".m3u", key)).suggestion, L"");
    EXPECT_EQ(Parse(L"Enter M3U playlist filename:  (without .m3u) /name:\"open").suggestion, L"");
}

TEST(PromptAnswer, UnwrittenAnswerEndsWithNonZeroStatus) {
    EXPECT_EQ(PromptExitStatus(true), 0);
    EXPECT_NE(PromptExitStatus(false), 0);
}

TEST(CheckStates, StoredTextsBecomeStatesOrTheDefault) {
    struct Case {
        const wchar_t* stored;
        const wchar_t* defaultValue;
        int state;
    } cases[] = {
        {L"0", L"1", 0}, {L"1", L"0", 1}, {L"2", L"1", 2},       // greyed is a state of its own
        {L" 1 ", L"0", 1}, {L"1.0", L"0", 1}, {L"+2", L"0", 2},
        {L"0.5", L"1", 0}, {L"1.5", L"0", 2}, {L"2.5", L"0", 2},  // a half to the even neighbour
        {L"1.6", L"0", 2}, {L"0.4", L"1", 0},
        {L"yes", L"1", 1}, {L"", L"1", 1}, {L"", L"0", 0},       // not a number: the default
        {L"1e0", L"0", 0}, {L"0x1", L"0", 0},
        {L"3", L"1", 1}, {L"-1", L"0", 0}, {L"2.6", L"1", 1},    // not showable: the default
        {L"70000", L"1", 1}, {L"-99999999999", L"0", 0},         // beyond 16 bits as well
    };
    for (const auto& c : cases)
        EXPECT_EQ(CheckState(c.stored, c.defaultValue), c.state)
            << testing::PrintToString(std::wstring(c.stored)) << " default " << testing::PrintToString(std::wstring(c.defaultValue));
}

TEST(ShownExtensions, KeepsValidElementsExactlyAndInOrder) {
    struct Case {
        const wchar_t* stored;
        const wchar_t* shown;
    } cases[] = {
        {L"mp3,wav", L"mp3,wav"},
        {L"mp3,a/b,wav", L"mp3,wav"},
        {L"mp3,,wav", L"mp3,,wav"},
        {L"", L""},
        {L"a/b", L""},
        {L"a/b,", L""},
        {L",mp3", L",mp3"},
        {L"mp3, wav ,MP3", L"mp3, wav ,MP3"},
        {L"a\\b,c:d,e*f,g?h,i<j,k>l,m|n,o.p", L"o.p"},
        {L"\"q\",x y", L"\"q\",x y"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ShownExtensions(c.stored), c.shown) << testing::PrintToString(std::wstring(c.stored));
}

namespace {

// A section "trk" in memory, recording the reads and writes made to it.
struct FakeSection {
    std::map<std::wstring, std::wstring> keys;
    std::vector<std::wstring> readOrder;
    std::vector<std::pair<std::wstring, std::wstring>> writes;
    std::wstring failingKey;

    ReadKey Reader() {
        return [this](std::wstring_view key, std::wstring_view defaultValue) {
            readOrder.emplace_back(key);
            auto it = keys.find(std::wstring(key));
            return it == keys.end() ? std::wstring(defaultValue) : it->second;
        };
    }
    WriteKey Writer() {
        return [this](std::wstring_view key, std::wstring_view value) {
            writes.emplace_back(key, value);
            if (key == failingKey) return false;
            keys[std::wstring(key)] = value;
            return true;
        };
    }
};

const std::vector<std::wstring> kFileOrder{L"Bitmaps", L"Debug",    L"Prompt", L"Overwrite",  L"Paths",
                                           L"Format",  L"Order",    L"Folders", L"Portable", L"Name",
                                           L"EachFolder", L"Files"};

}  // namespace

TEST(OptionsMapping, MissingKeysShowTheDefaults) {
    FakeSection section;
    OptionValues values = LoadOptions(section.Reader());
    EXPECT_EQ(values.states, (std::array<int, CheckKeyCount>{1, 0, 1, 1, 0, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(values.files, L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma");
    EXPECT_EQ(section.readOrder, kFileOrder);
}

TEST(OptionsMapping, StoredValuesReachTheirOwnBoxes) {
    FakeSection section;
    section.keys = {{L"Bitmaps", L"2"}, {L"Debug", L"yes"},   {L"Prompt", L"0"},  {L"Overwrite", L"7"},
                    {L"Paths", L"1"},   {L"Format", L"1.0"}, {L"Order", L"on"}, {L"Folders", L"1"},
                    {L"Portable", L"1"}, {L"Name", L"1"},    {L"EachFolder", L"2"},
                    {L"Files", L"mp3,a/b,wav"}};
    OptionValues values = LoadOptions(section.Reader());
    EXPECT_EQ(values.states, (std::array<int, CheckKeyCount>{2, 0, 0, 1, 1, 1, 0, 1, 1, 1, 2}));
    EXPECT_EQ(values.files, L"mp3,wav");
}

// A two-state box has no greyed state: a 2 there means nothing and shows the
// default; the original five and the three-way choice keep their 2.
TEST(OptionsMapping, OnlyThreeStateBoxesAndChoicesShowATwo) {
    FakeSection section;
    for (const auto& option : OptionTable::kNumeric) section.keys[std::wstring(option.name)] = L"2";
    OptionValues values = LoadOptions(section.Reader());
    EXPECT_EQ(values.states, (std::array<int, CheckKeyCount>{2, 2, 2, 2, 2, 0, 0, 0, 0, 0, 2}));
    section.keys[L"EachFolder"] = L"3";
    EXPECT_EQ(LoadOptions(section.Reader()).states[OptionTable::EachFolder], 0);
}

TEST(OptionsMapping, SaveWritesEveryKeyInOrderAndTheTextUntouched) {
    FakeSection section;
    OptionValues values{{2, 0, 1, 0, 1, 1, 0, 1, 1, 0, 2}, L" wav, mp3,a/b "};
    EXPECT_TRUE(SaveOptions(values, section.Writer()));
    const std::vector<std::pair<std::wstring, std::wstring>> expected{
        {L"Bitmaps", L"2"},  {L"Debug", L"0"}, {L"Prompt", L"1"},     {L"Overwrite", L"0"},
        {L"Paths", L"1"},    {L"Format", L"1"}, {L"Order", L"0"},     {L"Folders", L"1"},
        {L"Portable", L"1"}, {L"Name", L"0"},   {L"EachFolder", L"2"}, {L"Files", L" wav, mp3,a/b "}};
    EXPECT_EQ(section.writes, expected);
}

TEST(OptionsMapping, ReportsAFailedWriteButStillTriesEveryKey) {
    FakeSection section;
    section.failingKey = L"Debug";
    EXPECT_FALSE(SaveOptions(OptionValues{{1, 0, 1, 1, 0}, L"mp3"}, section.Writer()));
    EXPECT_EQ(section.writes.size(), kFileOrder.size());
}

TEST(OptionsMapping, LoadThenSaveNormalisesOnlyWhatCannotBeShown) {
    FakeSection section;
    section.keys = {{L"Bitmaps", L"1.0"}, {L"Debug", L"-3"}, {L"Files", L"mp3,,wav"}};
    EXPECT_TRUE(SaveOptions(LoadOptions(section.Reader()), section.Writer()));
    EXPECT_EQ(section.keys[L"Bitmaps"], L"1");
    EXPECT_EQ(section.keys[L"Debug"], L"0");
    EXPECT_EQ(section.keys[L"Prompt"], L"1");
    EXPECT_EQ(section.keys[L"Files"], L"mp3,,wav");
}
