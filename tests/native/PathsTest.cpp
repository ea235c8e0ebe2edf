#include <gtest/gtest.h>

#include "mdlFiles.h"

using mdlFiles::ExtensionPart;
using mdlFiles::FileNamePart;

TEST(FileNamePart, TakesTextAfterLastBackslash) {
    EXPECT_EQ(FileNamePart(L"C:\\Music\\Song.mp3"), L"Song.mp3");
    EXPECT_EQ(FileNamePart(L"Song.mp3"), L"");
    EXPECT_EQ(FileNamePart(L"C:\\Music\\"), L"");
    EXPECT_EQ(FileNamePart(L"C:/Music/Song.mp3"), L"");  // "/" is no separator
}

TEST(ExtensionPart, TakesTextAfterLastDotCaseKept) {
    EXPECT_EQ(ExtensionPart(L"Song.Remix.MP3"), L"MP3");
    EXPECT_EQ(ExtensionPart(L"Song"), L"");
    EXPECT_EQ(ExtensionPart(L"Song."), L"");
    EXPECT_EQ(ExtensionPart(L"C:\\a.b\\Song"), L"b\\Song");
}
