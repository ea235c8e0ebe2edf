// IContextMenu_InvokeCommand against the real file system and a stand-in
// trkconfig.exe, with the thread's handler state filled as Initialize would.
#include <gtest/gtest.h>
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <thread>
#include <vector>

#include "Codepage.h"
#include "FileBytes.h"
#include "MessageWatcher.h"
#include "ModuleState.h"
#include "PlaylistFile.h"
#include "PromptExchange.h"
#include "ShellExtInvoke.h"
#include "StartupFiles.h"
#include "SystemError.h"
#include "Trace.h"
#include "inihelper.h"

using StartupFiles::DebugLines;

namespace {

// The thread's selection as Initialize leaves it: each file's path, its name the part after the last "\".
void SelectPaths(const std::vector<std::wstring>& paths) {
    KeptFiles& files = ThreadState().SelectionList;
    files.Clear();
    for (const auto& p : paths) files.Add(p, p.size() - p.rfind(L'\\') - 1);
}

bool Exists(const std::wstring& path);

std::string Read(const std::wstring& path) {
    return Exists(path) ? FileBytes::Read(path) : "<missing>";
}

void Write(const std::wstring& path, const std::string& bytes) { ASSERT_TRUE(FileBytes::Write(path, bytes)); }

bool Exists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::vector<std::wstring> FolderListing(const std::wstring& folder) {
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        std::wstring name = found.cFileName;
        if (name != L"." && name != L"..") names.push_back(name);
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return names;
}

bool TraceHas(const std::wstring& text) {
    for (const auto& line : DebugLines())
        if (line.find(text) != std::wstring::npos) return true;
    return false;
}

const std::wstring kTokyo = L"\u6771\u4eac";

class Invoke : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        folder = L"C:\\trk\\" + Codepage::FromAnsi(info->name()) + L"\\Music";
        SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
        ansiFolder = Codepage::ToAnsi(folder);
        ModuleState& s = ThreadState();
        s.Options = OptionSet{};
        s.Options.Overwrite = 1;
        s.TraceSwitch = true;
        s.TraceDepth = 1;
        s.SelectionFolder.clear();
        DeleteFileW(Trace::DebugFile().c_str());
        Select(folder, {L"b.mp3", L"A.mp3"});
    }

    // The selection as Initialize leaves it.
    static void Select(const std::wstring& from, const std::vector<std::wstring>& names) {
        std::vector<std::wstring> paths;
        for (const auto& n : names) paths.push_back(from + L"\\" + n);
        SelectPaths(paths);
    }

    HRESULT Run(const char* directory, LPCSTR verb = MAKEINTRESOURCEA(0)) {
        CMINVOKECOMMANDINFO ci{};
        ci.cbSize = sizeof ci;
        ci.lpVerb = verb;
        ci.lpDirectory = directory;
        ci.nShow = SW_SHOWNORMAL;
        return IContextMenu_InvokeCommand(&ci);
    }
    HRESULT Run() { return Run(ansiFolder.c_str()); }

    // Each slot's path still ends in its own name, as a later run needs.
    static void ExpectPaired(const std::wstring& from) {
        const KeptFiles& files = ThreadState().SelectionList;
        EXPECT_EQ(files.Path(0), L"");
        for (size_t i = 1; i < files.size(); ++i)
            EXPECT_EQ(files.Path(i), from + L"\\" + std::wstring(files.Name(i))) << i;
    }

    std::wstring Playlist(const std::wstring& name = L"new", const wchar_t* extension = L".m3u") const {
        return folder + L"\\" + name + extension;
    }

    std::wstring folder;
    std::string ansiFolder;
};

TEST_F(Invoke, CreateWritesSortedNamesWithCrLf) {
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), "A.mp3\r\nb.mp3\r\n");
    // A folder given with its "\" names the same file; the old one is replaced.
    Select(folder, {L"c.mp3"});
    EXPECT_EQ(Run((ansiFolder + "\\").c_str()), S_OK);
    EXPECT_EQ(Read(Playlist()), "c.mp3\r\n");
    // Nothing but the playlist is left in the folder.
    EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{L"new.m3u"});
}

TEST_F(Invoke, ARunLeavesTheSelectionReadyForAnother) {
    ThreadState().Options.Paths = 1;
    Select(folder, {L"c.mp3", L"A.mp3", L"b.mp3"});
    const std::string expected = ansiFolder + "\\A.mp3\r\n" + ansiFolder + "\\b.mp3\r\n" + ansiFolder + "\\c.mp3\r\n";
    ASSERT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), expected);
    ExpectPaired(folder);
    ASSERT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), expected);
}

TEST_F(Invoke, AppendStartsOnALineOfItsOwn) {
    ThreadState().Options.Overwrite = 0;
    const struct {
        std::string before, after;
    } cases[] = {
        // A last line without its end must not swallow the first new name.
        {"x.mp3", "x.mp3\r\nA.mp3\r\nb.mp3\r\n"},
        {"x.mp3\r\n", "x.mp3\r\nA.mp3\r\nb.mp3\r\n"},
        {"", "A.mp3\r\nb.mp3\r\n"},
        {"\xEF\xBB\xBF", "\xEF\xBB\xBF" "A.mp3\r\nb.mp3\r\n"},
    };
    for (const auto& c : cases) {
        Write(Playlist(), c.before);
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), c.after) << "before: " << c.before;
    }
}

