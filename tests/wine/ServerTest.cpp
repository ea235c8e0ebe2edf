// trkmenu.dll as the shell meets it: registered in this test's own prefix,
// found and created through COM, checked as a contract in the manner of
// Wine's own shell tests.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <thread>

#include "DropDataObject.h"
#include "HandlerSupport.h"
#include "trkmenu_h.h"

namespace {

std::wstring DllPath() {
    std::string narrow = TRK_MENU_DLL;
    return std::wstring(narrow.begin(), narrow.end());
}

HMODULE Library() {
    static HMODULE module = LoadLibraryW(DllPath().c_str());
    return module;
}

HRESULT CallExport(const char* name) {
    auto fn = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(GetProcAddress(Library(), name)));
    return fn ? fn() : E_NOTIMPL;
}

std::wstring ReadDefault(const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

std::wstring Text(REFGUID guid) {
    wchar_t text[40] = {};
    StringFromGUID2(guid, text, 40);
    return text;
}

class Environment : public ::testing::Environment {
public:
    void SetUp() override {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        ASSERT_NE(Library(), nullptr);
        ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    }
    void TearDown() override { CoUninitialize(); }
};

const auto* const environment = ::testing::AddGlobalTestEnvironment(new Environment);

IContextMenu* NewMenu(const std::vector<std::wstring>& files) {
    IShellExtInit* init = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                reinterpret_cast<void**>(&init))))
        return nullptr;
    IDataObject* data = DropDataObject::Create(files);
    init->Initialize(nullptr, data, nullptr);
    data->Release();
    IContextMenu* menu = nullptr;
    init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    init->Release();
    return menu;
}

}  // namespace

TEST(Registration, ClassProgIdBothWaysAndTypeLibrary) {
    const std::wstring key = L"CLSID\\" + Text(CLSID_ShellExt);
    EXPECT_EQ(ReadDefault(key), L"Tracklet Playlist Shell Extension");
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(Library(), loaded, MAX_PATH);
    EXPECT_EQ(_wcsicmp(ReadDefault(key + L"\\InprocServer32").c_str(), loaded), 0);
    EXPECT_EQ(ReadDefault(key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadDefault(key + L"\\ProgID"), L"trkmenu.ShellExt");
    EXPECT_EQ(ReadDefault(L"trkmenu.ShellExt\\CLSID"), Text(CLSID_ShellExt));
    CLSID found{};
    EXPECT_EQ(CLSIDFromProgID(L"trkmenu.ShellExt", &found), S_OK);
    EXPECT_TRUE(IsEqualCLSID(found, CLSID_ShellExt));

    ITypeLib* lib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_trkmenu, 2, 0, 0, &lib), S_OK);
    BSTR name = nullptr, doc = nullptr;
    lib->GetDocumentation(-1, &name, &doc, nullptr, nullptr);
    EXPECT_STREQ(name, L"trkmenu");
    EXPECT_STREQ(doc, L"Tracklet 1.41 [velloro]");
    SysFreeString(name);
    SysFreeString(doc);
    ITypeInfo* info = nullptr;
    ASSERT_EQ(lib->GetTypeInfoOfGuid(CLSID_ShellExt, &info), S_OK);
    TYPEATTR* attr = nullptr;
    info->GetTypeAttr(&attr);
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    HREFTYPE ref = 0;
    info->GetRefTypeOfImplType(0, &ref);
    ITypeInfo* iface = nullptr;
    info->GetRefTypeInfo(ref, &iface);
    TYPEATTR* ifaceAttr = nullptr;
    iface->GetTypeAttr(&ifaceAttr);
    EXPECT_TRUE(IsEqualIID(ifaceAttr->guid, IID__ShellExt));
    iface->ReleaseTypeAttr(ifaceAttr);
    iface->Release();
    info->ReleaseTypeAttr(attr);
    info->Release();
    lib->Release();
}

