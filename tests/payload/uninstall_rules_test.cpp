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

TEST(FinishArguments, RoundTripAPathWithSpaces) {
    char16_t arguments[PathUnits + 32];
    ASSERT_GT(ComposeFinishArguments(arguments, PathUnits + 32, 1234, 56, u"C:\\Windows\\Temp\\x y\\u.exe"),
              0);
    EXPECT_EQ(Text(u"1234 56 C:\\Windows\\Temp\\x y\\u.exe"), Text(arguments));
    uint32_t process = 0, copy = 0;
    char16_t image[PathUnits];
    ASSERT_EQ(0, ParseFinishArguments(arguments, &process, &copy, image));
    EXPECT_EQ(1234u, process);
    EXPECT_EQ(56u, copy);
    EXPECT_EQ(Text(u"C:\\Windows\\Temp\\x y\\u.exe"), Text(image));
}

TEST(FinishArguments, RefuseWhatCouldNotHaveBeenComposed) {
    const char16_t* refused[] = {u"",
                                 u"12 34",
                                 u"12 34 ",
                                 u"12 C:\\x",
                                 u" 12 34 C:\\x",
                                 u"x12 34 C:\\x",
                                 u"12x 34 C:\\x",
                                 u"12 34x C:\\x",
                                 u"2147483648 34 C:\\x",
                                 u"12 2147483648 C:\\x",
                                 u"5555557555 34 C:\\x", // past 2^32: must not wrap to a small handle
                                 u"12 99999999999 C:\\x",
                                 u"-1 34 C:\\x"};
    for (const char16_t* arguments : refused) {
        uint32_t process = 77, copy = 77;
        char16_t image[PathUnits];
        EXPECT_EQ(-1, ParseFinishArguments(arguments, &process, &copy, image));
        EXPECT_EQ(77u, process);
        EXPECT_EQ(77u, copy);
        EXPECT_EQ(0, image[0]);
    }
    uint32_t process = 0, copy = 0;
    char16_t image[PathUnits];
    EXPECT_EQ(0, ParseFinishArguments(u"2147483647 2147483647 C:\\x", &process, &copy, image));
    EXPECT_EQ(2147483647u, process);
    EXPECT_EQ(2147483647u, copy);
    char16_t composed[32];
    EXPECT_EQ(-1, ComposeFinishArguments(composed, 32, 0x80000000u, 1, u"C:\\x"));
    EXPECT_EQ(-1, ComposeFinishArguments(composed, 32, 1, 0x80000000u, u"C:\\x"));
}

TEST(FinishArguments, AnImageMustFitThePathBuffer) {
    std::u16string fits = u"1 2 " + std::u16string(PathUnits - 1, u'a');
    std::u16string tooLong = fits + u"a";
    uint32_t process, copy;
    char16_t image[PathUnits];
    EXPECT_EQ(0, ParseFinishArguments(fits.c_str(), &process, &copy, image));
    EXPECT_EQ(-1, ParseFinishArguments(tooLong.c_str(), &process, &copy, image));
    char16_t small[8];
    EXPECT_EQ(-1, ComposeFinishArguments(small, 8, 1, 2, u"C:\\folder"));
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