// New and replaced playlists end their lines in CR LF, or LF alone with
// Portable; an append follows the playlist's own first line break.
TEST_F(Invoke, LineEndsOfNewReplacedAndAppendedPlaylists) {
    for (int16_t portable : {0, 1}) {
        SCOPED_TRACE(portable ? "portable" : "not portable");
        ThreadState().Options.Portable = portable;
        const std::string end = portable ? "\n" : "\r\n";
        ThreadState().Options.Overwrite = 1;
        DeleteFileW(Playlist().c_str());
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), "A.mp3" + end + "b.mp3" + end);  // new
        Write(Playlist(), "x.mp3\r\n");
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), "A.mp3" + end + "b.mp3" + end);  // replaced
        ThreadState().Options.Overwrite = 0;
        Write(Playlist(), "x.mp3\ny.mp3");
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), "x.mp3\ny.mp3\nA.mp3\nb.mp3\n");
        Write(Playlist(), "x.mp3\r\ny.mp3\n");
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), "x.mp3\r\ny.mp3\nA.mp3\r\nb.mp3\r\n");
        Write(Playlist(), "x.mp3");
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), "x.mp3" + end + "A.mp3" + end + "b.mp3" + end);
        // A UTF-8 playlist's header takes the same line end.
        ThreadState().Options.Format = 1;
        ThreadState().Options.Overwrite = 1;
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist(L"new", L".m3u8")), "#EXTM3U" + end + "A.mp3" + end + "b.mp3" + end);
        ThreadState().Options.Format = 0;
    }
}

TEST_F(Invoke, PortableEntriesOfFilesInOtherFolders) {
    ThreadState().Options.Portable = 1;
    const std::wstring sub = folder + L"\\ Live";
    CreateDirectoryW(sub.c_str(), nullptr);
    SelectPaths({sub + L"\\#1.mp3", folder + L"\\ Intro.mp3", L"D:\\Other\\x.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), "./ Intro.mp3\n./ Live/#1.mp3\nD:/Other/x.mp3\n");
}

TEST_F(Invoke, PlaylistGoesToTheViewFolderWhenNoDirectoryIsGiven) {
    // Explorer passes no lpDirectory for a handler's own items.
    ThreadState().SelectionFolder = folder;
    EXPECT_EQ(Run(nullptr), S_OK);
    EXPECT_EQ(Read(Playlist()), "A.mp3\r\nb.mp3\r\n");
    // Without a file-system view (search results): the first selected file's folder.
    std::wstring other = folder + L"\\..\\Other";
    CreateDirectoryW(other.c_str(), nullptr);
    ModuleState& s = ThreadState();
    s.SelectionFolder.clear();
    SelectPaths({other + L"\\z.mp3", folder + L"\\a.mp3"});
    EXPECT_EQ(Run(nullptr), S_OK);
    EXPECT_EQ(Read(other + L"\\new.m3u"), "..\\Music\\a.mp3\r\nz.mp3\r\n");
}

TEST_F(Invoke, EntriesResolveFromThePlaylistFolder) {
    ModuleState& s = ThreadState();
    SelectPaths({folder + L"\\Sub\\b.mp3", L"D:\\x\\a.mp3", folder + L"\\c.mp3", folder + L"\\a.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), "D:\\x\\a.mp3\r\na.mp3\r\nSub\\b.mp3\r\nc.mp3\r\n");
    s.Options.Paths = 1;
    Select(folder, {L"a.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), ansiFolder + "\\a.mp3\r\n");
}

TEST_F(Invoke, CanonicalVerbsCarryOutTheirCommands) {
    EXPECT_EQ(Run(ansiFolder.c_str(), "(GCS_VERB)MENUITEM1"), S_OK);
    EXPECT_EQ(Read(Playlist()), "A.mp3\r\nb.mp3\r\n");
    EXPECT_TRUE(TraceHas(L"Verb: (GCS_VERB)MENUITEM1"));

    // Wide verb and folder of the extended structure; the folder is one the
    // code page cannot name.
    std::wstring wide = folder + L"\\" + kTokyo;
    CreateDirectoryW(wide.c_str(), nullptr);
    CMINVOKECOMMANDINFOEX ex{};
    ex.cbSize = sizeof ex;
    ex.fMask = CMIC_MASK_UNICODE;
    ex.lpVerb = MAKEINTRESOURCEA(7);
    ex.lpVerbW = L"(GCS_VERB)MENUITEM1";
    ex.lpDirectory = "C:\\nowhere";
    ex.lpDirectoryW = wide.c_str();
    EXPECT_EQ(IContextMenu_InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&ex)), S_OK);
    EXPECT_EQ(Read(wide + L"\\new.m3u"), "..\\A.mp3\r\n..\\b.mp3\r\n");

    // A caller whose cbSize stops before the wide fields is read as 8-bit.
    DeleteFileW(Playlist().c_str());
    ex.cbSize = sizeof(CMINVOKECOMMANDINFO);
    ex.lpVerb = "(GCS_VERB)MENUITEM1";
    ex.lpVerbW = L"runas";
    ex.lpDirectory = ansiFolder.c_str();
    EXPECT_EQ(IContextMenu_InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&ex)), S_OK);
    EXPECT_EQ(Read(Playlist()), "A.mp3\r\nb.mp3\r\n");
}

TEST_F(Invoke, ForeignVerbsAndOffsetsAreRejected) {
    EXPECT_EQ(Run(ansiFolder.c_str(), "runas"), E_INVALIDARG);
    EXPECT_TRUE(TraceHas(L"The shell has not called this command, the following is the verb info"));
    EXPECT_TRUE(TraceHas(L"Verb: runas"));
    EXPECT_EQ(Run(ansiFolder.c_str(), MAKEINTRESOURCEA(2)), E_INVALIDARG);
    EXPECT_TRUE(TraceHas(L"Command ID: 2"));
    EXPECT_EQ(Read(Playlist()), "<missing>");
    EXPECT_EQ(DebugLines().back(), L"");  // both ran to "Done IContextMenu_InvokeCommand()"
    EXPECT_EQ(DebugLines().end()[-2], L" ShellExt::IContextMenu_InvokeCommand() - Done IContextMenu_InvokeCommand()");
    // A structure too small to hold an lpVerb is no command.
    CMINVOKECOMMANDINFO tiny{};
    tiny.cbSize = 8;
    EXPECT_EQ(IContextMenu_InvokeCommand(&tiny), E_INVALIDARG);
    EXPECT_EQ(IContextMenu_InvokeCommand(nullptr), E_INVALIDARG);
    EXPECT_EQ(Read(Playlist()), "<missing>");
}

// A failed playlist: the bytes before and after, and what the user is told.
class Failing : public Invoke {
protected:
    void SetUp() override {
        Invoke::SetUp();
        owner = CreateWindowW(L"STATIC", L"Explorer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        ASSERT_TRUE(owner);
    }
    void TearDown() override {
        DestroyWindow(owner);
        SetFileAttributesW(Playlist().c_str(), FILE_ATTRIBUTE_NORMAL);
        PlaylistFile::Calls() = PlaylistFile::FileCalls{};
    }
    HRESULT RunWith(bool ui, const char* directory = nullptr) {
        CMINVOKECOMMANDINFO ci{};
        ci.cbSize = sizeof ci;
        ci.fMask = ui ? 0 : CMIC_MASK_FLAG_NO_UI;
        ci.hwnd = owner;
        ci.lpVerb = MAKEINTRESOURCEA(0);
        ci.lpDirectory = directory ? directory : ansiFolder.c_str();
        ci.nShow = SW_SHOWNORMAL;
        DeleteFileW(Trace::DebugFile().c_str());
        return IContextMenu_InvokeCommand(&ci);
    }
    // Runs once with a user interface and once without: the first shows one
    // message box, owned by the invoking window, that names path and says
    // why; the second shows none and answers the error. Both trace it.
    void ExpectFailure(const std::wstring& path, DWORD error, const std::wstring& why, const char* directory = nullptr) {
        MessageWatcher watcher;
        EXPECT_EQ(RunWith(true, directory), HRESULT_FROM_WIN32(ERROR_CANCELLED));
        EXPECT_FALSE(TraceHas(L"List has been written"));
        const auto boxes = watcher.Take();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].owner, owner);
        EXPECT_EQ(boxes[0].caption, L"Tracklet");
        EXPECT_TRUE(boxes[0].errorIcon);
        EXPECT_NE(boxes[0].text.find(L"\n" + path + L"\n"), std::wstring::npos) << Codepage::ToUtf8(boxes[0].text);
        EXPECT_NE(boxes[0].text.find(why), std::wstring::npos) << Codepage::ToUtf8(boxes[0].text);
        EXPECT_EQ(RunWith(false, directory), HRESULT_FROM_WIN32(error));
        EXPECT_TRUE(TraceHas(L"IContextMenu_InvokeCommand() - ERROR: "));
        EXPECT_TRUE(TraceHas(L"Done IContextMenu_InvokeCommand()"));
        EXPECT_TRUE(watcher.Take().empty());
    }
    HWND owner = nullptr;
};

TEST_F(Failing, ReadOnlyPlaylistStaysAsItWas) {
    Write(Playlist(), "old.mp3\r\n");
    SetFileAttributesW(Playlist().c_str(), FILE_ATTRIBUTE_READONLY);
    for (int16_t overwrite : {1, 0}) {
        ThreadState().Options.Overwrite = overwrite;
        ExpectFailure(Playlist(), ERROR_ACCESS_DENIED, L"read-only");
        EXPECT_TRUE(TraceHas(L"ERROR: 75, Path/File access error"));
        EXPECT_EQ(Read(Playlist()), "old.mp3\r\n") << overwrite;
        EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{L"new.m3u"});
    }
}

