#include "setup_probe_win.h"

#include <shellapi.h>

#include <vector>

namespace {

constexpr DWORD PollMilliseconds = 20;
constexpr UINT SendTimeout = 3000;
constexpr DWORD ErrorElevationRequired = 740; // not in every SDK's winerror.h

bool Elapsed(DWORD start, DWORD timeout) {
    return GetTickCount() - start >= timeout;
}

bool Send(HWND window, UINT message, WPARAM wParam, LPARAM lParam, DWORD_PTR& result,
          UINT timeout = SendTimeout) {
    result = 0;
    return SendMessageTimeoutW(window, message, wParam, lParam, SMTO_NORMAL, timeout, &result) != 0;
}

bool ProcessEnded(SetupRun& run) {
    if (!run.Exited && run.Process.hProcess && WaitForSingleObject(run.Process.hProcess, 0) == WAIT_OBJECT_0)
        run.Exited = true;
    return run.Exited;
}

struct WindowSearch {
    DWORD ProcessId;
    const wchar_t* ClassName;
    const wchar_t* Caption; // null: any
    HWND Owner;             // null: any
    HWND Found;
};

BOOL CALLBACK MatchTopLevel(HWND window, LPARAM context) {
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(context);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    if (processId != search.ProcessId)
        return TRUE;
    if (ClassOf(window) != search.ClassName)
        return TRUE;
    if (search.Owner && GetWindow(window, GW_OWNER) != search.Owner)
        return TRUE;
    if (search.Caption && Text(window) != search.Caption)
        return TRUE;
    search.Found = window;
    return FALSE;
}

struct ChildList {
    std::vector<HWND> Children;
};

BOOL CALLBACK CollectChild(HWND window, LPARAM context) {
    reinterpret_cast<ChildList*>(context)->Children.push_back(window);
    return TRUE;
}

std::vector<HWND> Children(HWND parent) {
    ChildList list;
    EnumChildWindows(parent, CollectChild, reinterpret_cast<LPARAM>(&list));
    return list.Children;
}

} // namespace

bool StartProcess(const wchar_t* program, std::wstring commandLine, PROCESS_INFORMATION& process) {
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    for (int attempt = 0; attempt < 2; ++attempt) {
        if (CreateProcessW(program, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process))
            return true;
        if (GetLastError() == ErrorElevationRequired)
            return false;
    }
    return false;
}

bool StartSetup(SetupRun& run, const std::wstring& setupPath) {
    run = SetupRun{};
    if (StartProcess(setupPath.c_str(), L"\"" + setupPath + L"\"", run.Process))
        return true;
    // The setup asks for elevation: a driver that isn't elevated itself (real Windows) has
    // to go through the shell, which shows the prompt. Wine elevates every process.
    if (GetLastError() != ErrorElevationRequired)
        return false;
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = L"runas";
    execute.lpFile = setupPath.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&execute) || !execute.hProcess)
        return false;
    run.Process.hProcess = execute.hProcess;
    run.Process.dwProcessId = GetProcessId(execute.hProcess);
    return true;
}

bool WaitForMainWindow(SetupRun& run, const std::wstring& className, DWORD timeout) {
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {run.Process.dwProcessId, className.c_str(), nullptr, nullptr, nullptr};
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.Found) {
            run.Window = search.Found;
            run.WindowThread = GetWindowThreadProcessId(search.Found, nullptr);
            // The window exists from inside its creation on; the page is complete once the
            // thread is back in its message loop.
            return WaitUntilIdle(run, timeout);
        }
        if (ProcessEnded(run) || Elapsed(start, timeout))
            return false;
        Sleep(PollMilliseconds);
    }
}

bool WaitUntilIdle(const SetupRun& run, DWORD timeout) {
    DWORD_PTR result;
    return run.Window && Send(run.Window, WM_NULL, 0, 0, result, timeout);
}

void EndSetup(SetupRun& run) {
    if (run.Process.hProcess) {
        if (!ProcessEnded(run)) {
            TerminateProcess(run.Process.hProcess, 255);
            WaitForSingleObject(run.Process.hProcess, 5000);
        }
        CloseHandle(run.Process.hProcess);
    }
    if (run.Process.hThread)
        CloseHandle(run.Process.hThread);
    run = SetupRun{};
}

HWND Control(const SetupRun& run, int id) {
    return run.Window ? GetDlgItem(run.Window, id) : nullptr;
}

