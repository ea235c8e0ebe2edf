// Drives the real trkconfig.exe from outside, as a user would: finds each
// dialog by its caption, reads its controls, types, presses buttons and keys,
// and checks the options file afterwards. Layout is checked in pixels at
// 96 dpi (15 twips to the pixel).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "Codepage.h"
#include "NoCase.h"
#include "frmSetupLinks.h"
#include "inihelper.h"
#include "resource.h"

namespace {

constexpr wchar_t kOptionsCaption[] = L"Tracklet Setup & Options";
constexpr wchar_t kPromptCaption[] = L"M3U Filename Prompt [Tracklet 1.42]";
constexpr wchar_t kPromptArgument[] = L"Enter M3U playlist filename:  (without .m3u)";

bool WaitFor(const std::function<bool()>& condition, int milliseconds = 15000) {
    for (int waited = 0; waited < milliseconds; waited += 20) {
        if (condition()) return true;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return condition();
}

std::wstring Text(HWND window) {
    wchar_t buffer[1024] = {};
    SendMessageW(window, WM_GETTEXT, std::size(buffer), reinterpret_cast<LPARAM>(buffer));
    return buffer;
}

RECT ClientRectOf(HWND control) {
    RECT r;
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, GetParent(control), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

// Twips to pixels at 96 dpi.
RECT Twips(int left, int top, int width, int height) {
    return {left / 15, top / 15, (left + width) / 15, (top + height) / 15};
}

std::string Show(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " + std::to_string(r.right - r.left) + "x" +
           std::to_string(r.bottom - r.top);
}

// One run of trkconfig.exe with its dialog.
class ConfigRun {
public:
    ConfigRun(const std::wstring& argument, const wchar_t* caption) {
        std::wstring commandLine = std::wstring(L"\"") + TRKCONFIG_EXE + L"\"";
        if (!argument.empty()) commandLine += L" " + argument;
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        started_ = CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                  &startup, &process_) != FALSE;
        if (!started_) return;
        WaitFor([&] {
            HWND found = nullptr;
            while ((found = FindWindowExW(nullptr, found, L"#32770", caption))) {
                DWORD pid = 0;
                DWORD tid = GetWindowThreadProcessId(found, &pid);
                if (pid == process_.dwProcessId && IsWindowVisible(found)) {
                    dialog_ = found;
                    thread_ = tid;
                    return true;
                }
            }
            return WaitForSingleObject(process_.hProcess, 0) == WAIT_OBJECT_0;
        });
    }
    ~ConfigRun() {
        if (!started_) return;
        if (WaitForSingleObject(process_.hProcess, 0) != WAIT_OBJECT_0) TerminateProcess(process_.hProcess, 99);
        CloseHandle(process_.hProcess);
        CloseHandle(process_.hThread);
    }

    HWND Dialog() const { return dialog_; }
    HWND Item(int id) const { return GetDlgItem(dialog_, id); }

    HWND Focus() const {
        GUITHREADINFO info{};
        info.cbSize = sizeof info;
        return GetGUIThreadInfo(thread_, &info) ? info.hwndFocus : nullptr;
    }
    bool Running() const { return WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT; }
    // The exit status, or -1 when the program has not ended in time.
    int ExitStatus(int milliseconds = 15000) const {
        if (WaitForSingleObject(process_.hProcess, milliseconds) != WAIT_OBJECT_0) return -1;
        DWORD status = 0;
        GetExitCodeProcess(process_.hProcess, &status);
        return static_cast<int>(status);
    }
    // Still open after the program has had time to act on what was posted.
    bool StaysOpen() const {
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        return Running() && IsWindowVisible(dialog_);
    }

    void Type(int id, const std::wstring& text) const {
        SendMessageW(Item(id), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    }
    void Click(int id) const { PostMessageW(Item(id), BM_CLICK, 0, 0); }
    // Keys go through the dialog's own message loop, as typed keys do.
    void Key(WPARAM key) const {
        HWND target = Focus() ? Focus() : dialog_;
        PostMessageW(target, WM_KEYDOWN, key, 1);
        PostMessageW(target, WM_KEYUP, key, 0xC0000001);
    }
    void CloseBox() const { PostMessageW(dialog_, WM_SYSCOMMAND, SC_CLOSE, 0); }
    void AltF4() const {
        // Alt held: bit 29 of the key data.
        PostMessageW(dialog_, WM_SYSKEYDOWN, VK_F4, 0x20000001);
    }

    DWORD ProcessId() const { return process_.dwProcessId; }

private:
    PROCESS_INFORMATION process_{};
    bool started_ = false;
    HWND dialog_ = nullptr;
    DWORD thread_ = 0;
};

class Trkconfig : public testing::Test {
protected:
    void SetUp() override {
        HDC screen = GetDC(nullptr);
        ASSERT_EQ(GetDeviceCaps(screen, LOGPIXELSX), 96) << "layout checks assume 96 dpi";
        ReleaseDC(nullptr, screen);
        // The pointer away from where the dialogs open, so that no real
        // mouse move mixes with the ones the tests post.
        SetCursorPos(0, 0);
        file_ = inihelper::OptionsFile();
        RemoveFile();
    }
    void TearDown() override { RemoveFile(); }
    void RemoveFile() {
        SetFileAttributesW(file_.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(file_.c_str());
        RemoveDirectoryW(file_.c_str());
    }
    bool FileExists() const { return GetFileAttributesW(file_.c_str()) != INVALID_FILE_ATTRIBUTES; }
    std::wstring Key(const wchar_t* section, const wchar_t* key) const {
        return inihelper::IniRead(section, key, file_, L"(missing)");
    }
    std::wstring Answer() const { return inihelper::ReadAnswer(file_, L"(missing)"); }
    void WriteKey(const wchar_t* section, const wchar_t* key, const wchar_t* value) const {
        inihelper::IniWrite(section, key, value, file_);
    }
    std::wstring file_;
};

// ---------------------------------------------------------------- the prompt

using Prompt = Trkconfig;

TEST_F(Prompt, LooksAsLaidOut) {
    ConfigRun run(L"x", kPromptCaption);
    ASSERT_TRUE(run.Dialog()) << "no prompt window";
    wchar_t caption[100] = {};
    GetWindowTextW(run.Dialog(), caption, 100);
    EXPECT_STREQ(caption, kPromptCaption);
    // The fixed question, not the argument text.
    EXPECT_EQ(Text(run.Item(IDC_LBLPROMPT)), L"Enter the M3U Filename: (without .m3u)");
    EXPECT_EQ(Text(run.Item(IDC_TXTINPUT)), L"");
    EXPECT_EQ(Text(run.Item(IDC_CMDOK)), L"&Ok");
    EXPECT_EQ(Text(run.Item(IDC_CMDCANCEL)), L"&Cancel");

    RECT client;
    GetClientRect(run.Dialog(), &client);
    EXPECT_EQ(client.right, 5715 / 15);
    EXPECT_EQ(client.bottom, 915 / 15);
    struct Place {
        int id, left, top, width, height;
    } places[] = {
        {IDC_LBLPROMPT, 15, 0, 5700, 225},
        {IDC_TXTINPUT, 15, 240, 5700, 285},
        {IDC_CMDOK, 4470, 570, 1230, 330},
        {IDC_CMDCANCEL, 3210, 570, 1230, 330},
    };
    for (const auto& p : places)
        EXPECT_EQ(Show(ClientRectOf(run.Item(p.id))), Show(Twips(p.left, p.top, p.width, p.height))) << "control " << p.id;

    // Centred on the screen's work area, and above other windows.
    RECT window, work;
    GetWindowRect(run.Dialog(), &window);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_LE(std::abs((window.left + window.right) - (work.left + work.right)), 1);
    EXPECT_LE(std::abs((window.top + window.bottom) - (work.top + work.bottom)), 1);
    EXPECT_TRUE(GetWindowLongW(run.Dialog(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetForegroundWindow(), run.Dialog());

    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
}

TEST_F(Prompt, FocusStartsInTheBoxAndTabsInOrder) {
    ConfigRun run(kPromptArgument, kPromptCaption);
    ASSERT_TRUE(run.Dialog());
    HWND box = run.Item(IDC_TXTINPUT), ok = run.Item(IDC_CMDOK), cancel = run.Item(IDC_CMDCANCEL);
    EXPECT_EQ(run.Focus(), box);
    // The label holds the first place without taking the focus.
    EXPECT_EQ(GetWindow(run.Dialog(), GW_CHILD), run.Item(IDC_LBLPROMPT));
    EXPECT_EQ(GetNextDlgTabItem(run.Dialog(), box, FALSE), ok);
    EXPECT_EQ(GetNextDlgTabItem(run.Dialog(), ok, FALSE), cancel);
    EXPECT_EQ(GetNextDlgTabItem(run.Dialog(), cancel, FALSE), box);
    EXPECT_EQ(LOWORD(SendMessageW(run.Dialog(), DM_GETDEFID, 0, 0)), IDC_CMDOK);
    EXPECT_EQ(GetWindowLongW(ok, GWL_STYLE) & BS_TYPEMASK, BS_DEFPUSHBUTTON);
    run.Key(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return run.Focus() == ok; }));
    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
}

enum class Way { OkButton, EnterInBox, CancelButton, EnterOnCancel, CloseBox, AltF4 };

struct Exchange {
    const char* name;
    std::wstring typed;
    Way way;
    std::wstring answer;
};

class PromptExchange : public Trkconfig, public testing::WithParamInterface<Exchange> {};

TEST_P(PromptExchange, WritesExactlyTheAnswer) {
    const Exchange& e = GetParam();
    WriteKey(L"input", L"value", L"Old answer");
    WriteKey(L"trk", L"Prompt", L"1");
    ConfigRun run(kPromptArgument, kPromptCaption);
    ASSERT_TRUE(run.Dialog());
    run.Type(IDC_TXTINPUT, e.typed);
    switch (e.way) {
        case Way::OkButton: run.Click(IDC_CMDOK); break;
        case Way::EnterInBox: run.Key(VK_RETURN); break;
        case Way::CancelButton: run.Click(IDC_CMDCANCEL); break;
        case Way::EnterOnCancel:
            run.Key(VK_TAB);
            ASSERT_TRUE(WaitFor([&] { return run.Focus() == run.Item(IDC_CMDOK); }));
            run.Key(VK_TAB);
            ASSERT_TRUE(WaitFor([&] { return run.Focus() == run.Item(IDC_CMDCANCEL); }));
            run.Key(VK_RETURN);
            break;
        case Way::CloseBox: run.CloseBox(); break;
        case Way::AltF4: run.AltF4(); break;
    }
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Answer(), e.answer);
    EXPECT_EQ(Key(L"trk", L"Prompt"), L"1");
}

INSTANTIATE_TEST_SUITE_P(
    Ways, PromptExchange,
    testing::Values(Exchange{"OkButton", L"Party", Way::OkButton, L"Party"},
                    Exchange{"EnterInBox", L"Mix.m3u", Way::EnterInBox, L"Mix.m3u"},
                    Exchange{"EmptyOk", L"", Way::OkButton, L""},
                    Exchange{"TypedMarker", L"[CANCEL]", Way::OkButton, L"[CANCEL]"},
                    Exchange{"OutsideCodePage", L"\u6771\u4eac \u00e9t\u00e9", Way::OkButton, L"\u6771\u4eac \u00e9t\u00e9"},
                    Exchange{"CancelButton", L"Party", Way::CancelButton, L"[cancel]"},
                    Exchange{"EnterOnCancel", L"Party", Way::EnterOnCancel, L"[cancel]"},
                    Exchange{"CloseBox", L"Party", Way::CloseBox, L"[cancel]"},
                    Exchange{"AltF4", L"", Way::AltF4, L"[cancel]"}),
    [](const testing::TestParamInfo<Exchange>& info) { return std::string(info.param.name); });

// A prompt given a key of its own answers there alone and names the
// extension it was asked for; a key of another form is no key.
TEST_F(Prompt, AnswersUnderItsOwnKey) {
    WriteKey(L"input", L"value", L"Old answer");
    {
        ConfigRun run(L"Enter M3U playlist filename:  (without .m3u8) /answer:value-1f-2a-3", kPromptCaption);
        ASSERT_TRUE(run.Dialog());
        EXPECT_EQ(Text(run.Item(IDC_LBLPROMPT)), L"Enter the M3U Filename: (without .m3u8)");
        run.Type(IDC_TXTINPUT, L"Party");
        run.Click(IDC_CMDOK);
        EXPECT_EQ(run.ExitStatus(), 0);
    }
    EXPECT_EQ(inihelper::ReadAnswer(file_, L"(missing)", L"value-1f-2a-3"), L"Party");
    EXPECT_EQ(Answer(), L"Old answer");
    {
        ConfigRun run(L"Enter M3U playlist filename:  (without .m3u) /answer:a_b", kPromptCaption);
        ASSERT_TRUE(run.Dialog());
        run.Click(IDC_CMDCANCEL);
        EXPECT_EQ(run.ExitStatus(), 0);
    }
    EXPECT_EQ(Answer(), L"[cancel]");
    EXPECT_EQ(Key(L"input", L"a_b"), L"(missing)");
}

// The suggestion stands in the box, all of it selected: Enter takes it.
TEST_F(Prompt, StartsWithTheSuggestedNameSelected) {
    {
        ConfigRun run(L"Enter M3U playlist filename:  (without .m3u8) /name:\"Kind of Blue\" /answer:value-1-2-3",
                      kPromptCaption);
        ASSERT_TRUE(run.Dialog());
        EXPECT_EQ(Text(run.Item(IDC_LBLPROMPT)), L"Enter the M3U Filename: (without .m3u8)");
        EXPECT_EQ(Text(run.Item(IDC_TXTINPUT)), L"Kind of Blue");
        DWORD start = 99, end = 0;
        SendMessageW(run.Item(IDC_TXTINPUT), EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
        EXPECT_EQ(start, 0u);
        EXPECT_EQ(end, 12u);
        EXPECT_EQ(run.Focus(), run.Item(IDC_TXTINPUT));
        run.Key(VK_RETURN);
        EXPECT_EQ(run.ExitStatus(), 0);
    }
    EXPECT_EQ(Key(L"input", L"value-1-2-3"), L"Kind of Blue");
}

TEST_F(Prompt, EscapeDoesNothing) {
    ConfigRun run(L"x", kPromptCaption);
    ASSERT_TRUE(run.Dialog());
    run.Type(IDC_TXTINPUT, L"Party");
    run.Key(VK_ESCAPE);
    EXPECT_TRUE(run.StaysOpen());
    EXPECT_EQ(Answer(), L"(missing)");
    run.Click(IDC_CMDOK);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Answer(), L"Party");
}

// A name Windows cannot take keeps the prompt open: the reason under the
// text box, the text selected for typing anew, no answer written.
struct Refusal {
    const char* name;
    std::wstring typed;
    std::wstring why;  // the start of the message
    std::wstring folder;  // for the /folder: switch; empty: none
};

class PromptRefusal : public Trkconfig, public testing::WithParamInterface<Refusal> {};

TEST_P(PromptRefusal, KeepsThePromptOpenAndSaysWhy) {
    const Refusal& r = GetParam();
    std::wstring argument = kPromptArgument;
    if (!r.folder.empty()) argument += L" /folder:\"" + r.folder + L"\"";
    ConfigRun run(argument + L" /answer:value-1-2-3", kPromptCaption);
    ASSERT_TRUE(run.Dialog());
    const HWND box = run.Item(IDC_TXTINPUT), message = run.Item(IDC_LBLMESSAGE);
    EXPECT_FALSE(IsWindowVisible(message));
    run.Type(IDC_TXTINPUT, r.typed);
    run.Key(VK_RETURN);
    ASSERT_TRUE(WaitFor([&] { return IsWindowVisible(message) != FALSE; })) << "no refusal shown";
    EXPECT_TRUE(run.StaysOpen());
    EXPECT_EQ(Text(message).substr(0, r.why.size()), r.why) << Codepage::ToUtf8(Text(message));
    EXPECT_EQ(run.Focus(), box);
    DWORD from = 1, to = 0;
    SendMessageW(box, EM_GETSEL, reinterpret_cast<WPARAM>(&from), reinterpret_cast<LPARAM>(&to));
    EXPECT_EQ(from, 0u);
    EXPECT_EQ(to, r.typed.size());
    // The message fits between the text box and the buttons, inside the window.
    RECT client, text = ClientRectOf(box), said = ClientRectOf(message), ok = ClientRectOf(run.Item(IDC_CMDOK)),
         cancel = ClientRectOf(run.Item(IDC_CMDCANCEL));
    GetClientRect(run.Dialog(), &client);
    EXPECT_GE(said.top, text.bottom);
    EXPECT_LE(said.bottom, ok.top);
    EXPECT_EQ(ok.top, cancel.top);
    EXPECT_LE(ok.bottom, client.bottom);
    EXPECT_EQ(inihelper::ReadAnswer(file_, L"(missing)", L"value-1-2-3"), L"(missing)");
    // A name it can take goes through.
    run.Type(IDC_TXTINPUT, L"Party");
    run.Click(IDC_CMDOK);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(inihelper::ReadAnswer(file_, L"(missing)", L"value-1-2-3"), L"Party");
}

const std::wstring kDeepFolder = L"C:\\" + std::wstring(240, L'f') + L"\\";

INSTANTIATE_TEST_SUITE_P(
    Kinds, PromptRefusal,
    testing::Values(
        Refusal{"Characters", L"AC/DC", L"A file name can't contain any of the following characters:\n\\ / : * ? \" < > |", L""},
        Refusal{"ControlCharacter", L"a\tb", L"A file name can't contain control characters", L""},
        Refusal{"DeviceName", L"Nul.txt", L"\"Nul\" is the name of a device", L""},
        Refusal{"TrailingDot", L"Party.", L"A file name can't end with a dot or a blank.", L""},
        Refusal{"TrailingBlank", L"Party ", L"A file name can't end with a dot or a blank.", L""},
        Refusal{"TooLongForTheFolder", std::wstring(20, L'n'), L"The name is too long for this folder", kDeepFolder}),
    [](const testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

// Without the folder, the length is not the prompt's to judge; the empty
// answer is taken as ever.
TEST_F(Prompt, TakesAnyLengthWithoutAFolderAndTheEmptyName) {
    for (const std::wstring& typed : {std::wstring(300, L'n'), std::wstring()}) {
        ConfigRun run(kPromptArgument, kPromptCaption);
        ASSERT_TRUE(run.Dialog());
        run.Type(IDC_TXTINPUT, typed);
        run.Click(IDC_CMDOK);
        EXPECT_EQ(run.ExitStatus(), 0);
        EXPECT_EQ(Answer(), typed.substr(0, 254));  // as far as the profile functions read
    }
}

TEST_F(Prompt, UnwritableAnswerEndsWithNonZeroStatus) {
    // A folder where the options file should be: the answer cannot be written.
    ASSERT_TRUE(CreateDirectoryW(file_.c_str(), nullptr));
    ConfigRun run(L"x", kPromptCaption);
    ASSERT_TRUE(run.Dialog());
    run.Type(IDC_TXTINPUT, L"Party");
    run.Click(IDC_CMDOK);
    EXPECT_GT(run.ExitStatus(), 0);
}

// ------------------------------------------------------- the options dialog

using Options = Trkconfig;

struct Layout {
    int id;
    const wchar_t* text;  // nullptr: not checked
    int left, top, width, height;
};

// In the order of the children, which is the tab order: OK, Cancel, then
// the rest in reading order. height 0: a drop-down list, whose closed height
// its font sets.
const Layout kOptionsLayout[] = {
    {IDC_CMDOK, L"&Ok", 4740, 4530, 1230, 330},
    {IDC_CMDCANCEL, L"&Cancel", 3450, 4530, 1230, 330},
    {IDC_IMAGE1, nullptr, 15, 15, 1695, 825},
    {IDC_LBLLINK0, nullptr, 1770, 45, 2970, 195},
    {IDC_LBLLINK1, nullptr, 1770, 330, 3285, 195},
    {IDC_LBLLINK2, nullptr, 1770, 585, 2685, 195},
    {IDC_LABEL2, L"General :", 15, 960, 960, 195},
    {IDC_CHKSB, L"Show bitmaps in menu items", 1050, 945, 2355, 240},
    {IDC_CHKDEBUG, L"Generate Debugging Info", 1050, 1215, 2175, 240},
    {IDC_LABEL1, L"File Exts.", 120, 1530, 855, 195},
    {IDC_TXTFILEEXT, nullptr, 1050, 1485, 2385, 285},
    {IDC_LABEL3, L"Playlists :", 15, 1935, 960, 195},
    {IDC_CHKPROMPT, L"Prompt for file name (If not create as `new.m3u`)", 1050, 1920, 3960, 240},
    {IDC_CHKOVERWRITE, L"Overwrite existing files (If not append to end of existing file)", 1050, 2190, 4920, 240},
    {IDC_CHKFULLPATHS, L"Use full paths", 1050, 2460, 2505, 240},
    {IDC_CHKFORMAT, L"Write UTF-8 playlists (.m3u8)", 1050, 2730, 2805, 240},
    {IDC_CHKORDER, L"Sort as Explorer does (2 before 10)", 1050, 3000, 3300, 240},
    {IDC_CHKPORTABLE, L"Portable playlists (/ and LF, for phones and media servers)", 1050, 3270, 4860, 240},
    {IDC_CHKNAME, L"Name playlists after their folder", 1050, 3540, 3300, 240},
    {IDC_CHKFOLDERS, L"Include folders and their subfolders", 1050, 3810, 3300, 240},
    {IDC_LBLEACHFOLDER, L"Of folders:", 1290, 4125, 915, 195},
    {IDC_CMBEACHFOLDER, nullptr, 2250, 4080, 3720, 0},
};

// The check boxes in the order of the options file's keys; the last key,
// EachFolder, is a drop-down list.
const int kChecks[] = {IDC_CHKSB,        IDC_CHKDEBUG,  IDC_CHKPROMPT,  IDC_CHKOVERWRITE, IDC_CHKFULLPATHS,
                       IDC_CHKFORMAT,    IDC_CHKORDER,  IDC_CHKFOLDERS, IDC_CHKPORTABLE,  IDC_CHKNAME};
const int kThreeState[] = {IDC_CHKSB, IDC_CHKDEBUG, IDC_CHKPROMPT, IDC_CHKOVERWRITE, IDC_CHKFULLPATHS};

int Chosen(const ConfigRun& run) {
    return static_cast<int>(SendMessageW(run.Item(IDC_CMBEACHFOLDER), CB_GETCURSEL, 0, 0));
}

std::vector<int> States(const ConfigRun& run) {
    std::vector<int> states;
    for (int id : kChecks) states.push_back(static_cast<int>(SendMessageW(run.Item(id), BM_GETCHECK, 0, 0)));
    return states;
}

std::vector<HWND> Children(HWND dialog) {
    std::vector<HWND> children;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) children.push_back(c);
    return children;
}

bool IsGroupBox(HWND control) {
    wchar_t kind[16] = {};
    GetClassNameW(control, kind, 16);
    return NoCase::Same(kind, L"Button") && (GetWindowLongW(control, GWL_STYLE) & BS_TYPEMASK) == BS_GROUPBOX;
}

bool Contains(const RECT& outer, const RECT& inner) {
    return inner.left >= outer.left && inner.top >= outer.top && inner.right <= outer.right &&
           inner.bottom <= outer.bottom;
}

TEST_F(Options, LooksAsLaidOut) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog()) << "no options window";
    RECT client;
    GetClientRect(run.Dialog(), &client);
    EXPECT_EQ(client.right, 6060 / 15);
    EXPECT_EQ(client.bottom, 4950 / 15);

    HWND child = GetWindow(run.Dialog(), GW_CHILD);
    for (const auto& c : kOptionsLayout) {
        SCOPED_TRACE("control " + std::to_string(c.id));
        ASSERT_TRUE(run.Item(c.id));
        EXPECT_EQ(child, run.Item(c.id)) << "order of the children";
        child = GetWindow(child, GW_HWNDNEXT);
        RECT expected = Twips(c.left, c.top, c.width, c.height);
        if (!c.height) expected.bottom = ClientRectOf(run.Item(c.id)).bottom;
        EXPECT_EQ(Show(ClientRectOf(run.Item(c.id))), Show(expected));
        if (c.text) {
            EXPECT_EQ(Text(run.Item(c.id)), c.text);
        }
    }
    for (int id : kChecks) {
        const bool three = std::find(std::begin(kThreeState), std::end(kThreeState), id) != std::end(kThreeState);
        EXPECT_EQ(GetWindowLongW(run.Item(id), GWL_STYLE) & BS_TYPEMASK, three ? BS_AUTO3STATE : BS_AUTOCHECKBOX)
            << "control " << id;
    }
    HWND list = run.Item(IDC_CMBEACHFOLDER);
    EXPECT_EQ(GetWindowLongW(list, GWL_STYLE) & 3, CBS_DROPDOWNLIST);
    ASSERT_EQ(SendMessageW(list, CB_GETCOUNT, 0, 0), 3);
    std::vector<std::wstring> choices;
    for (int i = 0; i < 3; ++i) {
        wchar_t item[128] = {};
        SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item));
        choices.push_back(item);
    }
    EXPECT_EQ(choices, (std::vector<std::wstring>{L"One playlist for the whole selection",
                                                  L"A playlist in each selected folder",
                                                  L"A playlist in every folder with music"}));
    for (int id : {IDC_LBLLINK0, IDC_LBLLINK1, IDC_LBLLINK2}) EXPECT_NE(Text(run.Item(id)).find(L" - "), std::wstring::npos);
    EXPECT_NE(Text(run.Item(IDC_LBLLINK2)).find(L'@'), std::wstring::npos);
    EXPECT_TRUE(GetWindowLongW(run.Dialog(), GWL_EXSTYLE) & WS_EX_TOPMOST);
    EXPECT_EQ(GetForegroundWindow(), run.Dialog());
    EXPECT_EQ(run.Focus(), run.Item(IDC_CMDOK));
    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
}

