// Folders as the command reads them: Explorer's order, the real file system
// (hidden entries, links), the progress dialog through its seam, and the
// message when nothing is found.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "FileBytes.h"
#include "FolderPlaylist.h"
#include "LogicalOrder.h"
#include "ModuleState.h"
#include "ShellExtInvoke.h"
#include "Trace.h"
#include "WalkProgress.h"

namespace {

using Names = std::vector<std::wstring>;

TEST(ExplorerOrder, NumbersCaseTiesAndOtherScripts) {
    const struct {
        const wchar_t *first, *second;
    } pairs[] = {
        {L"2 Intro.mp3", L"10 Outro.mp3"},
        {L"02 b.mp3", L"10 a.mp3"},
        {L"track9.mp3", L"Track10.mp3"},
        {L"a.mp3", L"B.mp3"},
        // Equal as Explorer compares them: by character codes.
        {L"01 a.mp3", L"1 a.mp3"},
        {L"ABC.mp3", L"abc.mp3"},
        {L"\u00c49.mp3", L"\u00e410.mp3"},
        {L"\u6771\u4eac 2.mp3", L"\u6771\u4eac 10.mp3"},
    };
    for (const auto& p : pairs) {
        EXPECT_TRUE(LogicalOrder::Less(p.first, p.second)) << p.first;
        EXPECT_FALSE(LogicalOrder::Less(p.second, p.first));
    }
    EXPECT_FALSE(LogicalOrder::Less(L"same.mp3", L"same.mp3"));
    // Any arrangement of the same names sorts to the same list.
    Names names{L"", L"10 x.mp3", L"2 x.mp3", L"01 x.mp3", L"1 x.mp3", L"B.mp3", L"b.mp3", L"a.mp3", L"\u00e9.mp3"};
    std::mt19937 random(7);
    Names first;
    for (int round = 0; round < 20; ++round) {
        std::shuffle(names.begin() + 1, names.end(), random);
        Names sorted = names;
        General::Sort(sorted, 0, static_cast<int32_t>(sorted.size() - 1), LogicalOrder::Chosen(1));
        if (round == 0) first = sorted;
        ASSERT_EQ(sorted, first);
    }
    EXPECT_EQ(first[0], L"");
    EXPECT_LT(std::find(first.begin(), first.end(), L"2 x.mp3"), std::find(first.begin(), first.end(), L"10 x.mp3"));
    EXPECT_EQ(LogicalOrder::Chosen(0), General::OrdinalLess);
}

void Touch(const std::wstring& path, DWORD attributes = 0) {
    ASSERT_TRUE(FileBytes::Write(path, "")) << path.size();
    if (attributes) SetFileAttributesW(path.c_str(), attributes);
}

// Closes every message box of the given thread and keeps what each said and
// which window owned it.
class BoxCloser {
public:
    explicit BoxCloser(DWORD thread) : thread_(thread), worker_([this] { Run(); }) {}
    ~BoxCloser() { Stop(); }
    void Stop() {
        stop_ = true;
        if (worker_.joinable()) worker_.join();
    }
    std::vector<std::pair<std::wstring, HWND>> seen;

private:
    static BOOL CALLBACK Close(HWND window, LPARAM self) {
        wchar_t kind[16] = {};
        GetClassNameW(window, kind, 16);
        auto* closer = reinterpret_cast<BoxCloser*>(self);
        // A box stays a moment after it was told to close: counted once.
        if (std::wstring(kind) == L"#32770" && IsWindowVisible(window) && window != closer->last_) {
            closer->last_ = window;
            wchar_t text[256] = {};
            GetDlgItemTextW(window, 0xFFFF, text, 256);
            closer->seen.emplace_back(text, GetWindow(window, GW_OWNER));
            PostMessageW(window, WM_COMMAND, IDOK, 0);
        }
        return TRUE;
    }
    void Run() {
        while (!stop_) {
            EnumThreadWindows(thread_, Close, reinterpret_cast<LPARAM>(this));
            Sleep(20);
        }
    }
    DWORD thread_;
    HWND last_ = nullptr;
    std::atomic<bool> stop_{false};
    std::thread worker_;
};

class Folders : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        root = L"C:\\trkfolders\\" + std::wstring(info->name(), info->name() + strlen(info->name()));
        SHCreateDirectoryExW(nullptr, root.c_str(), nullptr);
        options.ExtensionList = {L"mp3", L"wav"};
        options.Overwrite = 1;
        ThreadState().TraceSwitch = true;
        DeleteFileW(Trace::DebugFile().c_str());
    }
    void Dir(const std::wstring& relative, DWORD attributes = 0) {
        const std::wstring path = root + L"\\" + relative;
        CreateDirectoryW(path.c_str(), nullptr);
        if (attributes) SetFileAttributesW(path.c_str(), attributes);
    }
    // The command as the shell gives it, with the thread's selection as
    // Initialize leaves it: files of root, then folders.
    void Invoke(const Names& files, const Names& folders, DWORD mask = CMIC_MASK_FLAG_NO_UI, HWND owner = nullptr) {
        ModuleState& s = ThreadState();
        s.Options = options;
        s.SelectionFolder.clear();
        s.SelectionList.Clear();
        for (const auto& name : files) s.SelectionList.Add(root + L"\\" + name, name.size());
        s.SelectionFolders.clear();
        for (const auto& name : folders) s.SelectionFolders.push_back(root + L"\\" + name);
        const std::string directory(root.begin(), root.end());
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.fMask = mask;
        info.hwnd = owner;
        info.lpVerb = MAKEINTRESOURCEA(0);
        info.lpDirectory = directory.c_str();
        ASSERT_EQ(IContextMenu_InvokeCommand(&info), S_OK);
    }
    std::string Playlist() const { return FileBytes::Read(root + L"\\new.m3u"); }
    static bool TraceHas(const std::string& text) {
        return FileBytes::Read(Trace::DebugFile()).find(text) != std::string::npos;
    }
    bool Gather(const Names& folders, bool ui = false) {
        struct Paths : FolderWalk::Sink {
            Names* out;
            void Files(const std::wstring& folder, const Names& names) override {
                for (const auto& name : names) out->push_back(folder + name);
            }
        } sink;
        sink.out = &found;
        found.clear();
        return FolderPlaylist::Gather(folders, options, nullptr, ui, sink, InvokeTrace);
    }
    std::wstring root;
    OptionSet options;
    Names found;
};

