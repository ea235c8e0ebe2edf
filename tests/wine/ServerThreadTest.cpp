// Explorer loads a handler library while its threads already run: a thread
// older than the library uses it and ends, and the process goes on.
#include <gtest/gtest.h>

#include <windows.h>

#include <thread>

#include "DropDataObject.h"
#include "HandlerSupport.h"
#include "trkmenu_h.h"

namespace {

std::wstring DllPath() {
    std::string narrow = TRK_MENU_DLL;
    return std::wstring(narrow.begin(), narrow.end());
}

int BuildMenu() {
    IShellExtInit* init = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellExt, nullptr, CLSCTX_INPROC_SERVER, IID_IShellExtInit,
                                reinterpret_cast<void**>(&init))))
        return -1;
    IDataObject* data = DropDataObject::Create({L"C:\\Music\\a.mp3"});
    init->Initialize(nullptr, data, nullptr);
    data->Release();
    IContextMenu* menu = nullptr;
    init->QueryInterface(IID_IContextMenu, reinterpret_cast<void**>(&menu));
    init->Release();
    HMENU popup = CreatePopupMenu();
    int result = HRESULT_CODE(menu->QueryContextMenu(popup, 0, 1, 0x7FFF, 0));
    DestroyMenu(popup);
    menu->Release();
    return result;
}

}  // namespace

TEST(Threads, AThreadOlderThanTheLibraryUsesItAndEnds) {
    support::WriteOptions({});
    HANDLE loaded = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    int olderResult = -1;
    std::thread older([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        WaitForSingleObject(loaded, INFINITE);
        olderResult = BuildMenu();
        CoUninitialize();
    });
    // The library arrives only now, on this thread.
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    HMODULE library = LoadLibraryW(DllPath().c_str());
    ASSERT_NE(library, nullptr);
    auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    ASSERT_EQ(registerServer(), S_OK);
    EXPECT_EQ(BuildMenu(), 2);
    SetEvent(loaded);
    older.join();
    EXPECT_EQ(olderResult, 2);
    // The process and the library go on after that thread's end.
    EXPECT_EQ(BuildMenu(), 2);
    support::OnNewThread([] { EXPECT_EQ(BuildMenu(), 2); });
    CloseHandle(loaded);
    CoUninitialize();
    FreeLibrary(library);
}

// Explorer unloads an idle handler library and loads it again many times in a
// session, and each load of the threads runtime linked into it takes a
// thread-local slot for good. A library that only registered itself goes
// away whole, records and slot; one that has made objects stays loaded, and
// later loads take no slots at all.
TEST(Reloading, RegistrationUnloadsAndMenusTakeNoSlots) {
    support::WriteOptions({});
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    for (int i = 0; i < 2; ++i) {
        HMODULE library = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(library, nullptr);
        auto registerServer = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
        ASSERT_EQ(registerServer(), S_OK);
        FreeLibrary(library);
        EXPECT_EQ(GetModuleHandleW(DllPath().c_str()), nullptr) << "registration alone leaves nothing loaded";
    }
    HANDLE go = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    HANDLE done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    bool stop = false;
    int workerResult = 0;
    // A thread that builds a menu in every cycle and outlives them all.
    std::thread worker([&] {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        for (;;) {
            WaitForSingleObject(go, INFINITE);
            if (stop) break;
            workerResult = BuildMenu();
            CoFreeUnusedLibrariesEx(0, 0);  // as an idle Explorer thread does
            SetEvent(done);
        }
        CoUninitialize();
    });
    auto nextFreeSlot = [] {
        const DWORD slot = TlsAlloc();
        TlsFree(slot);
        return slot;
    };
    auto cycle = [&] {
        HMODULE library = LoadLibraryW(DllPath().c_str());
        ASSERT_NE(library, nullptr);
        auto canUnload = reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(
            reinterpret_cast<void*>(GetProcAddress(library, "DllCanUnloadNow")));
        EXPECT_EQ(BuildMenu(), 2);
        SetEvent(go);
        WaitForSingleObject(done, INFINITE);
        EXPECT_EQ(workerResult, 2);
        EXPECT_EQ(canUnload(), S_OK);
        CoFreeUnusedLibrariesEx(0, 0);
        FreeLibrary(library);
    };
    cycle();
    const DWORD before = nextFreeSlot();
    for (int i = 0; i < 20; ++i) cycle();
    EXPECT_EQ(nextFreeSlot(), before);
    EXPECT_NE(GetModuleHandleW(DllPath().c_str()), nullptr) << "stays for the process's life";
    stop = true;
    SetEvent(go);
    worker.join();
    CloseHandle(go);
    CloseHandle(done);
    CoUninitialize();
}
