// trkkit.dll as the installer uses it: loaded by path, DLLSelfRegister by its
// bare name, a library registered through its own DllRegisterServer.
#include <gtest/gtest.h>
#include <objbase.h>
#include <windows.h>

#include <string>

#include "InstallHarness.h"
#include "Package.h"
#include "trkkit.h"

namespace {

struct Call {
    trkkit::SelfRegisterProc proc;
    std::string path;
    short result = -100;
};

// A thread already in the multithreaded apartment cannot have OLE.
DWORD WINAPI CallFromMta(void* param) {
    auto call = static_cast<Call*>(param);
    CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    call->result = call->proc(call->path.c_str());
    CoUninitialize();
    return 0;
}

class Trkkit : public testing::Test {
protected:
    void SetUp() override {
        kit = LoadLibraryW(harness::Input(L"trkkit").c_str());
        ASSERT_TRUE(kit);
        selfRegister = reinterpret_cast<trkkit::SelfRegisterProc>(
            reinterpret_cast<void*>(GetProcAddress(kit, "DLLSelfRegister")));
        ASSERT_TRUE(selfRegister) << "exported under its bare name";
        CreateDirectoryW(L"C:\\kit", nullptr);
    }
    void TearDown() override { FreeLibrary(kit); }

    // The fixture copied to a folder of our choosing, as 8-bit text.
    std::string Place(const wchar_t* input, const std::wstring& folder) {
        CreateDirectoryW(folder.c_str(), nullptr);
        const std::wstring path = folder + L"\\server.dll";
        EXPECT_TRUE(CopyFileW(harness::Input(input).c_str(), path.c_str(), FALSE));
        char ansi[MAX_PATH] = {};
        WideCharToMultiByte(CP_ACP, 0, path.c_str(), -1, ansi, MAX_PATH, nullptr, nullptr);
        return ansi;
    }

    HMODULE kit = nullptr;
    trkkit::SelfRegisterProc selfRegister = nullptr;
};

}  // namespace

TEST_F(Trkkit, RegistersThroughTheLibrarysOwnEntryPointAndLetsItGo) {
    // A folder name outside ASCII proves the 8-bit path is read in the code page.
    const std::wstring folder = L"C:\\kit\\caf\u00e9";
    const std::string path = Place(L"registers", folder);
    EXPECT_EQ(selfRegister(path.c_str()), trkkit::Registered);
    EXPECT_EQ(harness::ReadString(HKEY_CLASSES_ROOT, L"trkmenu.ShellExt\\CLSID", L""),
              L"{928BB78A-14A7-11D3-A91E-0040056902A2}");
    auto server = harness::ReadString(HKEY_CLASSES_ROOT,
                                      L"CLSID\\{928BB78A-14A7-11D3-A91E-0040056902A2}\\InprocServer32", L"");
    ASSERT_TRUE(server);
    EXPECT_EQ(harness::Lower(*server), harness::Lower(folder + L"\\server.dll"));
    EXPECT_EQ(GetModuleHandleW((folder + L"\\server.dll").c_str()), nullptr) << "freed after registering";
}

TEST_F(Trkkit, ReportsEachWayRegistrationCanFail) {
    EXPECT_EQ(selfRegister("C:\\kit\\missing.dll"), trkkit::LoadFailed);
    EXPECT_EQ(selfRegister(""), trkkit::LoadFailed);
    EXPECT_EQ(selfRegister(nullptr), trkkit::LoadFailed);
    EXPECT_EQ(selfRegister(Place(L"noentry", L"C:\\kit\\noentry").c_str()), trkkit::NoEntryPoint);
    EXPECT_EQ(selfRegister(Place(L"fails", L"C:\\kit\\fails").c_str()), trkkit::RegisterFailed);
}

TEST_F(Trkkit, ReportsOleThatCannotStartOnThisThread) {
    Call call{selfRegister, Place(L"registers", L"C:\\kit\\mta")};
    HANDLE thread = CreateThread(nullptr, 0, CallFromMta, &call, 0, nullptr);
    ASSERT_TRUE(thread);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    EXPECT_EQ(call.result, trkkit::OleInitFailed);
}

// Per user, through the library's DllInstall: the user's classes alone.
TEST_F(Trkkit, RegistersForTheUserAloneThroughDllInstall) {
    auto entry = [&](const char* name) {
        return reinterpret_cast<trkkit::SelfRegisterProc>(reinterpret_cast<void*>(GetProcAddress(kit, name)));
    };
    const auto userRegister = entry(trkkit::UserRegisterName);
    const auto userUnregister = entry(trkkit::UserUnregisterName);
    ASSERT_TRUE(userRegister && userUnregister) << "exported under their bare names";
    const std::string path = Place(L"trkmenu", L"C:\\kit\\user");
    const std::wstring classKey = L"Software\\Classes\\CLSID\\{928BB78A-14A7-11D3-A91E-0040056902A2}";
    EXPECT_EQ(userRegister(path.c_str()), trkkit::Registered);
    auto server = harness::ReadString(HKEY_CURRENT_USER, classKey + L"\\InprocServer32", L"");
    ASSERT_TRUE(server);
    EXPECT_EQ(harness::Lower(*server), L"c:\\kit\\user\\server.dll");
    // The machine's registration (an earlier test's, if any) is not this one.
    EXPECT_NE(harness::Lower(harness::ReadString(HKEY_LOCAL_MACHINE, classKey + L"\\InprocServer32", L"").value_or(L"")),
              L"c:\\kit\\user\\server.dll");
    EXPECT_EQ(userUnregister(path.c_str()), trkkit::Registered);
    EXPECT_FALSE(harness::KeyExists(HKEY_CURRENT_USER, classKey));
    // A library without DllInstall has no per-user registration.
    EXPECT_EQ(userRegister(Place(L"registers", L"C:\\kit\\nouser").c_str()), trkkit::NoEntryPoint);
}

// Wine has no package manager: the registration the installer runs on
// Windows 11 fails, promptly and without harm, so that the classic menu serves.
TEST(Package, RegistrationFailsCleanlyWithoutAPackageManager) {
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    CreateDirectoryW(L"C:\\kit", nullptr);
    harness::WriteFileText(L"C:\\kit\\Tracklet.msix", "not a package");
    const ULONGLONG start = GetTickCount64();
    const Package::Outcome added = Package::Register(L"C:\\kit\\Tracklet.msix", L"C:\\kit");
    EXPECT_TRUE(FAILED(added.hr)) << std::hex << added.hr;
    EXPECT_TRUE(FAILED(Package::Remove().hr));
    EXPECT_LT(GetTickCount64() - start, 10000u);
    CoUninitialize();
}
