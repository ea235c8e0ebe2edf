// The one rule for playlist names, and the message of a failed playlist.
#include <gtest/gtest.h>

#include <string>

#include "FailureText.h"
#include "FileNameRule.h"

namespace {

using FileNameRule::Check;
using FileNameRule::Verdict;

std::string Shown(std::wstring_view text) { return testing::PrintToString(std::wstring(text)); }

TEST(FileNameRule, RefusesWhatWindowsCannotTake) {
    struct Case {
        const wchar_t* name;
        Verdict verdict;
    } cases[] = {
        {L"", Verdict::Fine},  // the playlist ".m3u", as ever
        {L"Party", Verdict::Fine},
        {L"mix.m3u", Verdict::Fine},
        {L"a b", Verdict::Fine},
        {L" lead", Verdict::Fine},
        {L"CONSOLE", Verdict::Fine},
        {L"COM0", Verdict::Fine},
        {L"nul2", Verdict::Fine},
        {L"con-cert", Verdict::Fine},
        {L"\u6771\u4eac", Verdict::Fine},
        {L"..\\up", Verdict::Character},
        {L"a/b", Verdict::Character},
        {L"a:b", Verdict::Character},
        {L"C:x", Verdict::Character},
        {L"*", Verdict::Character},
        {L"a?", Verdict::Character},
        {L"\"q\"", Verdict::Character},
        {L"<a>", Verdict::Character},
        {L"a|b", Verdict::Character},
        {L"tab\t", Verdict::ControlCharacter},
        {L"line\nbreak", Verdict::ControlCharacter},
        {L"CON", Verdict::DeviceName},
        {L"con", Verdict::DeviceName},
        {L"con.m3u", Verdict::DeviceName},
        {L"Nul.txt", Verdict::DeviceName},
        {L"AUX .x", Verdict::DeviceName},
        {L"PRN.x.y", Verdict::DeviceName},
        {L"com1", Verdict::DeviceName},
        {L"LPT9", Verdict::DeviceName},
        {L"COM\u00b9", Verdict::DeviceName},
        {L"CONIN$", Verdict::DeviceName},
        {L"x.", Verdict::TrailingDotOrBlank},
        {L"..", Verdict::TrailingDotOrBlank},
        {L"Party ", Verdict::TrailingDotOrBlank},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Check(c.name, L".m3u", L"C:\\Music\\", nullptr), c.verdict) << Shown(c.name);
}

TEST(FileNameRule, LengthCountsTheWholePathWhenTheFolderIsKnown) {
    const std::wstring folder = L"C:\\" + std::wstring(240, L'f') + L"\\";  // 244 characters
    const FileNameRule::Limits limits;  // 259 and 255
    // 244 + 11 + ".m3u" = 259: the last that fits.
    EXPECT_EQ(Check(std::wstring(11, L'n'), L".m3u", folder, &limits), Verdict::Fine);
    EXPECT_EQ(Check(std::wstring(12, L'n'), L".m3u", folder, &limits), Verdict::TooLong);
    EXPECT_EQ(Check(std::wstring(11, L'n'), L".m3u8", folder, &limits), Verdict::TooLong);
    EXPECT_EQ(Check(std::wstring(300, L'n'), L".m3u", folder, nullptr), Verdict::Fine);
    EXPECT_EQ(FileNameRule::Message(Verdict::TooLong, std::wstring(12, L'n'), L".m3u", folder, &limits),
              L"The name is too long for this folder: it can have at most 11 characters.");
    // A file system with short names (a CD) limits the name alone.
    const FileNameRule::Limits cd{259, 64};
    EXPECT_EQ(Check(std::wstring(60, L'n'), L".m3u", L"D:\\", &cd), Verdict::Fine);
    EXPECT_EQ(Check(std::wstring(61, L'n'), L".m3u", L"D:\\", &cd), Verdict::TooLong);
    const std::wstring full = L"C:\\" + std::wstring(252, L'f') + L"\\";
    EXPECT_EQ(FileNameRule::Message(Verdict::TooLong, L"n", L".m3u", full, &limits),
              L"The folder's path is too long for a playlist in it.");
}

TEST(FileNameRule, EachRefusalSaysWhy) {
    EXPECT_EQ(FileNameRule::Message(Verdict::Character, L"a?", L".m3u", L"", nullptr),
              L"A file name can't contain any of the following characters:\n\\ / : * ? \" < > |");
    EXPECT_EQ(FileNameRule::Message(Verdict::DeviceName, L"Nul .txt", L".m3u", L"", nullptr),
              L"\"Nul\" is the name of a device in Windows and can't be used as a file name.");
    for (Verdict v : {Verdict::ControlCharacter, Verdict::TrailingDotOrBlank})
        EXPECT_NE(FileNameRule::Message(v, L"x", L".m3u", L"", nullptr), L"");
    EXPECT_EQ(FileNameRule::Message(Verdict::Fine, L"x", L".m3u", L"", nullptr), L"");
}

TEST(FailureText, NamesThePathOnALineOfItsOwnAndTheReason) {
    using FailureText::Cause;
    EXPECT_EQ(FailureText::Message(Cause::System, L"C:\\Music\\new.m3u", L"Access is denied."),
              L"The playlist could not be written:\nC:\\Music\\new.m3u\n\nAccess is denied.");
    // Read-only and folder have no system text of their own to show.
    const std::wstring readOnly = FailureText::Message(Cause::ReadOnly, L"C:\\M\\new.m3u", L"Access is denied.");
    EXPECT_NE(readOnly.find(L"read-only"), std::wstring::npos);
    EXPECT_EQ(readOnly.find(L"Access is denied."), std::wstring::npos);
    const std::wstring folder = FailureText::Message(Cause::Folder, L"C:\\M\\new.m3u", L"Access is denied.");
    EXPECT_NE(folder.find(L"folder"), std::wstring::npos);
    EXPECT_EQ(folder.find(L"Access is denied."), std::wstring::npos);
    EXPECT_EQ(FailureText::Message(Cause::Prompt, L"C:\\T\\trkconfig.exe", L"The system cannot find the file specified."),
              L"The playlist's name could not be asked for:\nC:\\T\\trkconfig.exe\n\nThe system cannot find the file specified.");
    EXPECT_EQ(FailureText::OneLine(L"a\nb"), L"a b");
}

}  // namespace