TEST_F(Failing, FolderNamedLikeThePlaylistStaysAsItWas) {
    ASSERT_TRUE(CreateDirectoryW(Playlist().c_str(), nullptr));
    for (int16_t overwrite : {1, 0}) {
        ThreadState().Options.Overwrite = overwrite;
        ExpectFailure(Playlist(), ERROR_ACCESS_DENIED, L"A folder of this name exists already.");
        EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{L"new.m3u"});
        EXPECT_EQ(FolderListing(Playlist()), std::vector<std::wstring>{});
    }
    RemoveDirectoryW(Playlist().c_str());
}

TEST_F(Failing, MissingFolderSaysTheSystemsReason) {
    // No drive is mapped to Q: in the test prefix.
    ASSERT_EQ(GetDriveTypeW(L"Q:\\"), static_cast<UINT>(DRIVE_NO_ROOT_DIR));
    for (int16_t overwrite : {1, 0}) {
        ThreadState().Options.Overwrite = overwrite;
        ExpectFailure(L"Q:\\Music\\new.m3u", ERROR_PATH_NOT_FOUND, SystemError::Text(ERROR_PATH_NOT_FOUND), "Q:\\Music");
        EXPECT_TRUE(TraceHas(L"ERROR: 76, Path not found: system error 3, " + SystemError::Text(ERROR_PATH_NOT_FOUND)));
    }
}

// The disk fills up after the first half of the bytes.
BOOL WINAPI HalfThenDiskFull(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    static int calls = 0;
    if (size > 1 && calls++ % 2 == 0) return WriteFile(file, data, size / 2, written, overlapped);
    *written = 0;
    SetLastError(ERROR_DISK_FULL);
    return FALSE;
}

TEST_F(Failing, WriteThatFailsPartWayLeavesTheOldBytes) {
    const std::string old = "old.mp3\r\nolder.mp3";
    PlaylistFile::Calls().writeFile = HalfThenDiskFull;
    for (int16_t overwrite : {1, 0}) {
        Write(Playlist(), old);
        ThreadState().Options.Overwrite = overwrite;
        ExpectFailure(Playlist(), ERROR_DISK_FULL, SystemError::Text(ERROR_DISK_FULL));
        // Replaced: the old file, and no temporary one. Appended: cut back.
        EXPECT_EQ(Read(Playlist()), old) << overwrite;
        EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{L"new.m3u"});
    }
    // A new playlist that cannot be written whole goes again.
    for (int16_t overwrite : {1, 0}) {
        DeleteFileW(Playlist().c_str());
        ThreadState().Options.Overwrite = overwrite;
        ExpectFailure(Playlist(), ERROR_DISK_FULL, SystemError::Text(ERROR_DISK_FULL));
        EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{});
    }
}

