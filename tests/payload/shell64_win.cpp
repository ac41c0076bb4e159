// What 64-bit Windows does with an installation by the 32-bit setup, done by a 64-bit
// program: its list of installed programs reads the uninstall entry through the 32-bit view
// of HKLM\SOFTWARE (KEY_WOW64_32KEY), and Explorer, a 64-bit program, opens a document
// through the file association, which 32-bit and 64-bit programs share. Built for x86_64 and
// run by tests/e2e/e2e.sh in the 64-bit prefix of the payload's end-to-end cases, after the
// sample was opened once (corvale.exe no longer greets):
//
//   payload-shell64.exe shell64 [--dpi N] [--shots DIR]
//
// The exit code is the number of failed checks (capped at 255).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdio.h>
#include <string.h>

#include <string>

#include "payload_probe_win.h"
#include "tests/e2e/checks_win.h"
#include "tests/e2e/readback_win.h"

namespace {

enum { HeaderId = 100 };

// The uninstall entry as the list of installed programs shows it, through a view.
void ExpectUninstallEntry(const std::wstring& program, REGSAM view) {
    struct Expected {
        const wchar_t* Name;
        std::wstring Text;
    };
    const Expected values[] = {
        {L"DisplayName", L"Corvale"},
        {L"DisplayVersion", L"" CORVALE_PRODUCT_VERSION},
        {L"Publisher", L"Wendrake Software"},
        {L"DisplayIcon", program + L"\\corvale.exe,0"},
        {L"UninstallString", L"\"" + program + L"\\uninst_corvale.exe\""},
    };
    for (const Expected& expected : values) {
        RegistryValue value = ReadRegistryValue(HKEY_LOCAL_MACHINE, UninstallKey, expected.Name, view);
        std::string what = "uninstall entry: " + Utf8(expected.Name);
        if (ExpectInt((what + " read").c_str(), ERROR_SUCCESS, value.Result) &&
            ExpectInt((what + " type").c_str(), REG_SZ, value.Type))
            ExpectText(what.c_str(), expected.Text, value.Text);
    }
}

// The sample opened with the shell's open verb; corvale.exe must show that document.
void ExpectSampleOpens(const std::wstring& mainProgram, const std::wstring& sample) {
    ExpectTrue(FindWindowW(MainWindowClassName, nullptr) == nullptr, "no corvale.exe window before the open");
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = L"open";
    execute.lpFile = sample.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ExpectTrue(ShellExecuteExW(&execute) && execute.hProcess != nullptr,
                    "64-bit open verb on sample.mpl")) {
        Note("ShellExecuteExW: error %lu, instance %lld", GetLastError(),
             static_cast<long long>(reinterpret_cast<INT_PTR>(execute.hInstApp)));
        return;
    }
    SetupRun run = {};
    run.Process.hProcess = execute.hProcess;
    run.Process.dwProcessId = GetProcessId(execute.hProcess);
    wchar_t image[MAX_PATH] = L"";
    DWORD size = MAX_PATH;
    QueryFullProcessImageNameW(execute.hProcess, 0, image, &size);
    ExpectText("program started by the open verb", mainProgram, image);
    run.Window = FindWindowW(MainWindowClassName, nullptr);
    for (DWORD waited = 0; run.Window == nullptr && waited < WaitMilliseconds; waited += 50) {
        Sleep(50);
        run.Window = FindWindowW(MainWindowClassName, nullptr);
    }
    if (ExpectTrue(run.Window != nullptr, "corvale.exe's window")) {
        DWORD owner = 0;
        run.WindowThread = GetWindowThreadProcessId(run.Window, &owner);
        ExpectInt("window of the started process", run.Process.dwProcessId, owner);
        WaitUntilIdle(run);
        ExpectText("window title", L"sample.mpl - Corvale", Text(run.Window));
        ExpectText("ledger name and the path it was started with", L"Household 2026\n" + sample,
                   Text(run, HeaderId));
        PostMessageW(run.Window, WM_CLOSE, 0, 0);
    }
    DWORD code;
    ExpectTrue(WaitExit(run, code), "corvale.exe ended after its window closed");
    EndSetup(run);
}

void CaseShell64() {
    BOOL wow64 = TRUE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    ExpectTrue(sizeof(void*) == 8 && !wow64, "a 64-bit program, outside WOW64");
    // The 32-bit setup proposes the 32-bit Program Files, the one beside the 64-bit one.
    std::wstring programFiles = SpecialFolder(CSIDL_PROGRAM_FILESX86);
    ExpectTrue(!programFiles.empty() && programFiles != SpecialFolder(CSIDL_PROGRAM_FILES),
               "the 32-bit Program Files is a folder of its own");
    std::wstring program = programFiles + L"\\Corvale";
    ExpectUninstallEntry(program, KEY_WOW64_32KEY);
    // Controls: the entry read as a 64-bit program's own, or expected in the 64-bit Program
    // Files, is wrong.
    ExpectInt("failures reading the entry through the 64-bit view", 5,
              FailuresWithin([] { ExpectUninstallEntry(L"", KEY_WOW64_64KEY); }));
    ExpectInt("failures expecting the 64-bit Program Files", 2, FailuresWithin([] {
                  ExpectUninstallEntry(SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\Corvale", KEY_WOW64_32KEY);
              }));
    // The 64-bit view holds none of the product's keys under HKLM\SOFTWARE but the shared
    // classes.
    ExpectTrue(!RegistryKeyExists(HKEY_LOCAL_MACHINE, ApplicationKey, KEY_WOW64_64KEY),
               "HKLM\\SOFTWARE\\Corvale absent from the 64-bit view");
    ExpectTrue(!RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallKey, KEY_WOW64_64KEY),
               "uninstall entry absent from the 64-bit view");
    ExpectText(".mpl document type in the 64-bit view", L"Corvale.Doc",
               ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"", KEY_WOW64_64KEY).Text);
    ExpectSampleOpens(program + L"\\corvale.exe",
                      SpecialFolder(CSIDL_PERSONAL) + L"\\Zadir Oduve\\sample.mpl");
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2 || wcscmp(argv[1], L"shell64") != 0) {
        fprintf(stderr, "usage: payload-shell64 shell64 [--dpi N] [--shots DIR]\n");
        return 255;
    }
    CoInitialize(nullptr);
    printf("case shell64\n");
    CaseShell64();
    printf("case shell64: %d passed, %d failed\n", Tally.Passed, Tally.Failed);
    CoUninitialize();
    return Tally.Failed > 255 ? 255 : Tally.Failed;
}
