#include "../core/text.h"
#include "wizard_state.h"
#include "wizard_win.h"

HFONT DialogFont = nullptr;

void ReadScreenDpi() {
    HDC screen = GetDC(nullptr);
    ScreenDpi = static_cast<float>(GetDeviceCaps(screen, LOGPIXELSX));
    ReleaseDC(nullptr, screen);
}

void ApplyDialogFont(HWND parent, int id) {
    if (DialogFont == nullptr) {
        // The font's height follows the window's vertical DPI; a failed creation leaves the
        // control with the system font and is tried again on the next call.
        HDC context = GetDC(parent);
        int height = -MulDiv(DialogFontPoints, GetDeviceCaps(context, LOGPIXELSY), 72);
        ReleaseDC(parent, context);
        DialogFont =
            CreateFontW(height, 0, 0, 0, FW_DONTCARE, FALSE, FALSE, FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS,
                        CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH, Wide(DialogFontFace));
    }
    SendDlgItemMessageW(parent, id, WM_SETFONT, reinterpret_cast<WPARAM>(DialogFont), TRUE);
}

// Keeps a page control in its slot and gives a control with an id the shared font.
static HWND FinishControl(HWND parent, const ControlRow& row, HWND control) {
    if (IsPageControlId(row.Id))
        WizardState.PageControls[row.Id - FirstPageControlId] = control;
    if (row.Id != NoControlId)
        ApplyDialogFont(parent, row.Id);
    return control;
}

// The licence view alone is an 8-bit control, so the resource's bytes reach it unchanged.
static HWND CreateNarrowControl(HWND parent, const ControlRow& row, const char* text) {
    char className[16] = {};
    for (int i = 0; i + 1 < static_cast<int>(sizeof className) && row.ClassName[i] != 0; ++i)
        className[i] = static_cast<char>(row.ClassName[i]);
    LayoutRect rect = ScaledRect(row);
    const StyleKindRecord& kind = StyleKinds[row.Kind];
    HWND control =
        CreateWindowExA(kind.ExStyle, className, text, kind.Style, rect.X, rect.Y, rect.Width, rect.Height,
                        parent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.Id)), nullptr, nullptr);
    return FinishControl(parent, row, control);
}

HWND CreateControl(HWND parent, ControlRowIndex rowIndex, const char16_t* text) {
    const ControlRow& row = ControlTable[rowIndex];
    if (rowIndex == LicenceTextEditRow)
        return CreateNarrowControl(parent, row, WizardState.LicenceBuffer);
    LayoutRect rect = ScaledRect(row);
    const StyleKindRecord& kind = StyleKinds[row.Kind];
    HWND control = CreateWindowExW(kind.ExStyle, Wide(row.ClassName), Wide(text != nullptr ? text : row.Text),
                                   kind.Style, rect.X, rect.Y, rect.Width, rect.Height, parent,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.Id)), nullptr, nullptr);
    return FinishControl(parent, row, control);
}

HWND CreateLogoIcon(HWND parent, int baseId, int x, int y) {
    int resourceId = LogoResourceId(baseId, ScreenDpi);
    HINSTANCE module = GetModuleHandleW(nullptr);
    // Loaded only for its hotspot, which the system puts at an icon's centre.
    HICON icon =
        static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(resourceId), IMAGE_ICON, 0, 0, LR_SHARED));
    ICONINFO info = {};
    if (icon == nullptr || !GetIconInfo(icon, &info))
        return nullptr;
    // GetIconInfo hands out copies of the icon's bitmaps; the shared icon itself stays.
    if (info.hbmMask != nullptr)
        DeleteObject(info.hbmMask);
    if (info.hbmColor != nullptr)
        DeleteObject(info.hbmColor);
    char16_t name[LogoResourceNameUnits] = {};
    FormatText(name, LogoResourceNameUnits, LogoResourceNameFormat, resourceId);
    const ControlRow& row = ControlTable[LogoIconRow];
    const StyleKindRecord& kind = StyleKinds[row.Kind];
    // The label loads the icon by the name in its text from the instance it is given.
    return CreateWindowExW(kind.ExStyle, Wide(row.ClassName), Wide(name), kind.Style,
                           ScaleToDpi(x) - static_cast<int>(info.xHotspot),
                           ScaleToDpi(y) - static_cast<int>(info.yHotspot), 0, 0, parent, nullptr, module,
                           nullptr);
}

void CenterWindow(HWND window) {
    HWND reference = GetParent(window);
    if (reference == nullptr)
        reference = GetDesktopWindow();
    RECT outer = {}, own = {};
    GetWindowRect(reference, &outer);
    GetWindowRect(window, &own);
    ScreenPoint at = CenteredPosition({outer.left, outer.top, outer.right, outer.bottom},
                                      {own.left, own.top, own.right, own.bottom});
    SetWindowPos(window, HWND_TOP, at.X, at.Y, 0, 0, SWP_NOSIZE);
}