TEST_F(Options, ControlsNeitherOverlapNorLeaveTheClientArea) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    RECT client;
    GetClientRect(run.Dialog(), &client);
    const std::vector<HWND> children = Children(run.Dialog());
    ASSERT_GE(children.size(), std::size(kOptionsLayout));
    for (size_t i = 0; i < children.size(); ++i) {
        const RECT a = ClientRectOf(children[i]);
        EXPECT_TRUE(Contains(client, a)) << "control " << GetDlgCtrlID(children[i]) << " at " << Show(a);
        for (size_t j = i + 1; j < children.size(); ++j) {
            const RECT b = ClientRectOf(children[j]);
            RECT both;
            if (!IntersectRect(&both, &a, &b)) continue;
            // A group box may hold its members.
            if ((IsGroupBox(children[i]) && Contains(a, b)) || (IsGroupBox(children[j]) && Contains(b, a))) continue;
            ADD_FAILURE() << "controls " << GetDlgCtrlID(children[i]) << " at " << Show(a) << " and "
                          << GetDlgCtrlID(children[j]) << " at " << Show(b) << " overlap";
        }
    }
    // OK and Cancel at the bottom right, OK rightmost.
    const RECT ok = ClientRectOf(run.Item(IDC_CMDOK)), cancel = ClientRectOf(run.Item(IDC_CMDCANCEL));
    for (HWND c : children) {
        if (c == run.Item(IDC_CMDOK) || c == run.Item(IDC_CMDCANCEL)) continue;
        EXPECT_LE(ClientRectOf(c).bottom, ok.top) << "control " << GetDlgCtrlID(c) << " below the buttons";
    }
    EXPECT_EQ(cancel.top, ok.top);
    EXPECT_LT(cancel.right, ok.left);
    EXPECT_GE(ok.right, client.right - 10);
    EXPECT_GE(ok.bottom, client.bottom - 10);
    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
}

