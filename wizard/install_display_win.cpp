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

#ifdef CORVALE_PROGRESS_FLOOR
// The benchmark's floor (never the shipped setup): the same run without any step sent.
void ProgressStepIt(ProgressSink*) {}
#else
void ProgressStepIt(ProgressSink* sink) {
    if (sink != nullptr)
        SendMessageW(static_cast<HWND>(sink->Bar), PBM_STEPIT, 0, 0);
}
#endif

void ShowInstallingCaption() {
    CreateControl(MainWindow, InstallingCaptionRow);
}

void ShowBusyCursor() {
    // Not restored: the class cursor returns with the first mouse move after the run.
    SetCursor(LoadCursorW(nullptr, IDC_APPSTARTING));
}

// The progress bar invalidates and repaints itself inside every PBM_STEPIT. A run sends
// thousands of steps within a fraction of a second of real work, and painting each of them
// took seconds (about a millisecond a paint under Wine's themed drawing), far more often
// than any screen shows. So the bar is subclassed and a WM_PAINT is let through only when
// ProgressPaintMilliseconds have passed since the last one. A paint held back validates
// the bar and is remembered; the next one let through repaints the whole bar, so it shows
// the position of that moment. Steps, position, class and style stay the bar's own.
namespace {

constexpr LONGLONG ProgressPaintMilliseconds = 16; // about 60 paints a second

struct ProgressPainting {
    WNDPROC BarProcedure; // the bar's own window procedure
    LONGLONG LastPaint;   // performance-counter time of the last paint let through
    LONGLONG Interval;    // ProgressPaintMilliseconds in performance-counter units
    bool Painted;         // a paint has been let through since the bar was made
    bool HeldBack;        // a paint was held back since then
};
ProgressPainting Painting;

LONGLONG Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LRESULT CALLBACK PacedProgressBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    // A WM_PAINT with a device context in wParam draws into that context: never held back.
    if (message == WM_PAINT && wParam == 0) {
        LONGLONG now = Now();
        if (Painting.Painted && now - Painting.LastPaint < Painting.Interval) {
            ValidateRect(bar, nullptr);
            Painting.HeldBack = true;
            return 0;
        }
        // The held-back paints' strips were validated: repaint the whole bar.
        if (Painting.HeldBack)
            InvalidateRect(bar, nullptr, FALSE);
        Painting.Painted = true;
        Painting.HeldBack = false;
        Painting.LastPaint = now;
    }
    return CallWindowProcW(Painting.BarProcedure, bar, message, wParam, lParam);
}

} // namespace

ProgressSink CreateProgressBar() {
    HWND bar = CreateControl(MainWindow, ProgressBarRow);
    WizardState.ProgressBar = bar;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Painting = ProgressPainting{};
    Painting.Interval = frequency.QuadPart * ProgressPaintMilliseconds / 1000;
    if (bar != nullptr)
        Painting.BarProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PacedProgressBar)));
    return ProgressSink{bar};
}

void RemoveProgressDisplay() {
    WindowHandle& caption = WizardState.PageControls[PageCaptionId - FirstPageControlId];
    if (WizardState.ProgressBar != nullptr) {
        HWND bar = static_cast<HWND>(WizardState.ProgressBar);
        // One last paint at the final position, whenever the last one was.
        if (Painting.HeldBack) {
            Painting.Painted = false; // due now
            InvalidateRect(bar, nullptr, FALSE);
            UpdateWindow(bar);
        }
        DestroyWindow(bar);
    }
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
