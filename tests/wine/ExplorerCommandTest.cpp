// The Explorer command in this process (library linked, resources carried),
// handed the shell's own item arrays and a stand-in for Explorer's site: its
// texts and icons, its sub-commands, its state, and playlists byte for byte
// equal to the classic menu's.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <shlobj.h>
#include <wrl/client.h>

#include <string>
#include <vector>

#include "DropDataObject.h"
#include "FolderSite.h"
#include "HandlerSupport.h"
#include "MessageWatcher.h"
#include "ModuleInfo.h"
#include "Server.h"
#include "SystemError.h"
#include "trkmenu_h.h"

using Microsoft::WRL::ComPtr;
using ::testing::ElementsAre;

namespace {

LPWSTR const kGarbageText = reinterpret_cast<LPWSTR>(static_cast<uintptr_t>(0xBAADF00D));
IExplorerCommand* const kGarbageCommand = reinterpret_cast<IExplorerCommand*>(static_cast<uintptr_t>(0xBAADF00D));

ComPtr<IExplorerCommand> NewRoot() {
    ComPtr<IClassFactory> factory;
    EXPECT_EQ(Server::GetClassObject(CLSID_ExplorerCommand, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IExplorerCommand> root;
    if (factory) {
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&root)), S_OK);
    }
    return root;
}

std::vector<ComPtr<IExplorerCommand>> Children(IExplorerCommand* root) {
    ComPtr<IEnumExplorerCommand> list;
    EXPECT_EQ(root->EnumSubCommands(&list), S_OK);
    std::vector<ComPtr<IExplorerCommand>> children;
    IExplorerCommand* one = nullptr;
    while (list && list->Next(1, &one, nullptr) == S_OK) {
        children.emplace_back(one);
        one->Release();
    }
    return children;
}

// A text a command answers, or "<hr>" when it answers none (and then leaves a null).
std::wstring Answer(HRESULT (STDMETHODCALLTYPE IExplorerCommand::*method)(IShellItemArray*, LPWSTR*), IExplorerCommand* command) {
    LPWSTR text = kGarbageText;
    const HRESULT hr = (command->*method)(nullptr, &text);
    if (FAILED(hr)) {
        EXPECT_EQ(text, nullptr);
        wchar_t code[16];
        wsprintfW(code, L"<%08lX>", static_cast<unsigned long>(hr));
        return code;
    }
    std::wstring answer = text ? text : L"<null>";
    CoTaskMemFree(text);
    return answer;
}

ComPtr<IShellItemArray> Items(const std::vector<std::wstring>& paths) {
    ComPtr<IShellItemArray> items;
    items.Attach(ShellItems(paths));
    EXPECT_NE(items, nullptr);
    return items;
}

EXPCMDSTATE StateOf(IExplorerCommand* command, IShellItemArray* items) {
    EXPCMDSTATE state = static_cast<EXPCMDSTATE>(0x7777);
    EXPECT_EQ(command->GetState(items, FALSE, &state), S_OK);
    return state;
}

void Touch(const std::wstring& path) { ASSERT_TRUE(FileBytes::Write(path, "sample\n")); }