TEST_F(Options, TabGoesFromOkToCancelThenDownTheControls) {
    WriteKey(L"trk", L"Folders", L"1");  // the folder choice takes the focus only with folders
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    HWND ok = run.Item(IDC_CMDOK), cancel = run.Item(IDC_CMDCANCEL);
    std::vector<HWND> controls;
    for (HWND c : Children(run.Dialog()))
        if ((GetWindowLongW(c, GWL_STYLE) & WS_TABSTOP) && IsWindowVisible(c) && IsWindowEnabled(c) && c != ok &&
            c != cancel)
            controls.push_back(c);
    ASSERT_EQ(controls.size(), std::size(kChecks) + 2) << "the check boxes, the extension box and the list";
    // Reading order: by rows from the top, and left to right within a row.
    std::vector<HWND> reading = controls;
    std::stable_sort(reading.begin(), reading.end(), [](HWND a, HWND b) {
        const RECT ra = ClientRectOf(a), rb = ClientRectOf(b);
        const bool sameRow = ra.top < rb.bottom && rb.top < ra.bottom;
        return sameRow ? ra.left < rb.left : ra.top < rb.top;
    });
    std::vector<HWND> visited{run.Focus()};
    for (size_t i = 0; i < controls.size() + 2; ++i)
        visited.push_back(GetNextDlgTabItem(run.Dialog(), visited.back(), FALSE));
    std::vector<HWND> expected{ok, cancel};
    expected.insert(expected.end(), reading.begin(), reading.end());
    expected.push_back(ok);
    EXPECT_EQ(visited, expected);
    // And the keyboard goes the same way.
    run.Key(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return run.Focus() == cancel; }));
    run.Key(VK_TAB);
    EXPECT_TRUE(WaitFor([&] { return run.Focus() == reading.front(); }));
    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
}

