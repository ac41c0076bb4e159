// The bounded formatter that every composed path, key, value and message goes through.
#include <climits>
#include <string>

#include <gtest/gtest.h>

#include "core/product.h"
#include "core/text.h"

namespace {
std::u16string Units(size_t count, char16_t unit = u'a') {
    return std::u16string(count, unit);
}
} // namespace

TEST(FormatText, StringThatFillsThePathBufferExactlyFits) {
    char16_t out[PathUnits];
    std::u16string text = Units(PathUnits - 1);
    ASSERT_EQ(PathUnits - 1, FormatText(out, PathUnits, u"%s", text.c_str()));
    EXPECT_EQ(text, std::u16string(out));
}

TEST(FormatText, OneUnitMoreFailsAndLeavesTheBufferEmpty) {
    char16_t out[PathUnits];
    out[0] = u'x';
    std::u16string text = Units(PathUnits);
    EXPECT_EQ(-1, FormatText(out, PathUnits, u"%s", text.c_str()));
    EXPECT_EQ(0, out[0]);
    // The literal part of the format counts too.
    std::u16string almost = Units(PathUnits - 3);
    EXPECT_EQ(PathUnits - 1, FormatText(out, PathUnits, u"%s\\x", almost.c_str()));
    EXPECT_EQ(-1, FormatText(out, PathUnits, u"%s\\xy", almost.c_str()));
    EXPECT_EQ(0, out[0]);
}

TEST(FormatText, NothingIsWrittenPastTheCapacity) {
    char16_t out[8];
    for (char16_t& unit : out)
        unit = u'#';
    EXPECT_EQ(-1, FormatText(out, 4, u"%s", u"abcdefg"));
    EXPECT_EQ(std::u16string(u"####"), std::u16string(out + 4, 4));
}

TEST(FormatText, SignedIntegers) {
    char16_t out[32];
    FormatText(out, 32, u"%d", INT_MIN);
    EXPECT_EQ(std::u16string(u"-2147483648"), out);
    FormatText(out, 32, u"%d", INT_MAX);
    EXPECT_EQ(std::u16string(u"2147483647"), out);
    FormatText(out, 32, u"[%d]", 0);
    EXPECT_EQ(std::u16string(u"[0]"), out);
    // "-12" needs four units with its terminator.
    EXPECT_EQ(3, FormatText(out, 4, u"%d", -12));
    EXPECT_EQ(-1, FormatText(out, 3, u"%d", -12));
}

TEST(FormatText, PercentSignsAndDirectivesTogether) {
    char16_t out[PathUnits];
    EXPECT_EQ(12, FormatText(out, PathUnits, u"%s \"%%1\"", u"a\\b.exe"));
    EXPECT_EQ(std::u16string(u"a\\b.exe \"%1\""), out);
    FormatText(out, PathUnits, u"%s=%d%%", u"load", 50);
    EXPECT_EQ(std::u16string(u"load=50%"), out);
}

TEST(FormatText, UnknownOrCutDirectiveFails) {
    char16_t out[PathUnits];
    out[0] = u'x';
    EXPECT_EQ(-1, FormatText(out, PathUnits, u"%x", 1));
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(-1, FormatText(out, PathUnits, u"50%"));
    EXPECT_EQ(-1, FormatText(out, PathUnits, u"%ls", u"wide"));
}

TEST(FormatText, EmptyResultAndZeroCapacity) {
    char16_t out[2] = {u'x', u'x'};
    EXPECT_EQ(0, FormatText(out, 2, u"%s", u""));
    EXPECT_EQ(0, out[0]);
    EXPECT_EQ(-1, FormatText(out, 0, u""));
}
