// What every control of the wizard looks like and where it sits, the DPI scaling of the
// layout numbers, the logo choice and the window centring arithmetic. Portable: the Win32
// side (wizard/layout_win.cpp) turns these rows into windows.
#pragma once

#include <stdint.h>

// ---- Control ids (ids 101 to 114 live in the page-control slots of WizardState) ---------

enum ControlId {
    NoControlId = 0,
    LicenceTextEditId = 101,
    AgreeButtonId = 102,
    DeclineButtonId = 103,
    PageCaptionId = 104,
    ProgramFolderEditId = 105,
    ProgramBrowseButtonId = 106,
    ProgramShortcutCheckId = 107,
    DocumentsCaptionId = 108,
    DocumentsFolderEditId = 109,
    DocumentsBrowseButtonId = 110,
    DocumentsShortcutCheckId = 111,
    BackButtonId = 112,
    InstallButtonId = 113,
    CancelButtonId = 114,
    WebSiteButtonId = 116,
    CloseButtonId = 200,
    StatusTextId = 250,
};

// 1 when the id is one of the page controls held in WizardState.PageControls.
int IsPageControlId(int id);

// ---- Style kinds --------------------------------------------------------------------------

enum StyleKind {
    LabelKind,
    PushButtonKind,
    DefaultPushButtonKind,
    CheckboxKind,
    FolderEditKind,
    LicenceViewKind,
    ProgressBarKind,
    IconLabelKind,
    StyleKindCount
};

struct StyleKindRecord {
    uint32_t ExStyle;
    uint32_t Style;
};

extern const StyleKindRecord StyleKinds[StyleKindCount];

// ---- The control table ------------------------------------------------------------------

// How a row's width and height are obtained.
enum SizeRule {
    ScaledSize,         // Width and Height are layout numbers, scaled one by one
    StandardButtonSize, // ButtonWidth and ButtonHeight as fixed at start-up
    FreshButtonSize,    // the standard button numbers scaled afresh (the Close button)
    OwnImageSize,       // 0 by 0: the icon label takes its icon's own size
};

enum ControlRowIndex {
    LicenceTextEditRow,
    AgreeButtonRow,
    DeclineButtonRow,
    LogoIconRow,
    ProgramCaptionRow,
    ProgramFolderEditRow,
    ProgramBrowseButtonRow,
    ProgramShortcutCheckRow,
    DocumentsCaptionRow,
    DocumentsFolderEditRow,
    DocumentsBrowseButtonRow,
    DocumentsShortcutCheckRow,
    BackButtonRow,
    InstallButtonRow,
    CancelButtonRow,
    InstallingCaptionRow,
    ProgressBarRow,
    StatusTextRow,
    WebSiteButtonRow,
    CloseButtonRow,
    ControlRowCount
};

struct ControlRow {
    int Id;
    const char* Name;
    int Page;
    const char16_t* ClassName;
    const char16_t* Text; // null where the text is a value of the moment (licence, folders,
                          // status message, web-site host, logo resource name)
    StyleKind Kind;
    int X, Y, Width, Height; // 96-DPI layout units; the logo row holds its anchor point
    SizeRule Size;
};

extern const ControlRow ControlTable[ControlRowCount];

// ---- Scaling ----------------------------------------------------------------------------

constexpr int LayoutDpi = 96;
constexpr int StandardButtonWidthUnits = 88;
constexpr int StandardButtonHeightUnits = 27;
constexpr int WindowWidthUnits = 572;
constexpr int WindowHeightUnits = 384;

// The screen's horizontal logical DPI, read once before the main window exists.
extern float ScreenDpi;
// The scaled standard push-button size, fixed once at start-up.
extern int ButtonWidth;
extern int ButtonHeight;

// The smallest integer not less than ScreenDpi * value / 96, computed in double precision.
int ScaleToDpi(int value);
// Fixes ButtonWidth and ButtonHeight from ScreenDpi.
void FixButtonSize();

struct LayoutRect {
    int X, Y, Width, Height;
};

// A row's rectangle in device pixels; every number is scaled on its own.
LayoutRect ScaledRect(const ControlRow& row);
// The outer size of the main window in device pixels (X and Y are 0).
LayoutRect MainWindowRect();

// ---- The logo -----------------------------------------------------------------------------

constexpr int LogoIconBase = 1020;
constexpr int LogoResourceNameUnits = 64;
extern const char16_t LogoResourceNameFormat[]; // "#%d"

// The logo's icon resource for the screen DPI: one of four sizes, chosen by strict
// comparisons on the float DPI.
int LogoResourceId(int baseId, float dpi);

// ---- Window centring ----------------------------------------------------------------------

struct ScreenRect {
    int Left, Top, Right, Bottom;
};
struct ScreenPoint {
    int X, Y;
};

// Top-left corner that centres window over reference; halves truncate toward zero, so a
// window larger than the reference still lands symmetrically.
ScreenPoint CenteredPosition(const ScreenRect& reference, const ScreenRect& window);

// ---- Resources and texts of the wizard ----------------------------------------------------

constexpr int ApplicationIconId = 1000;
constexpr int LicenceResourceType = 256;
constexpr int LicenceResourceName = 1030;
constexpr int DialogFontPoints = 10;
extern const char16_t DialogFontFace[]; // "Tahoma"
extern const char16_t QuitQuestion[];   // the close confirmation

// Copies the licence resource into WizardState.LicenceBuffer: at most the buffer's size less
// one byte, stopping early at a NUL in the data, always terminated. A missing resource
// (null data) leaves the licence empty. Returns the number of bytes kept.
int CopyLicenceText(const unsigned char* data, unsigned long size);