TEST_F(Folders, ListedVisibleFilesDepthFirstInTheChosenOrder) {
    Dir(L"Album");
    for (const wchar_t* name : {L"10 b.mp3", L"2 a.wav", L"notes.txt"}) Touch(root + L"\\Album\\" + name);
    Touch(root + L"\\Album\\hidden.mp3", FILE_ATTRIBUTE_HIDDEN);
    Touch(root + L"\\Album\\system.mp3", FILE_ATTRIBUTE_SYSTEM);
    Dir(L"Album\\Secret", FILE_ATTRIBUTE_HIDDEN);
    Touch(root + L"\\Album\\Secret\\x.mp3");
    Dir(L"Album\\Disc 10");
    Touch(root + L"\\Album\\Disc 10\\t.mp3");
    Dir(L"Album\\Disc 9");
    Touch(root + L"\\Album\\Disc 9\\t.mp3");
    Dir(L"Album\\Live.mp3");
    Touch(root + L"\\Album\\Live.mp3\\1.mp3");
    Dir(L"Album\\Empty");
    Dir(L"Album\\Text only");
    Touch(root + L"\\Album\\Text only\\readme.txt");
    Dir(L"Bonus");
    Touch(root + L"\\Bonus\\b.mp3");
    const std::wstring a = root + L"\\Album\\";
    const Names byCodes{a + L"10 b.mp3", a + L"2 a.wav", a + L"Disc 10\\t.mp3", a + L"Disc 9\\t.mp3",
                        a + L"Live.mp3\\1.mp3", root + L"\\Bonus\\b.mp3"};

    ASSERT_TRUE(Gather({root + L"\\Bonus", root + L"\\Album"}));
    EXPECT_EQ(found, byCodes);
    options.Order = 1;
    ASSERT_TRUE(Gather({root + L"\\Album\\", root + L"\\Bonus"}));
    EXPECT_EQ(found, (Names{a + L"2 a.wav", a + L"10 b.mp3", a + L"Disc 9\\t.mp3", a + L"Disc 10\\t.mp3",
                            a + L"Live.mp3\\1.mp3", root + L"\\Bonus\\b.mp3"}));
    EXPECT_TRUE(FolderPlaylist::IsFolder(root + L"\\Album\\Live.mp3"));
    EXPECT_FALSE(FolderPlaylist::IsFolder(root + L"\\Album\\2 a.wav"));
}