TEST(Registration, UnregisterRemovesEverythingAndRegisterRestoresIt) {
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    EXPECT_EQ(ReadDefault(L"CLSID\\" + Text(CLSID_ShellExt)), L"<missing>");
    EXPECT_EQ(ReadDefault(L"trkmenu.ShellExt\\CLSID"), L"<missing>");
    ITypeLib* lib = nullptr;
    EXPECT_NE(LoadRegTypeLib(LIBID_trkmenu, 2, 0, 0, &lib), S_OK);
    IUnknown* object = nullptr;
    EXPECT_EQ(CoCreateInstance(CLSID_ShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              REGDB_E_CLASSNOTREG);
    // A second removal finds nothing to remove and still succeeds.
    EXPECT_EQ(CallExport("DllUnregisterServer"), S_OK);
    ASSERT_EQ(CallExport("DllRegisterServer"), S_OK);
    EXPECT_EQ(ReadDefault(L"trkmenu.ShellExt\\CLSID"), Text(CLSID_ShellExt));
}

namespace {

using InstallProc = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);

HRESULT CallInstall(BOOL install, const wchar_t* commandLine) {
    auto fn = reinterpret_cast<InstallProc>(reinterpret_cast<void*>(GetProcAddress(Library(), "DllInstall")));
    return fn ? fn(install, commandLine) : E_NOTIMPL;
}

// The keys a registration writes, below a classes root.
std::vector<std::wstring> RegistrationKeys() {
    return {L"CLSID\\" + Text(CLSID_ShellExt), L"trkmenu.ShellExt", L"CLSID\\" + Text(CLSID_ExplorerCommand),
            L"trkmenu.ExplorerCommand", L"TypeLib\\" + Text(LIBID_trkmenu), L"Interface\\" + Text(IID__ShellExt)};
}

bool HasKey(HKEY root, const std::wstring& key) {
    HKEY h = nullptr;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_READ, &h) != ERROR_SUCCESS) return false;
    RegCloseKey(h);
    return true;
}

std::wstring Value(HKEY root, const std::wstring& key, const wchar_t* name = nullptr) {
    wchar_t value[1024] = {};
    DWORD size = sizeof value;
    if (RegGetValueW(root, key.c_str(), name, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS)
        return L"<missing>";
    return value;
}

// Below HKEY_CURRENT_USER for the user, HKEY_LOCAL_MACHINE for the machine.
const std::wstring Classes = L"Software\\Classes\\";

}  // namespace