// An item array that counts how many items were asked for.
class CountingItems final : public IShellItemArray {
public:
    explicit CountingItems(IShellItemArray* inner) : inner_(inner) {}
    int asked = 0;
    IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
        if (IsEqualIID(riid, IID_IUnknown) || IsEqualIID(riid, IID_IShellItemArray)) {
            *ppv = this;
            return S_OK;
        }
        *ppv = nullptr;
        return E_NOINTERFACE;
    }
    IFACEMETHODIMP_(ULONG) AddRef() override { return 2; }
    IFACEMETHODIMP_(ULONG) Release() override { return 1; }
    IFACEMETHODIMP BindToHandler(IBindCtx*, REFGUID, REFIID, void**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetPropertyStore(GETPROPERTYSTOREFLAGS, REFIID, void**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetPropertyDescriptionList(REFPROPERTYKEY, REFIID, void**) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetAttributes(SIATTRIBFLAGS, SFGAOF, SFGAOF*) override { return E_NOTIMPL; }
    IFACEMETHODIMP GetCount(DWORD* count) override { return inner_->GetCount(count); }
    IFACEMETHODIMP GetItemAt(DWORD i, IShellItem** item) override {
        ++asked;
        return inner_->GetItemAt(i, item);
    }
    IFACEMETHODIMP EnumItems(IEnumShellItems**) override { return E_NOTIMPL; }

private:
    IShellItemArray* inner_;
};

// A folder of music as a listener has it, under the per-user folder.
class Music : public ::testing::Test {
protected:
    void SetUp() override {
        folder = support::FreshFolder(L"Music");
        for (const wchar_t* name : {L"b song.mp3", L"A song.mp3", L"Track 10.mp3", L"Track 9.mp3", L"notes.txt",
                                    L"#1 hit.mp3", L"caf\u00e9.wav", L"SONG.MP3"})
            Touch(folder + L"\\" + name);
        for (const wchar_t* sub : {L"Album", L"Live.mp3", L"Empty"}) CreateDirectoryW((folder + L"\\" + sub).c_str(), nullptr);
        support::FreshFolder(L"Music\\Album");
        support::FreshFolder(L"Music\\Live.mp3");
        Touch(folder + L"\\Album\\x.mp3");
        Touch(folder + L"\\Album\\y.wav");
        Touch(folder + L"\\Live.mp3\\z.mp3");
        other = support::FreshFolder(L"Other");
        Touch(other + L"\\o.mp3");
    }
    std::wstring In(const wchar_t* name) const { return folder + L"\\" + name; }

    std::wstring folder, other;
};

}  // namespace

TEST(ExplorerCommand, TextsFlagsNamesAndIcons) {
    for (int bitmaps : {1, 0}) {
        support::Options o;
        o.bitmaps = bitmaps;
        support::WriteOptions(o);
        support::OnNewThread([&] {
            const ComPtr<IExplorerCommand> root = NewRoot();
            ASSERT_NE(root, nullptr);
            const std::wstring module = ModuleInfo::FileName(nullptr);
            EXPECT_EQ(Answer(&IExplorerCommand::GetTitle, root.Get()), L"Tracklet");
            EXPECT_EQ(Answer(&IExplorerCommand::GetIcon, root.Get()), module + L",-101");
            EXPECT_EQ(Answer(&IExplorerCommand::GetToolTip, root.Get()), L"<80004001>");
            EXPCMDFLAGS flags = static_cast<EXPCMDFLAGS>(0x7777);
            EXPECT_EQ(root->GetFlags(&flags), S_OK);
            EXPECT_EQ(flags, ECF_HASSUBCOMMANDS);

            const auto children = Children(root.Get());
            ASSERT_EQ(children.size(), 2u);
            EXPECT_EQ(Answer(&IExplorerCommand::GetTitle, children[0].Get()), L"Create M3U Playlist");
            EXPECT_EQ(Answer(&IExplorerCommand::GetToolTip, children[0].Get()),
                      L"Create a M3U Playlist from the selected files");
            EXPECT_EQ(Answer(&IExplorerCommand::GetTitle, children[1].Get()), L"Tracklet Options");
            EXPECT_EQ(Answer(&IExplorerCommand::GetToolTip, children[1].Get()), L"Tracklet Options");
            EXPECT_EQ(Answer(&IExplorerCommand::GetIcon, children[0].Get()),
                      bitmaps == 1 ? module + L",-101" : L"<80004001>");
            EXPECT_EQ(Answer(&IExplorerCommand::GetIcon, children[1].Get()),
                      bitmaps == 1 ? module + L",-102" : L"<80004001>");

            GUID names[3];
            IExplorerCommand* all[] = {root.Get(), children[0].Get(), children[1].Get()};
            for (int i = 0; i < 3; ++i) {
                names[i] = GUID_NULL;
                EXPECT_EQ(all[i]->GetCanonicalName(&names[i]), S_OK);
                EXPECT_FALSE(IsEqualGUID(names[i], GUID_NULL));
                flags = static_cast<EXPCMDFLAGS>(0x7777);
                if (i > 0) {
                    EXPECT_EQ(all[i]->GetFlags(&flags), S_OK);
                    EXPECT_EQ(flags, ECF_DEFAULT);
                    IEnumExplorerCommand* none = reinterpret_cast<IEnumExplorerCommand*>(kGarbageCommand);
                    EXPECT_EQ(all[i]->EnumSubCommands(&none), E_NOTIMPL);
                    EXPECT_EQ(none, nullptr);
                }
            }
            EXPECT_FALSE(IsEqualGUID(names[0], names[1]));
            EXPECT_FALSE(IsEqualGUID(names[1], names[2]));
            EXPECT_FALSE(IsEqualGUID(names[0], names[2]));
            // A second root names itself the same way: Explorer may keep the name.
            GUID again = GUID_NULL;
            NewRoot()->GetCanonicalName(&again);
            EXPECT_TRUE(IsEqualGUID(again, names[0]));
        });
    }
}