// Selected files first, then the folders by name, a listed name that is a
// folder among them; entries relative to the playlist's folder.
TEST_F(Folders, CommandWritesSelectedFilesThenFolders) {
    for (const wchar_t* name : {L"10 x.mp3", L"2 x.mp3"}) Touch(root + L"\\" + name);
    Dir(L"Live.mp3");
    Touch(root + L"\\Live.mp3\\1.mp3");
    Dir(L"Bonus");
    Touch(root + L"\\Bonus\\b.wav");
    options.Order = 1;
    options.Folders = 1;
    Invoke({L"10 x.mp3", L"Live.mp3", L"2 x.mp3"}, {L"Bonus"});
    EXPECT_EQ(Playlist(), "2 x.mp3\r\n10 x.mp3\r\nBonus\\b.wav\r\nLive.mp3\\1.mp3\r\n");
    // Full paths when asked for; a second run gives the same.
    options.Paths = 1;
    ThreadState().Options.Paths = 1;
    CMINVOKECOMMANDINFO info{};
    info.cbSize = sizeof info;
    info.fMask = CMIC_MASK_FLAG_NO_UI;
    const std::string directory(root.begin(), root.end());
    info.lpDirectory = directory.c_str();
    ASSERT_EQ(IContextMenu_InvokeCommand(&info), S_OK);
    const std::string r = directory + "\\";
    EXPECT_EQ(Playlist(), r + "2 x.mp3\r\n" + r + "10 x.mp3\r\n" + r + "Bonus\\b.wav\r\n" + r + "Live.mp3\\1.mp3\r\n");
}

// A line starting with "#" is a comment to every player.
TEST_F(Folders, EntriesThatWouldStartWithHashGetADotFolder) {
    Dir(L"#Hits");
    Touch(root + L"\\#Hits\\#1.mp3");
    options.Folders = 1;
    Invoke({}, {L"#Hits"});
    EXPECT_EQ(Playlist(), ".\\#Hits\\#1.mp3\r\n");
}

