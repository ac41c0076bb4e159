// String values in the real registry, under a key of the tests' own in both roots.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "core/platform.h"
#include "core/win_text.h"
#include "test_support.h"

namespace {
const char16_t TestKey[] = u"SOFTWARE\\CorvaleSetupTests";
const char16_t NestedKey[] = u"SOFTWARE\\CorvaleSetupTests\\Deep\\Nested";

HKEY RootKey(RegistryRoot root) {
    return root == LocalMachineRoot ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// Stores raw bytes of any type, the way another program (or a tampered registry) might.
void StoreRaw(RegistryRoot root, const char16_t* name, DWORD type, const void* bytes, DWORD count) {
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExW(RootKey(root), WideText(TestKey), 0, nullptr, 0, KEY_ALL_ACCESS,
                                             nullptr, &key, nullptr));
    LONG set = RegSetValueExW(key, WideText(name), 0, type, static_cast<const BYTE*>(bytes), count);
    DWORD stored = 0;
    RegQueryValueExW(key, WideText(name), nullptr, nullptr, nullptr, &stored);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, set);
    ASSERT_EQ(count, stored) << "stored size";
}

// Stores text as REG_SZ without its terminator. The system adds a forgotten terminator to
// a string value when the unit after the given bytes happens to be zero, so the text is
// followed by a non-zero unit that is not part of the value.
void StoreUnterminated(RegistryRoot root, const char16_t* name, const std::u16string& text) {
    std::u16string followed = text + u'#';
    StoreRaw(root, name, REG_SZ, followed.data(), static_cast<DWORD>(text.size() * sizeof(char16_t)));
}

// The buffer as the folder page holds it: 260 units, 520 bytes, prefilled with stale text.
struct FolderBuffer {
    char16_t Units[PathUnits];
};

FolderBuffer StaleBuffer() {
    FolderBuffer buffer;
    for (char16_t& unit : buffer.Units)
        unit = u'#';
    return buffer;
}

class RegistryTest : public testing::TestWithParam<RegistryRoot> {
  protected:
    void SetUp() override { Clean(); }
    void TearDown() override { Clean(); }
    void Clean() { RegDeleteTreeW(RootKey(GetParam()), WideText(TestKey)); }
    int Read(const char16_t* key, const char16_t* name, FolderBuffer* buffer) {
        return ReadRegistryString(GetParam(), key, name, buffer->Units, FolderBufferBytes);
    }
};

TEST_P(RegistryTest, WritesCreatingEveryMissingKeyAndReadsTheTextBack) {
    const char16_t folder[] = u"C:\\Program Files\\Корвале 資料";
    ASSERT_EQ(0, WriteRegistryString(GetParam(), NestedKey, u"AppPath", folder));
    ASSERT_EQ(0, WriteRegistryString(GetParam(), NestedKey, u"", u"default value"));
    FolderBuffer buffer = StaleBuffer();
    ASSERT_EQ(0, Read(NestedKey, u"AppPath", &buffer));
    EXPECT_EQ(std::u16string(folder), buffer.Units);
    ASSERT_EQ(0, Read(NestedKey, u"", &buffer));
    EXPECT_EQ(std::u16string(u"default value"), buffer.Units);

    // Overwriting with a shorter text leaves no tail of the longer one.
    ASSERT_EQ(0, WriteRegistryString(GetParam(), NestedKey, u"AppPath", u"C:\\X"));
    ASSERT_EQ(0, Read(NestedKey, u"AppPath", &buffer));
    EXPECT_EQ(std::u16string(u"C:\\X"), buffer.Units);
}

TEST_P(RegistryTest, StoresRegSzWithItsTerminator) {
    ASSERT_EQ(0, WriteRegistryString(GetParam(), TestKey, u"FirstRun", u"Yes"));
    ASSERT_EQ(0, WriteRegistryString(GetParam(), TestKey, u"Empty", u""));
    HKEY key;
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExW(RootKey(GetParam()), WideText(TestKey), 0, KEY_QUERY_VALUE, &key));
    DWORD type = 0, bytes = 0, emptyType = 0, emptyBytes = 0;
    LONG queried = RegQueryValueExW(key, L"FirstRun", nullptr, &type, nullptr, &bytes);
    LONG queriedEmpty = RegQueryValueExW(key, L"Empty", nullptr, &emptyType, nullptr, &emptyBytes);
    RegCloseKey(key);
    ASSERT_EQ(ERROR_SUCCESS, queried);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), type);
    EXPECT_EQ(8u, bytes);
    ASSERT_EQ(ERROR_SUCCESS, queriedEmpty);
    EXPECT_EQ(static_cast<DWORD>(REG_SZ), emptyType);
    EXPECT_EQ(2u, emptyBytes);
}

TEST_P(RegistryTest, TakesAnExpandableValueUnexpanded) {
    const wchar_t text[] = L"%SystemRoot%\\Corvale";
    StoreRaw(GetParam(), u"AppPath", REG_EXPAND_SZ, text, sizeof text);
    FolderBuffer buffer = StaleBuffer();
    ASSERT_EQ(0, Read(TestKey, u"AppPath", &buffer));
    EXPECT_EQ(FromWide(text), buffer.Units);
}