TEST_F(Options, FolderChoiceIsOfferedOnlyWithFolders) {
    WriteKey(L"trk", L"EachFolder", L"2");
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    EXPECT_EQ(Chosen(run), 2);
    EXPECT_FALSE(IsWindowEnabled(run.Item(IDC_CMBEACHFOLDER)));
    run.Click(IDC_CHKFOLDERS);
    EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(run.Item(IDC_CMBEACHFOLDER)) != FALSE; }));
    SendMessageW(run.Item(IDC_CMBEACHFOLDER), CB_SETCURSEL, 1, 0);
    run.Click(IDC_CMDOK);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Key(L"trk", L"Folders"), L"1");
    EXPECT_EQ(Key(L"trk", L"EachFolder"), L"1");
}

// The newer options mean off or on: a click on a checked box clears it. The
// original five keep their greyed state.
TEST_F(Options, NewerBoxesHaveTwoStatesTheOriginalFiveThree) {
    for (const wchar_t* key : {L"Bitmaps", L"Format", L"Order", L"Folders", L"Portable", L"Name"})
        WriteKey(L"trk", key, L"1");
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    for (int id : {IDC_CHKSB, IDC_CHKFORMAT, IDC_CHKORDER, IDC_CHKFOLDERS, IDC_CHKPORTABLE, IDC_CHKNAME})
        run.Click(id);
    ASSERT_TRUE(WaitFor([&] { return SendMessageW(run.Item(IDC_CHKNAME), BM_GETCHECK, 0, 0) == BST_UNCHECKED; }));
    EXPECT_EQ(States(run), (std::vector<int>{2, 0, 1, 1, 0, 0, 0, 0, 0, 0}));
    run.Click(IDC_CMDOK);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Key(L"trk", L"Bitmaps"), L"2");
    for (const wchar_t* key : {L"Format", L"Order", L"Folders", L"Portable", L"Name"})
        EXPECT_EQ(Key(L"trk", key), L"0") << Codepage::ToUtf8(key);
}

