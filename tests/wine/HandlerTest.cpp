// The handler in this process (library linked, resources carried): the
// selection it keeps, the menu it builds, the texts it answers and its trace.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <shellapi.h>

#include "DropDataObject.h"
#include "DropFiles.h"
#include "GeneralShell.h"
#include "HandlerSupport.h"
#include "ModuleState.h"
#include "Server.h"
#include "trkmenu_h.h"

using ::testing::ElementsAre;
using support::Items;

namespace {

// A handler made the way the shell makes one: through the class factory.
struct Handler {
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    Handler() {
        IClassFactory* factory = nullptr;
        EXPECT_EQ(Server::GetClassObject(CLSID_ShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
        factory->Release();
        init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    }
    ~Handler() {
        menu->Release();
        init->Release();
    }
    HRESULT Initialize(const std::vector<std::wstring>& paths, bool wide = true) {
        IDataObject* data = DropDataObject::Create(paths, wide);
        HRESULT hr = init->Initialize(nullptr, data, nullptr);
        data->Release();
        return hr;
    }
};

const std::wstring Dir = L"C:\\Music\\";

class NoDropData final : public IDataObject {
public:
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IDataObject)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
    IFACEMETHODIMP GetData(FORMATETC*, STGMEDIUM*) override { return DV_E_FORMATETC; }
    IFACEMETHODIMP GetDataHere(FORMATETC*, STGMEDIUM*) override { return E_NOTIMPL; }
    IFACEMETHODIMP QueryGetData(FORMATETC*) override { return DV_E_FORMATETC; }
    IFACEMETHODIMP GetCanonicalFormatEtc(FORMATETC*, FORMATETC*) override { return E_NOTIMPL; }
    IFACEMETHODIMP SetData(FORMATETC*, STGMEDIUM*, BOOL) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumFormatEtc(DWORD, IEnumFORMATETC**) override { return E_NOTIMPL; }
    IFACEMETHODIMP DAdvise(FORMATETC*, DWORD, IAdviseSink*, DWORD*) override { return E_NOTIMPL; }
    IFACEMETHODIMP DUnadvise(DWORD) override { return E_NOTIMPL; }
    IFACEMETHODIMP EnumDAdvise(IEnumSTATDATA**) override { return E_NOTIMPL; }
};

}  // namespace

TEST(Selection, KeepsListedNamesWithFullPathsInShellOrder) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"b.mp3", Dir + L"SONG.MP3", L"D:\\x\\Album.wav", Dir + L"a.b.mp3", Dir + L"README"});
        const ModuleState& s = ThreadState();
        EXPECT_THAT(s.SelectionList.Names(), ElementsAre(L"", L"b.mp3", L"Album.wav", L"a.b.mp3"));
        EXPECT_THAT(s.SelectionList.Paths(), ElementsAre(L"", Dir + L"b.mp3", L"D:\\x\\Album.wav", Dir + L"a.b.mp3"));
        EXPECT_EQ(s.ShowMenu, -1);
    });
}

TEST(Selection, NamesOutsideTheCodePageAndEightBitBlocksArriveIntact) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"\u6771\u4eac.mp3", Dir + L"caf\u00e9.mp3"});
        EXPECT_THAT(ThreadState().SelectionList.Names(), ElementsAre(L"", L"\u6771\u4eac.mp3", L"caf\u00e9.mp3"));
        // A block of 8-bit names (an older source) is read in the code page.
        h.Initialize({Dir + L"x.mp3", Dir + L"y.txt"}, false);
        EXPECT_THAT(ThreadState().SelectionList.Names(), ElementsAre(L"", L"x.mp3"));
    });
}

TEST(Selection, PathsAreCutTo499CharactersBeforeTheNameIsTaken) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        const std::wstring folder = L"C:\\" + std::wstring(480, L'f') + L"\\";  // 484 characters
        h.Initialize({folder + L"long-name.mp3",          // 497: kept whole
                      folder + L"abcdefghijk.mp3xyz",      // cut after "mp3" (499)
                      folder + std::wstring(20, L'n') + L".mp3"});  // cut inside the name
        EXPECT_THAT(ThreadState().SelectionList.Names(), ElementsAre(L"", L"long-name.mp3", L"abcdefghijk.mp3"));
    });
}