TEST_P(RegistryTest, FailsMissingKeysAndValuesAndValuesLargerThanTheBuffer) {
    FolderBuffer buffer = StaleBuffer();
    EXPECT_EQ(-1, Read(u"SOFTWARE\\CorvaleSetupTests\\Missing", u"AppPath", &buffer));
    EXPECT_EQ(u'#', buffer.Units[0]) << "a missing key leaves the buffer alone";
    ASSERT_EQ(0, WriteRegistryString(GetParam(), TestKey, u"Other", u"x"));
    EXPECT_EQ(-1, Read(TestKey, u"AppPath", &buffer));

    std::u16string tooLong(PathUnits, u'a'); // 260 units + terminator: 522 bytes
    ASSERT_EQ(0, WriteRegistryString(GetParam(), TestKey, u"AppPath", tooLong.c_str()));
    buffer = StaleBuffer();
    EXPECT_EQ(-1, Read(TestKey, u"AppPath", &buffer));
    EXPECT_EQ(0, buffer.Units[0]) << "a failed read leaves an empty text, not a cut-off one";

    // Control: one unit shorter fits exactly, terminator in the last unit.
    std::u16string longest(PathUnits - 1, u'b');
    ASSERT_EQ(0, WriteRegistryString(GetParam(), TestKey, u"AppPath", longest.c_str()));
    ASSERT_EQ(0, Read(TestKey, u"AppPath", &buffer));
    EXPECT_EQ(longest, buffer.Units);
}

TEST_P(RegistryTest, NeverLeavesAnUnterminatedText) {
    // 520 bytes with no terminator: the whole buffer is text, and no unit is left for the
    // end. Cutting off the last unit would propose a different folder, so the read fails.
    StoreUnterminated(GetParam(), u"Full", std::u16string(PathUnits, u'c'));
    FolderBuffer buffer = StaleBuffer();
    EXPECT_EQ(-1, Read(TestKey, u"Full", &buffer));
    EXPECT_EQ(0, buffer.Units[0]);

    // 518 bytes with no terminator still leave the last unit for it.
    std::u16string almost(PathUnits - 1, u'd');
    StoreUnterminated(GetParam(), u"Almost", almost);
    buffer = StaleBuffer();
    ASSERT_EQ(0, Read(TestKey, u"Almost", &buffer));
    EXPECT_EQ(almost, buffer.Units);

    // A short value stored without its terminator ends right after its text, not in the
    // stale content behind it; so does one of an odd byte count.
    StoreUnterminated(GetParam(), u"Short", u"C:\\Short");
    buffer = StaleBuffer();
    ASSERT_EQ(0, Read(TestKey, u"Short", &buffer));
    EXPECT_EQ(std::u16string(u"C:\\Short"), buffer.Units);
    StoreRaw(GetParam(), u"Odd", REG_BINARY,
             "AB"
             "C",
             3);
    buffer = StaleBuffer();
    ASSERT_EQ(0, Read(TestKey, u"Odd", &buffer));
    EXPECT_EQ(static_cast<char16_t>(u'A' | u'B' << 8), buffer.Units[0]);
    EXPECT_EQ(u'C', buffer.Units[1]);
    EXPECT_EQ(0, buffer.Units[2]);
}

TEST_P(RegistryTest, ReportsAKeyThatCannotBeCreated) {
    // Key names are limited to 255 units; the system refuses a longer one.
    std::u16string key = std::u16string(TestKey) + u"\\" + std::u16string(300, u'k');
    EXPECT_EQ(-1, WriteRegistryString(GetParam(), key.c_str(), u"AppPath", u"x"));
    // Control: a name within the limit is created.
    key = std::u16string(TestKey) + u"\\" + std::u16string(200, u'k');
    EXPECT_EQ(0, WriteRegistryString(GetParam(), key.c_str(), u"AppPath", u"x"));
}

INSTANTIATE_TEST_SUITE_P(BothRoots, RegistryTest, testing::Values(LocalMachineRoot, CurrentUserRoot),
                         [](const testing::TestParamInfo<RegistryRoot>& info) {
                             return std::string(info.param == LocalMachineRoot ? "LocalMachine"
                                                                               : "CurrentUser");
                         });

TEST(RegistryRootTest, KeepsTheTwoRootsApart) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideText(TestKey));
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(TestKey));
    ASSERT_EQ(0, WriteRegistryString(CurrentUserRoot, TestKey, u"DocPath", u"user"));
    ASSERT_EQ(0, WriteRegistryString(LocalMachineRoot, TestKey, u"AppPath", u"machine"));
    char16_t buffer[PathUnits];
    EXPECT_EQ(-1, ReadRegistryString(LocalMachineRoot, TestKey, u"DocPath", buffer, FolderBufferBytes));
    EXPECT_EQ(-1, ReadRegistryString(CurrentUserRoot, TestKey, u"AppPath", buffer, FolderBufferBytes));
    EXPECT_EQ(0, ReadRegistryString(CurrentUserRoot, TestKey, u"DocPath", buffer, FolderBufferBytes));
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, WideText(TestKey));
    RegDeleteTreeW(HKEY_CURRENT_USER, WideText(TestKey));
}
} // namespace
