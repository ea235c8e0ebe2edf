// The installer's own texts and decisions, character by character.
#include <gtest/gtest.h>
#include <windows.h>

#include "InstallText.h"

using namespace InstallText;

TEST(InstallText, HeaderWritesPlainDecimalNumbers) {
    EXPECT_EQ(Header(0, 42, 17), L"Tracklet Installer\r\nVersion 0.42 build 17\r\n\r\n");
    EXPECT_EQ(Header(1, 5, 230), L"Tracklet Installer\r\nVersion 1.5 build 230\r\n\r\n");
}

TEST(InstallText, OnlyTheBareWordRemoveSelectsRemovalAndOnlyATrailingSwitchQuiet) {
    const struct {
        const wchar_t* commandLine;
        bool removal;
        bool quiet;
    } cases[] = {
        {L"install.exe remove", true, false},
        {L"install.exe REMOVE", true, false},
        {L"install.exe Remove", true, false},
        {L"\"C:\\Program Files\\Tracklet\\install.exe\" remove", true, false},
        {L"\"C:\\delivery\\install.exe\"remove", true, false},      // the runtime's rule: the name ends at its quote
        {L"install.exe \t remove  ", true, false},
        {L"install.exe", false, false},
        {L"\"C:\\a b\\install.exe\"", false, false},
        {L"install.exe /remove", false, false},
        {L"install.exe -remove", false, false},
        {L"install.exe remove now", false, false},
        {L"install.exe removed", false, false},
        {L"install.exe \"remove\"", false, false},
        {L"\"C:\\remove\\install.exe\"", false, false},
        {L"remove", false, false},                                    // that is the program's own name
        {L"", false, false},
        {L"install.exe /quiet", false, true},
        {L"install.exe /Q", false, true},
        {L"install.exe remove /QUIET", true, true},
        {L"install.exe REMOVE\t/q ", true, true},
        {L"install.exe /quiet remove", false, false},                 // the switch comes after the word
        {L"install.exe remove /quiet now", false, false},
        {L"install.exe /quieter", false, false},
        {L"install.exe -q", false, false},
    };
    for (const auto& c : cases) {
        const Request request = ReadCommandLine(c.commandLine);
        EXPECT_EQ(request.removal, c.removal) << testing::PrintToString(c.commandLine);
        EXPECT_EQ(request.quiet, c.quiet) << testing::PrintToString(c.commandLine);
    }
}

TEST(InstallText, OnlyA32BitInstallerOn64BitWindowsRefuses) {
    EXPECT_TRUE(MustRefuse(true, true));
    EXPECT_FALSE(MustRefuse(true, false));
    EXPECT_FALSE(MustRefuse(false, false));
    // This test is the 64-bit program the x64 package ships: it never refuses.
    BOOL wow64 = TRUE;
    ASSERT_TRUE(IsWow64Process(GetCurrentProcess(), &wow64));
    EXPECT_FALSE(MustRefuse(sizeof(void*) == 4, wow64));
    const auto refusal = WrongPackage(Header(0, 42, 17));
    EXPECT_EQ(refusal.text.rfind(Header(0, 42, 17), 0), 0u) << "header first";
    EXPECT_NE(refusal.text.find(L"64-bit Tracklet package"), std::wstring::npos);
    EXPECT_TRUE(refusal.critical);
}

TEST(InstallText, FileFailureNamesOperationFileAndTheSystemsWords) {
    const std::wstring header = Header(0, 42, 17);
    auto copy = FileOperationFailed(header, FileOp::Copy, L"C:\\d\\a.dll", L"C:\\w\\a.dll", 32,
                                    L"The file is in use.\r\n");
    EXPECT_EQ(copy.text, header + L"Unable to copy \"C:\\d\\a.dll\"\r\nto \"C:\\w\\a.dll\"\r\n\r\n"
                                  L"The file is in use. (system error 32)");
    EXPECT_EQ(copy.title, L"TRK Installer");
    EXPECT_TRUE(copy.critical);
    // Without the system's words the number alone remains.
    EXPECT_EQ(FileOperationFailed(header, FileOp::Delete, L"C:\\w\\a.dll", {}, 1234, L"").text,
              header + L"Unable to delete \"C:\\w\\a.dll\"\r\n\r\nSystem error 1234");
    EXPECT_EQ(FileOperationFailed(header, FileOp::FindEntry, L"C:\\w\\trkkit.dll", L"DLLSelfRegister", 127, L"x")
                  .text,
              header + L"Unable to find DLLSelfRegister() in \"C:\\w\\trkkit.dll\"\r\n\r\nx (system error 127)");
}

TEST(InstallText, UserSwitchInAnyCaseAndOrderOnceAfterTheWord) {
    const struct {
        const wchar_t* commandLine;
        bool removal, quiet, perUser;
    } cases[] = {
        {L"install.exe /user", false, false, true},
        {L"install.exe /USER /quiet", false, true, true},
        {L"install.exe /q /User", false, true, true},
        {L"install.exe remove /user", true, false, true},
        {L"install.exe REMOVE /quiet /user", true, true, true},
        {L"install.exe /user /user", false, false, false},   // twice: a plain installation, as before
        {L"install.exe /quiet /q", false, false, false},
        {L"install.exe /user remove", false, false, false},
        {L"install.exe /users", false, false, false},
        {L"install.exe user", false, false, false},
    };
    for (const auto& c : cases) {
        const Request request = ReadCommandLine(c.commandLine);
        EXPECT_EQ(request.removal, c.removal) << testing::PrintToString(c.commandLine);
        EXPECT_EQ(request.quiet, c.quiet) << testing::PrintToString(c.commandLine);
        EXPECT_EQ(request.perUser, c.perUser) << testing::PrintToString(c.commandLine);
    }
}