TEST(Selection, ALaterSelectionReplacesAnEarlierOneWhole) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"a.mp3", Dir + L"b.mp3", Dir + L"c.mp3"});
        const std::wstring longer = Dir + L"Sub\\" + std::wstring(60, L'x') + L".mp3";
        h.Initialize({longer, Dir + L"z.txt"});
        const ModuleState& s = ThreadState();
        EXPECT_THAT(s.SelectionList.Names(), ElementsAre(L"", std::wstring(60, L'x') + L".mp3"));
        EXPECT_THAT(s.SelectionList.Paths(), ElementsAre(L"", longer));
        h.Initialize({Dir + L"y.txt"});
        EXPECT_THAT(s.SelectionList.Names(), ElementsAre(L""));
        EXPECT_THAT(s.SelectionList.Paths(), ElementsAre(L""));
        EXPECT_EQ(s.ShowMenu, 0);
    });
}

TEST(Selection, AFailedFetchLeavesNothingOfTheEarlierSelection) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"a.mp3"});
        ASSERT_EQ(ThreadState().ShowMenu, -1);
        NoDropData none;
        EXPECT_EQ(h.init->Initialize(nullptr, &none, nullptr), S_OK);
        const ModuleState& s = ThreadState();
        EXPECT_EQ(s.ShowMenu, 0);
        EXPECT_THAT(s.SelectionList.Names(), ElementsAre(L""));
        EXPECT_THAT(s.SelectionList.Paths(), ElementsAre(L""));
        EXPECT_TRUE(s.SelectionFolder.empty());
    });
}

TEST(Selection, FolderComesFromTheShellsFolderIdentifier) {
    support::WriteOptions({});
    const std::wstring folder = support::FreshFolder(L"pidl");
    support::OnNewThread([&] {
        Handler h;
        PIDLIST_ABSOLUTE pidl = nullptr;
        ASSERT_EQ(SHParseDisplayName(folder.c_str(), nullptr, &pidl, 0, nullptr), S_OK);
        IDataObject* data = DropDataObject::Create({folder + L"\\a.mp3"});
        h.init->Initialize(pidl, data, nullptr);
        data->Release();
        CoTaskMemFree(pidl);
        EXPECT_EQ(_wcsicmp(ThreadState().SelectionFolder.c_str(), folder.c_str()), 0) << ThreadState().SelectionFolder;
    });
}

// The one-pass reader must agree with DragQueryFileW name for name.
TEST(Selection, OnePassReaderAgreesWithDragQueryFile) {
    std::vector<std::wstring> paths;
    for (int i = 0; i < 300; ++i)
        paths.push_back(L"C:\\d" + std::to_wstring(i % 7) + L"\\" + std::wstring(i % 40, L'x') + L"\u00e9\u6771" +
                        std::to_wstring(i) + L".mp3");
    for (bool wide : {true, false}) {
        IDataObject* data = DropDataObject::Create(paths, wide);
        FORMATETC format{CF_HDROP, nullptr, DVASPECT_CONTENT, -1, TYMED_HGLOBAL};
        STGMEDIUM medium{};
        ASSERT_EQ(data->GetData(&format, &medium), S_OK);
        const auto* block = static_cast<const unsigned char*>(GlobalLock(medium.hGlobal));
        std::vector<std::wstring> names;
        const bool listWide = DropFiles::ForEach(block, GlobalSize(medium.hGlobal), [&](DropFiles::Span s, bool w) {
            names.push_back(w ? std::wstring(reinterpret_cast<const wchar_t*>(block + s.offset), s.length)
                              : Codepage::FromAnsi({reinterpret_cast<const char*>(block + s.offset), s.length}));
        });
        GlobalUnlock(medium.hGlobal);
        EXPECT_EQ(listWide, wide);
        const UINT count = DragQueryFileW(static_cast<HDROP>(medium.hGlobal), 0xFFFFFFFF, nullptr, 0);
        ASSERT_EQ(count, names.size());
        for (UINT i = 0; i < count; ++i) {
            wchar_t buffer[500] = {};
            DragQueryFileW(static_cast<HDROP>(medium.hGlobal), i, buffer, 500);
            EXPECT_EQ(names[i], buffer) << i;
        }
        ReleaseStgMedium(&medium);
        data->Release();
    }
}