HWND WaitForControl(const SetupRun& run, int id, DWORD timeout) {
    DWORD start = GetTickCount();
    for (;;) {
        HWND control = Control(run, id);
        if (control || Elapsed(start, timeout) || !IsWindow(run.Window))
            return control;
        Sleep(PollMilliseconds);
    }
}

bool WaitForControlGone(const SetupRun& run, int id, DWORD timeout) {
    DWORD start = GetTickCount();
    for (;;) {
        if (!Control(run, id))
            return true;
        if (Elapsed(start, timeout))
            return false;
        Sleep(PollMilliseconds);
    }
}

std::wstring Text(HWND window) {
    DWORD_PTR length;
    if (!window || !Send(window, WM_GETTEXTLENGTH, 0, 0, length))
        return std::wstring();
    std::vector<wchar_t> buffer(length + 2, L'\0');
    DWORD_PTR copied;
    if (!Send(window, WM_GETTEXT, buffer.size(), reinterpret_cast<LPARAM>(buffer.data()), copied))
        return std::wstring();
    return std::wstring(buffer.data(), copied);
}

std::wstring Text(const SetupRun& run, int id) {
    return Text(Control(run, id));
}

bool SetText(HWND window, const std::wstring& text) {
    DWORD_PTR result;
    return window && Send(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()), result) && result;
}

std::wstring ClassOf(HWND window) {
    wchar_t name[256] = L"";
    if (window)
        GetClassNameW(window, name, 256);
    return name;
}

DWORD Style(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE));
}

DWORD ExStyle(HWND window) {
    return static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE));
}

RECT Rect(HWND child) {
    RECT rect = {-1, -1, -1, -1};
    if (child && GetWindowRect(child, &rect))
        MapWindowPoints(nullptr, GetParent(child), reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

HWND Focus(const SetupRun& run) {
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!run.WindowThread || !GetGUIThreadInfo(run.WindowThread, &info))
        return nullptr;
    return info.hwndFocus;
}

int CheckState(HWND button) {
    DWORD_PTR state;
    return button && Send(button, BM_GETCHECK, 0, 0, state) ? static_cast<int>(state) : -1;
}

void Selection(HWND edit, int& start, int& end) {
    DWORD_PTR packed;
    if (!edit || !Send(edit, EM_GETSEL, 0, 0, packed)) {
        start = end = -1;
        return;
    }
    start = LOWORD(packed);
    end = HIWORD(packed);
}

bool Click(const SetupRun& run, int id, DWORD timeout) {
    HWND button = Control(run, id);
    DWORD_PTR result;
    return button && Send(button, BM_CLICK, 0, 0, result, timeout);
}

bool PostClick(HWND button) {
    return button && PostMessageW(button, BM_CLICK, 0, 0);
}

bool PostClick(const SetupRun& run, int id) {
    return PostClick(Control(run, id));
}

int FindIconLabels(const SetupRun& run, HWND* first) {
    int count = 0;
    *first = nullptr;
    for (HWND child : Children(run.Window)) {
        if (GetParent(child) != run.Window || GetDlgCtrlID(child) != 0 || ClassOf(child) != L"Static")
            continue;
        std::wstring text = Text(child);
        if (text.empty() || text[0] != L'#')
            continue;
        if (count++ == 0)
            *first = child;
    }
    return count;
}

HWND FindMessageBox(const SetupRun& run, const std::wstring& caption, DWORD timeout) {
    DWORD start = GetTickCount();
    for (;;) {
        WindowSearch search = {run.Process.dwProcessId, L"#32770", caption.c_str(), run.Window, nullptr};
        EnumWindows(MatchTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.Found || Elapsed(start, timeout))
            return search.Found;
        Sleep(PollMilliseconds);
    }
}

std::wstring MessageBoxText(HWND box) {
    for (HWND child : Children(box)) {
        if (ClassOf(child) != L"Static" || (Style(child) & SS_TYPEMASK) == SS_ICON)
            continue;
        std::wstring text = Text(child);
        if (!text.empty())
            return text;
    }
    return std::wstring();
}

bool WaitExit(SetupRun& run, DWORD& exitCode, DWORD timeout) {
    exitCode = STILL_ACTIVE;
    if (!run.Process.hProcess || WaitForSingleObject(run.Process.hProcess, timeout) != WAIT_OBJECT_0)
        return false;
    run.Exited = true;
    GetExitCodeProcess(run.Process.hProcess, &exitCode);
    return true;
}