TEST_F(Options, WithoutAFileShowsDefaultsAndCancelCreatesNone) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    EXPECT_EQ(States(run), (std::vector<int>{1, 0, 1, 1, 0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(Chosen(run), 0);
    EXPECT_EQ(Text(run.Item(IDC_TXTFILEEXT)), L"mp3,mp2,mpa,voc,wav,it,xm,s3m,stm,mod,dsm,far,ult,mtm,669,wma");
    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_FALSE(FileExists());
}

TEST_F(Options, OkWritesEveryKeyAsShownOrEdited) {
    WriteKey(L"trk", L"Bitmaps", L"2");
    WriteKey(L"trk", L"Debug", L"yes");
    WriteKey(L"trk", L"Prompt", L"0");
    WriteKey(L"trk", L"Overwrite", L"7");
    WriteKey(L"trk", L"Format", L"1");
    WriteKey(L"trk", L"Order", L"on");
    WriteKey(L"trk", L"Files", L"mp3,a/b,,wav");
    WriteKey(L"input", L"value", L"Old answer");
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    EXPECT_EQ(States(run), (std::vector<int>{2, 0, 0, 1, 0, 1, 0, 0, 0, 0}));
    EXPECT_EQ(Text(run.Item(IDC_TXTFILEEXT)), L"mp3,,wav");
    run.Click(IDC_CHKFULLPATHS);  // three states: 0 -> 1
    run.Click(IDC_CHKFOLDERS);
    run.Click(IDC_CMDOK);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Key(L"trk", L"Bitmaps"), L"2");
    EXPECT_EQ(Key(L"trk", L"Debug"), L"0");
    EXPECT_EQ(Key(L"trk", L"Prompt"), L"0");
    EXPECT_EQ(Key(L"trk", L"Overwrite"), L"1");
    EXPECT_EQ(Key(L"trk", L"Paths"), L"1");
    EXPECT_EQ(Key(L"trk", L"Format"), L"1");
    EXPECT_EQ(Key(L"trk", L"Order"), L"0");
    EXPECT_EQ(Key(L"trk", L"Folders"), L"1");
    EXPECT_EQ(Key(L"trk", L"Portable"), L"0");
    EXPECT_EQ(Key(L"trk", L"Name"), L"0");
    EXPECT_EQ(Key(L"trk", L"EachFolder"), L"0");
    EXPECT_EQ(Key(L"trk", L"Files"), L"mp3,,wav");
    EXPECT_EQ(Answer(), L"Old answer");
}

TEST_F(Options, TypedExtensionsAreWrittenUntested) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    run.Type(IDC_TXTFILEEXT, L"wav, mp3,a/b");
    run.Click(IDC_CMDOK);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Key(L"trk", L"Files"), L"wav, mp3,a/b");
    EXPECT_EQ(Key(L"trk", L"Bitmaps"), L"1");
}

