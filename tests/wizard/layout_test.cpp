#include <gtest/gtest.h>

#include <string.h>

#include "wizard/layout.h"
#include "wizard/wizard_state.h"

namespace {

// Sets the screen DPI (and the button size that start-up derives from it) for one test.
void UseDpi(float dpi) {
    ScreenDpi = dpi;
    FixButtonSize();
}

struct Scaling {
    float Dpi;
    int Value;
    int Expected;
};

TEST(ScaleToDpi, RoundsTheScaledValueUp) {
    const Scaling cases[] = {
        {96, 27, 27},    {96, 515, 515},  {120, 27, 34},   {120, 22, 28},   {120, 25, 32},  {120, 119, 149},
        {120, 297, 372}, {120, 307, 384}, {120, 515, 644}, {144, 27, 41},   {144, 22, 33},  {144, 307, 461},
        {144, 515, 773}, {110, 88, 101},  {110, 27, 31},   {110, 450, 516}, {192, 88, 176}, {120, 0, 0},
    };
    for (const Scaling& c : cases) {
        UseDpi(c.Dpi);
        EXPECT_EQ(ScaleToDpi(c.Value), c.Expected) << c.Value << " at " << c.Dpi << " DPI";
    }
}

TEST(ScaleToDpi, FollowsAFractionalDpi) {
    // A float DPI scales by its exact value: 100.5 * 96 / 96 is 100.5, rounded up.
    UseDpi(100.5f);
    EXPECT_EQ(ScaleToDpi(96), 101);
    UseDpi(96.0f);
    EXPECT_EQ(ScaleToDpi(96), 96);
}

struct WindowSize {
    float Dpi;
    int Width, Height, ButtonW, ButtonH;
};

TEST(MainWindowRect, AndButtonSizeFollowTheDpi) {
    const WindowSize cases[] = {
        {96, 572, 384, 88, 27},   {110, 656, 440, 101, 31},  {120, 715, 480, 110, 34},
        {144, 858, 576, 132, 41}, {192, 1144, 768, 176, 54},
    };
    for (const WindowSize& c : cases) {
        UseDpi(c.Dpi);
        LayoutRect window = MainWindowRect();
        EXPECT_EQ(window.Width, c.Width) << c.Dpi;
        EXPECT_EQ(window.Height, c.Height) << c.Dpi;
        EXPECT_EQ(ButtonWidth, c.ButtonW) << c.Dpi;
        EXPECT_EQ(ButtonHeight, c.ButtonH) << c.Dpi;
    }
}

struct ExpectedRow {
    ControlRowIndex Row;
    int Id, Page;
    const char16_t* ClassName;
    const char16_t* Text;
    uint32_t ExStyle, Style;
    int X, Y, W, H;
};

bool SameText(const char16_t* a, const char16_t* b) {
    if (a == nullptr || b == nullptr)
        return a == b;
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

TEST(ControlTable, RowsAt96DpiAreTheLayoutNumbers) {
    UseDpi(96);
    const ExpectedRow rows[] = {
        {LicenceTextEditRow, 101, 0, u"Edit", nullptr, 0x200, 0x50200804, 15, 15, 534, 228},
        {AgreeButtonRow, 102, 0, u"Button", u"Agree", 0, 0x50010001, 364, 307, 88, 27},
        {DeclineButtonRow, 103, 0, u"Button", u"Decline", 0, 0x50010000, 460, 307, 88, 27},
        {LogoIconRow, 0, 0, u"Static", nullptr, 0, 0x50000803, 119, 297, 0, 0},
        {ProgramCaptionRow, 104, 1, u"Static", u"Choose Program folder:", 0, 0x50000000, 50, 52, 450, 30},
        {ProgramFolderEditRow, 105, 1, u"Edit", nullptr, 0x200, 0x50010080, 50, 77, 460, 22},
        {ProgramBrowseButtonRow, 106, 1, u"Button", u"...", 0, 0x50010000, 515, 77, 25, 22},
        {ProgramShortcutCheckRow, 107, 1, u"Button", u"Create Program shortcut on Desktop", 0, 0x50010003, 50,
         102, 450, 30},
        {DocumentsCaptionRow, 108, 1, u"Static", u"Choose Documents folder:", 0, 0x50000000, 50, 160, 450,
         30},
        {DocumentsFolderEditRow, 109, 1, u"Edit", nullptr, 0x200, 0x50010080, 50, 185, 460, 22},
        {DocumentsBrowseButtonRow, 110, 1, u"Button", u"...", 0, 0x50010000, 515, 185, 25, 22},
        {DocumentsShortcutCheckRow, 111, 1, u"Button", u"Create Documents shortcut on Desktop", 0, 0x50010003,
         50, 210, 450, 30},
        {BackButtonRow, 112, 1, u"Button", u"< Back", 0, 0x50010000, 268, 307, 88, 27},
        {InstallButtonRow, 113, 1, u"Button", u"Install", 0, 0x50010001, 364, 307, 88, 27},
        {CancelButtonRow, 114, 1, u"Button", u"Cancel", 0, 0x50010000, 460, 307, 88, 27},
        {InstallingCaptionRow, 104, 2, u"Static", u"Installing ...", 0, 0x50000000, 60, 50, 450, 30},
        {ProgressBarRow, 0, 2, u"msctls_progress32", nullptr, 0, 0x50000000, 60, 90, 450, 30},
        {StatusTextRow, 250, 2, u"Static", nullptr, 0, 0x50000000, 60, 50, 450, 100},
        {WebSiteButtonRow, 116, 2, u"Button", nullptr, 0, 0x50010000, 60, 163, 320, 30},
        {CloseButtonRow, 200, 2, u"Button", u"Close", 0, 0x50010001, 460, 307, 88, 27},
    };
    ASSERT_EQ(sizeof rows / sizeof rows[0], static_cast<size_t>(ControlRowCount));
    for (const ExpectedRow& e : rows) {
        const ControlRow& row = ControlTable[e.Row];
        SCOPED_TRACE(row.Name);
        EXPECT_EQ(row.Id, e.Id);
        EXPECT_EQ(row.Page, e.Page);
        EXPECT_TRUE(SameText(row.ClassName, e.ClassName));
        EXPECT_TRUE(SameText(row.Text, e.Text));
        EXPECT_EQ(StyleKinds[row.Kind].ExStyle, e.ExStyle);
        EXPECT_EQ(StyleKinds[row.Kind].Style, e.Style);
        LayoutRect rect = ScaledRect(row);
        EXPECT_EQ(rect.X, e.X);
        EXPECT_EQ(rect.Y, e.Y);
        EXPECT_EQ(rect.Width, e.W);
        EXPECT_EQ(rect.Height, e.H);
    }
}

TEST(ControlTable, ScalesEachNumberOnItsOwn) {
    UseDpi(120);
    // Right edge = scaled x + scaled width, not the scaled sum.
    LayoutRect back = ScaledRect(ControlTable[BackButtonRow]);
    EXPECT_EQ(back.X, 335);
    EXPECT_EQ(back.X + back.Width, 445);
    EXPECT_EQ(ScaledRect(ControlTable[InstallButtonRow]).X, 455);
    // The edit's y 77 and height 22 scale to 97 and 28; scaling 99 whole would give 124.
    LayoutRect edit = ScaledRect(ControlTable[ProgramFolderEditRow]);
    EXPECT_EQ(edit.Y + edit.Height, 97 + 28);
}

TEST(ControlTable, ButtonRowsUseTheStartUpSizeAndCloseScalesAfresh) {
    UseDpi(144);
    // A button size fixed at another DPI shows which rows read it and which compute it.
    ButtonWidth = 1;
    ButtonHeight = 2;
    LayoutRect agree = ScaledRect(ControlTable[AgreeButtonRow]);
    EXPECT_EQ(agree.Width, 1);
    EXPECT_EQ(agree.Height, 2);
    LayoutRect close = ScaledRect(ControlTable[CloseButtonRow]);
    EXPECT_EQ(close.Width, 132);
    EXPECT_EQ(close.Height, 41);
}

TEST(ControlTable, PageControlIdsMapToSlots) {
    EXPECT_FALSE(IsPageControlId(100));
    EXPECT_TRUE(IsPageControlId(101));
    EXPECT_TRUE(IsPageControlId(114));
    EXPECT_FALSE(IsPageControlId(115));
    EXPECT_FALSE(IsPageControlId(116));
    EXPECT_FALSE(IsPageControlId(NoControlId));
    // Every slot belongs to one row of pages 0 and 1; slot 3 serves page 2 as well.
    int rowsPerSlot[PageControlSlots] = {};
    for (const ControlRow& row : ControlTable)
        if (IsPageControlId(row.Id) && row.Page < 2)
            ++rowsPerSlot[row.Id - FirstPageControlId];
    for (int slot = 0; slot < PageControlSlots; ++slot)
        EXPECT_EQ(rowsPerSlot[slot], 1) << slot;
}

TEST(LogoResourceId, ThresholdsAreStrict) {
    const struct {
        float Dpi;
        int Id;
    } cases[] = {{96, 1020},  {108, 1020}, {108.5f, 1021}, {109, 1021}, {120, 1021}, {132, 1021},
                 {133, 1022}, {144, 1022}, {168, 1022},    {169, 1023}, {192, 1023}};
    for (const auto& c : cases)
        EXPECT_EQ(LogoResourceId(LogoIconBase, c.Dpi), c.Id) << c.Dpi;
}

TEST(CenteredPosition, CentresOnTheReference) {
    ScreenPoint p = CenteredPosition({0, 0, 1920, 1080}, {100, 100, 672, 484});
    EXPECT_EQ(p.X, 674);
    EXPECT_EQ(p.Y, 348);
    p = CenteredPosition({0, 0, 1366, 768}, {100, 100, 672, 484});
    EXPECT_EQ(p.X, 397);
    EXPECT_EQ(p.Y, 192);
    // A reference that does not start at the origin moves the result with it.
    p = CenteredPosition({200, 50, 1120, 650}, {0, 0, 100, 100});
    EXPECT_EQ(p.X, 610);
    EXPECT_EQ(p.Y, 300);
}

TEST(CenteredPosition, TruncatesNegativeHalvesTowardZero) {
    ScreenPoint p = CenteredPosition({0, 0, 800, 600}, {100, 100, 958, 676});
    EXPECT_EQ(p.X, -29);
    EXPECT_EQ(p.Y, 12);
    // A difference of -57 halves to -28, where flooring would give -29.
    p = CenteredPosition({0, 0, 800, 600}, {0, 0, 857, 600});
    EXPECT_EQ(p.X, -28);
    EXPECT_EQ(p.Y, 0);
}

class LicenceCopy : public ::testing::Test {
  protected:
    void SetUp() override { memset(WizardState.LicenceBuffer, 'x', sizeof WizardState.LicenceBuffer); }
};

TEST_F(LicenceCopy, KeepsATextThatFits) {
    const char text[] = "Licence\r\nText\r\n";
    EXPECT_EQ(CopyLicenceText(reinterpret_cast<const unsigned char*>(text), sizeof text - 1), 15);
    EXPECT_STREQ(WizardState.LicenceBuffer, text);
}

TEST_F(LicenceCopy, KeepsAFullBufferAndCutsALongerText) {
    static unsigned char text[LicenceBufferBytes + 10];
    memset(text, 'a', sizeof text);
    EXPECT_EQ(CopyLicenceText(text, LicenceBufferBytes - 1), LicenceBufferBytes - 1);
    EXPECT_EQ(WizardState.LicenceBuffer[LicenceBufferBytes - 1], 0);
    EXPECT_EQ(CopyLicenceText(text, sizeof text), LicenceBufferBytes - 1);
    EXPECT_EQ(WizardState.LicenceBuffer[LicenceBufferBytes - 2], 'a');
    EXPECT_EQ(WizardState.LicenceBuffer[LicenceBufferBytes - 1], 0);
}

TEST_F(LicenceCopy, StopsAtANulAndAtTheResourceSize) {
    const unsigned char text[] = {'a', 'b', 0, 'c', 'd'};
    EXPECT_EQ(CopyLicenceText(text, sizeof text), 2);
    EXPECT_STREQ(WizardState.LicenceBuffer, "ab");
    // The resource has no terminator of its own: its size ends it.
    const unsigned char unterminated[] = {'e', 'f', 'g'};
    EXPECT_EQ(CopyLicenceText(unterminated, 2), 2);
    EXPECT_STREQ(WizardState.LicenceBuffer, "ef");
}

TEST_F(LicenceCopy, LeavesTheLicenceEmptyWithoutAResource) {
    EXPECT_EQ(CopyLicenceText(nullptr, 100), 0);
    EXPECT_STREQ(WizardState.LicenceBuffer, "");
}

} // namespace