// What regsvr32 /n /i:user does: everything under the user's own classes,
// nothing of it under the machine's; and away again.
TEST(Registration, PerUserInstallWritesAndRemovesUnderTheUsersClassesAlone) {
    ASSERT_EQ(CallExport("DllUnregisterServer"), S_OK);
    for (const auto& key : RegistrationKeys()) ASSERT_FALSE(HasKey(HKEY_LOCAL_MACHINE, Classes + key));

    ASSERT_EQ(CallInstall(TRUE, L"User"), S_OK);
    for (const auto& key : RegistrationKeys()) {
        EXPECT_TRUE(HasKey(HKEY_CURRENT_USER, Classes + key)) << testing::PrintToString(key);
        EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, Classes + key)) << testing::PrintToString(key);
    }
    const std::wstring& user = Classes;
    const std::wstring classKey = user + L"CLSID\\" + Text(CLSID_ShellExt);
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(Library(), loaded, MAX_PATH);
    EXPECT_EQ(_wcsicmp(Value(HKEY_CURRENT_USER, classKey + L"\\InprocServer32").c_str(), loaded), 0);
    EXPECT_EQ(Value(HKEY_CURRENT_USER, classKey + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(Value(HKEY_CURRENT_USER, user + L"trkmenu.ShellExt\\CLSID"), Text(CLSID_ShellExt));
    // The type library's keys as RegisterTypeLib lays them out, so that
    // LoadRegTypeLib finds the library where Windows merges the user's classes.
    const std::wstring lib = user + L"TypeLib\\" + Text(LIBID_trkmenu) + L"\\2.0";
    EXPECT_EQ(Value(HKEY_CURRENT_USER, lib), L"Tracklet 1.41 [velloro]");
    EXPECT_EQ(_wcsicmp(Value(HKEY_CURRENT_USER, lib + (sizeof(void*) == 8 ? L"\\0\\win64" : L"\\0\\win32")).c_str(),
                       loaded), 0);
    EXPECT_EQ(Value(HKEY_CURRENT_USER, lib + L"\\FLAGS"), L"0");
    const std::wstring iface = user + L"Interface\\" + Text(IID__ShellExt);
    EXPECT_EQ(Value(HKEY_CURRENT_USER, iface), L"_ShellExt");
    EXPECT_EQ(Value(HKEY_CURRENT_USER, iface + L"\\ProxyStubClsid32"), L"{00020424-0000-0000-C000-000000000046}");
    EXPECT_EQ(Value(HKEY_CURRENT_USER, iface + L"\\TypeLib"), Text(LIBID_trkmenu));
    EXPECT_EQ(Value(HKEY_CURRENT_USER, iface + L"\\TypeLib", L"Version"), L"2.0");

    // Only "user" and the machine's empty command line are understood.
    EXPECT_EQ(CallInstall(TRUE, L"machine"), E_INVALIDARG);
    EXPECT_FALSE(HasKey(HKEY_LOCAL_MACHINE, Classes + RegistrationKeys()[0]));

    ASSERT_EQ(CallInstall(FALSE, L"user"), S_OK);
    for (const auto& key : RegistrationKeys())
        EXPECT_FALSE(HasKey(HKEY_CURRENT_USER, Classes + key)) << testing::PrintToString(key);
    EXPECT_EQ(CallInstall(FALSE, L"user"), S_OK) << "already gone counts as removed";

    // With no command line, the machine's registration, as DllRegisterServer.
    ASSERT_EQ(CallInstall(TRUE, nullptr), S_OK);
    for (const auto& key : RegistrationKeys()) {
        EXPECT_TRUE(HasKey(HKEY_LOCAL_MACHINE, Classes + key)) << testing::PrintToString(key);
        EXPECT_FALSE(HasKey(HKEY_CURRENT_USER, Classes + key)) << testing::PrintToString(key);
    }
    ITypeLib* typeLib = nullptr;
    ASSERT_EQ(LoadRegTypeLib(LIBID_trkmenu, 2, 0, 0, &typeLib), S_OK);
    typeLib->Release();
}

TEST(Resources, InterfaceIdentifierTypeLibraryAndPictures) {
    HRSRC found = FindResourceW(Library(), MAKEINTRESOURCEW(1), L"_IID_SHELLEXT");
    ASSERT_NE(found, nullptr);
    ASSERT_EQ(SizeofResource(Library(), found), 20u);
    const auto* bytes = static_cast<const unsigned char*>(LockResource(LoadResource(Library(), found)));
    uint32_t length = 0;
    memcpy(&length, bytes, 4);
    EXPECT_EQ(length, 16u);
    EXPECT_EQ(memcmp(bytes + 4, &IID__ShellExt, 16), 0);
    EXPECT_NE(FindResourceW(Library(), MAKEINTRESOURCEW(1), L"TYPELIB"), nullptr);

    const struct {
        int id, bpp;
    } pictures[] = {{101, 8}, {102, 4}};
    for (const auto& p : pictures) {
        HRSRC res = FindResourceW(Library(), MAKEINTRESOURCEW(p.id), MAKEINTRESOURCEW(2) /* RT_BITMAP */);
        ASSERT_NE(res, nullptr) << p.id;
        const auto* header = static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(Library(), res)));
        EXPECT_EQ(header->biWidth, 16);
        EXPECT_EQ(header->biHeight, 16);  // bottom-up
        EXPECT_EQ(header->biBitCount, p.bpp);
        EXPECT_EQ(header->biCompression, static_cast<DWORD>(BI_RGB));
        // The lower left pixel is background: light grey 192,192,192.
        const auto* palette = reinterpret_cast<const RGBQUAD*>(reinterpret_cast<const char*>(header) + header->biSize);
        const auto* pixels = reinterpret_cast<const unsigned char*>(palette + (1 << p.bpp));
        const int index = p.bpp == 8 ? pixels[0] : pixels[0] >> 4;
        EXPECT_EQ(palette[index].rgbRed, 192);
        EXPECT_EQ(palette[index].rgbGreen, 192);
        EXPECT_EQ(palette[index].rgbBlue, 192);
    }
    wchar_t caption[64] = {};
    LoadStringW(Library(), 101, caption, 64);
    EXPECT_STREQ(caption, L"&Tracklet");
}