// Windows takes a path of up to 259 characters unless it is in the long
// form; Wine takes longer ones, so each path the writer hands over is checked.
std::vector<std::wstring> opened;
HANDLE WINAPI RecordingCreate(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE model) {
    opened.push_back(path);
    return CreateFileW(path, access, share, security, disposition, flags, model);
}

TEST_F(Invoke, APlaylistWhosePathJustFitsIsReplaced) {
    // folder + "\new.m3u" is 259 characters: a temporary name beside it is longer.
    const std::wstring deep = folder + L"\\" + std::wstring(251 - folder.size() - 1, L'd');
    ASSERT_EQ(deep.size() + 8, 259u);
    ASSERT_TRUE(CreateDirectoryW(deep.c_str(), nullptr));
    Select(deep, {L"b.mp3", L"A.mp3"});
    PlaylistFile::Calls().createFile = RecordingCreate;
    opened.clear();
    const std::string ansiDeep = Codepage::ToAnsi(deep);
    Write(deep + L"\\new.m3u", "old.mp3\r\n");
    EXPECT_EQ(Run(ansiDeep.c_str()), S_OK);
    PlaylistFile::Calls() = PlaylistFile::FileCalls{};
    EXPECT_EQ(Read(deep + L"\\new.m3u"), "A.mp3\r\nb.mp3\r\n");
    EXPECT_EQ(FolderListing(deep), std::vector<std::wstring>{L"new.m3u"});
    ASSERT_FALSE(opened.empty());
    for (const std::wstring& path : opened)
        EXPECT_TRUE(path.size() < MAX_PATH || path.rfind(L"\\\\?\\", 0) == 0) << Codepage::ToUtf8(path);
}

TEST_F(Invoke, EveryNameIsWrittenBeyond32767) {
    std::vector<std::wstring> names;
    for (int i = 0; i < 40000; ++i) names.push_back(L"t" + std::to_wstring(100000 + i) + L".mp3");
    Select(folder, names);
    ThreadState().TraceSwitch = false;
    EXPECT_EQ(Run(), S_OK);
    std::string bytes = Read(Playlist());
    size_t lines = 0;
    for (size_t at = 0; (at = bytes.find("\r\n", at)) != std::string::npos; at += 2) ++lines;
    EXPECT_EQ(lines, 40000u);
    EXPECT_EQ(bytes.substr(0, 13), "t100000.mp3\r\n");
    EXPECT_EQ(bytes.substr(bytes.size() - 13), "t139999.mp3\r\n");
}

