// The whole road of a named playlist: the shell host does what Explorer does
// with the registered trkmenu.dll, which starts the real trkconfig.exe from
// its own folder; the test answers the prompt as a user would.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <thread>
#include <vector>

#include "Codepage.h"
#include "inihelper.h"
#include "resource.h"

namespace {

const std::wstring kLibrary = L"C:\\Tracklet E2E";
const std::wstring kMusic = L"C:\\users\\Public\\Music\\E2E";

HWND WaitForWindow(const wchar_t* caption, int milliseconds = 20000) {
    for (int waited = 0; waited < milliseconds; waited += 50) {
        HWND w = FindWindowW(L"#32770", caption);
        if (w && IsWindowVisible(w)) return w;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return nullptr;
}

std::vector<std::wstring> Playlists() {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((kMusic + L"\\*.m3u").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do names.push_back(found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
    std::sort(names.begin(), names.end());
    return names;
}

struct Process {
    PROCESS_INFORMATION info{};
    explicit Process(std::wstring commandLine) {
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    }
    ~Process() {
        if (!info.hProcess) return;
        if (WaitForSingleObject(info.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(info.hProcess, 99);
        CloseHandle(info.hProcess);
        CloseHandle(info.hThread);
    }
    bool Ended(int milliseconds) const { return WaitForSingleObject(info.hProcess, milliseconds) == WAIT_OBJECT_0; }
};

class EndToEnd : public testing::Test {
protected:
    static void SetUpTestSuite() {
        // The installed layout: library and program side by side, the
        // library registered from there. Once: both suites share it.
        static bool installed = false;
        if (installed) return;
        installed = true;
        CreateDirectoryW(kLibrary.c_str(), nullptr);
        ASSERT_TRUE(CopyFileW(TRKMENU_DLL, (kLibrary + L"\\trkmenu.dll").c_str(), FALSE));
        ASSERT_TRUE(CopyFileW(TRKCONFIG_EXE, (kLibrary + L"\\trkconfig.exe").c_str(), FALSE));
        HMODULE library = LoadLibraryW((kLibrary + L"\\trkmenu.dll").c_str());
        ASSERT_TRUE(library);
        auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
        ASSERT_TRUE(registerServer);
        ASSERT_EQ(registerServer(), S_OK);
        FreeLibrary(library);
    }

    void SetUp() override {
        CreateDirectoryW(kMusic.c_str(), nullptr);
        for (const auto& name : Playlists()) DeleteFileW((kMusic + L"\\" + name).c_str());
        song_ = kMusic + L"\\song.mp3";
        HANDLE h = CreateFileW(song_.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        CloseHandle(h);
        const std::wstring file = inihelper::OptionsFile();
        DeleteFileW(file.c_str());
        inihelper::IniWrite(L"trk", L"Prompt", L"1", file);
        inihelper::IniWrite(L"trk", L"Files", L"mp3", file);
    }

    // Chooses the menu command at the offset through the shell host.
    std::wstring Command(int offset) const {
        return std::wstring(L"\"") + SHELLHOST_EXE + L"\" --quiet --offset " + std::to_wstring(offset) + L" \"" +
               song_ + L"\"";
    }
    std::wstring song_;
};

enum class Way { Ok, Cancel, CloseBox };

struct Case {
    const char* name;
    std::wstring typed;
    Way way;
    std::vector<std::wstring> playlists;
};

class NamedPlaylist : public EndToEnd, public testing::WithParamInterface<Case> {};

TEST_P(NamedPlaylist, IsWrittenUnderTheAnsweredName) {
    const Case& c = GetParam();
    Process host(Command(0));
    HWND prompt = WaitForWindow(L"M3U Filename Prompt [Tracklet 1.42]");
    ASSERT_TRUE(prompt) << "the handler started no prompt";
    SendMessageW(GetDlgItem(prompt, IDC_TXTINPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(c.typed.c_str()));
    switch (c.way) {
        case Way::Ok: PostMessageW(GetDlgItem(prompt, IDC_CMDOK), BM_CLICK, 0, 0); break;
        case Way::Cancel: PostMessageW(GetDlgItem(prompt, IDC_CMDCANCEL), BM_CLICK, 0, 0); break;
        case Way::CloseBox: PostMessageW(prompt, WM_SYSCOMMAND, SC_CLOSE, 0); break;
    }
    ASSERT_TRUE(host.Ended(20000)) << "the handler did not finish after the prompt";
    EXPECT_EQ(Playlists(), c.playlists);
}

INSTANTIATE_TEST_SUITE_P(
    Answers, NamedPlaylist,
    testing::Values(Case{"Party", L"Party", Way::Ok, {L"Party.m3u"}},
                    Case{"OutsideCodePage", L"\u6771\u4eac", Way::Ok, {L"\u6771\u4eac.m3u"}},
                    Case{"Empty", L"", Way::Ok, {L".m3u"}},
                    Case{"TypedMarker", L"[CANCEL]", Way::Ok, {}},
                    Case{"Cancel", L"Party", Way::Cancel, {}},
                    Case{"CloseBox", L"Party", Way::CloseBox, {}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

// Under the Name option the real prompt offers the folder's name; OK takes it.
TEST_F(EndToEnd, PromptOffersTheFoldersName) {
    inihelper::IniWrite(L"trk", L"Name", L"1", inihelper::OptionsFile());
    Process host(Command(0));
    HWND prompt = WaitForWindow(L"M3U Filename Prompt [Tracklet 1.42]");
    ASSERT_TRUE(prompt) << "the handler started no prompt";
    wchar_t text[64] = {};
    GetDlgItemTextW(prompt, IDC_TXTINPUT, text, 64);
    EXPECT_STREQ(text, L"E2E");
    PostMessageW(GetDlgItem(prompt, IDC_CMDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(host.Ended(20000));
    EXPECT_EQ(Playlists(), std::vector<std::wstring>{L"E2E.m3u"});
}

// A right-click on the background of a collection: one portable playlist in
// each album folder, named after it.
TEST_F(EndToEnd, BackgroundGivesEachAlbumItsPortablePlaylist) {
    const std::wstring file = inihelper::OptionsFile();
    for (auto [key, value] : {std::pair{L"Prompt", L"0"}, {L"Folders", L"1"}, {L"EachFolder", L"2"},
                              {L"Portable", L"1"}, {L"Name", L"1"}, {L"Format", L"1"}})
        inihelper::IniWrite(L"trk", key, value, file);
    const std::wstring albums[] = {kMusic + L"\\Kind of Blue", kMusic + L"\\Kind of Blue\\CD 2"};
    for (const std::wstring& album : albums) {
        CreateDirectoryW(album.c_str(), nullptr);
        for (const wchar_t* name : {L"\\02 b.mp3", L"\\01 a.mp3"}) CloseHandle(CreateFileW((album + name).c_str(),
            GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    }
    Process host(std::wstring(L"\"") + SHELLHOST_EXE + L"\" --quiet --background --offset 0 \"" + kMusic + L"\"");
    ASSERT_TRUE(host.Ended(20000));
    const auto read = [](const std::wstring& path) {
        std::string bytes(256, '\0');
        HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        DWORD got = 0;
        if (h == INVALID_HANDLE_VALUE || !ReadFile(h, bytes.data(), 256, &got, nullptr)) got = 0;
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
        bytes.resize(got);
        return bytes;
    };
    EXPECT_EQ(read(kMusic + L"\\E2E.m3u8"), "#EXTM3U\nsong.mp3\n");
    EXPECT_EQ(read(albums[0] + L"\\Kind of Blue.m3u8"), "#EXTM3U\n01 a.mp3\n02 b.mp3\n");
    EXPECT_EQ(read(albums[1] + L"\\CD 2.m3u8"), "#EXTM3U\n01 a.mp3\n02 b.mp3\n");
    for (const std::wstring& album : {albums[1], albums[0]}) {
        for (const wchar_t* name : {L"\\02 b.mp3", L"\\01 a.mp3"}) DeleteFileW((album + name).c_str());
    }
    DeleteFileW((albums[1] + L"\\CD 2.m3u8").c_str());
    DeleteFileW((albums[0] + L"\\Kind of Blue.m3u8").c_str());
    DeleteFileW((kMusic + L"\\E2E.m3u8").c_str());
    RemoveDirectoryW(albums[1].c_str());
    RemoveDirectoryW(albums[0].c_str());
}

// The handler hands the playlist's folder to the prompt, which refuses a
// name too long for it before it closes; the next name is written.
TEST_F(EndToEnd, PromptRefusesANameTooLongForThePlaylistsFolder) {
    const std::wstring deep = kMusic + L"\\" + std::wstring(240 - kMusic.size(), L'd');
    CreateDirectoryW(deep.c_str(), nullptr);
    const std::wstring song = deep + L"\\song.mp3";
    CloseHandle(CreateFileW(song.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Process host(std::wstring(L"\"") + SHELLHOST_EXE + L"\" --quiet --offset 0 \"" + song + L"\"");
    HWND prompt = WaitForWindow(L"M3U Filename Prompt [Tracklet 1.42]");
    ASSERT_TRUE(prompt) << "the handler started no prompt";
    // deep + "\\" + 20 + ".m3u" is 265 characters.
    const std::wstring tooLong(20, L'n');
    SendMessageW(GetDlgItem(prompt, IDC_TXTINPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(tooLong.c_str()));
    PostMessageW(GetDlgItem(prompt, IDC_CMDOK), BM_CLICK, 0, 0);
    HWND message = GetDlgItem(prompt, IDC_LBLMESSAGE);
    for (int waited = 0; waited < 10000 && !IsWindowVisible(message); waited += 50)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ASSERT_TRUE(IsWindowVisible(message)) << "the prompt took a name too long for the folder";
    wchar_t text[256] = {};
    GetWindowTextW(message, text, 256);
    EXPECT_EQ(std::wstring(text).rfind(L"The name is too long for this folder", 0), 0u) << Codepage::ToUtf8(text);
    SendMessageW(GetDlgItem(prompt, IDC_TXTINPUT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"Party"));
    PostMessageW(GetDlgItem(prompt, IDC_CMDOK), BM_CLICK, 0, 0);
    ASSERT_TRUE(host.Ended(20000)) << "the handler did not finish after the prompt";
    EXPECT_NE(GetFileAttributesW((deep + L"\\Party.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
    DeleteFileW((deep + L"\\Party.m3u").c_str());
}

TEST_F(EndToEnd, OptionsCommandDoesNotWaitForTheDialog) {
    Process host(Command(1));
    HWND options = WaitForWindow(L"Tracklet Setup & Options");
    ASSERT_TRUE(options) << "the handler opened no options dialog";
    EXPECT_TRUE(host.Ended(20000)) << "the handler waited for the options dialog";
    EXPECT_TRUE(IsWindow(options));
    PostMessageW(options, WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(Playlists().empty());
}

}  // namespace