TEST_F(Options, EnterAndEscapeDoNothingUnlessAButtonHasTheFocus) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    run.Key(VK_TAB);
    run.Key(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return run.Focus() == run.Item(IDC_CHKSB); }));
    run.Key(VK_RETURN);
    run.Key(VK_ESCAPE);
    EXPECT_TRUE(run.StaysOpen());
    EXPECT_FALSE(FileExists());
    run.Key(VK_TAB);
    run.Key(VK_TAB);
    ASSERT_TRUE(WaitFor([&] { return run.Focus() == run.Item(IDC_TXTFILEEXT); }));
    run.Key(VK_RETURN);
    EXPECT_TRUE(run.StaysOpen());
    EXPECT_FALSE(FileExists());
    // Enter on the focused Cancel button presses it.
    for (int i = 0; i < 10; ++i) run.Key(VK_TAB);  // the rest of the boxes, OK
    ASSERT_TRUE(WaitFor([&] { return run.Focus() == run.Item(IDC_CMDCANCEL); }));
    run.Key(VK_RETURN);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_FALSE(FileExists());
}

TEST_F(Options, EnterOnFocusedOkSaves) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    run.Key(VK_RETURN);
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Key(L"trk", L"Overwrite"), L"1");
}

TEST_F(Options, CloseBoxWritesNothing) {
    WriteKey(L"trk", L"Debug", L"1");
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    run.Click(IDC_CHKDEBUG);
    run.CloseBox();
    EXPECT_EQ(run.ExitStatus(), 0);
    EXPECT_EQ(Key(L"trk", L"Debug"), L"1");
    EXPECT_EQ(Key(L"trk", L"Bitmaps"), L"(missing)");
}