// The icons the locations name hold the four sizes the new menu picks from.
TEST(ExplorerCommand, IconsHoldFourSizes) {
    for (int id : {101, 102}) {
        HRSRC found = FindResourceW(nullptr, MAKEINTRESOURCEW(id), RT_GROUP_ICON);
        ASSERT_NE(found, nullptr) << id;
        const auto* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
        const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
        std::vector<int> sizes;
        for (WORD i = 0; i < count; ++i) sizes.push_back(dir[6 + 14 * i]);  // GRPICONDIRENTRY.bWidth
        EXPECT_THAT(sizes, ElementsAre(16, 20, 24, 32)) << id;
        for (int size : {16, 20, 24, 32}) {
            HICON icon = static_cast<HICON>(
                LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
            ASSERT_NE(icon, nullptr) << id << " at " << size;
            ICONINFO info{};
            ASSERT_TRUE(GetIconInfo(icon, &info));
            BITMAP bm{};
            GetObjectW(info.hbmColor, sizeof bm, &bm);
            EXPECT_EQ(bm.bmWidth, size);
            DeleteObject(info.hbmColor);
            DeleteObject(info.hbmMask);
            DestroyIcon(icon);
        }
    }
}

TEST(ExplorerCommand, SubCommandListCountsSkipsResetsAndClones) {
    support::WriteOptions({});
    support::OnNewThread([] {
        const ComPtr<IExplorerCommand> root = NewRoot();
        ComPtr<IEnumExplorerCommand> list;
        ASSERT_EQ(root->EnumSubCommands(&list), S_OK);
        auto title = [](IExplorerCommand* c) { return Answer(&IExplorerCommand::GetTitle, c); };
        auto release = [](IExplorerCommand** slots, ULONG n) {
            for (ULONG i = 0; i < n; ++i) slots[i]->Release();
        };

        IExplorerCommand* slots[3] = {kGarbageCommand, kGarbageCommand, kGarbageCommand};
        ULONG fetched = 99;
        EXPECT_EQ(list->Next(1, slots, &fetched), S_OK);
        EXPECT_EQ(fetched, 1u);
        EXPECT_EQ(title(slots[0]), L"Create M3U Playlist");
        EXPECT_EQ(slots[1], kGarbageCommand);
        release(slots, 1);

        // Three asked, one left: one filled, the others untouched, S_FALSE.
        slots[0] = kGarbageCommand;
        EXPECT_EQ(list->Next(3, slots, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 1u);
        EXPECT_EQ(title(slots[0]), L"Tracklet Options");
        EXPECT_EQ(slots[1], kGarbageCommand);
        release(slots, 1);
        EXPECT_EQ(list->Next(1, slots, &fetched), S_FALSE);
        EXPECT_EQ(fetched, 0u);

        ASSERT_EQ(list->Reset(), S_OK);
        EXPECT_EQ(list->Next(2, slots, &fetched), S_OK);
        EXPECT_EQ(fetched, 2u);
        EXPECT_EQ(title(slots[0]), L"Create M3U Playlist");
        EXPECT_EQ(title(slots[1]), L"Tracklet Options");
        release(slots, 2);
        // More than one without a count to report is refused.
        list->Reset();
        EXPECT_EQ(list->Next(2, slots, nullptr), E_INVALIDARG);

        list->Reset();
        EXPECT_EQ(list->Skip(1), S_OK);
        ComPtr<IEnumExplorerCommand> copy;
        ASSERT_EQ(list->Clone(&copy), S_OK);
        EXPECT_EQ(copy->Next(1, slots, nullptr), S_OK);  // the clone starts where the list stood
        EXPECT_EQ(title(slots[0]), L"Tracklet Options");
        release(slots, 1);
        copy->Reset();                                  // and moves on its own
        EXPECT_EQ(list->Next(1, slots, &fetched), S_OK);
        EXPECT_EQ(title(slots[0]), L"Tracklet Options");
        release(slots, 1);
        EXPECT_EQ(copy->Skip(3), S_FALSE);
        EXPECT_EQ(copy->Next(1, slots, &fetched), S_FALSE);
    });
}

// Objects, lists and the factory's references all end at zero, and the
// sub-commands keep the root (whose site they use) alive.
TEST(ExplorerCommand, ReferencesComeBackToZero) {
    support::WriteOptions({});
    const LONG before = Server::ModuleCount();
    support::OnNewThread([&] {
        ComPtr<IEnumExplorerCommand> list;
        {
            ComPtr<IExplorerCommand> root = NewRoot();
            ComPtr<IObjectWithSite> withSite;
            ASSERT_EQ(root.As(&withSite), S_OK);
            IUnknown* site = FolderSite::Create(L"C:\\");
            EXPECT_EQ(withSite->SetSite(site), S_OK);
            site->Release();
            root->EnumSubCommands(&list);
            IUnknown* back = reinterpret_cast<IUnknown*>(kGarbageCommand);
            EXPECT_EQ(withSite->GetSite(IID_IServiceProvider, reinterpret_cast<void**>(&back)), S_OK);
            back->Release();
            EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
            back = reinterpret_cast<IUnknown*>(kGarbageCommand);
            EXPECT_EQ(withSite->GetSite(IID_IUnknown, reinterpret_cast<void**>(&back)), E_FAIL);
            EXPECT_EQ(back, nullptr);
        }
        EXPECT_GT(Server::ModuleCount(), before);
        ComPtr<IEnumExplorerCommand> copy;
        list->Clone(&copy);
        list.Reset();
        EXPECT_EQ(copy.Reset(), 0u);
    });
    EXPECT_EQ(Server::ModuleCount(), before);
}

TEST_F(Music, StateFollowsTheClassicMenusRule) {
    const struct {
        std::vector<std::wstring> selection;
        EXPCMDSTATE folders0, folders1;
    } cases[] = {
        {{In(L"A song.mp3")}, ECS_ENABLED, ECS_ENABLED},
        {{In(L"notes.txt"), In(L"caf\u00e9.wav")}, ECS_ENABLED, ECS_ENABLED},
        {{In(L"notes.txt")}, ECS_HIDDEN, ECS_HIDDEN},
        {{In(L"SONG.MP3")}, ECS_HIDDEN, ECS_HIDDEN},      // the extension's case counts
        {{In(L"Album")}, ECS_HIDDEN, ECS_ENABLED},
        {{In(L"notes.txt"), In(L"Album")}, ECS_HIDDEN, ECS_ENABLED},
        {{In(L"Live.mp3")}, ECS_ENABLED, ECS_ENABLED},    // a folder's name is kept like a file's
        {{folder}, ECS_HIDDEN, ECS_ENABLED},              // a background's one item: its folder
        {{other + L"\\o.mp3", In(L"b song.mp3")}, ECS_ENABLED, ECS_ENABLED},
    };
    for (int folders : {0, 1}) {
        support::Options o;
        o.folders = folders;
        support::WriteOptions(o);
        support::OnNewThread([&] {
            const ComPtr<IExplorerCommand> root = NewRoot();
            const auto children = Children(root.Get());
            for (const auto& c : cases) {
                const auto items = Items(c.selection);
                const EXPCMDSTATE expected = folders ? c.folders1 : c.folders0;
                EXPECT_EQ(StateOf(root.Get(), items.Get()), expected) << c.selection[0] << " Folders=" << folders;
                EXPECT_EQ(StateOf(children[0].Get(), items.Get()), expected) << c.selection[0];
                EXPECT_EQ(StateOf(children[1].Get(), items.Get()), ECS_ENABLED);
            }

            // A background without its item: the site names the folder.
            ComPtr<IObjectWithSite> withSite;
            root.As(&withSite);
            EXPECT_EQ(StateOf(root.Get(), nullptr), ECS_HIDDEN);  // no site, no folder
            IUnknown* site = FolderSite::Create(folder);
            withSite->SetSite(site);
            site->Release();
            const EXPCMDSTATE background = folders ? ECS_ENABLED : ECS_HIDDEN;
            EXPECT_EQ(StateOf(root.Get(), nullptr), background);
            EXPECT_EQ(StateOf(children[0].Get(), nullptr), background);  // through its parent's site
        });
    }
}

TEST_F(Music, StateStopsAtTheFirstItemThatDecides) {
    support::Options o;
    o.folders = 1;
    support::WriteOptions(o);
    std::vector<std::wstring> many{In(L"A song.mp3")};
    for (int i = 0; i < 40; ++i) many.push_back(In(i % 2 ? L"notes.txt" : L"b song.mp3"));
    support::OnNewThread([&] {
        const ComPtr<IExplorerCommand> root = NewRoot();
        const auto items = Items(many);
        CountingItems counting(items.Get());
        EXPECT_EQ(StateOf(root.Get(), &counting), ECS_ENABLED);
        EXPECT_EQ(counting.asked, 1);
        // Non-audio first: the walk goes on only as far as the first kept file.
        const auto mixed = Items({In(L"notes.txt"), In(L"SONG.MP3"), In(L"b song.mp3"), In(L"notes.txt")});
        CountingItems second(mixed.Get());
        EXPECT_EQ(StateOf(root.Get(), &second), ECS_ENABLED);
        EXPECT_EQ(second.asked, 3);
    });
}

namespace {

// The classic command's playlist for the selection: Initialize with the
// folder's ID list and the files, then "&Create M3U Playlist" by offset.
void ClassicPlaylist(const std::wstring& folder, const std::vector<std::wstring>& paths) {
    IClassFactory* factory = nullptr;
    ASSERT_EQ(Server::GetClassObject(CLSID_ShellExt, IID_PPV_ARGS(&factory)), S_OK);
    ComPtr<IShellExtInit> init;
    ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&init)), S_OK);
    factory->Release();
    PIDLIST_ABSOLUTE pidl = nullptr;
    ASSERT_EQ(SHParseDisplayName(folder.c_str(), nullptr, &pidl, 0, nullptr), S_OK);
    IDataObject* data = DropDataObject::Create(paths);
    init->Initialize(pidl, data, nullptr);
    data->Release();
    CoTaskMemFree(pidl);
    ComPtr<IContextMenu> menu;
    init.As(&menu);
    HMENU popup = CreatePopupMenu();
    menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL);
    CMINVOKECOMMANDINFOEX info{};
    info.cbSize = sizeof info;
    info.fMask = CMIC_MASK_FLAG_NO_UI;
    info.lpVerb = MAKEINTRESOURCEA(0);
    info.nShow = SW_SHOWNORMAL;
    EXPECT_EQ(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), S_OK);
    DestroyMenu(popup);
}

