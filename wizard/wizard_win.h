// The wizard's Win32 side: controls made from the layout table, the shared font, the logo,
// the window centring, the folder picker, the pages and the main window procedure.
#pragma once

#include <windows.h>

#include "layout.h"

// The top-level window; null until its creation returns (the creation message itself
// works on the window procedure's own argument).
extern HWND MainWindow;
// The one font of every control that has an id; null until the first ApplyDialogFont.
extern HFONT DialogFont;

// char16_t and wchar_t are both UTF-16 units on Windows.
inline const wchar_t* Wide(const char16_t* text) {
    return reinterpret_cast<const wchar_t*>(text);
}
inline wchar_t* Wide(char16_t* text) {
    return reinterpret_cast<wchar_t*>(text);
}

// ---- Layout (wizard/layout_win.cpp) -------------------------------------------------------

// Fills ScreenDpi from the screen's horizontal logical DPI.
void ReadScreenDpi();
// Creates the shared font on first use and gives it to parent's child with that id.
void ApplyDialogFont(HWND parent, int id);
// Creates the control of a table row as a child of parent, with text in place of the row's
// own text when given; stores page controls in their slot and gives every control that has
// an id the shared font.
HWND CreateControl(HWND parent, ControlRowIndex row, const char16_t* text = nullptr);
// The DPI-dependent logo centred on the scaled point (x, y); null when the icon is missing.
HWND CreateLogoIcon(HWND parent, int baseId, int x, int y);
// Centres window over its parent, or over the desktop window when it has none.
void CenterWindow(HWND window);

// ---- Folders (wizard/folders_win.cpp) ------------------------------------------------------

// Opens the shell folder picker for the browse button buttonId: 0 when a folder was
// chosen (its edit and buffer then hold it), -1 when the picker was cancelled.
int BrowseForFolder(HWND window, int buttonId);

// ---- Pages (wizard/pages_win.cpp) ---------------------------------------------------------

// Builds page 0 (licence), 1 (folders) or 2 (the installation run); any other number does
// nothing.
void ShowPage(HWND window, int page);
LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