TEST(ClassFactory, AnswersOnlyForItsClass) {
    auto get = reinterpret_cast<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(
        reinterpret_cast<void*>(GetProcAddress(Library(), "DllGetClassObject")));
    ASSERT_NE(get, nullptr);
    void* out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(get(IID_IContextMenu, IID_IClassFactory, &out), CLASS_E_CLASSNOTAVAILABLE);
    EXPECT_EQ(out, nullptr);
    IClassFactory* factory = nullptr;
    ASSERT_EQ(get(CLSID_ShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
    IUnknown* outer = reinterpret_cast<IUnknown*>(factory);
    out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(factory->CreateInstance(outer, IID_IUnknown, &out), CLASS_E_NOAGGREGATION);
    EXPECT_EQ(out, nullptr);
    out = reinterpret_cast<void*>(0xdeadbeef);
    EXPECT_EQ(factory->CreateInstance(nullptr, IID_IDispatch, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
    // A lock keeps the library loaded with no object alive.
    EXPECT_EQ(factory->LockServer(TRUE), S_OK);
    factory->Release();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_FALSE);
    factory = nullptr;
    get(CLSID_ShellExt, IID_IClassFactory, reinterpret_cast<void**>(&factory));
    factory->LockServer(FALSE);
    factory->Release();
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_OK);
}

TEST(Object, InterfaceTableAndReferenceCounts) {
    IUnknown* object = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IUnknown,
                               reinterpret_cast<void**>(&object)),
              S_OK);
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_FALSE);
    IShellExtInit* init = nullptr;
    IContextMenu* menu = nullptr;
    EXPECT_EQ(object->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init)), S_OK);
    EXPECT_EQ(object->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu)), S_OK);
    IUnknown* identity = nullptr;
    menu->QueryInterface(IID_IUnknown, reinterpret_cast<void**>(&identity));
    EXPECT_EQ(identity, object);
    for (REFIID other : {IID_IContextMenu2, IID_IContextMenu3, IID_IDispatch, IID_IPersist, IID_IClassFactory}) {
        void* out = reinterpret_cast<void*>(0xdeadbeef);
        EXPECT_EQ(object->QueryInterface(other, &out), E_NOINTERFACE);
        EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(identity->Release(), 3u);
    EXPECT_EQ(init->Release(), 2u);
    EXPECT_EQ(menu->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_OK);
}

TEST(Contract, InitializeTwiceIdentifiersInRangeForeignCommandsRejected) {
    support::WriteOptions({});
    support::OnNewThread([] {
        const std::wstring folder = support::FreshFolder(L"contract");
        IContextMenu* menu = NewMenu({folder + L"\\SONG.MP3"});
        ASSERT_NE(menu, nullptr);
        IShellExtInit* init = nullptr;
        menu->QueryInterface(IID_IShellExtInit, reinterpret_cast<void**>(&init));
        // The later initialisation wins.
        IDataObject* data = DropDataObject::Create({folder + L"\\a.mp3"});
        EXPECT_EQ(init->Initialize(nullptr, data, nullptr), S_OK);
        data->Release();
        init->Release();
        HMENU popup = CreatePopupMenu();
        const UINT first = 0x7000, last = 0x7FFF;
        HRESULT hr = menu->QueryContextMenu(popup, 0, first, last, CMF_NORMAL);
        ASSERT_EQ(hr, 2);
        UINT largest = 0;
        for (const auto& item : support::Items(support::Items(popup)[0].submenu)) {
            EXPECT_GE(item.id, first);
            EXPECT_LE(item.id, last);
            largest = std::max(largest, item.id - first);
        }
        EXPECT_EQ(largest + 1, static_cast<UINT>(HRESULT_CODE(hr)));
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(7);
        EXPECT_TRUE(FAILED(menu->InvokeCommand(&info)));
        info.lpVerb = "delete";
        EXPECT_TRUE(FAILED(menu->InvokeCommand(&info)));
        DestroyMenu(popup);
        EXPECT_EQ(menu->Release(), 0u);
    });
}

