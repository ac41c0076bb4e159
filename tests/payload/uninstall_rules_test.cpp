#include "payload/src/uninstall_rules.h"

#include <gtest/gtest.h>

#include <string>

#include "core/text.h"
#include "payload/src/corvale_names.h"

namespace {

std::u16string Text(const char16_t* text) {
    return std::u16string(text);
}

TEST(UninstallCommandLine, SilentOnlyWithATrailingSlashS) {
    const char16_t* silent[] = {
        u"uninst_corvale.exe /S",
        u"\"C:\\Program Files\\Corvale\\uninst_corvale.exe\" /s",
        u"\"C:\\Program Files\\Corvale\\uninst_corvale.exe\"/S",
        u"C:\\Program Files\\Corvale\\uninst_corvale.exe /S\t ",
    };
    for (const char16_t* line : silent)
        EXPECT_EQ(1, ReadUninstallOptions(line).Silent) << std::string(line, line + TextLength(line));
    const char16_t* asking[] = {
        u"uninst_corvale.exe",
        // The uninstall entry's command as Windows runs it: unquoted, with spaces.
        u"C:\\Program Files\\Corvale\\uninst_corvale.exe",
        u"\"C:\\Program Files\\Corvale\\uninst_corvale.exe\"   ",
        u"x.exe /Silent",
        u"x.exe -S",
        u"x.exe S",
        u"x.exe /",
        u"C:\\dir/S",
        u"/S",
        u"",
    };
    for (const char16_t* line : asking)
        EXPECT_EQ(0, ReadUninstallOptions(line).Silent) << std::string(line, line + TextLength(line));
}

TEST(FinishArguments, RoundTripAFolderWithSpaces) {
    char16_t arguments[PathUnits + 16];
    ASSERT_GT(ComposeFinishArguments(arguments, PathUnits + 16, 1234, u"C:\\Program Files\\Corvale"), 0);
    EXPECT_EQ(Text(u"1234 C:\\Program Files\\Corvale"), Text(arguments));
    uint32_t handle = 0;
    char16_t folder[PathUnits];
    ASSERT_EQ(0, ParseFinishArguments(arguments, &handle, folder));
    EXPECT_EQ(1234u, handle);
    EXPECT_EQ(Text(u"C:\\Program Files\\Corvale"), Text(folder));
}

TEST(FinishArguments, RefuseWhatCouldNotHaveBeenComposed) {
    const char16_t* refused[] = {u"",
                                 u"12",
                                 u"12 ",
                                 u" 12 C:\\x",
                                 u"x12 C:\\x",
                                 u"12x C:\\x",
                                 u"2147483648 C:\\x",
                                 u"5555557555 C:\\x", // past 2^32: must not wrap to a small handle
                                 u"99999999999 C:\\x",
                                 u"-1 C:\\x"};
    for (const char16_t* arguments : refused) {
        uint32_t handle = 77;
        char16_t folder[PathUnits];
        EXPECT_EQ(-1, ParseFinishArguments(arguments, &handle, folder));
        EXPECT_EQ(77u, handle);
        EXPECT_EQ(0, folder[0]);
    }
    uint32_t handle = 0;
    char16_t folder[PathUnits];
    EXPECT_EQ(0, ParseFinishArguments(u"2147483647 C:\\x", &handle, folder));
    EXPECT_EQ(2147483647u, handle);
    char16_t composed[32];
    EXPECT_EQ(-1, ComposeFinishArguments(composed, 32, 0x80000000u, u"C:\\x"));
}

TEST(FinishArguments, AFolderMustFitThePathBuffer) {
    std::u16string fits = u"1 " + std::u16string(PathUnits - 1, u'a');
    std::u16string tooLong = fits + u"a";
    uint32_t handle;
    char16_t folder[PathUnits];
    EXPECT_EQ(0, ParseFinishArguments(fits.c_str(), &handle, folder));
    EXPECT_EQ(-1, ParseFinishArguments(tooLong.c_str(), &handle, folder));
    char16_t small[8];
    EXPECT_EQ(-1, ComposeFinishArguments(small, 8, 1, u"C:\\folder"));
}

TEST(SamePath, IgnoresCaseSeparatorRunsAndATrailingSeparator) {
    EXPECT_TRUE(SamePath(u"C:\\Program Files\\Corvale", u"c:\\PROGRAM FILES\\corvale"));
    EXPECT_TRUE(SamePath(u"C:\\Corvale\\\\corvale.exe", u"C:\\Corvale\\corvale.exe"));
    EXPECT_TRUE(SamePath(u"C:/Corvale/", u"C:\\Corvale"));
    EXPECT_TRUE(SamePath(u"C:\\Corvale\\\\", u"C:\\Corvale"));
    EXPECT_TRUE(SamePath(u"", u""));
}

TEST(SamePath, TellsOtherPlacesApart) {
    EXPECT_FALSE(SamePath(u"C:\\Corvale", u"C:\\Corvale2"));
    EXPECT_FALSE(SamePath(u"C:\\Corvale2", u"C:\\Corvale"));
    EXPECT_FALSE(SamePath(u"C:\\Corvale", u"D:\\Corvale"));
    EXPECT_FALSE(SamePath(u"C:\\Cor\\vale", u"C:\\Corvale"));
    EXPECT_FALSE(SamePath(u"C:\\Corvale\\x", u"C:\\Corvale"));
    EXPECT_FALSE(SamePath(u"", u"C:\\"));
    // Only ASCII letters fold; other units must match exactly.
    EXPECT_FALSE(SamePath(u"C:\\\u00e9", u"C:\\\u00c9"));
}

TEST(FolderOfPath, CutsAtTheLastBackslash) {
    char16_t folder[PathUnits];
    ASSERT_EQ(0, FolderOfPath(u"C:\\Program Files\\Corvale\\uninst_corvale.exe", folder));
    EXPECT_EQ(Text(u"C:\\Program Files\\Corvale"), Text(folder));
    EXPECT_EQ(-1, FolderOfPath(u"uninst_corvale.exe", folder));
    EXPECT_EQ(0, folder[0]);
    EXPECT_EQ(-1, FolderOfPath(u"\\x.exe", folder)); // no folder name before the backslash
}

} // namespace