// The Explorer command's: the same selection as shell items, the view's site.
HRESULT NewMenuPlaylist(const std::wstring& folder, const std::vector<std::wstring>& paths, bool withItems = true,
                        HWND window = nullptr) {
    const ComPtr<IExplorerCommand> root = NewRoot();
    ComPtr<IObjectWithSite> withSite;
    root.As(&withSite);
    IUnknown* site = FolderSite::Create(folder, window);
    withSite->SetSite(site);
    site->Release();
    const auto children = Children(root.Get());
    if (children.size() != 2) return E_UNEXPECTED;
    ComPtr<IShellItemArray> items;
    if (withItems) items = Items(paths);
    return children[0]->Invoke(items.Get(), nullptr);
}

}  // namespace

TEST_F(Music, PlaylistBytesEqualTheClassicCommands) {
    const std::vector<std::wstring> selection{In(L"b song.mp3"), In(L"Track 10.mp3"), In(L"notes.txt"),
                                              In(L"A song.mp3"), In(L"#1 hit.mp3"),  In(L"Track 9.mp3"),
                                              In(L"caf\u00e9.wav"), In(L"SONG.MP3"),   other + L"\\o.mp3",
                                              In(L"Album"),      In(L"Live.mp3")};
    const struct {
        const char* what;
        int paths, order, format, folders;
        const wchar_t* playlist;
    } sets[] = {
        {"defaults", 0, 0, 0, 0, L"new.m3u"},
        {"full paths", 1, 0, 0, 0, L"new.m3u"},
        {"Explorer's order", 0, 1, 0, 0, L"new.m3u"},
        {"UTF-8", 0, 0, 1, 0, L"new.m3u8"},
        {"folders", 0, 1, 0, 1, L"new.m3u"},
    };
    for (const auto& set : sets) {
        support::Options o;
        o.paths = set.paths;
        o.order = set.order;
        o.format = set.format;
        o.folders = set.folders;
        support::WriteOptions(o);
        const std::wstring playlist = folder + L"\\" + set.playlist;
        std::string classic, explorer;
        support::OnNewThread([&] {
            DeleteFileW(playlist.c_str());
            ClassicPlaylist(folder, selection);
            classic = support::ReadFile(playlist);
            DeleteFileW(playlist.c_str());
            EXPECT_EQ(NewMenuPlaylist(folder, selection), S_OK) << set.what;
            explorer = support::ReadFile(playlist);
            DeleteFileW(playlist.c_str());
        });
        EXPECT_FALSE(classic.empty()) << set.what;
        EXPECT_EQ(explorer, classic) << set.what;
    }
    // One that is known by heart: the default bytes.
    support::WriteOptions({});
    support::OnNewThread([&] { ASSERT_EQ(NewMenuPlaylist(folder, selection), S_OK); });
    EXPECT_EQ(support::ReadFile(In(L"new.m3u")),
              ".\\#1 hit.mp3\r\nA song.mp3\r\nLive.mp3\r\nTrack 10.mp3\r\nTrack 9.mp3\r\nb song.mp3\r\ncaf\xE9.wav\r\n"
              "..\\Other\\o.mp3\r\n");
}

