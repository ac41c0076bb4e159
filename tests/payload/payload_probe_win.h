// What the payload programs' tests under Wine share: an installation laid out by hand the way
// the setup lays it out, the programs started and watched from outside, and read-backs of
// what an uninstallation left behind. Built on the end-to-end tests' probes
// (tests/e2e/setup_probe_win.h, tests/e2e/readback_win.h).
#pragma once

#include <windows.h>

#include <string>
#include <vector>

#include "core/product_names.h"
#include "tests/e2e/setup_probe_win.h"

// Everything an installation consists of, in the places the setup uses.
struct Installation {
    std::wstring ProgramFolder;
    std::wstring DocumentsFolder;
    std::wstring MainProgram; // ProgramFolder\corvale.exe
    std::wstring Uninstaller;
    std::wstring Sample;        // DocumentsFolder\sample.mpl
    std::wstring StartMenuLink; // common programs\Corvale.lnk
    std::wstring DesktopLink;   // desktop\Corvale.lnk
    std::wstring DocumentsLink; // desktop\Zadir Oduve.lnk
};

const wchar_t* const ApplicationKey = L"SOFTWARE\\Corvale";
const wchar_t* const UninstallKey = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvale";
const wchar_t* const DocumentClassKey = L"SOFTWARE\\Classes\\Corvale.Doc";
const wchar_t* const ExtensionKey = L"SOFTWARE\\Classes\\.mpl";
const wchar_t* const MainWindowClassName = L"Corvale.LedgerWindow";
const wchar_t* const UninstallCaption = L"Corvale Uninstall";

// A Unix path (as CMake knows the build) on Wine's drive Z:.
std::wstring OnDriveZ(const char* unixPath);

// The places of an installation below root (program folder root\Program Files\Corvale,
// documents folder root\Documents\Zadir Oduve) and the shortcuts' places.
Installation PlanInstallation(const std::wstring& root);
// Removes every trace of an installation (files, folders, keys, shortcuts), whatever state
// a test left it in.
void RemoveInstallation(const Installation& install);

bool CreateShortcut(const std::wstring& link, const std::wstring& target,
                    const std::wstring& workingDirectory);
bool WriteRegistryText(HKEY root, const std::wstring& key, const std::wstring& name,
                       const std::wstring& text);
bool RegistryKeyExists(HKEY root, const std::wstring& key, REGSAM view = 0);
bool FolderExists(const std::wstring& path);
// Deletes the folder with everything in it.
void RemoveTree(const std::wstring& folder);
// Makes the folder and every missing folder above it.
bool MakeFolders(const std::wstring& path);
bool CopyInto(const std::wstring& source, const std::wstring& folder, const wchar_t* name);

// The uninstaller's folders under the Windows folder's Temp, the finishing library's copies
// moved out of them, and what earlier releases left in the temporary folders.
std::vector<std::wstring> TemporaryLibraryCopies();

// Starts a program with arguments (already quoted as needed); the run's window is unset.
bool StartProgram(SetupRun& run, const std::wstring& program, const std::wstring& arguments);
// Runs a command line to its end; the exit code, or -1 when it could not start or did not
// end within the time allowed.
long RunToEnd(const std::wstring& program, const std::wstring& arguments);
// Runs a whole command line as Windows' list of installed programs runs the uninstall
// command (no program name given apart: the line's first word is searched for as the
// program). The exit code, or -1.
long RunCommandLine(const std::wstring& line);

// Waits until condition() holds; false when it still doesn't after timeout.
template <typename Condition> bool WaitUntil(Condition condition, DWORD timeout = WaitMilliseconds) {
    DWORD start = GetTickCount();
    while (!condition()) {
        if (GetTickCount() - start >= timeout)
            return false;
        Sleep(50);
    }
    return true;
}

// A top-level message box of the process with that caption, any owner.
HWND FindProcessMessageBox(DWORD processId, const std::wstring& caption, DWORD timeout = WaitMilliseconds);
// Presses a message box's button (IDOK, IDYES, IDNO) without waiting for what follows.
bool PressButton(HWND box, int buttonId);
