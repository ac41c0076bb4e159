// Starting the setup and looking into its window from this separate process, with Win32
// calls that work across processes. The setup's GUI thread answers nothing while it runs the
// installation, so every message is sent with a timeout and every effect is polled for.
#pragma once

#include <windows.h>

#include <string>

struct SetupRun {
    PROCESS_INFORMATION Process; // zero until StartSetup succeeds
    HWND Window;                 // the main window, once WaitForMainWindow found it
    DWORD WindowThread;
    bool Exited;
};

// Default time allowed for one awaited effect (a page change, a window, the process's end).
constexpr DWORD WaitMilliseconds = 20000;

// CreateProcessW (no inherited handles, no flags), tried a second time when it fails: under
// Wine a new process now and then dies in its start-up, before any code of the program has
// run, and CreateProcess then fails.
bool StartProcess(const wchar_t* program, std::wstring commandLine, PROCESS_INFORMATION& process);
bool StartSetup(SetupRun& run, const std::wstring& setupPath);
// The top-level window of the run's process whose class name is className.
bool WaitForMainWindow(SetupRun& run, const std::wstring& className, DWORD timeout = WaitMilliseconds);
// Waits until the GUI thread handles a sent message again.
bool WaitUntilIdle(const SetupRun& run, DWORD timeout = WaitMilliseconds);
// Ends a setup that a failed case left running, so that the next case starts alone.
void EndSetup(SetupRun& run);

HWND Control(const SetupRun& run, int id);
HWND WaitForControl(const SetupRun& run, int id, DWORD timeout = WaitMilliseconds);
bool WaitForControlGone(const SetupRun& run, int id, DWORD timeout = WaitMilliseconds);

std::wstring Text(HWND window);
std::wstring Text(const SetupRun& run, int id);
bool SetText(HWND window, const std::wstring& text);
std::wstring ClassOf(HWND window);
DWORD Style(HWND window);
DWORD ExStyle(HWND window);
// The rectangle of a child in its parent's client coordinates (left, top, right, bottom).
RECT Rect(HWND child);
HWND Focus(const SetupRun& run);
// BM_GETCHECK of a check box; -1 when it doesn't answer.
int CheckState(HWND button);
// Start and end of the selection of an edit (EM_GETSEL); both -1 when it doesn't answer.
void Selection(HWND edit, int& start, int& end);

// A click that returns when the button and its command handler are done (or after timeout).
bool Click(const SetupRun& run, int id, DWORD timeout = 5000);
// A click for buttons whose command blocks the GUI thread (installation, modal boxes):
// posted, so the caller polls for the effect.
bool PostClick(HWND button);
bool PostClick(const SetupRun& run, int id);

// The child "Static" controls without id whose text starts with '#': the icon labels.
int FindIconLabels(const SetupRun& run, HWND* first);

// A message box of the run's process: caption, owner = the main window.
HWND FindMessageBox(const SetupRun& run, const std::wstring& caption, DWORD timeout = WaitMilliseconds);
// The message text of a message box (its label that isn't an icon).
std::wstring MessageBoxText(HWND box);

// Waits for the process to end; false on timeout. exitCode receives its exit code.
bool WaitExit(SetupRun& run, DWORD& exitCode, DWORD timeout = WaitMilliseconds);
