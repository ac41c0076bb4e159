// End-to-end cases of the installed product: the real setup installs it in a fresh Wine
// prefix, then the product is used and removed as a user would, through the shell's open
// verb and the uninstall command that the setup registered. Run by tests/e2e/e2e.sh:
//
//   payload-e2e-driver.exe CASE --setup PATH [--payload FILE=PATH ...] [--dpi N] [--shots DIR]
//
// The cases build on each other, in this order: install, open_sample,
// uninstall_while_running, uninstall, reinstall. The exit code is the number of failed
// checks (capped at 255).
#include <windows.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>

#include <stdio.h>

#include <string>
#include <vector>

#include "payload_probe_win.h"
#include "tests/e2e/checks_win.h"
#include "tests/e2e/readback_win.h"

namespace {

// The setup's window and the controls the installation goes through.
const wchar_t SetupWindowClass[] = L"Corvale v." CORVALE_PRODUCT_VERSION L" Installation";
enum { AgreeId = 102, ProgramFolderId = 105, InstallId = 113, CloseId = 200 };
// corvale.exe's controls.
enum { HeaderId = 100, TotalsId = 102 };
const wchar_t SampleTotals[] =
    L"30 transactions      Income 7,498.17      Spending -3,755.52      Balance 4,992.65 EUR";
const wchar_t OtherDocumentType[] = L"Other.Ledger";

struct DriverArgs {
    std::wstring Case;
    std::wstring Setup;
    std::vector<std::wstring> PayloadNames, PayloadPaths;
};
DriverArgs Args;

bool ParseArgs(int argc, wchar_t** argv) {
    if (argc < 2 || argc % 2 != 0)
        return false;
    Args.Case = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        std::wstring option = argv[i], value = argv[i + 1];
        if (option == L"--setup") {
            Args.Setup = WindowsPath(value);
        } else if (option == L"--payload" && value.find(L'=') != std::wstring::npos) {
            Args.PayloadNames.push_back(value.substr(0, value.find(L'=')));
            Args.PayloadPaths.push_back(WindowsPath(value.substr(value.find(L'=') + 1)));
        } else if (option != L"--dpi" && option != L"--shots") {
            fprintf(stderr, "unknown option %s\n", Utf8(option).c_str());
            return false;
        }
    }
    return !Args.Setup.empty();
}

std::wstring PayloadSource(const wchar_t* name) {
    for (size_t i = 0; i < Args.PayloadNames.size(); ++i)
        if (Args.PayloadNames[i] == name)
            return Args.PayloadPaths[i];
    return std::wstring();
}

// The installation into the setup's default folders.
Installation DefaultInstallation() {
    Installation install = PlanInstallation(L"C:");
    install.ProgramFolder = SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\Corvale";
    install.DocumentsFolder = SpecialFolder(CSIDL_PERSONAL) + L"\\Zadir Oduve";
    install.MainProgram = install.ProgramFolder + L"\\corvale.exe";
    install.Uninstaller = install.ProgramFolder + L"\\uninst_corvale.exe";
    install.Sample = install.DocumentsFolder + L"\\sample.mpl";
    return install;
}

const wchar_t* const ProgramFiles[] = {L"corvale.exe", L"readme.txt", L"uninst_corvale.exe",
                                       L"uninstall.dll"};

// ---- Steps -----------------------------------------------------------------------------------

// Runs the setup with its proposals: Agree, Install, Close.
bool InstallWithSetup() {
    SetupRun run;
    bool installed =
        ExpectTrue(StartSetup(run, Args.Setup), "setup started") &&
        ExpectTrue(WaitForMainWindow(run, SetupWindowClass), "setup window") &&
        ExpectTrue(PostClick(run, AgreeId) && WaitForControl(run, ProgramFolderId) != nullptr,
                   "folder page after Agree") &&
        ExpectTrue(WaitUntilIdle(run) && PostClick(run, InstallId) && WaitForControl(run, CloseId) != nullptr,
                   "installation ended with Close");
    if (installed) {
        PostClick(run, CloseId);
        DWORD code;
        ExpectTrue(WaitExit(run, code), "setup ended after Close");
    }
    EndSetup(run);
    return installed;
}

void ExpectInstalled(const Installation& install) {
    for (const wchar_t* name : ProgramFiles) {
        std::wstring path = install.ProgramFolder + L"\\" + name;
        std::string installed, source;
        ExpectTrue(ReadWholeFile(path, installed) && ReadWholeFile(PayloadSource(name), source) &&
                       installed == source,
                   (Utf8(path) + " installed as packed").c_str());
    }
    ExpectTrue(FileExists(install.Sample), "sample.mpl installed");
    for (const std::wstring& link : {install.StartMenuLink, install.DesktopLink, install.DocumentsLink})
        ExpectTrue(FileExists(link), (Utf8(link) + " made").c_str());
    ExpectInt("values of the application key", 2, CountRegistryValues(HKEY_LOCAL_MACHINE, ApplicationKey));
    ExpectInt("values of the uninstall key", 6, CountRegistryValues(HKEY_LOCAL_MACHINE, UninstallKey));
    ExpectText(
        "open command", L"\"" + install.MainProgram + L"\" \"%1\"",
        ReadRegistryValue(HKEY_LOCAL_MACHINE, std::wstring(DocumentClassKey) + L"\\shell\\open\\command", L"")
            .Text);
    ExpectText(".mpl document type", L"Corvale.Doc",
               ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"").Text);
    ExpectInt("values of the per-user key", 2, CountRegistryValues(HKEY_CURRENT_USER, ApplicationKey));
}

