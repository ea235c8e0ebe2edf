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
}
