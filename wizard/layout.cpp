#include "layout.h"

#include <math.h>

#include "wizard_state.h"

int IsPageControlId(int id) {
    return id >= FirstPageControlId && id < FirstPageControlId + PageControlSlots;
}

// WS_CHILD | WS_VISIBLE and the class-specific bits of each kind.
const StyleKindRecord StyleKinds[StyleKindCount] = {
    /* LabelKind */ {0, 0x50000000},
    /* PushButtonKind */ {0, 0x50010000},
    /* DefaultPushButtonKind */ {0, 0x50010001},
    /* CheckboxKind */ {0, 0x50010003},
    /* FolderEditKind */ {0x200, 0x50010080},
    /* LicenceViewKind */ {0x200, 0x50200804},
    /* ProgressBarKind */ {0, 0x50000000},
    /* IconLabelKind */ {0, 0x50000803},
};

static const char16_t EditClass[] = u"Edit";
static const char16_t ButtonClass[] = u"Button";
static const char16_t StaticClass[] = u"Static";
static const char16_t ProgressClass[] = u"msctls_progress32";

// Rows in the order of ControlRowIndex. The creation order of each page (and so its Tab
// order) is decided where the page is built.
const ControlRow ControlTable[ControlRowCount] = {
    {LicenceTextEditId, "LicenceTextEdit", 0, EditClass, nullptr, LicenceViewKind, 15, 15, 534, 228,
     ScaledSize},
    {AgreeButtonId, "AgreeButton", 0, ButtonClass, u"Agree", DefaultPushButtonKind, 364, 307, 0, 0,
     StandardButtonSize},
    {DeclineButtonId, "DeclineButton", 0, ButtonClass, u"Decline", PushButtonKind, 460, 307, 0, 0,
     StandardButtonSize},
    {NoControlId, "LogoIcon", 0, StaticClass, nullptr, IconLabelKind, 119, 297, 0, 0, OwnImageSize},
    {PageCaptionId, "PageCaption", 1, StaticClass, u"Choose Program folder:", LabelKind, 50, 52, 450, 30,
     ScaledSize},
    {ProgramFolderEditId, "ProgramFolderEdit", 1, EditClass, nullptr, FolderEditKind, 50, 77, 460, 22,
     ScaledSize},
    {ProgramBrowseButtonId, "ProgramBrowseButton", 1, ButtonClass, u"...", PushButtonKind, 515, 77, 25, 22,
     ScaledSize},
    {ProgramShortcutCheckId, "ProgramShortcutCheck", 1, ButtonClass, u"Create Program shortcut on Desktop",
     CheckboxKind, 50, 102, 450, 30, ScaledSize},
    {DocumentsCaptionId, "DocumentsCaption", 1, StaticClass, u"Choose Documents folder:", LabelKind, 50, 160,
     450, 30, ScaledSize},
    {DocumentsFolderEditId, "DocumentsFolderEdit", 1, EditClass, nullptr, FolderEditKind, 50, 185, 460, 22,
     ScaledSize},
    {DocumentsBrowseButtonId, "DocumentsBrowseButton", 1, ButtonClass, u"...", PushButtonKind, 515, 185, 25,
     22, ScaledSize},
    {DocumentsShortcutCheckId, "DocumentsShortcutCheck", 1, ButtonClass,
     u"Create Documents shortcut on Desktop", CheckboxKind, 50, 210, 450, 30, ScaledSize},
    {BackButtonId, "BackButton", 1, ButtonClass, u"< Back", PushButtonKind, 268, 307, 0, 0,
     StandardButtonSize},
    {InstallButtonId, "InstallButton", 1, ButtonClass, u"Install", DefaultPushButtonKind, 364, 307, 0, 0,
     StandardButtonSize},
    {CancelButtonId, "CancelButton", 1, ButtonClass, u"Cancel", PushButtonKind, 460, 307, 0, 0,
     StandardButtonSize},
    {PageCaptionId, "PageCaption", 2, StaticClass, u"Installing ...", LabelKind, 60, 50, 450, 30, ScaledSize},
    {NoControlId, "ProgressBar", 2, ProgressClass, nullptr, ProgressBarKind, 60, 90, 450, 30, ScaledSize},
    {StatusTextId, "StatusText", 2, StaticClass, nullptr, LabelKind, 60, 50, 450, 100, ScaledSize},
    {WebSiteButtonId, "WebSiteButton", 2, ButtonClass, nullptr, PushButtonKind, 60, 163, 320, 30, ScaledSize},
    {CloseButtonId, "CloseButton", 2, ButtonClass, u"Close", DefaultPushButtonKind, 460, 307, 0, 0,
     FreshButtonSize},
};

float ScreenDpi = 0;
int ButtonWidth = 0;
int ButtonHeight = 0;

int ScaleToDpi(int value) {
    return static_cast<int>(ceil(static_cast<double>(ScreenDpi) * value / LayoutDpi));
}

void FixButtonSize() {
    ButtonWidth = ScaleToDpi(StandardButtonWidthUnits);
    ButtonHeight = ScaleToDpi(StandardButtonHeightUnits);
}

LayoutRect ScaledRect(const ControlRow& row) {
    LayoutRect rect = {ScaleToDpi(row.X), ScaleToDpi(row.Y), 0, 0};
    switch (row.Size) {
    case ScaledSize:
        rect.Width = ScaleToDpi(row.Width);
        rect.Height = ScaleToDpi(row.Height);
        break;
    case StandardButtonSize:
        rect.Width = ButtonWidth;
        rect.Height = ButtonHeight;
        break;
    case FreshButtonSize:
        rect.Width = ScaleToDpi(StandardButtonWidthUnits);
        rect.Height = ScaleToDpi(StandardButtonHeightUnits);
        break;
    case OwnImageSize:
        break;
    }
    return rect;
}

LayoutRect MainWindowRect() {
    return {0, 0, ScaleToDpi(WindowWidthUnits), ScaleToDpi(WindowHeightUnits)};
}

const char16_t LogoResourceNameFormat[] = u"#%d";

int LogoResourceId(int baseId, float dpi) {
    // The thresholds sit halfway between the logo's four drawn scales (96, 120, 144, 192).
    if (dpi > 168.0f)
        return baseId + 3;
    if (dpi > 132.0f)
        return baseId + 2;
    if (dpi > 108.0f)
        return baseId + 1;
    return baseId;
}

ScreenPoint CenteredPosition(const ScreenRect& reference, const ScreenRect& window) {
    int referenceWidth = reference.Right - reference.Left;
    int referenceHeight = reference.Bottom - reference.Top;
    int windowWidth = window.Right - window.Left;
    int windowHeight = window.Bottom - window.Top;
    return {reference.Left + (referenceWidth - windowWidth) / 2,
            reference.Top + (referenceHeight - windowHeight) / 2};
}

const char16_t DialogFontFace[] = u"Tahoma";
const char16_t QuitQuestion[] = u"Are you sure to quit?";

int CopyLicenceText(const unsigned char* data, unsigned long size) {
    unsigned long kept = 0;
    if (data != nullptr) {
        // The buffer keeps one byte for the terminator; a longer resource is cut there
        // rather than written past the buffer.
        while (kept < size && kept < static_cast<unsigned long>(LicenceBufferBytes - 1) && data[kept] != 0) {
            WizardState.LicenceBuffer[kept] = static_cast<char>(data[kept]);
            ++kept;
        }
    }
    WizardState.LicenceBuffer[kept] = 0;
    return static_cast<int>(kept);
}
