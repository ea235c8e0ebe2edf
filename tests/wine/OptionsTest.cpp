#include <gtest/gtest.h>

#include "Setup.h"
#include "StartupFiles.h"

using namespace StartupFiles;
using Lines = std::vector<std::wstring>;

namespace {

// GetOptions and SetOptions against a real profile file, traced.
class Options : public ::testing::Test {
protected:
    void SetUp() override {
        Remove(OptionsPath());
        Remove(DebugPath());
        ReleaseThreadState();
        ThreadState().TraceSwitch = true;
    }
    void TearDown() override {
        ReleaseThreadState();
        Remove(OptionsPath());
        Remove(DebugPath());
    }
    static void WriteFile(const std::string& body) { WriteBytes(OptionsPath(), "[trk]\r\n" + body); }
    static const OptionSet& Loaded() { return ThreadState().Options; }
    // Loads and writes back, as every start-up does.
    static void RoundTrip() {
        Setup::GetOptions();
        Setup::SetOptions();
    }
    static bool Traced(const std::wstring& line) {
        Lines lines = DebugLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }
};

TEST_F(Options, FilesValuesAreSplitValidatedAndWrittenBack) {
    struct Case {
        std::string stored;
        std::vector<std::wstring> list;
        std::wstring written;
    };
    const Case cases[] = {
        {"mp3, wav", {L"mp3", L" wav"}, L"mp3, wav"},  // the blank belongs to the element
        {"mp3,,wav", {L"mp3", L"", L"wav"}, L"mp3,,wav"},
        {"", {L""}, L""},
        {"mp3,a/b,wav", {L"mp3", L"wav"}, L"mp3,wav"},
        {"a/b", {}, L""},
        {"a/b,,c:d", {L""}, L""},
        {"MP3,Wav", {L"MP3", L"Wav"}, L"MP3,Wav"},  // case is kept
        {"\"ogg,flac\"", {L"ogg", L"flac"}, L"ogg,flac"},  // one pair of quotes goes
    };
    for (const Case& c : cases) {
        SetUp();
        WriteFile("Files=" + c.stored + "\r\n");
        RoundTrip();
        EXPECT_EQ(Loaded().ExtensionList, c.list) << c.stored;
        EXPECT_EQ(Loaded().Files, c.written) << c.stored;
        EXPECT_EQ(Profile(L"trk", L"Files"), c.written) << c.stored;
    }
}

TEST_F(Options, InvalidElementIsTracedAndDropped) {
    WriteFile("Files=mp3,a/b,wav\r\n");
    Setup::GetOptions();
    EXPECT_TRUE(Traced(L"  Setup::GetOptions() - The element a/b is not a valid file extension"));
    EXPECT_TRUE(Traced(L"  Setup::GetOptions() - Adding wav to the file extension array"));
    EXPECT_TRUE(Traced(L" Setup::GetOptions() - Reading \"Files\"=mp3,a/b,wav"));
}

TEST_F(Options, LongFilesValueIsCutTo254Characters) {
    std::string value;
    while (value.size() < 300) value += "abcd,";
    value.resize(300);
    WriteFile("Files=" + value + "\r\n");
    RoundTrip();
    const std::wstring cut = Codepage::FromAnsi(value.substr(0, 254));
    EXPECT_EQ(Loaded().Files, cut);
    EXPECT_EQ(Profile(L"trk", L"Files"), cut);
}

TEST_F(Options, NumbersAreNormalisedWithFallbacks) {
    struct Case {
        const char* key;
        const char* stored;
        int16_t OptionSet::*field;
        int16_t value;
        const wchar_t* shown;  // in the read line: the text as used, the fallback for a non-number
        const wchar_t* written;
    };
    const Case cases[] = {
        {"Bitmaps", "yes", &OptionSet::Bitmaps, 1, L"1", L"1"},
        {"Bitmaps", "2", &OptionSet::Bitmaps, 2, L"2", L"2"},
        {"Bitmaps", "", &OptionSet::Bitmaps, 1, L"1", L"1"},
        {"Debug", "", &OptionSet::Debug, 0, L"0", L"0"},
        {"Debug", "1.0", &OptionSet::Debug, 1, L"1.0", L"1"},
        {"Prompt", "2.5", &OptionSet::Prompt, 2, L"2.5", L"2"},
        {"Overwrite", "3.5", &OptionSet::Overwrite, 4, L"3.5", L"4"},
        {"Paths", " -1 ", &OptionSet::Paths, -1, L"-1", L"-1"},
        {"Paths", "1e2", &OptionSet::Paths, 0, L"0", L"0"},
        {"Overwrite", "-32768", &OptionSet::Overwrite, -32768, L"-32768", L"-32768"},
        {"Portable", "1.0", &OptionSet::Portable, 1, L"1.0", L"1"},
        {"Name", "yes", &OptionSet::Name, 0, L"0", L"0"},
        {"EachFolder", "2", &OptionSet::EachFolder, 2, L"2", L"2"},
    };
    for (const Case& c : cases) {
        SetUp();
        WriteFile(std::string(c.key) + "=" + c.stored + "\r\n");
        RoundTrip();
        const std::wstring key = Codepage::FromAnsi(c.key);
        EXPECT_EQ(Loaded().*c.field, c.value) << c.key << "=" << c.stored;
        EXPECT_EQ(Profile(L"trk", key.c_str()), c.written) << c.key << "=" << c.stored;
        EXPECT_TRUE(Traced(L" Setup::GetOptions() - Reading \"" + key + L"\"=" + c.shown))
            << c.key << "=" << c.stored;
    }
}

TEST_F(Options, KeyNamesMatchWithoutCaseAndOtherSectionsStay) {
    WriteFile("debug=1\r\nFILES=ogg\r\n[input]\r\nvalue=Party\r\n");
    RoundTrip();
    EXPECT_EQ(Loaded().Debug, 1);
    EXPECT_EQ(Loaded().Files, L"ogg");
    EXPECT_EQ(Profile(L"input", L"value"), L"Party");
    const std::string bytes = ReadBytes(OptionsPath());
    EXPECT_EQ(bytes.find("Debug="), std::string::npos) << bytes;  // replaced in place
}

TEST_F(Options, SetOptionsTracesEveryValueItWrites) {
    RoundTrip();
    Lines lines = DebugLines();
    auto begin = std::find(lines.begin(), lines.end(), L"Setup::SetOptions() - Begin SetOptions()");
    ASSERT_NE(begin, lines.end());
    EXPECT_EQ(Lines(begin, lines.end()),
              (Lines{L"Setup::SetOptions() - Begin SetOptions()",
                     L" Setup::SetOptions() - Writing \"Bitmaps\"=1",
                     L" Setup::SetOptions() - Writing \"Debug\"=0",
                     L" Setup::SetOptions() - Writing \"Prompt\"=1",
                     L" Setup::SetOptions() - Writing \"Overwrite\"=1",
                     L" Setup::SetOptions() - Writing \"Paths\"=0",
                     L" Setup::SetOptions() - Writing \"Format\"=0",
                     L" Setup::SetOptions() - Writing \"Order\"=0",
                     L" Setup::SetOptions() - Writing \"Folders\"=0",
                     L" Setup::SetOptions() - Writing \"Portable\"=0",
                     L" Setup::SetOptions() - Writing \"Name\"=0",
                     L" Setup::SetOptions() - Writing \"EachFolder\"=0",
                     L" Setup::SetOptions() - Writing \"Files\"=mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,"
                     L"mod,dsm,far,ult,mtm,669,wma",
                     L"Setup::SetOptions() - Done SetOptions()"}));
    EXPECT_EQ(ThreadState().TraceDepth, 0);
}

}  // namespace
