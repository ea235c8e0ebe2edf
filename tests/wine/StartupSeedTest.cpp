// This program lives alone in its folder: a trk.ini beside it stands for the
// one an older installation or an administrator left beside the programs.
#include <gtest/gtest.h>

#include "General.h"
#include "StartupFiles.h"

using namespace StartupFiles;

TEST(StartupSeed, FirstStartTakesTheOptionsBesideTheProgram) {
    const std::wstring shipped = inihelper::ProgramFolder() + L"\\trk.ini";
    Remove(OptionsPath());
    WriteBytes(shipped, "[trk]\r\nBitmaps=0\r\nPrompt=0.0\r\nFiles=flac,a/b,ogg\r\n");

    ModuleState state;
    OnNewThread([&] {
        General::StartThread();
        state = ThreadState();
    });
    EXPECT_EQ(state.Options.Bitmaps, 0);
    EXPECT_EQ(state.Options.Prompt, 0);
    EXPECT_EQ(state.Options.Overwrite, 1);
    EXPECT_EQ(state.Options.Files, L"flac,ogg");
    EXPECT_EQ(Profile(L"trk", L"Prompt"), L"0");
    EXPECT_EQ(Profile(L"trk", L"Files"), L"flac,ogg");
    // The per-user copy is normalised; the one beside the program is not touched.
    EXPECT_NE(ReadBytes(shipped).find("Prompt=0.0"), std::string::npos);

    // Once there is a per-user file, the one beside the program no longer counts.
    WriteBytes(shipped, "[trk]\r\nBitmaps=5\r\n");
    OnNewThread([&] {
        General::StartThread();
        state = ThreadState();
    });
    EXPECT_EQ(state.Options.Bitmaps, 0);
    Remove(shipped);
    Remove(OptionsPath());
    Remove(DebugPath());
}
