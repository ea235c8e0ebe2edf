// trkconfig's options mapping and prompt answer against real profile files.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "FileBytes.h"
#include "SetupStore.h"
#include "inihelper.h"

using namespace SetupLogic;

namespace {

class SetupStore_ : public testing::Test {
protected:
    void SetUp() override {
        folder_ = inihelper::UserFolder() + L"\\store-test";
        CreateDirectoryW(folder_.c_str(), nullptr);
        file_ = folder_ + L"\\trk.ini";
        RemoveFile();
    }
    void TearDown() override {
        RemoveFile();
        RemoveDirectoryW(folder_.c_str());
    }
    void RemoveFile() {
        SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file_.c_str());
        RemoveDirectoryW(file_.c_str());
    }
    void WriteRaw(const std::string& bytes) { FileBytes::Write(file_, bytes); }
    std::string ReadRaw() { return FileBytes::Read(file_); }
    std::wstring folder_, file_;
};

}  // namespace

TEST_F(SetupStore_, MissingFileShowsDefaultsAndIsNotCreatedByReading) {
    OptionValues values = SetupStore::ReadOptions(file_);
    EXPECT_EQ(values.states, (std::array<int, CheckKeyCount>{1, 0, 1, 1, 0}));
    EXPECT_EQ(values.files, kDefaultFiles);
    EXPECT_EQ(GetFileAttributesW(file_.c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(SetupStore_, ReadsTheProfileAsThePlatformDoes) {
    WriteRaw("[other]\r\nBitmaps=0\r\n[TRK]\r\nbitmaps = 2 \r\nDEBUG=yes\r\nPrompt=\r\n"
             "Overwrite=0.5\r\nPaths=1\r\nFiles=\"mp3,a/b, wav\"\r\n");
    OptionValues values = SetupStore::ReadOptions(file_);
    EXPECT_EQ(values.states, (std::array<int, CheckKeyCount>{2, 0, 1, 0, 1}));
    EXPECT_EQ(values.files, L"mp3, wav");
}

TEST_F(SetupStore_, OkWritesEveryKeyAndLeavesOtherSectionsAlone) {
    WriteRaw("[input]\r\nvalue=Old\r\n[trk]\r\nDebug=1\r\nFiles=it\r\n");
    ASSERT_TRUE(SetupStore::WriteOptions(OptionValues{{2, 0, 1, 0, 1, 1, 0, 2}, L"wav, mp3,a/b"}, file_));
    const std::string raw = ReadRaw();
    for (const char* line : {"Bitmaps=2", "Debug=0", "Prompt=1", "Overwrite=0", "Paths=1", "Format=1", "Order=0",
                             "Folders=2", "Files=wav, mp3,a/b"})
        EXPECT_NE(raw.find(line), std::string::npos) << line << " in\n" << raw;
    EXPECT_EQ(inihelper::IniRead(L"input", L"value", file_), L"Old");
}

TEST_F(SetupStore_, AnswerChangesOnlyTheOneKey) {
    WriteRaw("[trk]\r\nBitmaps=1\r\nPrompt=1\r\n[input]\r\nvalue=Old\r\n");
    const std::string before = ReadRaw();
    ASSERT_TRUE(SetupStore::WriteAnswer(PromptResult::Cancel, L"Party", file_));
    std::string expected = before;
    expected.replace(expected.find("value=Old"), 9, "value=[cancel]");
    EXPECT_EQ(ReadRaw(), expected);

    ASSERT_TRUE(SetupStore::WriteAnswer(PromptResult::Closed, L"Party", file_));
    EXPECT_EQ(inihelper::ReadAnswer(file_, L"missing"), L"[cancel]");
    ASSERT_TRUE(SetupStore::WriteAnswer(PromptResult::Ok, L"\u6771\u4eac", file_));
    EXPECT_EQ(inihelper::ReadAnswer(file_, L"missing"), L"\u6771\u4eac");
    ASSERT_TRUE(SetupStore::WriteAnswer(PromptResult::Ok, L"", file_));
    EXPECT_EQ(inihelper::ReadAnswer(file_, L"missing"), L"");
}

TEST_F(SetupStore_, WritesThatCannotReachTheFileAreReported) {
    // A folder where the file should be: nothing can be written there.
    ASSERT_TRUE(CreateDirectoryW(file_.c_str(), nullptr));
    EXPECT_FALSE(SetupStore::WriteOptions(OptionValues{{1, 0, 1, 1, 0}, L"mp3"}, file_));
    EXPECT_FALSE(SetupStore::WriteAnswer(PromptResult::Ok, L"Party", file_));
    EXPECT_FALSE(SetupStore::WriteAnswer(PromptResult::Cancel, L"", file_));
}