TEST_F(Music, BackgroundAndSelectedFolderLandAsInTheClassicMenu) {
    support::Options o;
    o.folders = 1;
    support::WriteOptions(o);
    support::OnNewThread([&] {
        // The background without its item: the site's folder is the selection.
        EXPECT_EQ(NewMenuPlaylist(folder, {}, false), S_OK);
        const std::string background = support::ReadFile(In(L"new.m3u"));
        EXPECT_THAT(background, ::testing::HasSubstr("A song.mp3\r\n"));
        EXPECT_THAT(background, ::testing::HasSubstr("Album\\x.mp3\r\n"));
        DeleteFileW(In(L"new.m3u").c_str());
        // With its one item, the folder itself: the same playlist in the same place.
        EXPECT_EQ(NewMenuPlaylist(folder, {folder}), S_OK);
        EXPECT_EQ(support::ReadFile(In(L"new.m3u")), background);
        DeleteFileW(In(L"new.m3u").c_str());
        // A folder selected in its parent's view: the playlist goes to the parent.
        EXPECT_EQ(NewMenuPlaylist(folder, {In(L"Album")}), S_OK);
        EXPECT_EQ(support::ReadFile(In(L"new.m3u")), "Album\\x.mp3\r\nAlbum\\y.wav\r\n");
    });
}