TEST_F(Options, OkThatCannotSaveSaysSoNamingTheFile) {
    ASSERT_TRUE(CreateDirectoryW(file_.c_str(), nullptr));
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    run.Click(IDC_CMDOK);
    HWND box = nullptr;
    ASSERT_TRUE(WaitFor([&] {
        HWND w = nullptr;
        while ((w = FindWindowExW(nullptr, w, L"#32770", L"Tracklet"))) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == run.ProcessId()) return (box = w) != nullptr;
        }
        return false;
    })) << "no message box";
    std::wstring text;
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) text += Text(c) + L"\n";
    EXPECT_NE(text.find(file_), std::wstring::npos) << Codepage::ToUtf8(text);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(run.ExitStatus(), 0);
}

// ------------------------------------------------------------- link labels

struct Look {
    COLORREF color;
    bool underlined;
    bool operator==(const Look&) const = default;
};
void PrintTo(const Look& l, std::ostream* os) {
    *os << "rgb(" << int(GetRValue(l.color)) << "," << int(GetGValue(l.color)) << "," << int(GetBValue(l.color))
        << (l.underlined ? ") underlined" : ") plain");
}

Look LookOf(HWND label) {
    return {frmSetupLinks::DecodeColor(GetPropW(label, frmSetupLinks::kColorProp)),
            frmSetupLinks::DecodeUnderline(GetPropW(label, frmSetupLinks::kUnderlineProp))};
}