// -- Menu -------------------------------------------------------------------

TEST(Menu, CascadeWithTwoItemsAndTheirPictures) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"a.mp3"});
        HMENU popup = CreatePopupMenu();
        AppendMenuW(popup, MF_STRING, 1, L"Open");
        EXPECT_EQ(h.menu->QueryContextMenu(popup, 0, 100, 200, CMF_NORMAL), MAKE_HRESULT(SEVERITY_SUCCESS, 0, 2));
        auto top = Items(popup);
        ASSERT_EQ(top.size(), 2u);
        EXPECT_EQ(top[0].caption, L"&Tracklet");
        ASSERT_NE(top[0].submenu, nullptr);
        auto sub = Items(top[0].submenu);
        ASSERT_EQ(sub.size(), 2u);
        EXPECT_EQ(sub[0].caption, L"&Create M3U Playlist");
        EXPECT_EQ(sub[0].id, 100u);
        EXPECT_EQ(sub[1].caption, L"Tracklet &Options");
        EXPECT_EQ(sub[1].id, 101u);
        // The menu draws only the check-mark area: a wider picture is cut off.
        for (const auto& item : sub) {
            ASSERT_NE(item.unchecked, nullptr);
            EXPECT_EQ(item.checked, item.unchecked);
            BITMAP bm{};
            ASSERT_EQ(GetObjectW(item.unchecked, sizeof bm, &bm), static_cast<int>(sizeof bm));
            EXPECT_EQ(bm.bmWidth, GetSystemMetrics(SM_CXMENUCHECK));
            EXPECT_EQ(bm.bmHeight, GetSystemMetrics(SM_CYMENUCHECK));
        }
        EXPECT_NE(sub[0].unchecked, sub[1].unchecked);
        DestroyMenu(popup);
    });
}

TEST(Menu, RequestFlagsDecideWhetherItemsAreAdded) {
    support::WriteOptions({});
    const struct {
        UINT flags;
        int result;
    } cases[] = {{0, 2}, {0x10, 2}, {0x100, 2}, {CMF_EXPLORE, 2}, {5, 2}, {CMF_VERBSONLY, 0}, {6, 0}, {1, 0}, {8, 0}};
    support::OnNewThread([&] {
        Handler h;
        h.Initialize({Dir + L"a.mp3"});
        for (const auto& c : cases) {
            HMENU popup = CreatePopupMenu();
            EXPECT_EQ(h.menu->QueryContextMenu(popup, 0, 1, 0x7FFF, c.flags), c.result) << "flags " << c.flags;
            EXPECT_EQ(GetMenuItemCount(popup), c.result ? 1 : 0) << "flags " << c.flags;
            DestroyMenu(popup);
        }
    });
}

TEST(Menu, NeverUsesIdentifiersPastTheLastGranted) {
    support::WriteOptions({});
    const struct {
        UINT first, last;
        int result;
    } cases[] = {{5, 6, 2}, {5, 5, 0}, {6, 5, 0}, {0xFFFF, 0xFFFF, 0}};
    support::OnNewThread([&] {
        Handler h;
        h.Initialize({Dir + L"a.mp3"});
        for (const auto& c : cases) {
            HMENU popup = CreatePopupMenu();
            EXPECT_EQ(h.menu->QueryContextMenu(popup, 0, c.first, c.last, CMF_NORMAL), c.result)
                << c.first << ".." << c.last;
            EXPECT_EQ(GetMenuItemCount(popup), c.result ? 1 : 0) << c.first << ".." << c.last;
            DestroyMenu(popup);
        }
    });
}