TEST_F(Music, FailuresAreReportedAndNothingIsWritten) {
    support::WriteOptions({});
    support::OnNewThread([&] {
        // Nothing the command takes.
        EXPECT_EQ(NewMenuPlaylist(folder, {In(L"notes.txt")}), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
        EXPECT_EQ(GetFileAttributesW(In(L"new.m3u").c_str()), INVALID_FILE_ATTRIBUTES);
        // A playlist another program holds open without sharing: the user
        // is told, in a message box owned by the site's window, and the
        // caller gets the system's error.
        HANDLE held = CreateFileW(In(L"new.m3u").c_str(), GENERIC_READ, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(held, INVALID_HANDLE_VALUE);
        HWND window = CreateWindowW(L"STATIC", L"Explorer", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
        MessageWatcher watcher;
        const HRESULT hr = NewMenuPlaylist(folder, {In(L"A song.mp3")}, true, window);
        CloseHandle(held);
        EXPECT_TRUE(FAILED(hr)) << std::hex << hr;
        EXPECT_EQ(HRESULT_FACILITY(hr), FACILITY_WIN32) << std::hex << hr;
        EXPECT_NE(hr, HRESULT_FROM_WIN32(ERROR_CANCELLED));
        EXPECT_EQ(support::ReadFile(In(L"new.m3u")), "");
        const auto boxes = watcher.Take();
        ASSERT_EQ(boxes.size(), 1u);
        EXPECT_EQ(boxes[0].owner, window);
        EXPECT_EQ(boxes[0].caption, L"Tracklet");
        EXPECT_NE(boxes[0].text.find(L"\n" + In(L"new.m3u") + L"\n"), std::wstring::npos);
        EXPECT_NE(boxes[0].text.find(SystemError::Text(HRESULT_CODE(hr))), std::wstring::npos);
        DestroyWindow(window);
    });
    const auto invoke = support::TraceOf("ExplorerCommand::IExplorerCommand_Invoke() - ");
    EXPECT_THAT(invoke, ::testing::Contains(::testing::StartsWith("ERROR: ")));
    ASSERT_FALSE(invoke.empty());
    EXPECT_EQ(invoke.front(), "Begin IExplorerCommand_Invoke()");
}

// trkconfig.exe is not beside this test program.
TEST(ExplorerCommand, OptionsWithoutTrkconfigIsAFailure) {
    support::WriteOptions({});
    support::OnNewThread([] {
        const auto children = Children(NewRoot().Get());
        ASSERT_EQ(children.size(), 2u);
        EXPECT_EQ(children[1]->Invoke(nullptr, nullptr), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
    });
    EXPECT_THAT(support::TraceOf("ExplorerCommand::IExplorerCommand_Invoke() - "),
                ::testing::Contains(::testing::StartsWith("trkconfig.exe was not found at ")));
}

namespace {

std::wstring ClassValue(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

}  // namespace

TEST(ExplorerCommand, RegisteredAndRemovedWithTheHandler) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    ASSERT_EQ(Server::RegisterServer(), S_OK);
    const std::wstring key = L"CLSID\\{2C9A5863-AD8D-4683-B139-06AF736D2142}";
    EXPECT_EQ(_wcsicmp(ClassValue(key + L"\\InprocServer32").c_str(), ModuleInfo::FileName(nullptr).c_str()), 0);
    EXPECT_EQ(ClassValue(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ClassValue(key + L"\\ProgID"), L"trkmenu.ExplorerCommand");
    EXPECT_EQ(ClassValue(L"trkmenu.ExplorerCommand\\CLSID"), L"{2C9A5863-AD8D-4683-B139-06AF736D2142}");
    EXPECT_NE(ClassValue(L"CLSID\\{928BB78A-14A7-11D3-A91E-0040056902A2}\\InprocServer32"), L"<missing>");
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(L"trkmenu.ExplorerCommand", &found), S_OK);
    EXPECT_TRUE(IsEqualCLSID(found, CLSID_ExplorerCommand));

    ASSERT_EQ(Server::UnregisterServer(), S_OK);
    EXPECT_EQ(ClassValue(key), L"<missing>");
    EXPECT_EQ(ClassValue(L"trkmenu.ExplorerCommand\\CLSID"), L"<missing>");
    EXPECT_EQ(ClassValue(L"CLSID\\{928BB78A-14A7-11D3-A91E-0040056902A2}"), L"<missing>");

    // Neither class for anyone else's identifier, and nothing left in the out pointer.
    void* factory = kGarbageCommand;
    EXPECT_EQ(Server::GetClassObject(IID_IExplorerCommand, IID_IClassFactory, &factory), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(factory, nullptr);
    CoUninitialize();
}