// What the setup made is gone (the program folder itself is checked by the caller). The
// finishing step may take until timeout to remove the uninstaller's own files.
void ExpectRemoved(const Installation& install, DWORD timeout = WaitMilliseconds) {
    for (const wchar_t* name : ProgramFiles) {
        std::wstring path = install.ProgramFolder + L"\\" + name;
        ExpectTrue(WaitUntil([&] { return !FileExists(path); }, timeout), (Utf8(path) + " removed").c_str());
    }
    ExpectTrue(!FileExists(install.Sample), "unchanged sample.mpl removed");
    ExpectTrue(FolderExists(install.DocumentsFolder), "documents folder stays");
    for (const std::wstring& link : {install.StartMenuLink, install.DesktopLink, install.DocumentsLink})
        ExpectTrue(!FileExists(link), (Utf8(link) + " removed").c_str());
    for (const wchar_t* key : {ApplicationKey, UninstallKey, DocumentClassKey})
        ExpectTrue(!RegistryKeyExists(HKEY_LOCAL_MACHINE, key), ("HKLM\\" + Utf8(key) + " removed").c_str());
    ExpectTrue(!RegistryKeyExists(HKEY_CURRENT_USER, ApplicationKey), "HKCU\\SOFTWARE\\Corvale removed");
    ExpectTrue(WaitUntil([] { return TemporaryLibraryCopies().empty(); }),
               "no copy left in the temporary folders");
}

// The uninstall command exactly as registered, run the way Windows' list of installed
// programs runs it: as a command line, unquoted.
bool StartUninstallCommand(SetupRun& run, const std::wstring& extra) {
    RegistryValue command = ReadRegistryValue(HKEY_LOCAL_MACHINE, UninstallKey, L"UninstallString");
    if (!ExpectInt("uninstall command registered", ERROR_SUCCESS, command.Result))
        return false;
    run = SetupRun{};
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    std::wstring line = command.Text + extra;
    return ExpectTrue(CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                     &startup, &run.Process) != 0,
                      "uninstall command started");
}

long RunUninstallCommand(const std::wstring& extra) {
    SetupRun run;
    DWORD code = STILL_ACTIVE;
    if (StartUninstallCommand(run, extra))
        ExpectTrue(WaitExit(run, code), "uninstaller ended");
    EndSetup(run);
    return static_cast<long>(code);
}

// The process of corvale.exe's window, found by its class; run.Window set.
bool FindCorvale(SetupRun& run) {
    HWND window = nullptr;
    WaitUntil([&] { return (window = FindWindowW(MainWindowClassName, nullptr)) != nullptr; });
    if (!ExpectTrue(window != nullptr, "corvale.exe's window"))
        return false;
    DWORD processId = 0;
    run.WindowThread = GetWindowThreadProcessId(window, &processId);
    run.Window = window;
    run.Process.dwProcessId = processId;
    if (run.Process.hProcess == nullptr)
        run.Process.hProcess = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    return WaitUntilIdle(run);
}

void CloseCorvale(SetupRun& run) {
    PostMessageW(run.Window, WM_CLOSE, 0, 0);
    DWORD code;
    ExpectTrue(WaitExit(run, code), "corvale.exe ended after its window closed");
    EndSetup(run);
}

// ---- Cases ------------------------------------------------------------------------------------

void CaseInstall() {
    Installation install = DefaultInstallation();
    if (InstallWithSetup())
        ExpectInstalled(install);
}

// The sample opened as Explorer opens it: the shell's open verb on the document.
void CaseOpenSample() {
    Installation install = DefaultInstallation();
    SHELLEXECUTEINFOW execute = {};
    execute.cbSize = sizeof execute;
    execute.fMask = SEE_MASK_NOCLOSEPROCESS;
    execute.lpVerb = L"open";
    execute.lpFile = install.Sample.c_str();
    execute.nShow = SW_SHOWNORMAL;
    if (!ExpectTrue(ShellExecuteExW(&execute), "open verb on sample.mpl"))
        return;
    SetupRun run = {};
    run.Process.hProcess = execute.hProcess;
    if (!FindCorvale(run))
        return;
    // The first start after the installation greets once.
    HWND greeting = FindProcessMessageBox(run.Process.dwProcessId, L"Corvale");
    if (ExpectTrue(greeting != nullptr, "first-run greeting")) {
        ExpectTrue(MessageBoxText(greeting).find(L"Welcome to Corvale " CORVALE_PRODUCT_VERSION L"!") == 0,
                   "greeting text");
        PressButton(greeting, IDOK);
    }
    ExpectText("FirstRun after the greeting", L"No",
               ReadRegistryValue(HKEY_CURRENT_USER, ApplicationKey, L"FirstRun").Text);
    ExpectText("window title", L"sample.mpl - Corvale", Text(run.Window));
    ExpectText("ledger name and the path it was started with", L"Household 2026\n" + install.Sample,
               Text(run, HeaderId));
    ExpectText("totals", SampleTotals, Text(run, TotalsId));
    CloseCorvale(run);
}