TEST_F(Invoke, NamesOutsideTheCodePageMakeUtf8WithBom) {
    ASSERT_FALSE(Codepage::FitsAnsi(kTokyo));
    Select(folder, {kTokyo + L".mp3", L"a.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), "\xEF\xBB\xBF" "a.mp3\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");

    // Appending such a name to a code-page playlist converts the old lines.
    ThreadState().Options.Overwrite = 0;
    const std::wstring accented = L"caf\u00e9.mp3";
    const bool latin = Codepage::FitsAnsi(accented);
    const std::wstring old = latin ? accented : L"cafe.mp3";
    Write(Playlist(), Codepage::ToAnsi(old + L"\r\n"));
    Select(folder, {kTokyo + L".mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), "\xEF\xBB\xBF" + Codepage::ToUtf8(old) +
                                    "\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
    // ... and later fitting names follow the file's UTF-8.
    Select(folder, {L"z.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()).substr(Read(Playlist()).size() - 7), "z.mp3\r\n");
    EXPECT_EQ(Read(Playlist()).find("\xEF\xBB\xBF", 1), std::string::npos);

    // Another program's UTF-8 playlist without a byte-order mark keeps its
    // entries as they are; the new ones follow in UTF-8.
    const std::string foreign = "caf\xC3\xA9.mp3\r\n";
    Write(Playlist(), foreign);
    Select(folder, {kTokyo + L".mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), foreign + "\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
    // So do names the code page could hold: code-page bytes among UTF-8
    // entries would leave a file no player reads right.
    Write(Playlist(), foreign);
    Select(folder, {L"\u00e9t\u00e9.mp3"});
    EXPECT_EQ(Run(), S_OK);
    Select(folder, {kTokyo + L".mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist()), foreign + "\xC3\xA9t\xC3\xA9.mp3\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
}

// The writer learns whether the lines fit the code page as it writes them:
// a name that does not, after pieces already written, starts the file over.
TEST_F(Invoke, AnUnfitNameAfterManyFittingOnesMakesTheWholePlaylistUtf8) {
    std::vector<std::wstring> names{kTokyo + L".mp3"};
    std::string expected = "\xEF\xBB\xBF";
    for (int i = 0; i < 6000; ++i) {
        names.push_back(L"t" + std::to_wstring(100000 + i) + L".mp3");
        expected += "t" + std::to_string(100000 + i) + ".mp3\r\n";
    }
    expected += "\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n";
    ThreadState().TraceSwitch = false;
    for (const char* round : {"new", "replaced"}) {
        Select(folder, names);
        EXPECT_EQ(Run(), S_OK) << round;
        EXPECT_EQ(Read(Playlist()), expected) << round;
    }
    EXPECT_EQ(FolderListing(folder).size(), 1u);
}

TEST_F(Invoke, Utf8PlaylistsAreCreatedReplacedAndAppendedWithoutBom) {
    ModuleState& s = ThreadState();
    s.Options.Format = 1;
    Select(folder, {L"#1 Crush.mp3", kTokyo + L".mp3", L"caf\u00e9.mp3"});
    const std::string created = "#EXTM3U\r\n.\\#1 Crush.mp3\r\ncaf\xC3\xA9.mp3\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n";
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"new", L".m3u8")), created);
    EXPECT_EQ(Run(), S_OK);  // replaced
    EXPECT_EQ(Read(Playlist(L"new", L".m3u8")), created);
    EXPECT_EQ(Read(Playlist()), "<missing>");

    s.Options.Overwrite = 0;
    Select(folder, {L"z.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"new", L".m3u8")), created + "z.mp3\r\n");
    // An empty playlist gets its header; a missing one is created with it.
    Write(Playlist(L"new", L".m3u8"), "");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"new", L".m3u8")), "#EXTM3U\r\nz.mp3\r\n");
    DeleteFileW(Playlist(L"new", L".m3u8").c_str());
    s.Options.Paths = 1;
    Select(folder, {L"#2.mp3"});
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"new", L".m3u8")), "#EXTM3U\r\n" + Codepage::ToUtf8(folder) + "\\#2.mp3\r\n");
}

std::string Utf16(std::wstring_view text, bool bigEndian) {
    std::string bytes(reinterpret_cast<const char*>(text.data()), text.size() * 2);
    if (bigEndian)
        for (size_t i = 0; i < bytes.size(); i += 2) std::swap(bytes[i], bytes[i + 1]);
    return bytes;
}

TEST_F(Invoke, AppendsToUtf16PlaylistsInTheirOwnForm) {
    ThreadState().Options.Overwrite = 0;
    for (bool bigEndian : {false, true}) {
        // One name outside the code page, one inside; the last line lacks its end.
        Select(folder, {kTokyo + L".mp3", L"caf\u00e9.mp3"});
        const std::string old = Utf16(L"\uFEFFx.mp3", bigEndian);
        Write(Playlist(), old);
        EXPECT_EQ(Run(), S_OK);
        const std::string once = old + Utf16(L"\r\ncaf\u00e9.mp3\r\n" + kTokyo + L".mp3\r\n", bigEndian);
        EXPECT_EQ(Read(Playlist()), once) << "big-endian: " << bigEndian;
        Select(folder, {L"z.mp3"});
        EXPECT_EQ(Run(), S_OK);
        EXPECT_EQ(Read(Playlist()), once + Utf16(L"z.mp3\r\n", bigEndian)) << "big-endian: " << bigEndian;
    }
}

TEST_F(Invoke, WritingTouchesAsFewNamesAsItCan) {
    // Each call that looks a name up, as "kind name"; the temporary file is "temp".
    static std::vector<std::string> calls;
    static bool failWrite = false;
    struct Counting {
        static std::string Name(LPCWSTR path) {
            std::wstring name = path;
            name = name.substr(name.find_last_of(L'\\') + 1);
            return name.rfind(L"~trk", 0) == 0 ? "temp" : Codepage::ToUtf8(name);
        }
        static HANDLE WINAPI Create(LPCWSTR path, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                                    DWORD disposition, DWORD flags, HANDLE model) {
            calls.push_back((disposition == CREATE_NEW ? "create-new " : "open ") + Name(path));
            return CreateFileW(path, access, share, security, disposition, flags, model);
        }
        static DWORD WINAPI Attributes(LPCWSTR path) {
            calls.push_back("attributes " + Name(path));
            return GetFileAttributesW(path);
        }
        static BOOL WINAPI Move(LPCWSTR from, LPCWSTR to, DWORD flags) {
            calls.push_back("move " + Name(to));
            return MoveFileExW(from, to, flags);
        }
        static BOOL WINAPI Delete(LPCWSTR path) {
            calls.push_back("delete " + Name(path));
            return DeleteFileW(path);
        }
        static BOOL WINAPI SetInformation(HANDLE file, FILE_INFO_BY_HANDLE_CLASS kind, LPVOID info, DWORD size) {
            if (kind == FileRenameInfo) calls.push_back("rename");
            return SetFileInformationByHandle(file, kind, info, size);
        }
        static BOOL WINAPI WriteBytes(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
            if (failWrite) {
                SetLastError(ERROR_DISK_FULL);
                return FALSE;
            }
            return WriteFile(file, data, size, written, overlapped);
        }
    };
    PlaylistFile::FileCalls& fs = PlaylistFile::Calls();
    const PlaylistFile::FileCalls real = fs;
    fs.createFile = Counting::Create;
    fs.getAttributes = Counting::Attributes;
    fs.moveFile = Counting::Move;
    fs.deleteFile = Counting::Delete;
    fs.setInformation = Counting::SetInformation;
    fs.writeFile = Counting::WriteBytes;
    using Calls = std::vector<std::string>;
    MessageWatcher watcher;
    auto run = [&](int16_t overwrite) {
        ThreadState().Options.Overwrite = overwrite;
        DeleteFileW(Trace::DebugFile().c_str());
        calls.clear();
        EXPECT_EQ(Run(), failWrite ? HRESULT_FROM_WIN32(ERROR_CANCELLED) : S_OK);
        EXPECT_EQ(watcher.Take().size(), failWrite ? 1u : 0u);
        return calls;
    };
    // New: one create of its own name. Existing: the safe replace. Append: one open.
    EXPECT_EQ(run(1), Calls{"create-new new.m3u"});
    EXPECT_EQ(run(1), (Calls{"create-new new.m3u", "attributes new.m3u", "create-new temp", "rename"}));
    EXPECT_EQ(run(0), Calls{"open new.m3u"});
    EXPECT_EQ(Read(Playlist()), "A.mp3\r\nb.mp3\r\nA.mp3\r\nb.mp3\r\n");
    DeleteFileW(Playlist().c_str());
    EXPECT_EQ(run(0), Calls{"open new.m3u"});
    // A new playlist that cannot be written whole goes again, by either way.
    failWrite = true;
    DeleteFileW(Playlist().c_str());
    for (int16_t overwrite : {1, 0}) {
        EXPECT_EQ(run(overwrite), (Calls{overwrite ? "create-new new.m3u" : "open new.m3u", "delete new.m3u"}));
        EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{});
        EXPECT_FALSE(TraceHas(L"List has been written"));
    }
    failWrite = false;
    fs = real;
}

TEST_F(Invoke, WholeTraceOfARun) {
    ThreadState().Options.Overwrite = 1;
    CMINVOKECOMMANDINFO ci{};
    ci.cbSize = sizeof ci;
    ci.lpDirectory = ansiFolder.c_str();
    ci.lpParameters = "abc";
    ci.nShow = SW_SHOWNORMAL;
    ASSERT_EQ(IContextMenu_InvokeCommand(&ci), S_OK);
    auto n = [](const void* p) { return std::to_wstring(reinterpret_cast<intptr_t>(p)); };
    const std::wstring s = L"ShellExt::IContextMenu_InvokeCommand() - ";
    const std::wstring g = L"General::Sort() - ";
    std::vector<std::wstring> want{
        L" " + s + L"Begin IContextMenu_InvokeCommand()",
        L"  " + s + L"lpcmi: " + n(&ci),
        L"  " + s + L"Copying \"lpcmi\" memory pointer to a CMINVOKECOMMANDINFO structure",
        L"  " + s + L"cbSize: " + std::to_wstring(sizeof ci) + L" dwHotKey: 0 fMask: 0 hIcon: 0 " +
            L"hwnd: 0 lpDirectory: " + n(ci.lpDirectory) + L" lpParameters: " +
            n(ci.lpParameters) + L" lpVerb: 0 nShow: 1",
        L"  " + s + L"Converting lpDirectory into useable information",
        L"  " + s + L"Directory: " + folder,
        L"  " + s + L"Converting lpParameters into useable information",
        L"  " + s + L"Len Parameters: 3",
        L"  " + s + L"CopyMemory Parameters: abc" + std::wstring(1, L'\0'),
        L"  " + s + L"Parameters: abc",
        L"  " + s + L"Getting command ID",
        L"   " + s + L"Command ID: 0",
        L"",
        L"   " + s + L"Creating M3U Playlist...",
        L"",
        L"   " + g + L"Beginig Sort()",
        L"     " + g + L"Swapping elements 1,2",
        L"    " + g + L"Begin Recursion loop...",
        L"     " + g + L"Beginig Sort()",
        L"       " + g + L"Swapping elements 0,0",
        L"     " + g + L"Finished Sort()",
        L"    " + g + L"Finished Recursion loop",
        L"   " + g + L"Finished Sort()",
        L"",
        L"   " + s + L"Writing list to file",
        L"   " + s + L"List has been written",
        L"",
        L"  " + s + L"Done with command ID",
        L" " + s + L"Done IContextMenu_InvokeCommand()",
        L"",
    };
    EXPECT_EQ(DebugLines(), want);
    EXPECT_EQ(ThreadState().TraceDepth, 1);
}

// A message-only window of this thread, handled by procedure.
HWND MessageWindow(WNDPROC procedure, const wchar_t* className) {
    WNDCLASSW wc{};
    wc.lpfnWndProc = procedure;
    wc.lpszClassName = className;
    RegisterClassW(&wc);
    return CreateWindowW(className, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
}

bool delivered = false;
LRESULT CALLBACK NoteApp(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_APP) delivered = true;
    return DefWindowProcW(h, m, w, l);
}

// The prompt, with a stand-in trkconfig.exe beside the test program.
class Prompt : public Invoke {
protected:
    void SetUp() override {
        Invoke::SetUp();
        library = inihelper::ProgramFolder();
        program = library + L"\\trkconfig.exe";
        ASSERT_TRUE(CopyFileW((library + L"\\fake_trkconfig.exe").c_str(), program.c_str(), FALSE));
        DeleteFileW((library + L"\\fake_trkconfig.log").c_str());
        ThreadState().Options.Prompt = 1;
    }
    void TearDown() override {
        DeleteFileW(program.c_str());
        DeleteFileW((library + L"\\fake_trkconfig.ctl").c_str());
        for (int turn = 0; turn < 4; ++turn)
            DeleteFileW((library + L"\\fake_trkconfig.slot" + std::to_wstring(turn)).c_str());
    }
    // The keys of section "input" other than the shared "value".
    static std::vector<std::wstring> AnswerKeys() {
        wchar_t buffer[4096] = {};
        GetPrivateProfileStringW(L"input", nullptr, L"", buffer, 4096, inihelper::OptionsFile().c_str());
        std::vector<std::wstring> keys;
        for (const wchar_t* key = buffer; *key; key += wcslen(key) + 1)
            if (std::wstring(key) != L"value") keys.push_back(key);
        return keys;
    }
    void Answer(const std::wstring& text, int status = 0, int waitMs = 0, bool write = true) {
        Write(library + L"\\fake_trkconfig.ctl",
              std::string(write ? "answer" : "silent") + "\n" + std::to_string(status) + "\n" +
                  Codepage::ToUtf8(text) + "\n" + std::to_string(waitMs));
    }
    std::wstring library, program;
};

TEST_F(Prompt, NoneWhenTheCallerAsksForNoUserInterface) {
    Answer(L"Party");
    CMINVOKECOMMANDINFO ci{};
    ci.cbSize = sizeof ci;
    ci.fMask = CMIC_MASK_FLAG_NO_UI;
    ci.lpVerb = MAKEINTRESOURCEA(0);
    ci.lpDirectory = ansiFolder.c_str();
    EXPECT_EQ(IContextMenu_InvokeCommand(&ci), S_OK);
    EXPECT_EQ(Read(Playlist()), "A.mp3\r\nb.mp3\r\n");
    EXPECT_EQ(Read(library + L"\\fake_trkconfig.log"), "<missing>");
}

TEST_F(Prompt, AnswerNamesThePlaylist) {
    Answer(L"Party");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"Party")), "A.mp3\r\nb.mp3\r\n");
    EXPECT_TRUE(TraceHas(L"Writing list as Party.m3u ..."));
    // The question names the extension; the prompt's own key follows it.
    const std::wstring commandLine = Codepage::FromUtf8(Read(library + L"\\fake_trkconfig.log"));
    // The playlist's folder goes before the key, for the length of its path.
    const std::wstring start =
        program + L" Enter M3U playlist filename:  (without .m3u) /folder:\"" + folder + L"\\\" /answer:";
    ASSERT_EQ(commandLine.substr(0, start.size()), start);
    EXPECT_TRUE(PromptExchange::IsKey(commandLine.substr(start.size())));
    EXPECT_EQ(AnswerKeys(), std::vector<std::wstring>{});
    // An empty answer is a name too, and one outside the code page arrives intact.
    Answer(L"");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(folder + L"\\.m3u"), "A.mp3\r\nb.mp3\r\n");
    Answer(kTokyo);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(kTokyo)), "A.mp3\r\nb.mp3\r\n");
}

