// The installer's registry operations against a scratch key, and its lookups.
#include <gtest/gtest.h>
#include <windows.h>

#include "Registry.h"

namespace {

const wchar_t ScratchPath[] = L"Software\\TrackletTest";

class RegistryOps : public testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, ScratchPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &root,
                                  nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        RegCloseKey(root);
        RegDeleteTreeW(HKEY_CURRENT_USER, ScratchPath);
    }

    bool KeyExists(const wchar_t* path) {
        HKEY key;
        if (RegOpenKeyExW(root, path, 0, KEY_READ, &key) != ERROR_SUCCESS) return false;
        RegCloseKey(key);
        return true;
    }
    // Type, raw bytes: what the registry really holds.
    bool Read(const wchar_t* path, const wchar_t* name, DWORD& type, std::wstring& data, DWORD& bytes) {
        wchar_t buffer[256] = {};
        bytes = sizeof(buffer);
        if (RegGetValueW(root, path, name, RRF_RT_ANY | RRF_NOEXPAND, &type, buffer, &bytes) != ERROR_SUCCESS)
            return false;
        data.assign(buffer, bytes / sizeof(wchar_t));
        return true;
    }
    bool HasValue(const wchar_t* path, const wchar_t* name) {
        DWORD type, bytes;
        std::wstring data;
        return Read(path, name, type, data, bytes);
    }

    HKEY root = nullptr;
};

}  // namespace

TEST_F(RegistryOps, SetValueCreatesTheWholePathAndStoresTextWithItsZero) {
    Registry::RegSetValue(root, L"a\\b\\c", L"", L"{928BB78A-14A7-11D3-A91E-0040056902A2}");
    Registry::RegSetValue(root, L"a\\b\\c", L"{928BB78A}", L"Tracklet");
    DWORD type = 0, bytes = 0;
    std::wstring data;
    ASSERT_TRUE(Read(L"a\\b\\c", nullptr, type, data, bytes)) << "an empty name is the default value";
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(bytes, 39u * sizeof(wchar_t));
    EXPECT_EQ(data, std::wstring(L"{928BB78A-14A7-11D3-A91E-0040056902A2}") + L'\0');
    ASSERT_TRUE(Read(L"a\\b\\c", L"{928BB78A}", type, data, bytes));
    EXPECT_EQ(bytes, 9u * sizeof(wchar_t));
    EXPECT_EQ(data, std::wstring(L"Tracklet") + L'\0');
}

TEST_F(RegistryOps, SetValueReplacesAndKeepsTextOutsideTheCodePage) {
    Registry::RegSetValue(root, L"k", L"v", L"a much longer first value");
    Registry::RegSetValue(root, L"k", L"v", L"\u6771\u4eac");
    Registry::RegSetValue(root, L"k", L"empty", L"");
    DWORD type = 0, bytes = 0;
    std::wstring data;
    ASSERT_TRUE(Read(L"k", L"v", type, data, bytes));
    EXPECT_EQ(data, std::wstring(L"\u6771\u4eac") + L'\0');
    ASSERT_TRUE(Read(L"k", L"empty", type, data, bytes));
    EXPECT_EQ(bytes, sizeof(wchar_t));
}

TEST_F(RegistryOps, SetValueOnAKeyThatCannotBeCreatedDoesNothing) {
    // (Wine lets a read-only handle create keys below it, so only a root that
    // is no key at all shows this here.)
    Registry::RegSetValue(nullptr, L"k", L"v", L"x");
    EXPECT_FALSE(KeyExists(L"k"));
}

TEST_F(RegistryOps, DelValueRemovesOnlyTheNamedValue) {
    Registry::RegSetValue(root, L"k", L"", L"default");
    Registry::RegSetValue(root, L"k", L"{id}", L"Tracklet");
    Registry::RegSetValue(root, L"k", L"{other}", L"Someone else");
    Registry::RegDelValue(root, L"k", L"");
    Registry::RegDelValue(root, L"k", L"{id}");
    EXPECT_FALSE(HasValue(L"k", nullptr));
    EXPECT_FALSE(HasValue(L"k", L"{id}"));
    EXPECT_TRUE(HasValue(L"k", L"{other}"));
    EXPECT_TRUE(KeyExists(L"k")) << "the key itself stays";
    // Missing keys and values are passed over.
    Registry::RegDelValue(root, L"k", L"{id}");
    Registry::RegDelValue(root, L"missing\\key", L"{id}");
    EXPECT_FALSE(KeyExists(L"missing"));
}

