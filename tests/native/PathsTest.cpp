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

TEST(PathParts, NamesTakenFromTheEndOfUnusualPaths) {
    EXPECT_EQ(FileNamePart(L"\\\\server\\share\\Mix.mp3"), L"Mix.mp3");
    EXPECT_EQ(FileNamePart(L"C:\\Music\\\\Song.mp3"), L"Song.mp3");
    EXPECT_EQ(FileNamePart(L"\\"), L"");
    EXPECT_EQ(FileNamePart(L""), L"");
    EXPECT_EQ(FileNamePart(L"C:\\M\u00fcsic\\\u6771\u4eac.mp3"), L"\u6771\u4eac.mp3");
    // The handler takes the extension of the name part, so a dotted folder
    // never lends its extension to a file without one.
    EXPECT_EQ(ExtensionPart(FileNamePart(L"C:\\a.b\\Song")), L"");
    EXPECT_EQ(ExtensionPart(L".mp3"), L"mp3");
    EXPECT_EQ(ExtensionPart(L"Song.mp3 "), L"mp3 ");  // blanks are kept
    EXPECT_EQ(ExtensionPart(L"."), L"");
}