TEST(Menu, NoPicturesUnlessBitmapsIsExactlyOne) {
    for (int bitmaps : {0, 2}) {
        support::Options o;
        o.bitmaps = bitmaps;
        support::WriteOptions(o);
        support::OnNewThread([] {
            Handler h;
            h.Initialize({Dir + L"a.mp3"});
            HMENU popup = CreatePopupMenu();
            ASSERT_EQ(h.menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0), 2);
            for (const auto& item : Items(Items(popup)[0].submenu)) EXPECT_EQ(item.unchecked, nullptr);
            DestroyMenu(popup);
        });
        EXPECT_THAT(support::TraceOf("ShellExt::QueryContextMenu() - "),
                    ::testing::Not(::testing::Contains("Adding bitmaps")));
    }
}

TEST(Menu, NothingWhenNoFileMatches) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"SONG.MP3"});
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(h.menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0), 0);
        EXPECT_EQ(GetMenuItemCount(popup), 0);
        DestroyMenu(popup);
    });
}

// Each menu build makes new pictures; they must live as long as a menu that
// shows them can be open (the object's life) and no longer.
TEST(Menu, PicturesLiveWithTheirObjectAndLeakNothing) {
    support::WriteOptions({});
    support::OnNewThread([] {
        std::vector<HBITMAP> pictures;
        HMENU first = CreatePopupMenu();
        {
            Handler h;
            h.Initialize({Dir + L"a.mp3"});
            h.menu->QueryContextMenu(first, 0, 1, 0x7FFF, 0);
            for (int i = 0; i < 20; ++i) {
                HMENU popup = CreatePopupMenu();
                h.menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0);
                for (const auto& item : Items(Items(popup)[0].submenu)) pictures.push_back(item.unchecked);
                DestroyMenu(popup);
            }
            // The first menu is still open: its pictures must still be there.
            BITMAP bm{};
            for (const auto& item : Items(Items(first)[0].submenu))
                EXPECT_NE(GetObjectW(item.unchecked, sizeof bm, &bm), 0);
        }
        BITMAP bm{};
        for (HBITMAP picture : pictures) EXPECT_EQ(GetObjectW(picture, sizeof bm, &bm), 0) << "picture leaked";
        DestroyMenu(first);
    });
}

// Another thread's object putting the table entry back must not take this
// thread's live handler's menu away.
TEST(Menu, AnotherThreadsRestoreLeavesThisHandlersMenu) {
    support::WriteOptions({});
    HANDLE firstMade = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE secondMade = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    HANDLE firstGone = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread a([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        {
            Handler h;
            SetEvent(firstMade);
            WaitForSingleObject(secondMade, INFINITE);
        }
        SetEvent(firstGone);
        CoUninitialize();
    });
    int result = -1;
    std::thread b([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        WaitForSingleObject(firstMade, INFINITE);
        {
            Handler h;
            h.Initialize({Dir + L"a.mp3"});
            SetEvent(secondMade);
            WaitForSingleObject(firstGone, INFINITE);
            HMENU popup = CreatePopupMenu();
            result = HRESULT_CODE(h.menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0));
            DestroyMenu(popup);
        }
        CoUninitialize();
    });
    a.join();
    b.join();
    EXPECT_EQ(result, 2);
    for (HANDLE e : {firstMade, secondMade, firstGone}) CloseHandle(e);
}

// -- Verbs and help texts ----------------------------------------------------

namespace {

std::string AnsiAnswer(IContextMenu* menu, UINT_PTR id, UINT flags, UINT cchMax, HRESULT* hr = nullptr) {
    char buffer[300];
    memset(buffer, 0x7F, sizeof buffer);
    HRESULT r = menu->GetCommandString(id, flags, nullptr, buffer, cchMax);
    if (hr) *hr = r;
    EXPECT_EQ(buffer[cchMax], 0x7F) << "wrote past cchMax";
    return std::string(buffer, strnlen(buffer, cchMax));
}

std::wstring WideAnswer(IContextMenu* menu, UINT_PTR id, UINT flags, UINT cchMax) {
    wchar_t buffer[300];
    wmemset(buffer, 0x7F7F, 300);
    EXPECT_EQ(menu->GetCommandString(id, flags, nullptr, reinterpret_cast<char*>(buffer), cchMax), S_OK);
    EXPECT_EQ(buffer[cchMax], 0x7F7F) << "wrote past cchMax";
    return std::wstring(buffer, wcsnlen(buffer, cchMax));
}

}  // namespace