// Folders as Explorer hands them over: a folder selected in its parent
// through the shell's own data object, then the empty space inside it.
TEST(EndToEnd, FolderAndBackgroundGiveTheirFilesInExplorersOrder) {
    support::Options options;
    options.order = 1;
    options.folders = 1;
    support::WriteOptions(options);
    support::OnNewThread([] {
        const std::wstring root = support::FreshFolder(L"folders");
        const std::wstring album = root + L"\\Album";
        CreateDirectoryW(album.c_str(), nullptr);
        CreateDirectoryW((album + L"\\Disc 1").c_str(), nullptr);
        for (const wchar_t* name : {L"\\10 b.mp3", L"\\2 a.mp3", L"\\notes.txt", L"\\Disc 1\\x.wav"})
            ASSERT_TRUE(FileBytes::Write(album + name, ""));
        auto run = [](IShellExtInit* init) {
            IContextMenu* menu = nullptr;
            init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
            init->Release();
            ASSERT_NE(menu, nullptr);
            HMENU popup = CreatePopupMenu();
            EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, CMF_NORMAL), 2);
            // As Explorer invokes it: the extended structure, no folder text.
            CMINVOKECOMMANDINFOEX info{};
            info.cbSize = sizeof info;
            info.fMask = CMIC_MASK_FLAG_NO_UI;
            info.lpVerb = MAKEINTRESOURCEA(0);
            info.nShow = SW_SHOWNORMAL;
            EXPECT_EQ(menu->InvokeCommand(reinterpret_cast<CMINVOKECOMMANDINFO*>(&info)), S_OK);
            DestroyMenu(popup);
            EXPECT_EQ(menu->Release(), 0u);
        };
        auto create = [] {
            IShellExtInit* init = nullptr;
            CoCreateInstance(CLSID_ShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                             reinterpret_cast<void**>(&init));
            return init;
        };

        IShellExtInit* init = create();
        ASSERT_NE(init, nullptr);
        PIDLIST_ABSOLUTE parent = nullptr;
        IDataObject* data = ShellDataObject(root, {L"Album"}, &parent);
        ASSERT_NE(data, nullptr);
        EXPECT_EQ(init->Initialize(parent, data, nullptr), S_OK);
        data->Release();
        CoTaskMemFree(parent);
        run(init);
        EXPECT_EQ(support::ReadFile(root + L"\\new.m3u"), "Album\\2 a.mp3\r\nAlbum\\10 b.mp3\r\nAlbum\\Disc 1\\x.wav\r\n");

        init = create();
        ASSERT_NE(init, nullptr);
        PIDLIST_ABSOLUTE folder = nullptr;
        ASSERT_EQ(SHParseDisplayName(album.c_str(), nullptr, &folder, 0, nullptr), S_OK);
        EXPECT_EQ(init->Initialize(folder, nullptr, nullptr), S_OK);
        CoTaskMemFree(folder);
        run(init);
        EXPECT_EQ(support::ReadFile(album + L"\\new.m3u"), "2 a.mp3\r\n10 b.mp3\r\nDisc 1\\x.wav\r\n");
    });
}

TEST(Playlist, Utf8FormatThroughTheRegisteredLibrary) {
    support::Options options;
    options.format = 1;
    support::WriteOptions(options);
    support::OnNewThread([] {
        const std::wstring folder = support::FreshFolder(L"utf8format");
        const std::string target = Codepage::ToAnsi(folder);
        IContextMenu* menu = NewMenu({folder + L"\\\u6771\u4eac.mp3", folder + L"\\#1 Crush.mp3"});
        ASSERT_NE(menu, nullptr);
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0), 2);
        CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
        info.lpVerb = MAKEINTRESOURCEA(0);
        info.lpDirectory = target.c_str();
        EXPECT_EQ(menu->InvokeCommand(&info), S_OK);
        DestroyMenu(popup);
        EXPECT_EQ(menu->Release(), 0u);
        EXPECT_EQ(support::ReadFile(folder + L"\\new.m3u8"),
                  "#EXTM3U\r\n.\\#1 Crush.mp3\r\n\xE6\x9D\xB1\xE4\xBA\xAC.mp3\r\n");
        EXPECT_EQ(support::ReadFile(folder + L"\\new.m3u"), "");
    });
}