void CaseUninstallWhileRunning() {
    Installation install = DefaultInstallation();
    SetupRun corvale;
    if (!ExpectTrue(StartProgram(corvale, install.MainProgram, L""), "corvale.exe started") ||
        !ExpectTrue(WaitForMainWindow(corvale, MainWindowClassName), "corvale.exe's window"))
        return;
    ExpectInt("exit code of the silent uninstaller while Corvale runs", 2, RunUninstallCommand(L" /S"));
    ExpectInstalled(install);
    CloseCorvale(corvale);
}

// Answers the questions; user files, a file in the program folder and an association that
// another program took over survive.
void CaseUninstall() {
    Installation install = DefaultInstallation();
    std::wstring userLedger = install.DocumentsFolder + L"\\my budget.mpl";
    std::wstring userNotes = install.ProgramFolder + L"\\notes.txt";
    ExpectTrue(WriteText(userLedger, "MPL 1\r\nLedger: Mine\r\n") && WriteText(userNotes, "mine"),
               "user files written");
    ExpectTrue(WriteRegistryText(HKEY_LOCAL_MACHINE, ExtensionKey, L"", OtherDocumentType),
               ".mpl taken over by another program");

    SetupRun run;
    if (!StartUninstallCommand(run, L""))
        return;
    HWND question = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
    if (ExpectTrue(question != nullptr, "the uninstaller asks")) {
        ExpectTrue(MessageBoxText(question).find(L"Do you want to remove Corvale " CORVALE_PRODUCT_VERSION) ==
                       0,
                   "question text");
        PressButton(question, IDYES);
    }
    HWND report = nullptr;
    WaitUntil([&] {
        report = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption, 0);
        return report != nullptr && report != question;
    });
    if (ExpectTrue(report != nullptr && report != question, "the uninstaller reports")) {
        ExpectTrue(MessageBoxText(report).find(L"Corvale was removed from this computer.") == 0,
                   "report text");
        PressButton(report, IDOK);
    }
    DWORD code = STILL_ACTIVE;
    ExpectTrue(WaitExit(run, code), "uninstaller ended");
    ExpectInt("uninstaller's exit code", 0, code);
    EndSetup(run);

    ExpectRemoved(install);
    ExpectTrue(FileExists(userNotes), "the user's file in the program folder stays, and keeps the folder");
    ExpectTrue(FileExists(userLedger), "the user's ledger stays");
    ExpectText(".mpl of the other program", OtherDocumentType,
               ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"").Text);
    // What the next case starts from: no trace of this one's own files.
    DeleteFileW(userNotes.c_str());
    RemoveDirectoryW(install.ProgramFolder.c_str());
}

// Installing again after an uninstallation works; the silent uninstallation of that removes
// the program folder too, and the association that is the product's own again.
void CaseReinstall() {
    Installation install = DefaultInstallation();
    ExpectTrue(!FolderExists(install.ProgramFolder), "no program folder before installing again");
    if (!InstallWithSetup())
        return;
    ExpectInstalled(install);
    // Control: on an installed product every removal check fails but the two of what stays.
    ExpectInt("failed removal checks before uninstalling", 12,
              FailuresWithin([&] { ExpectRemoved(install, 0); }));
    ExpectInt("exit code of the silent uninstaller", 0, RunUninstallCommand(L" /S"));
    ExpectRemoved(install);
    ExpectTrue(WaitUntil([&] { return !FolderExists(install.ProgramFolder); }), "program folder removed");
    ExpectTrue(!RegistryKeyExists(HKEY_LOCAL_MACHINE, ExtensionKey), "HKLM\\SOFTWARE\\Classes\\.mpl removed");
}

struct DriverCase {
    const char* Name;
    void (*Run)();
};
const DriverCase Cases[] = {
    {"install", CaseInstall},
    {"open_sample", CaseOpenSample},
    {"uninstall_while_running", CaseUninstallWhileRunning},
    {"uninstall", CaseUninstall},
    {"reinstall", CaseReinstall},
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    if (!ParseArgs(argc, argv)) {
        fprintf(stderr, "usage: payload-e2e-driver CASE --setup PATH [--payload FILE=PATH ...]\n");
        return 255;
    }
    for (const DriverCase& c : Cases) {
        if (Utf8(Args.Case) != c.Name)
            continue;
        // The first line, out before anything is touched: the harness tells by it that the
        // case began.
        printf("case %s\n", c.Name);
        fflush(stdout);
        CoInitialize(nullptr);
        c.Run();
        printf("case %s: %d passed, %d failed\n", c.Name, Tally.Passed, Tally.Failed);
        CoUninitialize();
        return Tally.Failed > 255 ? 255 : Tally.Failed;
    }
    fprintf(stderr, "unknown case %s\n", Utf8(Args.Case).c_str());
    return 255;
}