// Where the process will not let a table entry be made writable (Arbitrary
// Code Guard, say) it stays as it is, never written into a read-only page.
TEST(Menu, ATableEntryThatCannotBeMadeWritableIsLeftAlone) {
    support::WriteOptions({});
    support::OnNewThread([] {
        void* reserved = VirtualAlloc(nullptr, 65536, MEM_RESERVE, PAGE_NOACCESS);
        ASSERT_NE(reserved, nullptr);
        auto* table = static_cast<uintptr_t*>(reserved);
        EXPECT_EQ(General::ReplaceVtableEntry(&table, 4, 0x1234), 0u);
        VirtualFree(reserved, 0, MEM_RELEASE);
    });
}

TEST(CommandString, AnswersInBothWidths) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        const struct {
            UINT kind;
            const char* first;
            const char* second;
        } rows[] = {
            {GCS_VERBA, "(GCS_VERB)MENUITEM1", "(GCS_VERB)MENUITEM2"},
            {GCS_HELPTEXTA, "Create a M3U Playlist from the selected files", "Tracklet Options"},
            {GCS_VALIDATEA, "(GCS_VALIDATE)New menu item number 1", "(GCS_VALIDATE)New menu item number 2"},
        };
        for (const auto& row : rows) {
            EXPECT_EQ(AnsiAnswer(h.menu, 0, row.kind, 260), row.first);
            EXPECT_EQ(AnsiAnswer(h.menu, 1, row.kind, 260), row.second);
            EXPECT_EQ(WideAnswer(h.menu, 0, row.kind | GCS_UNICODE, 260), Codepage::FromAnsi(row.first));
            EXPECT_EQ(WideAnswer(h.menu, 1, row.kind | GCS_UNICODE, 260), Codepage::FromAnsi(row.second));
            // Offsets that are not ours get the empty text.
            EXPECT_EQ(AnsiAnswer(h.menu, 7, row.kind, 260), "");
            EXPECT_EQ(WideAnswer(h.menu, 7, row.kind | GCS_UNICODE, 260), L"");
        }
    });
}

TEST(CommandString, CutToTheBufferAndNeverPastIt) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        EXPECT_EQ(AnsiAnswer(h.menu, 0, GCS_HELPTEXTA, 10), "Create a ");
        EXPECT_EQ(WideAnswer(h.menu, 0, GCS_HELPTEXTW, 10), L"Create a ");
        EXPECT_EQ(AnsiAnswer(h.menu, 0, GCS_VERBA, 1), "");
        EXPECT_EQ(WideAnswer(h.menu, 1, GCS_VERBW, 1), L"");
        // cchMax 0: nothing at all is written.
        char buffer[4] = {'x', 'x', 'x', 'x'};
        EXPECT_EQ(h.menu->GetCommandString(0, GCS_VERBA, nullptr, buffer, 0), S_OK);
        EXPECT_EQ(buffer[0], 'x');
        // Request kinds that are not listed (GCS_VERBICONW among them) write
        // nothing and do not pass for answered.
        for (UINT kind : {3u, 7u, 8u, 0x14u}) {
            EXPECT_EQ(h.menu->GetCommandString(0, kind, nullptr, buffer, 4), E_NOTIMPL);
            EXPECT_EQ(buffer[0], 'x');
        }
    });
}

TEST(CommandString, RejectsANullBufferAndANegativeSize) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        EXPECT_EQ(h.menu->GetCommandString(0, GCS_HELPTEXTW, nullptr, nullptr, 260), E_INVALIDARG);
        EXPECT_EQ(h.menu->GetCommandString(0, GCS_VERBA, nullptr, nullptr, 260), E_INVALIDARG);
        char buffer[4] = {'x', 'x', 'x', 'x'};
        EXPECT_TRUE(FAILED(h.menu->GetCommandString(0, GCS_VERBA, nullptr, buffer, 0x80000000u)));
        EXPECT_EQ(buffer[0], 'x');
    });
}

// -- Trace -------------------------------------------------------------------

