#include <gtest/gtest.h>
#include <windows.h>

#include "Codepage.h"
#include "inihelper.h"
#include "mdlFiles.h"

TEST(UserFolder, LivesUnderAppDataAndExists) {
    std::wstring folder = inihelper::UserFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.substr(folder.size() - 9), L"\\Tracklet");
    EXPECT_NE(GetFileAttributesW(folder.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST(FileExists, IgnoresCaseButNotWildcardsOrHiddenFiles) {
    std::wstring folder = inihelper::UserFolder();
    std::wstring file = folder + L"\\Exists.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    CloseHandle(h);
    EXPECT_TRUE(mdlFiles::FileExists(folder + L"\\EXISTS.TXT"));
    EXPECT_FALSE(mdlFiles::FileExists(folder + L"\\Exist?.txt"));
    EXPECT_FALSE(mdlFiles::FileExists(folder + L"\\missing.txt"));
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_HIDDEN);
    EXPECT_FALSE(mdlFiles::FileExists(file));
    SetFileAttributesW(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    DeleteFileW(file.c_str());
}

TEST(Codepage, RoundTripsAndDetectsUnfitText) {
    EXPECT_EQ(Codepage::FromAnsi(Codepage::ToAnsi(L"Song.mp3")), L"Song.mp3");
    EXPECT_TRUE(Codepage::FitsAnsi(L"Song.mp3"));
    EXPECT_FALSE(Codepage::FitsAnsi(L"\u6771\u4eac.mp3"));
    EXPECT_EQ(Codepage::FromUtf8(Codepage::ToUtf8(L"\u6771\u4eac.mp3")), L"\u6771\u4eac.mp3");
}

TEST(Answer, NamesOutsideTheCodePageArriveIntact) {
    std::wstring file = inihelper::UserFolder() + L"\\answer.ini";
    DeleteFileW(file.c_str());
    EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), L"[cancel]");
    ASSERT_TRUE(inihelper::WriteAnswer(L"\u6771\u4eac mix", file));
    EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), L"\u6771\u4eac mix");
    ASSERT_TRUE(inihelper::WriteAnswer(L"", file));
    EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), L"");
    // A value an older program wrote in the code page still reads.
    WritePrivateProfileStringA("input", "value", "caf\xe9", Codepage::ToAnsi(file).c_str());
    EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), L"caf\u00e9");
    // Other keys of the file stay as they were.
    inihelper::IniWrite(L"trk", L"Prompt", L"1", file);
    inihelper::WriteAnswer(L"Party", file);
    EXPECT_EQ(inihelper::IniRead(L"trk", L"Prompt", file), L"1");
    DeleteFileW(file.c_str());
}
