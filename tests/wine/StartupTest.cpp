#include <gtest/gtest.h>

#include "General.h"
#include "StartupFiles.h"
#include "Trace.h"

using namespace StartupFiles;
using Lines = std::vector<std::wstring>;

namespace {

const std::wstring kDefaultFiles = L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma";
const std::wstring kClassId = L"{928BB78A-14A7-11D3-A91E-0040056902A2}";

// The listing of a start-up up to "Done working with options", for options
// that read as the given numbers and the default extension list.
Lines ListingThroughOptions(const wchar_t* debugValue) {
    Lines lines{
        L"Begin Debug Information For application Tracklet Playlist Shell Extension "
        L"[1.47 revision 612]...",
        L"",
        L"If you have persistant problems with this application (ie: you can reproduce it),",
        L"include this file with your problem report as it will help the programmers.",
        L"",
        L"",
        L"General::Main() - Begin",
        L"",
        L" General::Main() - Initializing Setup & Options Helper Object",
        L"  General::Main() - Object initialized",
        L"",
        L"  General::Main() - Loading and working with options...",
        L"   Setup::GetOptions() - Begin GetOptions()",
        L"    Setup::GetOptions() - Reading \"Bitmaps\"=1",
        std::wstring(L"    Setup::GetOptions() - Reading \"Debug\"=") + debugValue,
        L"    Setup::GetOptions() - Reading \"Prompt\"=1",
        L"    Setup::GetOptions() - Reading \"Overwrite\"=1",
        L"    Setup::GetOptions() - Reading \"Paths\"=0",
        L"    Setup::GetOptions() - Reading \"Format\"=0",
        L"    Setup::GetOptions() - Reading \"Order\"=0",
        L"    Setup::GetOptions() - Reading \"Folders\"=0",
        L"    Setup::GetOptions() - Reading \"Portable\"=0",
        L"    Setup::GetOptions() - Reading \"Name\"=0",
        L"    Setup::GetOptions() - Reading \"EachFolder\"=0",
        L"    Setup::GetOptions() - Reading \"Files\"=" + kDefaultFiles,
        L"     Setup::GetOptions() - Splitting File Extension string into an array",
    };
    for (const wchar_t* e : {L"mp3", L"mp2", L"mpa", L"voc", L"wav", L"it", L"xm", L"s3m", L"stm",
                             L"mod", L"dsm", L"far", L"ult", L"mtm", L"669", L"wma"})
        lines.push_back(std::wstring(L"     Setup::GetOptions() - Adding ") + e +
                        L" to the file extension array");
    for (const std::wstring& line : Lines{
             L"    Setup::GetOptions() - Done working with File Extensions",
             L"   Setup::GetOptions() - Done GetOptions()",
             L"   General::Main() - Resetting options",
             L"   Setup::SetOptions() - Begin SetOptions()",
             L"    Setup::SetOptions() - Writing \"Bitmaps\"=1",
             std::wstring(L"    Setup::SetOptions() - Writing \"Debug\"=") + debugValue,
             L"    Setup::SetOptions() - Writing \"Prompt\"=1",
             L"    Setup::SetOptions() - Writing \"Overwrite\"=1",
             L"    Setup::SetOptions() - Writing \"Paths\"=0",
             L"    Setup::SetOptions() - Writing \"Format\"=0",
             L"    Setup::SetOptions() - Writing \"Order\"=0",
             L"    Setup::SetOptions() - Writing \"Folders\"=0",
             L"    Setup::SetOptions() - Writing \"Portable\"=0",
             L"    Setup::SetOptions() - Writing \"Name\"=0",
             L"    Setup::SetOptions() - Writing \"EachFolder\"=0",
             L"    Setup::SetOptions() - Writing \"Files\"=" + kDefaultFiles,
             L"   Setup::SetOptions() - Done SetOptions()",
             L"  General::Main() - Done working with options",
         })
        lines.push_back(line);
    return lines;
}

Lines ListingAfterOptions(const std::wstring& classIdText, const std::wstring& lookupLine) {
    return {
        L" General::Main() - Options loaded",
        L"",
        L" General::Main() - Attemping to LoadLibraray(\"oleaut32.dll\")...",
        L" General::Main() - LoadLibrary(...) done",
        L"",
        L" General::Main() - Getting ClassID...",
        L"  General::GetClassId() - " + lookupLine,
        L" General::Main() - ClassID: " + classIdText,
        L"",
    };
}

Lines Join(Lines a, const Lines& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class Startup : public ::testing::Test {
protected:
    void SetUp() override {
        Remove(OptionsPath());
        Remove(DebugPath());
    }
    void TearDown() override {
        Remove(OptionsPath());
        Remove(DebugPath());
        RegDeleteTreeW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\trkmenu.ShellExt");
    }
    static void SetOption(const wchar_t* key, const wchar_t* value) {
        ASSERT_TRUE(WritePrivateProfileStringW(L"trk", key, value, OptionsPath().c_str()));
    }
    // Runs the start-up on a fresh thread; returns that thread's state after it.
    static ModuleState StartOnNewThread() {
        ModuleState after;
        OnNewThread([&] {
            General::StartThread();
            General::StartThread();  // once per thread: the second call does nothing
            after = ThreadState();
        });
        return after;
    }
};

// A loaded machine can take more than a second between the two readings:
// any second from the first to the last is the line's own.
bool StampedBetween(const std::wstring& stamp, Trace::Stamp second, const Trace::Stamp& last) {
    for (int guard = 0; guard < 120; ++guard) {
        if ((second.hour >= 12) == (last.hour >= 12)) second.designator = last.designator;
        if (Trace::FormatStamp(second) == stamp) return true;
        if (second.hour == last.hour && second.minute == last.minute && second.second == last.second) break;
        if (++second.second == 60) {
            second.second = 0;
            if (++second.minute == 60) {
                second.minute = 0;
                second.hour = (second.hour + 1) % 24;
            }
        }
    }
    return false;
}

TEST_F(Startup, WithoutOptionsFileWritesDefaultsAndTheShortListing) {
    const Trace::Stamp before = Trace::Now();
    ModuleState state = StartOnNewThread();
    const Trace::Stamp after = Trace::Now();

    // Ordinary lines carry the local time of their writing.
    const std::wstring text = Codepage::FromAnsi(ReadBytes(DebugPath()));
    const size_t open = text.find(L"General::Main() - Begin (Time: [");
    ASSERT_NE(open, std::wstring::npos);
    const size_t from = text.find(L'[', open) + 1;
    const std::wstring stamp = text.substr(from, text.find(L']', from) - from);
    EXPECT_TRUE(StampedBetween(stamp, before, after)) << Codepage::ToAnsi(stamp);

    EXPECT_EQ(DebugLines(), Join(ListingThroughOptions(L"0"),
                                 {L" General::Main() - Stopping debug info from being written",
                                  L"General::Main() - End of debug file"}));
    EXPECT_FALSE(state.TraceSwitch);
    EXPECT_EQ(state.Options.Bitmaps, 1);
    EXPECT_EQ(state.Options.Debug, 0);
    EXPECT_EQ(state.Options.Prompt, 1);
    EXPECT_EQ(state.Options.Overwrite, 1);
    EXPECT_EQ(state.Options.Paths, 0);
    EXPECT_EQ(state.Options.Files, kDefaultFiles);
    EXPECT_EQ(state.Options.ExtensionList.size(), 16u);

    for (auto [key, value] : {std::pair{L"Bitmaps", L"1"}, {L"Debug", L"0"}, {L"Prompt", L"1"},
                              {L"Overwrite", L"1"}, {L"Paths", L"0"}})
        EXPECT_EQ(Profile(L"trk", key), value) << key;
    EXPECT_EQ(Profile(L"trk", L"Files"), kDefaultFiles);
    EXPECT_NE(ReadBytes(OptionsPath()).find("[trk]"), std::string::npos);
}

TEST_F(Startup, WithDebugOnTheTraceGoesOnThroughTheClassLookup) {
    SetOption(L"Debug", L"1");
    ModuleState state = StartOnNewThread();

    // CO_E_CLASSSTRING: the ProgID is not registered in this prefix.
    EXPECT_EQ(DebugLines(),
              Join(ListingThroughOptions(L"1"), ListingAfterOptions(L"Bad ProgId rc:-2147221005",
                                                                    L"Bad ProgId rc:-2147221005")));
    EXPECT_TRUE(state.TraceSwitch);
    EXPECT_EQ(state.TraceDepth, 1);  // the handler's lines start one blank in
}

TEST_F(Startup, RegisteredProgIdGivesTheBracedClassId) {
    // Wine's class lookup reads the machine's classes only; Windows merges
    // both, so the machine key serves there too. The prefix is this test's own.
    ASSERT_EQ(RegSetKeyValueW(HKEY_LOCAL_MACHINE, L"Software\\Classes\\trkmenu.ShellExt\\CLSID",
                              nullptr, REG_SZ, kClassId.c_str(),
                              static_cast<DWORD>((kClassId.size() + 1) * sizeof(wchar_t))),
              ERROR_SUCCESS);
    SetOption(L"Debug", L"-1");
    StartOnNewThread();

    Lines lines = DebugLines();
    Lines tail(lines.end() - 9, lines.end());
    EXPECT_EQ(tail, ListingAfterOptions(kClassId, L"Done"));
}

TEST_F(Startup, OverflowingOptionEndsTheStartUpAndLeavesTheFileAlone) {
    SetOption(L"Bitmaps", L"2");
    SetOption(L"Debug", L"70000");
    const std::string before = ReadBytes(OptionsPath());
    ModuleState state = StartOnNewThread();

    EXPECT_EQ(ReadBytes(OptionsPath()), before);
    Lines lines = DebugLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[lines.size() - 2], L"    Setup::GetOptions() - Reading \"Debug\"=70000");
    EXPECT_EQ(lines.back(), L"    General::Main() - ERROR: 6, Overflow");
    // The trace stays on for the thread's life; fields read first keep their values.
    EXPECT_TRUE(state.TraceSwitch);
    EXPECT_EQ(state.Options.Bitmaps, 2);
    EXPECT_TRUE(state.Options.Files.empty());
}

TEST_F(Startup, EachNewThreadStartsTheDebugFileAfresh) {
    SetOption(L"Debug", L"1");
    StartOnNewThread();
    const size_t first = DebugLines().size();
    StartOnNewThread();
    Lines lines = DebugLines();
    EXPECT_EQ(lines.size(), first);
    EXPECT_EQ(std::count_if(lines.begin(), lines.end(),
                            [](const std::wstring& l) { return l.starts_with(L"Begin Debug"); }),
              1);
}

// The start-up writes its lines through one open file: it must let go of it,
// and the thread's later lines still land at the end.
TEST_F(Startup, StartUpLetsGoOfTheDebugFile) {
    SetOption(L"Debug", L"1");
    OnNewThread([] {
        General::StartThread();
        Trace::DebugWrite(L"Test", L"Later()", L"after the start-up");
    });
    HANDLE exclusive = CreateFileW(DebugPath().c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(exclusive, INVALID_HANDLE_VALUE);
    if (exclusive != INVALID_HANDLE_VALUE) CloseHandle(exclusive);
    ASSERT_FALSE(DebugLines().empty());
    EXPECT_EQ(DebugLines().back(), L" Test::Later() - after the start-up");
}

// A debug file that cannot be opened costs only its lines: the start-up
// still normalises the options and reports nothing.
TEST_F(Startup, UnwritableDebugFileIsPassedOverQuietly) {
    ASSERT_TRUE(CreateDirectoryW(DebugPath().c_str(), nullptr));
    SetOption(L"Prompt", L"yes");
    ModuleState state = StartOnNewThread();

    EXPECT_EQ(Profile(L"trk", L"Prompt"), L"1");
    EXPECT_EQ(Profile(L"trk", L"Files"), kDefaultFiles);
    EXPECT_EQ(state.Options.Prompt, 1);
    EXPECT_FALSE(state.TraceSwitch);  // the start-up ran to its end
    EXPECT_TRUE(GetFileAttributesW(DebugPath().c_str()) & FILE_ATTRIBUTE_DIRECTORY);
}

TEST_F(Startup, OleAut32ComesFromTheSystemDirectoryAndStays) {
    StartOnNewThread();
    HMODULE module = GetModuleHandleW(L"oleaut32.dll");
    ASSERT_NE(module, nullptr);
    wchar_t path[MAX_PATH] = {}, system[MAX_PATH] = {};
    GetModuleFileNameW(module, path, MAX_PATH);
    GetSystemDirectoryW(system, MAX_PATH);
    EXPECT_EQ(CompareStringOrdinal(path, -1, (std::wstring(system) + L"\\oleaut32.dll").c_str(),
                                   -1, TRUE),
              CSTR_EQUAL)
        << Codepage::ToAnsi(path);
}

TEST(GetClassId, FailureTextsKeepTheirNumberFormat) {
    OnNewThread([] {
        std::wstring result = L"unchanged";
        General::GetClassId(L"no such.ProgId", result);
        EXPECT_EQ(result, L"Bad ProgId rc:-2147221005");
        General::GetClassId(L"", result);
        EXPECT_TRUE(result.starts_with(L"Bad ProgId rc:-")) << Codepage::ToAnsi(result);
    });
}

}  // namespace