TEST(Trace, InitializeMenuAndHelpTextLines) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"b.mp3", Dir + L"c.txt"});
        HMENU popup = CreatePopupMenu();
        h.menu->QueryContextMenu(popup, 3, 10, 20, CMF_EXPLORE);
        DestroyMenu(popup);
        char buffer[64];
        h.menu->GetCommandString(1, GCS_HELPTEXTA, nullptr, buffer, 64);
    });
    using ::testing::HasSubstr;
    auto init = support::TraceOf("ShellExt::IShellExtInit_Initialize() - ");
    ASSERT_GE(init.size(), 11u);
    EXPECT_EQ(init[0], "Begin IShellExtInit_Initialize()");
    EXPECT_THAT(init[1], ::testing::MatchesRegex("pidlFolder: 0 lpdobj: -?\\d+ hKeyProgID: 0"));
    EXPECT_EQ(init[2], "Copying pointer to the IDataObject into a local variable");
    EXPECT_EQ(init[3], "Calling oIDataObj.GetData ByVal VarPtr(FmtEtc), ByVal VarPtr(pMedium)");
    EXPECT_THAT(init[4], ::testing::StartsWith("LastDLLError() Function Returns: "));
    EXPECT_EQ(init[5], "Selected File: b.mp3; upon command, adding to playlist");
    EXPECT_EQ(init[6], "Selected File: c.txt; not adding to playlist");
    EXPECT_EQ(init[7], "Getting info from the registry");
    EXPECT_EQ(init[8], "Querying Value");
    EXPECT_EQ(init[9], "Parsing Value");
    EXPECT_EQ(init[10], "Done with registry");
    EXPECT_EQ(init[11], "Done IShellExtInit_Initialize()");

    auto menu = support::TraceOf("ShellExt::QueryContextMenu() - ");
    EXPECT_THAT(menu, ElementsAre("Begin QueryContextMenu()",
                                  ::testing::MatchesRegex("hMenu: -?\\d+ indexMenu: 3 idCmdFirst: 10 idCmdLast: 20 uFlags: 4"),
                                  "CMF_EXPLORE; [From] Windows Explorer - Displaying menu items",
                                  "Adding cascaded menus", "Adding bitmaps", "Done QueryContextMenu()"));
    auto help = support::TraceOf("ShellExt::IContextMenu_GetCommandString() - ");
    EXPECT_THAT(help, ElementsAre("Begin IContextMenu_GetCommandString()",
                                  ::testing::MatchesRegex("idCmd: 1 uFlags: 1 pszName: -?\\d+ cchMax: 64"),
                                  "Modifying help text", "Done IContextMenu_GetCommandString()"));
    auto replace = support::TraceOf("General::ReplaceVtableEntry() - ");
    ASSERT_GE(replace.size(), 2u);
    EXPECT_EQ(replace[0], "Modifying VTable Entries...");
    EXPECT_THAT(replace[1], ::testing::MatchesRegex("Done; Old Address->-?\\d+"));
    EXPECT_THAT(support::TraceOf("ShellExt::Class_Initialize() - "), ElementsAre("Complete"));
    EXPECT_THAT(support::TraceOf("ShellExt::Class_Terminate() - "), ElementsAre("Done"));
    EXPECT_THAT(support::TraceOf("General::Main() - "), ::testing::Contains("Application DLL Terminated"));
}

TEST(Trace, NoMatchingFileTracesTheNoMenuLines) {
    support::WriteOptions({});
    support::OnNewThread([] {
        Handler h;
        h.Initialize({Dir + L"SONG.MP3"});
        HMENU popup = CreatePopupMenu();
        h.menu->QueryContextMenu(popup, 0, 1, 2, 0);
        DestroyMenu(popup);
    });
    auto init = support::TraceOf("ShellExt::IShellExtInit_Initialize() - ");
    EXPECT_THAT(init, ::testing::Contains("No selected files match ext. criteria. The menu will not be created"));
    EXPECT_THAT(support::TraceOf("ShellExt::QueryContextMenu() - "),
                ElementsAre("Begin QueryContextMenu()", "ShowMenu has been flagged as flase, exiting procedure",
                            "Done QueryContextMenu()"));
}
