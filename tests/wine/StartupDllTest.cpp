// The start-up inside the real trkmenu.dll, created through its class
// factory as the shell does. This program carries no version record of its
// own, so the header's title and numbers can only come from the library.
#include <gtest/gtest.h>

#include "StartupFiles.h"

using namespace StartupFiles;

namespace {

const CLSID kClsid = {0x928BB78A, 0x14A7, 0x11D3, {0xA9, 0x1E, 0x00, 0x40, 0x05, 0x69, 0x02, 0xA2}};

TEST(StartupInLibrary, HeaderAndClassIdComeFromTheLibrary) {
    const std::string narrow = TRK_MENU_DLL;
    HMODULE library = LoadLibraryW(std::wstring(narrow.begin(), narrow.end()).c_str());
    ASSERT_NE(library, nullptr);
    using Register = HRESULT(STDAPICALLTYPE*)();
    using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
    auto registerServer = reinterpret_cast<Register>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllRegisterServer")));
    auto getClassObject = reinterpret_cast<GetClassObject>(
        reinterpret_cast<void*>(GetProcAddress(library, "DllGetClassObject")));
    ASSERT_TRUE(registerServer && getClassObject);
    ASSERT_EQ(registerServer(), S_OK);

    Remove(DebugPath());
    Remove(OptionsPath());
    ASSERT_TRUE(WritePrivateProfileStringW(L"trk", L"Debug", L"1", OptionsPath().c_str()));
    OnNewThread([&] {
        IClassFactory* factory = nullptr;
        ASSERT_EQ(getClassObject(kClsid, IID_IClassFactory, reinterpret_cast<void**>(&factory)), S_OK);
        IUnknown* object = nullptr;
        EXPECT_EQ(factory->CreateInstance(nullptr, IID_IUnknown, reinterpret_cast<void**>(&object)),
                  S_OK);
        if (object) object->Release();
        factory->Release();
    });

    const std::vector<std::wstring> lines = DebugLines();
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              L"Begin Debug Information For application Tracklet Playlist Shell Extension "
              L"[1.47 revision 612]...");
    EXPECT_NE(std::find(lines.begin(), lines.end(),
                        L" General::Main() - ClassID: {928BB78A-14A7-11D3-A91E-0040056902A2}"),
              lines.end());
    Remove(DebugPath());
    Remove(OptionsPath());
}

}  // namespace