// Under the Name option the prompt offers the folder's name, on its command
// line before the key; without a prompt the playlist takes it.
TEST_F(Prompt, NameOptionSuggestsTheFoldersName) {
    ThreadState().Options.Name = 1;
    Answer(L"Music");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"Music")), "A.mp3\r\nb.mp3\r\n");
    const std::wstring commandLine = Codepage::FromUtf8(Read(library + L"\\fake_trkconfig.log"));
    EXPECT_NE(commandLine.find(L"(without .m3u) /name:\"Music\" /folder:\"" + folder + L"\\\" /answer:value-"),
              std::wstring::npos)
        << Codepage::ToUtf8(commandLine);
    ThreadState().Options.Prompt = 0;
    DeleteFileW(Playlist(L"Music").c_str());
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"Music")), "A.mp3\r\nb.mp3\r\n");
}

TEST_F(Prompt, Utf8FormatNamesItsExtension) {
    ThreadState().Options.Format = 1;
    Answer(L"Party");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(Read(Playlist(L"Party", L".m3u8")), "#EXTM3U\r\nA.mp3\r\nb.mp3\r\n");
    EXPECT_TRUE(TraceHas(L"Writing list as Party.m3u8 ..."));
    EXPECT_NE(Codepage::FromUtf8(Read(library + L"\\fake_trkconfig.log")).find(L"(without .m3u8) /folder:\""),
              std::wstring::npos);
}