const Look kPlain{RGB(0, 0, 0), false}, kHover{RGB(0, 0, 255), true}, kPressed{RGB(255, 0, 0), true};

TEST_F(Options, LinkLabelsLightUpUnderThePointer) {
    ConfigRun run(L"", kOptionsCaption);
    ASSERT_TRUE(run.Dialog());
    HWND links[] = {run.Item(IDC_LBLLINK0), run.Item(IDC_LBLLINK1), run.Item(IDC_LBLLINK2)};
    auto looks = [&] { return std::vector<Look>{LookOf(links[0]), LookOf(links[1]), LookOf(links[2])}; };
    auto expect = [&](std::vector<Look> wanted) {
        EXPECT_TRUE(WaitFor([&] { return looks() == wanted; }, 3000)) << testing::PrintToString(looks());
    };
    expect({kPlain, kPlain, kPlain});

    PostMessageW(links[1], WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    expect({kPlain, kHover, kPlain});
    // Pressing the e-mail label turns it red; releasing it, plain again
    // although the pointer is still there; moving, blue again.
    PostMessageW(links[2], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    expect({kPlain, kPlain, kPressed});
    PostMessageW(links[2], WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    expect({kPlain, kPlain, kPlain});
    PostMessageW(links[2], WM_MOUSEMOVE, 0, MAKELPARAM(6, 5));
    expect({kPlain, kPlain, kHover});
    PostMessageW(links[0], WM_RBUTTONDOWN, MK_RBUTTON, MAKELPARAM(5, 5));
    expect({kPressed, kPlain, kPlain});
    // Back on the dialog's own surface: all plain.
    PostMessageW(run.Dialog(), WM_MOUSEMOVE, 0, MAKELPARAM(300, 180));
    expect({kPlain, kPlain, kPlain});

    // A click opens nothing: the dialog stays and nothing else appears.
    PostMessageW(links[0], WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageW(links[0], WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    EXPECT_TRUE(run.StaysOpen());
    run.Click(IDC_CMDCANCEL);
    EXPECT_EQ(run.ExitStatus(), 0);
}

// ------------------------------------------------------------- the program

TEST(TrkconfigFile, CarriesItsIconPointerVersionAndManifest) {
    HMODULE image = LoadLibraryExW(TRKCONFIG_EXE, nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_TRUE(image);

    // The icon in 16, 32 and 48 pixels, 256 colours each.
    HRSRC group = FindResourceW(image, MAKEINTRESOURCEW(IDI_PROGRAM), RT_GROUP_ICON);
    ASSERT_TRUE(group);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(image, group)));
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    std::vector<int> sizes;
    for (WORD i = 0; i < count; ++i) {
        const BYTE* entry = dir + 6 + i * 14;
        sizes.push_back(entry[0]);
        EXPECT_EQ(*reinterpret_cast<const WORD*>(entry + 6), 8) << "bits per pixel";
    }
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));

    // The hand pointer: 32 x 32, its fingertip hot spot at 12,1.
    HCURSOR hand = static_cast<HCURSOR>(LoadImageW(image, MAKEINTRESOURCEW(IDC_HANDPOINTER), IMAGE_CURSOR, 0, 0, 0));
    ASSERT_TRUE(hand);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(hand, &info));
    EXPECT_EQ(info.xHotspot, 12u);
    EXPECT_EQ(info.yHotspot, 1u);
    BITMAP mask{};
    GetObjectW(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, 32);
    DeleteObject(info.hbmMask);
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DestroyCursor(hand);

    // The logo: 113 x 55, 256 colours.
    HRSRC logo = FindResourceW(image, MAKEINTRESOURCEW(IDB_LOGO), RT_BITMAP);
    ASSERT_TRUE(logo);
    const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(image, logo)));
    EXPECT_EQ(header->biWidth, 113);
    EXPECT_EQ(header->biHeight, 55);
    EXPECT_EQ(header->biBitCount, 8);

    HRSRC manifest = FindResourceW(image, MAKEINTRESOURCEW(1), RT_MANIFEST);
    ASSERT_TRUE(manifest);
    std::string xml(static_cast<const char*>(LockResource(LoadResource(image, manifest))), SizeofResource(image, manifest));
    for (const char* part : {"Microsoft.Windows.Common-Controls", "version=\"6.0.0.0\"", "asInvoker", "PerMonitorV2"})
        EXPECT_NE(xml.find(part), std::string::npos) << part;
    FreeLibrary(image);

    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(TRKCONFIG_EXE, &handle);
    ASSERT_GT(size, 0u);
    std::vector<BYTE> version(size);
    ASSERT_TRUE(GetFileVersionInfoW(TRKCONFIG_EXE, 0, size, version.data()));
    auto value = [&](const wchar_t* name) {
        wchar_t* text = nullptr;
        UINT length = 0;
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
        return VerQueryValueW(version.data(), path.c_str(), reinterpret_cast<void**>(&text), &length) && text
                   ? std::wstring(text)
                   : std::wstring();
    };
    EXPECT_EQ(value(L"FileDescription"), L"Setup & Options for Tracklet");
    EXPECT_EQ(value(L"FileVersion"), L"0.117.0016");
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueW(version.data(), L"\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwFileVersionMS, MAKELONG(117, 0));
    EXPECT_EQ(fixed->dwFileVersionLS, MAKELONG(16, 0));
}

}  // namespace