TEST_F(Folders, NothingFoundWritesNothingAndSaysSoUnlessNoUi) {
    Dir(L"Empty");
    Dir(L"Text");
    Touch(root + L"\\Text\\notes.txt");
    options.Folders = 1;
    Invoke({}, {L"Empty", L"Text"});
    EXPECT_TRUE(TraceHas("No audio files were found, exiting..."));
    HWND owner = CreateWindowW(L"STATIC", L"owner", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    BoxCloser closer(GetCurrentThreadId());
    Invoke({}, {L"Empty", L"Text"}, 0, owner);
    closer.Stop();
    ASSERT_EQ(closer.seen.size(), 1u);
    EXPECT_EQ(closer.seen[0].first, L"No audio files were found.");
    EXPECT_EQ(closer.seen[0].second, owner);
    EXPECT_EQ(GetFileAttributesW((root + L"\\new.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
    DestroyWindow(owner);
}

// Links to folders (made from the Linux side, since Wine makes none itself)
// are left alone: one points back up, so following it would never end.
TEST_F(Folders, LinksToFoldersAreNotFollowed) {
    const std::wstring links = TRK_LINKS_DIR;
    ASSERT_TRUE(FolderPlaylist::IsFolder(links + L"\\Album\\Disc\\Up")) << "fixture missing";
    ASSERT_TRUE(Gather({links + L"\\Album"}));
    EXPECT_EQ(found, (Names{links + L"\\Album\\a.mp3", links + L"\\Album\\Disc\\b.mp3"}));
}

// The progress dialog through its seam: a clock that moves as the test says
// and a dialog that records what it is shown.
// A small collection: an album with a bonus folder, a folder that holds
// only a subfolder, a loose file beside them.
class EachFolder : public Folders {
protected:
    void SetUp() override {
        Folders::SetUp();
        Dir(L"Kind of Blue");
        for (const wchar_t* name : {L"02 Freddie.mp3", L"01 So What.mp3", L"cover.jpg"})
            Touch(root + L"\\Kind of Blue\\" + name);
        Dir(L"Kind of Blue\\Bonus");
        Touch(root + L"\\Kind of Blue\\Bonus\\Take 2.mp3");
        Dir(L"Rock");
        Dir(L"Rock\\ Live");
        Touch(root + L"\\Rock\\ Live\\#1.mp3");
        Touch(root + L"\\loose.mp3");
        options.Folders = 1;
    }
    std::string At(const std::wstring& relative) const {
        const std::wstring path = root + L"\\" + relative;
        return GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES ? "<missing>" : FileBytes::Read(path);
    }
    // A right-click on the background of root.
    void Background(DWORD mask = CMIC_MASK_FLAG_NO_UI) { Invoke({}, {L""}, mask); }
    std::wstring RootName() const { return root.substr(root.rfind(L'\\') + 1); }
};

TEST_F(EachFolder, EveryFolderWithFilesGetsItsOwnPortablePlaylist) {
    options.EachFolder = 2;
    options.Name = 1;
    options.Portable = 1;
    options.Format = 1;
    options.ExtensionList = {L"mp3", L"m3u8"};  // our own playlists are still no entries
    Background();
    EXPECT_EQ(At(RootName() + L".m3u8"), "#EXTM3U\nloose.mp3\n");
    EXPECT_EQ(At(L"Kind of Blue\\Kind of Blue.m3u8"), "#EXTM3U\n01 So What.mp3\n02 Freddie.mp3\n");
    EXPECT_EQ(At(L"Kind of Blue\\Bonus\\Bonus.m3u8"), "#EXTM3U\nTake 2.mp3\n");
    EXPECT_EQ(At(L"Rock\\ Live\\ Live.m3u8"), "#EXTM3U\n./#1.mp3\n");
    EXPECT_EQ(At(L"Rock\\Rock.m3u8"), "<missing>");
    // Again, appending: each playlist takes its own files once more, none of
    // the playlists themselves.
    options.Overwrite = 0;
    Background();
    EXPECT_EQ(At(L"Kind of Blue\\Bonus\\Bonus.m3u8"), "#EXTM3U\nTake 2.mp3\nTake 2.mp3\n");
}

TEST_F(EachFolder, EachSelectedTreeInOnePlaylistInsideIt) {
    options.EachFolder = 1;
    Background();
    EXPECT_EQ(At(L"new.m3u"), "loose.mp3\r\nKind of Blue\\01 So What.mp3\r\nKind of Blue\\02 Freddie.mp3\r\n"
                              "Kind of Blue\\Bonus\\Take 2.mp3\r\nRock\\ Live\\#1.mp3\r\n");
    DeleteFileW((root + L"\\new.m3u").c_str());
    // Selected folders each get theirs; selected files one in the command's folder.
    options.Name = 1;
    Invoke({L"loose.mp3"}, {L"Rock", L"Kind of Blue"});
    EXPECT_EQ(At(RootName() + L".m3u"), "loose.mp3\r\n");
    EXPECT_EQ(At(L"Kind of Blue\\Kind of Blue.m3u"), "01 So What.mp3\r\n02 Freddie.mp3\r\nBonus\\Take 2.mp3\r\n");
    EXPECT_EQ(At(L"Rock\\Rock.m3u"), ".\\ Live\\#1.mp3\r\n");
    // Full paths when asked for.
    options.Paths = 1;
    Invoke({}, {L"Rock"});
    EXPECT_EQ(At(L"Rock\\Rock.m3u"), std::string(root.begin(), root.end()) + "\\Rock\\ Live\\#1.mp3\r\n");
}

TEST_F(EachFolder, AnExistingPlaylistInOneFolderIsReplacedOrAppendedTo) {
    options.EachFolder = 2;
    const std::wstring old = root + L"\\Kind of Blue\\new.m3u";
    ASSERT_TRUE(FileBytes::Write(old, "old.mp3\n"));
    options.Overwrite = 0;
    Invoke({}, {L"Kind of Blue"});
    EXPECT_EQ(At(L"Kind of Blue\\new.m3u"), "old.mp3\n01 So What.mp3\n02 Freddie.mp3\n");
    EXPECT_EQ(At(L"Kind of Blue\\Bonus\\new.m3u"), "Take 2.mp3\r\n");
    options.Overwrite = 1;
    Invoke({}, {L"Kind of Blue"});
    EXPECT_EQ(At(L"Kind of Blue\\new.m3u"), "01 So What.mp3\r\n02 Freddie.mp3\r\n");
}

TEST_F(EachFolder, NothingFoundAnywhereSaysSo) {
    options.EachFolder = 2;
    options.ExtensionList = {L"ogg"};
    Background();
    EXPECT_TRUE(TraceHas("No audio files were found, exiting..."));
    EXPECT_EQ(At(L"new.m3u"), "<missing>");
}

struct FakeDialog : WalkProgress::Dialog {
    static inline Names shown;
    static inline int opened = 0;
    static inline size_t cancelAfter = SIZE_MAX;  // folders shown before Cancel is pressed
    static inline uint64_t clock = 0, step = 0;   // ms now, ms per reading of the clock
    void Show(const std::wstring& folder) override { shown.push_back(folder); }
    bool Cancelled() override { return shown.size() >= cancelAfter; }
    static uint64_t Now() { return clock += step; }
    static std::unique_ptr<WalkProgress::Dialog> Open(HWND) {
        ++opened;
        return std::make_unique<FakeDialog>();
    }
    static void Reset(uint64_t perReading, size_t cancel = SIZE_MAX) {
        shown.clear();
        opened = 0;
        cancelAfter = cancel;
        clock = 0;
        step = perReading;
    }
};

class Progress : public Folders {
protected:
    void SetUp() override {
        Folders::SetUp();
        for (const wchar_t* sub : {L"A", L"A\\1", L"A\\2", L"A\\3"}) {
            Dir(sub);
            Touch(root + L"\\" + sub + L"\\t.mp3");
        }
        WalkProgress::Replace(&seam);
    }
    void TearDown() override { WalkProgress::Replace(nullptr); }
    const WalkProgress::Seam seam{FakeDialog::Now, FakeDialog::Open};
};

TEST_F(Progress, ShownOnlyOnceTheWalkHasTakenASecond) {
    FakeDialog::Reset(400);
    ASSERT_TRUE(Gather({root + L"\\A"}, true));
    EXPECT_EQ(found.size(), 4u);
    EXPECT_EQ(FakeDialog::opened, 1);
    // Folders read 400, 800 and 1200 ms after the start: the dialog opens at
    // the third and shows it and the fourth.
    EXPECT_EQ(FakeDialog::shown, (Names{root + L"\\A\\2\\", root + L"\\A\\3\\"}));
    FakeDialog::Reset(10);
    ASSERT_TRUE(Gather({root + L"\\A"}, true));
    EXPECT_EQ(FakeDialog::opened, 0);
}

TEST_F(Progress, CancelWritesNothingAndIsTraced) {
    FakeDialog::Reset(2000, 2);
    EXPECT_FALSE(Gather({root + L"\\A"}, true));
    EXPECT_EQ(FakeDialog::shown.size(), 2u);
    EXPECT_TRUE(TraceHas("Reading folders was canceled, exiting..."));
    options.Folders = 1;
    FakeDialog::Reset(2000, 2);
    Invoke({}, {L"A"}, 0);
    EXPECT_EQ(FakeDialog::shown.size(), 2u);
    EXPECT_EQ(GetFileAttributesW((root + L"\\new.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
}

// Cancel stops the walk: every playlist written before it is whole, none
// follows it.
TEST_F(Progress, CancelBetweenFoldersKeepsThePlaylistsWritten) {
    options.Folders = 1;
    options.EachFolder = 2;
    FakeDialog::Reset(2000, 2);
    Invoke({}, {L"A"}, 0);
    EXPECT_EQ(FileBytes::Read(root + L"\\A\\new.m3u"), "t.mp3\r\n");
    EXPECT_EQ(GetFileAttributesW((root + L"\\A\\1\\new.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
    options.EachFolder = 1;
    FakeDialog::Reset(2000, 2);
    Invoke({}, {L"A\\1", L"A\\2"}, 0);
    EXPECT_EQ(FileBytes::Read(root + L"\\A\\1\\new.m3u"), "t.mp3\r\n");
    EXPECT_EQ(GetFileAttributesW((root + L"\\A\\2\\new.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
}

// A single folder of many files shows progress and can be cancelled while
// it is read, not only at the next folder.
TEST_F(Progress, ALargeFolderCanBeCancelledWhileItIsRead) {
    Dir(L"Big");
    for (int i = 0; i < 700; ++i) Touch(root + L"\\Big\\" + std::to_wstring(i) + L".mp3");
    FakeDialog::Reset(2000, 2);
    EXPECT_FALSE(Gather({root + L"\\Big"}, true));
    EXPECT_EQ(FakeDialog::shown, (Names{root + L"\\Big\\", root + L"\\Big\\"}));
    EXPECT_TRUE(found.empty());
}

TEST_F(Progress, NoDialogWithoutUi) {
    FakeDialog::Reset(2000, 0);
    ASSERT_TRUE(Gather({root + L"\\A"}, false));
    EXPECT_EQ(FakeDialog::opened, 0);
    EXPECT_EQ(found.size(), 4u);
}

}  // namespace