// Two prompts open at once: the later one is answered first, and the
// earlier one's answer is written while the later one's process still runs.
// Through one shared slot the later caller would read the earlier's answer.
TEST_F(Prompt, TwoPromptsAtOnceEachGetTheirOwnName) {
    Write(library + L"\\fake_trkconfig.ctl", "answer\n0\nFirst|Second\n0|1500\n800|200");
    auto prompt = [this](const wchar_t* song) {
        ModuleState& s = ThreadState();
        s.Options = OptionSet{};
        s.Options.Prompt = 1;
        s.Options.Overwrite = 1;
        Select(folder, {song});
        EXPECT_EQ(Run(), S_OK);
    };
    std::thread first(prompt, L"one.mp3");
    // The first prompt's process has claimed its turn before the second starts.
    for (int i = 0; i < 200 && !Exists(library + L"\\fake_trkconfig.slot0"); ++i) Sleep(20);
    std::thread second(prompt, L"two.mp3");
    first.join();
    second.join();
    EXPECT_EQ(Read(Playlist(L"First")), "one.mp3\r\n");
    EXPECT_EQ(Read(Playlist(L"Second")), "two.mp3\r\n");
    EXPECT_EQ(AnswerKeys(), std::vector<std::wstring>{});
}

TEST_F(Prompt, CancelWritesNothing) {
    Answer(L"[CANCEL]");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_TRUE(TraceHas(L"Action Was Canceled, exiting..."));
    // A prompt that ends in failure cancels, whatever an earlier one left.
    inihelper::WriteAnswer(L"Stale", inihelper::OptionsFile());
    Answer(L"", 1, 0, false);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_TRUE(TraceHas(L"Prompt ended with exit status 1, exiting..."));
    // A prompt that ends well without answering leaves no stale answer either.
    inihelper::WriteAnswer(L"Stale", inihelper::OptionsFile());
    Answer(L"", 0, 0, false);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{});
}

