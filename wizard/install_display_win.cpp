// The controls that the installation run shows: its caption, the progress bar, the outcome
// text, the web-site button and the Close button.
#include <windows.h>
#include <commctrl.h>

#include "../core/platform.h"
#include "wizard_state.h"
#include "wizard_win.h"

void ProgressSetRange(ProgressSink* sink, int maximum) {
    if (sink != nullptr)
        SendMessageW(static_cast<HWND>(sink->Bar), PBM_SETRANGE, 0, MAKELPARAM(0, maximum));
}

void ProgressSetStep(ProgressSink* sink, int step) {
    if (sink != nullptr)
        SendMessageW(static_cast<HWND>(sink->Bar), PBM_SETSTEP, static_cast<WPARAM>(step), 0);
}

void ProgressStepIt(ProgressSink* sink) {
    if (sink != nullptr)
        SendMessageW(static_cast<HWND>(sink->Bar), PBM_STEPIT, 0, 0);
}

void ShowInstallingCaption() {
    CreateControl(MainWindow, InstallingCaptionRow);
}

void ShowBusyCursor() {
    // Not restored: the class cursor returns with the first mouse move after the run.
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
}

ProgressSink CreateProgressBar() {
    HWND bar = CreateControl(MainWindow, ProgressBarRow);
    WizardState.ProgressBar = bar;
    return ProgressSink{bar};
}

void RemoveProgressDisplay() {
    WindowHandle& caption = WizardState.PageControls[PageCaptionId - FirstPageControlId];
    if (WizardState.ProgressBar != nullptr)
        DestroyWindow(static_cast<HWND>(WizardState.ProgressBar));
    WizardState.ProgressBar = nullptr;
    if (caption != nullptr)
        DestroyWindow(static_cast<HWND>(caption));
    caption = nullptr;
}

void ShowStatusText(const char16_t* message) {
    if (WizardState.StatusText == nullptr) {
        WizardState.StatusText = CreateControl(MainWindow, StatusTextRow, message);
    } else {
        SetWindowTextW(static_cast<HWND>(WizardState.StatusText), Wide(message));
        ApplyDialogFont(MainWindow, StatusTextId);
    }
    UpdateWindow(MainWindow);
}

void ShowWebSiteButton() {
    CreateControl(MainWindow, WebSiteButtonRow, ProductInfo.WebSiteHost);
}

void ShowCloseButton() {
    HWND button = CreateControl(MainWindow, CloseButtonRow);
    WizardState.CloseButton = button;
    SetFocus(button);
}