TEST_F(RegistryOps, DelKeyRemovesOnlyTheLastKeyWhateverTheLetterCase) {
    Registry::RegSetValue(root, L"*\\shellex\\ContextMenuHandlers\\TRK", L"", L"{id}");
    Registry::RegSetValue(root, L"*\\shellex\\ContextMenuHandlers\\Other", L"", L"{other}");
    Registry::RegDelKey(root, L"*\\ShellEx\\ContextMenuHandlers\\TRK");
    EXPECT_FALSE(KeyExists(L"*\\shellex\\ContextMenuHandlers\\TRK"));
    EXPECT_TRUE(KeyExists(L"*\\shellex\\ContextMenuHandlers\\Other"));
    // Nothing there, or no path at all: nothing happens, least of all to the root.
    Registry::RegDelKey(root, L"*\\ShellEx\\ContextMenuHandlers\\TRK");
    Registry::RegDelKey(root, L"");
    Registry::RegDelKey(nullptr, L"x");
    HKEY check;
    ASSERT_EQ(RegOpenKeyExW(HKEY_CURRENT_USER, ScratchPath, 0, KEY_READ, &check), ERROR_SUCCESS);
    RegCloseKey(check);
}

TEST_F(RegistryOps, GetStringReadsTextValuesOnly) {
    Registry::RegSetValue(root, L"Handler", L"", L"{928BB78A-14A7-11D3-A91E-0040056902A2}");
    EXPECT_EQ(Registry::RegGetString(root, L"Handler", L""), L"{928BB78A-14A7-11D3-A91E-0040056902A2}");
    const DWORD number = 7;
    RegSetKeyValueW(root, L"Handler", L"Number", REG_DWORD, &number, sizeof number);
    EXPECT_EQ(Registry::RegGetString(root, L"Handler", L"Number"), L"");
    EXPECT_EQ(Registry::RegGetString(root, L"Handler", L"Missing"), L"");
    EXPECT_EQ(Registry::RegGetString(root, L"Missing", L""), L"");
}

TEST(IsClassId, OnlyBracedIdentifiers) {
    EXPECT_TRUE(Registry::IsClassId(L"{928BB78A-14A7-11D3-A91E-0040056902A2}"));
    EXPECT_TRUE(Registry::IsClassId(L"{928bb78a-14a7-11d3-a91e-0040056902a2}"));
    EXPECT_FALSE(Registry::IsClassId(L"928BB78A-14A7-11D3-A91E-0040056902A2"));
    EXPECT_FALSE(Registry::IsClassId(L"{928BB78A-14A7-11D3-A91E-0040056902AZ}"));
    EXPECT_FALSE(Registry::IsClassId(L"!"));
    EXPECT_FALSE(Registry::IsClassId(L""));
}

TEST(SystemDirectory, IsThePlatformsWithoutTrailingBackslash) {
    wchar_t expected[MAX_PATH] = {};
    GetSystemDirectoryW(expected, MAX_PATH);
    EXPECT_EQ(Registry::SystemDirectory(), expected);
    EXPECT_NE(Registry::SystemDirectory().back(), L'\\');
}

TEST(SystemDirectory, AsksAgainOnlyUntilThePlatformHasAnswered) {
    int asked = 0;
    std::wstring answer;
    Registry::SystemDirCache cache([&] {
        ++asked;
        return answer;
    });
    EXPECT_EQ(cache.Get(), L"");
    EXPECT_EQ(cache.Get(), L"");
    EXPECT_EQ(asked, 2);
    answer = L"C:\\windows\\system32";
    EXPECT_EQ(cache.Get(), answer);
    answer = L"C:\\elsewhere";
    EXPECT_EQ(cache.Get(), L"C:\\windows\\system32");
    EXPECT_EQ(asked, 3);
}

TEST(ClassIdFromProgId, FindsRegisteredProgIdsInAnyCaseAndReportsOthersAsBang) {
    // Written the way a careless registration might: lower-case digits.
    HKEY key;
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"TrackletTest.Prog\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                              nullptr),
              ERROR_SUCCESS);
    const wchar_t id[] = L"{928bb78a-14a7-11d3-a91e-0040056902a2}";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(id), sizeof(id));
    RegCloseKey(key);
    ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, L"TrackletTest.Broken\\CLSID", 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    const wchar_t broken[] = L"not a class identifier";
    RegSetValueExW(key, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(broken), sizeof(broken));
    RegCloseKey(key);

    EXPECT_EQ(Registry::ClassIdFromProgId(L"TrackletTest.Prog"), L"{928BB78A-14A7-11D3-A91E-0040056902A2}");
    EXPECT_EQ(Registry::ClassIdFromProgId(L"tracklettest.PROG"), L"{928BB78A-14A7-11D3-A91E-0040056902A2}");
    EXPECT_EQ(Registry::ClassIdFromProgId(L"TrackletTest.Missing"), L"!");
    EXPECT_EQ(Registry::ClassIdFromProgId(L"TrackletTest.Broken"), L"!");
    EXPECT_EQ(Registry::ClassIdFromProgId(L""), L"!");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TrackletTest.Prog");
    RegDeleteTreeW(HKEY_CLASSES_ROOT, L"TrackletTest.Broken");
}