TEST_F(Prompt, ANameThatLeadsElsewhereWritesNothing) {
    // Each would write somewhere else than a playlist in this folder: a
    // parent folder, a hidden stream of a file "a", the console device.
    // The handler refuses them by the prompt's own rule, and says why.
    MessageWatcher watcher;
    const struct {
        const wchar_t* answer;
        const wchar_t* why;
    } cases[] = {
        {L"..\\Elsewhere", L"can't contain any of the following characters"},
        {L"a:b", L"can't contain any of the following characters"},
        {L"sub/x", L"can't contain any of the following characters"},
        {L"CON", L"device"},
        {L"lpt1.mix", L"device"},
        {L"dot.", L"end with a dot"},
        {L"t\tab", L"control characters"},
    };
    for (const auto& c : cases) {
        Answer(c.answer);
        DeleteFileW(Trace::DebugFile().c_str());
        EXPECT_EQ(Run(), HRESULT_FROM_WIN32(ERROR_CANCELLED)) << c.answer;
        EXPECT_TRUE(TraceHas(L"IContextMenu_InvokeCommand() - ERROR: 52, Bad file name or number")) << c.answer;
        EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{}) << c.answer;
        const auto boxes = watcher.Take();
        ASSERT_EQ(boxes.size(), 1u) << c.answer;
        const std::wstring path = folder + L"\\" + c.answer + L".m3u";
        EXPECT_NE(boxes[0].text.find(L"\n" + path + L"\n"), std::wstring::npos) << Codepage::ToUtf8(boxes[0].text);
        const std::wstring reason = boxes[0].text.substr(boxes[0].text.rfind(L"\n\n") + 2);
        EXPECT_NE(reason.find(c.why), std::wstring::npos) << Codepage::ToUtf8(boxes[0].text);
    }
    // The name's length counts too: the whole path must fit.
    Answer(std::wstring(250, L'n'));
    EXPECT_EQ(Run(), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    const auto boxes = watcher.Take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"The name is too long for this folder"), std::wstring::npos);
    EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{});
    EXPECT_EQ(GetFileAttributesW((folder + L"\\..\\Elsewhere.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
}

TEST_F(Prompt, CancelLeavesTheSelectionSortedAndPaired) {
    Select(folder, {L"c.mp3", L"A.mp3", L"b.mp3"});
    Answer(L"[cancel]");
    EXPECT_EQ(Run(), S_OK);
    EXPECT_EQ(ThreadState().SelectionList.Names(), (std::vector<std::wstring>{L"", L"A.mp3", L"b.mp3", L"c.mp3"}));
    ExpectPaired(folder);
}

TEST_F(Prompt, MissingTrkconfigIsFileNotFound) {
    DeleteFileW(program.c_str());
    inihelper::WriteAnswer(L"Stale", inihelper::OptionsFile());
    MessageWatcher watcher;
    EXPECT_EQ(Run(), HRESULT_FROM_WIN32(ERROR_CANCELLED));
    EXPECT_TRUE(TraceHas(L"IContextMenu_InvokeCommand() - ERROR: 53, File not found"));
    EXPECT_EQ(FolderListing(folder), std::vector<std::wstring>{});
    const auto boxes = watcher.Take();
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_NE(boxes[0].text.find(L"\n" + program + L"\n"), std::wstring::npos) << Codepage::ToUtf8(boxes[0].text);
}

TEST_F(Prompt, WaitSleepsAndRunsTheThreadsMessages) {
    // A window of this thread gets a message while the prompt is open.
    delivered = false;
    HWND window = MessageWindow(NoteApp, L"TrkInvokeTest");
    ASSERT_NE(window, nullptr);
    std::thread poster([window] {
        Sleep(300);
        PostMessageW(window, WM_APP, 0, 0);
    });
    Answer(L"Party", 0, 1500);
    FILETIME created, ended, kernel0, user0, kernel1, user1;
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel0, &user0);
    EXPECT_EQ(Run(), S_OK);
    GetThreadTimes(GetCurrentThread(), &created, &ended, &kernel1, &user1);
    poster.join();
    auto ticks = [](const FILETIME& f) {
        return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime;
    };
    const uint64_t busy = ticks(kernel1) - ticks(kernel0) + ticks(user1) - ticks(user0);
    EXPECT_TRUE(delivered);
    // A busy poll would spend the whole 1.5 s on this thread's account.
    EXPECT_LT(busy, 5000000u) << "100-ns units of CPU spent waiting";
    EXPECT_EQ(Read(Playlist(L"Party")), "A.mp3\r\nb.mp3\r\n");
    DestroyWindow(window);
}

// Another menu of this thread, chosen while the prompt is open, takes over
// the selection; the open command still writes the files it was chosen for.
LRESULT CALLBACK SelectElsewhere(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        auto* other = reinterpret_cast<const std::wstring*>(lParam);
        SelectPaths({*other + L"\\z.mp3"});
        delivered = true;
        return 0;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}

TEST_F(Prompt, ASelectionMadeDuringThePromptStaysOutOfThisPlaylist) {
    Select(folder, {L"c.mp3", L"A.mp3", L"b.mp3"});
    const std::wstring other = folder + L"\\Sub";
    delivered = false;
    HWND window = MessageWindow(SelectElsewhere, L"TrkSelectElsewhere");
    ASSERT_NE(window, nullptr);
    PostMessageW(window, WM_APP, 0, reinterpret_cast<LPARAM>(&other));
    Answer(L"Party", 0, 500);
    EXPECT_EQ(Run(), S_OK);
    EXPECT_TRUE(delivered);
    EXPECT_EQ(Read(Playlist(L"Party")), "A.mp3\r\nb.mp3\r\nc.mp3\r\n");
    DestroyWindow(window);
}

TEST_F(Prompt, OptionsCommandStartsTrkconfigWithoutArguments) {
    EXPECT_EQ(Run(ansiFolder.c_str(), MAKEINTRESOURCEA(1)), S_OK);
    std::wstring log = library + L"\\fake_trkconfig.log";
    for (int i = 0; i < 100 && !Exists(log); ++i) Sleep(50);
    Sleep(100);
    EXPECT_EQ(Codepage::FromUtf8(Read(log)), L"\"" + program + L"\"");
    EXPECT_TRUE(TraceHas(L"Showing options dialog..."));

    DeleteFileW(program.c_str());
    EXPECT_EQ(Run(ansiFolder.c_str(), "(GCS_VERB)MENUITEM2"), S_OK);
    EXPECT_TRUE(TraceHas(L"    ShellExt::IContextMenu_InvokeCommand() - trkconfig.exe was not found at " +
                         library));
}

}  // namespace

namespace {

// The library in a folder with blanks: "C:\trk\Blank Folder\trkconfig.exe ..."
// read as a bare command line would start C:\trk\Blank.exe.
TEST(PromptStart, FolderWithBlanksStartsTrkconfigItself) {
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::wstring here = inihelper::ProgramFolder();
    const std::wstring blank = L"C:\\trk\\Blank Folder";
    SHCreateDirectoryExW(nullptr, blank.c_str(), nullptr);
    const std::wstring fake = here + L"\\fake_trkconfig.exe";
    ASSERT_TRUE(CopyFileW(self, (blank + L"\\wine_invoke.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(fake.c_str(), (blank + L"\\fake_trkconfig.exe").c_str(), FALSE));
    ASSERT_TRUE(CopyFileW(fake.c_str(), L"C:\\trk\\Blank.exe", FALSE));
    DeleteFileW(L"C:\\trk\\fake_trkconfig.log");

    std::wstring command = L"\"" + blank + L"\\wine_invoke.exe\" --gtest_filter=Prompt.AnswerNamesThePlaylist";
    STARTUPINFOW si{};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi{};
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &si, &pi));
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD status = 1;
    GetExitCodeProcess(pi.hProcess, &status);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(status, 0u);
    EXPECT_FALSE(Exists(L"C:\\trk\\fake_trkconfig.log")) << "C:\\trk\\Blank.exe was started";
}

}  // namespace
