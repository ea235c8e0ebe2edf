#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "Codepage.h"
#include "Sort.h"
#include "SystemError.h"
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
    EXPECT_FALSE(mdlFiles::FileExists(folder + L"\\"));
    EXPECT_FALSE(mdlFiles::FileExists(L""));
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
    // A system code page of UTF-8 holds every whole text: a typed name must
    // neither come back empty nor count as unfit.
    EXPECT_TRUE(Codepage::Fits(CP_UTF8, L"\u6771\u4eac mix.mp3"));
    EXPECT_EQ(Codepage::Through(CP_UTF8, L"\u6771\u4eac mix"), L"\u6771\u4eac mix");
    EXPECT_FALSE(Codepage::Fits(CP_UTF8, L"broken \xD800"));
    EXPECT_FALSE(Codepage::Through(CP_UTF8, L"broken \xD800").empty());
    EXPECT_EQ(Codepage::Through(1252, L"\u6771.mp3"), L"?.mp3");
}

bool SingleByteCodePage() {
    CPINFO info{};
    return GetCPInfo(CP_ACP, &info) && info.MaxCharSize == 1;
}

// Run again under Japanese, Chinese and Korean code pages (see CMakeLists).
// A name arrives as it was typed, or, where the code page cannot carry it,
// with "?" that no file name holds: never as some other name.
TEST(Answer, NamesArriveAsTypedOrVisiblyNot) {
    std::wstring file = inihelper::UserFolder() + L"\\answer.ini";
    DeleteFileW(file.c_str());
    EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), L"[cancel]");
    const std::wstring names[] = {
        L"Party", L"", L"[cancel]",
        L"caf\u00e9 \u00c1\u00cd\u00cf\u00d0\u00dd",  // UTF-8 bytes 0x81 0x8D 0x8F 0x90 0x9D
        L"\u304a\u6c17\u306b\u5165\u308a",             // Japanese
        L"\u4e2d\u6587\u6b4c",                          // Chinese
        L"\uc74c\uc545",                                // Korean
        L"\u6771\u4eac mix \u0100",
    };
    for (const std::wstring& name : names) {
        ASSERT_TRUE(inihelper::WriteAnswer(name, file));
        const std::wstring got = inihelper::ReadAnswer(file, L"[cancel]");
        if (SingleByteCodePage() || Codepage::FitsAnsi(name))
            EXPECT_EQ(got, name) << "code page " << GetACP();
        else
            EXPECT_NE(got.find(L'?'), std::wstring::npos) << "code page " << GetACP();
    }
    // A value an older program wrote in the code page still reads.
    const std::wstring old = SingleByteCodePage() ? L"caf\u00e9" : L"\u4e2d";
    if (Codepage::FitsAnsi(old)) {
        WritePrivateProfileStringA("input", "value", Codepage::ToAnsi(old).c_str(),
                                   Codepage::ToAnsi(file).c_str());
        EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), old);
    }
    // Other keys of the file stay as they were.
    inihelper::IniWrite(L"trk", L"Prompt", L"1", file);
    inihelper::WriteAnswer(L"Party", file);
    EXPECT_EQ(inihelper::IniRead(L"trk", L"Prompt", file), L"1");
    DeleteFileW(file.c_str());
}

// The answer reaches a file in a folder whose name the code page cannot hold.
TEST(Answer, ReachesAFolderOutsideTheCodePage) {
    const std::wstring folder = inihelper::UserFolder() + L"\\\u0141\u00f3d\u017a \uc74c\uc545";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    const std::wstring file = folder + L"\\trk.ini";
    ASSERT_TRUE(inihelper::WriteAnswer(L"Party", file));
    EXPECT_EQ(inihelper::ReadAnswer(file, L"[cancel]"), L"Party");
    EXPECT_NE(GetFileAttributesW(file.c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW(file.c_str());
    RemoveDirectoryW(folder.c_str());
}

// The sort passes shared starts a block of code units at a time; with the
// platform's 16-bit units the first unequal unit must still decide, high
// units after low ones.
TEST(Sort, AgreesWithStdSortOnSixteenBitUnits) {
    std::mt19937 random(77);
    const wchar_t units[] = {L'a', L'b', L'\u00e9', L'\u6771', L'\xFFFF', L'\x8000'};
    for (int round = 0; round < 200; ++round) {
        const std::wstring start(std::uniform_int_distribution<int>(0, 24)(random), L'x');
        std::vector<std::wstring> list(1);
        for (int k = 0; k < 40; ++k) {
            std::wstring name = start.substr(0, std::uniform_int_distribution<size_t>(0, start.size())(random));
            const int tail = std::uniform_int_distribution<int>(0, 9)(random);
            for (int t = 0; t < tail; ++t) name += units[std::uniform_int_distribution<int>(0, 5)(random)];
            list.push_back(name);
        }
        std::vector<std::wstring> expected = list;
        std::sort(expected.begin() + 1, expected.end());
        General::Sort(list, 1, static_cast<int32_t>(list.size()) - 1);
        ASSERT_EQ(list, expected) << "round " << round;
    }
}

// Both menus answer a failure with the same system code, so a script sees
// the same error whichever menu it drove; the common COM errors come out as
// themselves.
TEST(SystemError, CodesOfFailures) {
    EXPECT_EQ(SystemError::CodeOf({Failure::FileAccess, {}, ERROR_WRITE_PROTECT}), ERROR_WRITE_PROTECT);
    EXPECT_EQ(HRESULT_FROM_WIN32(SystemError::CodeOf({Failure::OutOfMemory, {}})), E_OUTOFMEMORY);
    EXPECT_EQ(HRESULT_FROM_WIN32(SystemError::CodeOf({Failure::InvalidArgument, {}})), E_INVALIDARG);
    EXPECT_EQ(HRESULT_FROM_WIN32(SystemError::CodeOf({Failure::FileAccess, {}})), E_ACCESSDENIED);
    EXPECT_EQ(SystemError::CodeOf({static_cast<int>(HRESULT_FROM_WIN32(ERROR_DISK_FULL)), {}}),
              static_cast<unsigned long>(ERROR_DISK_FULL));
    EXPECT_EQ(SystemError::CodeOf({static_cast<int>(E_NOINTERFACE), {}}),
              static_cast<unsigned long>(ERROR_INTERNAL_ERROR));
}
