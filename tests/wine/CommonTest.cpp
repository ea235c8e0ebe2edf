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