// Explorer creates handlers on many threads; nothing may crash or pile up.
TEST(Stress, EightThreadsThousandCyclesEach) {
    const int Cycles = GetEnvironmentVariableW(L"TRK_QUICK", nullptr, 0) ? 50 : 1000;
    support::Options options;
    options.debug = 0;
    support::WriteOptions(options);
    auto counts = [] {
        DWORD handles = 0;
        GetProcessHandleCount(GetCurrentProcess(), &handles);
        // Wine answers 0 to the counters above; there a new handle takes the
        // lowest free slot, so its value rises when handles pile up.
        HANDLE probe = CreateEventW(nullptr, FALSE, FALSE, nullptr);
        CloseHandle(probe);
        return std::array<DWORD, 4>{GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
                                    GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS), handles,
                                    static_cast<DWORD>(reinterpret_cast<uintptr_t>(probe))};
    };
    // One cycle first, so that lazily made process-wide things exist.
    support::OnNewThread([] {
        if (IContextMenu* m = NewMenu({L"C:\\a.mp3"})) m->Release();
    });
    const auto before = counts();
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 8; ++t) {
        threads.emplace_back([t, Cycles, &failures] {
            CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
            const std::wstring folder = support::FreshFolder(L"stress" + std::to_wstring(t));
            const std::string target = Codepage::ToAnsi(folder);
            for (int i = 0; i < Cycles; ++i) {
                IContextMenu* menu = NewMenu({folder + L"\\b.mp3", folder + L"\\a.wav", folder + L"\\x.txt"});
                if (!menu) {
                    ++failures;
                    continue;
                }
                HMENU popup = CreatePopupMenu();
                if (menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0) != 2) ++failures;
                char help[64];
                menu->GetCommandString(0, GCS_HELPTEXTA, nullptr, help, 64);
                CMINVOKECOMMANDINFO info{};
        info.cbSize = sizeof info;
                info.lpVerb = MAKEINTRESOURCEA(0);
                info.lpDirectory = target.c_str();
                if (menu->InvokeCommand(&info) != S_OK) ++failures;
                DestroyMenu(popup);
                if (menu->Release() != 0) ++failures;
            }
            CoUninitialize();
        });
    }
    for (auto& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    EXPECT_EQ(support::ReadFile(inihelper::UserFolder() + L"\\stress7\\new.m3u"), "a.wav\r\nb.mp3\r\n");
    const auto after = counts();
    std::printf("GDI %lu -> %lu, USER %lu -> %lu, handles %lu -> %lu, next handle %lu -> %lu\n", before[0],
                after[0], before[1], after[1], before[2], after[2], before[3], after[3]);
    EXPECT_LE(after[0], before[0]) << "GDI objects";
    EXPECT_LE(after[1], before[1]) << "USER objects";
    EXPECT_LE(after[2], before[2] + 2) << "handles";
    EXPECT_LE(after[3], before[3] + 8) << "next handle";
    EXPECT_EQ(CallExport("DllCanUnloadNow"), S_OK);
}

// The library's second class, created as Explorer creates it from the package.
TEST(ExplorerCommandClass, CreatedThroughComFromTheLibrary) {
    IExplorerCommand* command = nullptr;
    ASSERT_EQ(CoCreateInstance(CLSID_ExplorerCommand, nullptr, CLSCTX_INPROC_SERVER, IID_IExplorerCommand,
                               reinterpret_cast<void**>(&command)),
              S_OK);
    LPWSTR text = nullptr;
    ASSERT_EQ(command->GetTitle(nullptr, &text), S_OK);
    EXPECT_STREQ(text, L"Tracklet");
    CoTaskMemFree(text);
    ASSERT_EQ(command->GetIcon(nullptr, &text), S_OK);
    wchar_t loaded[MAX_PATH] = {};
    GetModuleFileNameW(Library(), loaded, MAX_PATH);
    EXPECT_EQ(_wcsicmp(text, (std::wstring(loaded) + L",-101").c_str()), 0) << text;
    CoTaskMemFree(text);
    EXPECT_EQ(command->Release(), 0u);
}
