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

// The progress bar invalidates and repaints itself inside every step it takes. A run sends
// thousands of PBM_STEPIT within a fraction of a second of real work: under Wine each step
// cost about a millisecond of drawing, and with its paints held back still a fifth of one in
// window bookkeeping, far more often than any screen shows. So the bar is subclassed. Every
// PBM_STEPIT still goes to the bar and is answered with the position it had; a step that
// comes less than ProgressMoveMilliseconds after the bar last moved is counted, and the
// counted steps are handed to the bar's own procedure in one PBM_DELTAPOS with the first
// step after that time, or before any other message reaches the bar (a position query, a
// paint, its destruction), so whoever asks the bar sees its true position. The bar moves and
// paints at most about 60 times a second. A step that would carry it past its maximum,
// where PBM_STEPIT starts over, is never counted; nor is any where the bar can't tell its
// step (PBM_GETSTEP answers 0 before Windows Vista's common controls).
namespace {

constexpr LONGLONG ProgressMoveMilliseconds = 16;

struct ProgressPacing {
    WNDPROC BarProcedure; // the bar's own window procedure
    LONGLONG Interval;    // ProgressMoveMilliseconds in performance-counter units
    LONGLONG LastMove;    // performance-counter time when the bar last moved
    int Position;         // the bar's position with the counted steps
    int Step;             // the bar's step and range maximum, read when counting starts
    int Maximum;
    int Counted; // steps counted and not yet handed to the bar
};
ProgressPacing Pacing;

LONGLONG Now() {
    LARGE_INTEGER counter;
    QueryPerformanceCounter(&counter);
    return counter.QuadPart;
}

LRESULT BarOwn(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    return CallWindowProcW(Pacing.BarProcedure, bar, message, wParam, lParam);
}

void HandOverCountedSteps(HWND bar) {
    if (Pacing.Counted == 0)
        return;
    int delta = Pacing.Counted * Pacing.Step;
    Pacing.Counted = 0;
    BarOwn(bar, PBM_DELTAPOS, static_cast<WPARAM>(delta), 0);
}

LRESULT CALLBACK PacedProgressBar(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != PBM_STEPIT) {
        HandOverCountedSteps(bar);
        return BarOwn(bar, message, wParam, lParam);
    }
    LONGLONG now = Now();
    if (Pacing.Counted == 0) {
        Pacing.Position = static_cast<int>(BarOwn(bar, PBM_GETPOS, 0, 0));
        Pacing.Step = static_cast<int>(BarOwn(bar, PBM_GETSTEP, 0, 0));
        Pacing.Maximum = static_cast<int>(BarOwn(bar, PBM_GETRANGE, FALSE, 0));
    }
    if (Pacing.Step > 0 && Pacing.Position <= Pacing.Maximum - Pacing.Step) {
        int previous = Pacing.Position;
        Pacing.Position += Pacing.Step;
        ++Pacing.Counted;
        if (now - Pacing.LastMove >= Pacing.Interval) {
            HandOverCountedSteps(bar);
            Pacing.LastMove = now;
        }
        return previous;
    }
    HandOverCountedSteps(bar);
    Pacing.LastMove = now;
    return BarOwn(bar, message, wParam, lParam);
}

} // namespace

ProgressSink CreateProgressBar() {
    HWND bar = CreateControl(MainWindow, ProgressBarRow);
    WizardState.ProgressBar = bar;
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    Pacing = ProgressPacing{};
    Pacing.Interval = frequency.QuadPart * ProgressMoveMilliseconds / 1000;
    Pacing.LastMove = Now() - Pacing.Interval; // the first step moves the bar at once
    if (bar != nullptr)
        Pacing.BarProcedure = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrW(bar, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(PacedProgressBar)));
    return ProgressSink{bar};
}

void RemoveProgressDisplay() {
    WindowHandle& caption = WizardState.PageControls[PageCaptionId - FirstPageControlId];
    if (WizardState.ProgressBar != nullptr) {
        HWND bar = static_cast<HWND>(WizardState.ProgressBar);
        // The bar moves to its final position, and paints it, before it goes.
        HandOverCountedSteps(bar);
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
