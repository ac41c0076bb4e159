// The uninstaller under Wine, against installations that the setup's own tables and code lay
// out, so that every case can vary one thing: a user's file, a running Corvale, a shortcut
// or an association that belongs to something else, a file held by another program, an
// uninstallation ended part-way.
#include <windows.h>
#include <objbase.h>
#include <tlhelp32.h>

#include <gtest/gtest.h>

#include <string>

#include "core/removal_plan.h"
#include "core/shortcut_table.h"
#include "core/text.h"
#include "payload/src/corvale_names.h"
#include "payload_test_files.h"
#include "payload_probe_win.h"
#include "tests/e2e/readback_win.h"

// The setup's registry and shortcut steps tick its progress bar; here there is none.
void ProgressStepIt(ProgressSink*) {}

namespace {

const wchar_t ConfirmText[] =
    L"Do you want to remove Corvale " CORVALE_PRODUCT_VERSION L" from this computer?\n\n"
    L"Your ledgers in %ls stay where they are.";
const wchar_t RunningText[] = L"Corvale is still running.\n\nPlease close Corvale, then start the "
                              L"uninstaller again. Nothing was removed.";

// The files this tree builds for the payload rows, as Windows paths.
std::vector<std::wstring> Files() {
    std::vector<std::wstring> files;
    for (const char* file : {PAYLOAD_BUILT_FILES})
        files.push_back(OnDriveZ(file));
    return files;
}

const char16_t* Text16(const std::wstring& text) {
    return reinterpret_cast<const char16_t*>(text.c_str());
}

// Writes what the setup writes, with the setup's own tables and code: the payload files,
// the registry values and the shortcuts. False when any of it fails.
bool MakeInstallation(const std::vector<std::wstring>& files, const Installation& install) {
    const std::wstring& program = install.ProgramFolder;
    const std::wstring& documents = install.DocumentsFolder;
    if (!MakeFolders(program) || !MakeFolders(documents))
        return false;
    for (int row = 0; row < PayloadCount; ++row) {
        const InstalledFile& file = InstalledFiles[row];
        const std::wstring& folder = file.Folder == ProgramFolderTarget ? program : documents;
        if (!CopyInto(files[row], folder, reinterpret_cast<const wchar_t*>(file.FileName)))
            return false;
    }
    // The registry values and the shortcuts as the setup's own run writes them.
    InstallInputs inputs = {Text16(program), Text16(documents), Text16(install.MainProgram), 1, 1};
    if (WriteRegistryTable(&inputs, nullptr) != 0)
        return false;
    CreateShortcuts(&inputs, nullptr);
    return FileExists(install.StartMenuLink) && FileExists(install.DesktopLink) &&
           FileExists(install.DocumentsLink);
}

std::wstring Format(const wchar_t* format, const std::wstring& argument) {
    wchar_t text[1024];
    swprintf(text, 1024, format, argument.c_str());
    return text;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
}

bool FolderIsEmpty(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return false;
    int entries = 0;
    do
        entries += wcscmp(found.cFileName, L".") != 0 && wcscmp(found.cFileName, L"..") != 0;
    while (FindNextFileW(search, &found));
    FindClose(search);
    return entries == 0;
}

void RemoveCopies() {
    for (const std::wstring& copy : TemporaryLibraryCopies())
        if (FolderExists(copy))
            RemoveTree(copy);
        else
            DeleteFileW(copy.c_str());
}

std::wstring WindowsTemp() {
    wchar_t windows[MAX_PATH] = L"";
    GetSystemWindowsDirectoryW(windows, MAX_PATH);
    return std::wstring(windows) + L"\\Temp\\";
}

// Waits until no copy is left in the temporary folders. A failure names what stays and how
// many finishing processes still run.
testing::AssertionResult NoCopyLeft(DWORD timeout = WaitMilliseconds) {
    if (WaitUntil([] { return TemporaryLibraryCopies().empty(); }, timeout))
        return testing::AssertionSuccess();
    testing::AssertionResult failure = testing::AssertionFailure();
    for (const std::wstring& copy : TemporaryLibraryCopies())
        failure << Narrow(copy) << " stays; ";
    int finishers = 0;
    HANDLE processes = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32FirstW(processes, &entry); more; more = Process32NextW(processes, &entry))
        finishers += _wcsicmp(entry.szExeFile, L"rundll32.exe") == 0;
    CloseHandle(processes);
    return failure << finishers << " rundll32 running";
}

class UninstallerTest : public testing::Test {
  protected:
    void SetUp() override {
        CoInitialize(nullptr);
        std::wstring name = L"C:\\Corvale Payload Tests\\";
        for (const char* p = testing::UnitTest::GetInstance()->current_test_info()->name(); *p != 0; ++p)
            name += static_cast<wchar_t>(*p);
        Install = PlanInstallation(name);
        RemoveInstallation(Install);
        ASSERT_TRUE(MakeInstallation(Files(), Install));
        ASSERT_TRUE(NoCopyLeft(0));
        for (int i = 0; i < 2; ++i)
            TemporarySet[i] =
                GetEnvironmentVariableW(TemporaryVariables[i], TemporaryValues[i], MAX_PATH) != 0;
    }

    void TearDown() override {
        // The finishing step of this case ends before the next case lays out its installation.
        EXPECT_TRUE(NoCopyLeft());
        for (int i = 0; i < 2; ++i)
            SetEnvironmentVariableW(TemporaryVariables[i], TemporarySet[i] ? TemporaryValues[i] : nullptr);
        EndSetup(Corvale);
        RemoveInstallation(Install);
        CoUninitialize();
    }

    long UninstallSilently() { return RunToEnd(Install.Uninstaller, L"/S"); }

    // Waits for the finishing step: the uninstaller's own two files gone.
    bool OwnFilesGone() {
        return WaitUntil([&] {
            return !FileExists(Install.Uninstaller) &&
                   !FileExists(Install.ProgramFolder + L"\\uninstall.dll");
        });
    }

    void StartCorvale() {
        ASSERT_TRUE(StartProgram(Corvale, Install.MainProgram, L""));
        ASSERT_TRUE(WaitForMainWindow(Corvale, MainWindowClassName));
    }

    void CloseCorvale() {
        HWND greeting = FindProcessMessageBox(Corvale.Process.dwProcessId, L"Corvale", 2000);
        if (greeting != nullptr)
            PressButton(greeting, IDOK);
        PostMessageW(Corvale.Window, WM_CLOSE, 0, 0);
        DWORD code;
        ASSERT_TRUE(WaitExit(Corvale, code));
        EndSetup(Corvale);
    }

    // Everything the setup made is there.
    void ExpectInstalled() {
        for (const std::wstring& file :
             {Install.MainProgram, Install.ProgramFolder + L"\\readme.txt", Install.Uninstaller,
              Install.ProgramFolder + L"\\uninstall.dll", Install.Sample, Install.StartMenuLink,
              Install.DesktopLink, Install.DocumentsLink})
            EXPECT_TRUE(FileExists(file)) << Narrow(file);
        EXPECT_EQ(2, CountRegistryValues(HKEY_LOCAL_MACHINE, ApplicationKey));
        EXPECT_EQ(6, CountRegistryValues(HKEY_LOCAL_MACHINE, UninstallKey));
        EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE,
                                      std::wstring(DocumentClassKey) + L"\\shell\\open\\command"));
        EXPECT_EQ(L"Corvale.Doc", ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"").Text);
        EXPECT_EQ(ERROR_SUCCESS, ReadRegistryValue(HKEY_CURRENT_USER, ApplicationKey, L"DocPath").Result);
        EXPECT_EQ(ERROR_SUCCESS, ReadRegistryValue(HKEY_CURRENT_USER, ApplicationKey, L"FirstRun").Result);
    }

    // Everything the setup made is gone, the documents folder stays, nothing is left in
    // the temporary folders.
    void ExpectRemoved() {
        EXPECT_TRUE(WaitUntil([&] { return !FolderExists(Install.ProgramFolder); }))
            << "program folder removed";
        for (const std::wstring& file :
             {Install.Sample, Install.StartMenuLink, Install.DesktopLink, Install.DocumentsLink})
            EXPECT_FALSE(FileExists(file)) << Narrow(file);
        EXPECT_TRUE(FolderExists(Install.DocumentsFolder));
        for (const wchar_t* key : {ApplicationKey, UninstallKey, DocumentClassKey, ExtensionKey})
            EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, key)) << Narrow(key);
        EXPECT_FALSE(RegistryKeyExists(HKEY_CURRENT_USER, ApplicationKey));
        EXPECT_TRUE(NoCopyLeft()) << "temporary copy deleted";
    }

    // Runs the uninstaller, answers Yes and returns its report; code receives its exit code.
    std::wstring UninstallAndReport(DWORD& code) {
        SetupRun run;
        code = 0xFFFF;
        if (!StartProgram(run, Install.Uninstaller, L""))
            return L"";
        HWND box = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
        PressButton(box, IDYES);
        WaitUntil([&] {
            HWND next = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption, 0);
            return next != nullptr && next != box;
        });
        HWND report = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption, 0);
        std::wstring text = report != box ? MessageBoxText(report) : L"";
        PressButton(report, IDOK);
        WaitExit(run, code);
        EndSetup(run);
        return text;
    }

    Installation Install;
    SetupRun Corvale = {};
    // A case may point them elsewhere; the next finds them as they were.
    const wchar_t* const TemporaryVariables[2] = {L"TEMP", L"TMP"};
    wchar_t TemporaryValues[2][MAX_PATH] = {};
    bool TemporarySet[2] = {};
};

TEST_F(UninstallerTest, SilentRunRemovesWhatTheSetupMadeAndThenItsFolder) {
    ExpectInstalled();
    // An empty sample holds nothing of the user's: it goes like the shipped one.
    ASSERT_TRUE(WriteText(Install.Sample, ""));
    EXPECT_EQ(0, UninstallSilently());
    ExpectRemoved();
}

TEST_F(UninstallerTest, UsersFilesStayAndKeepTheirFolders) {
    std::string edited;
    ASSERT_TRUE(ReadWholeFile(Install.Sample, edited));
    edited += "2026-04-01  Books  -12.00\r\n";
    ASSERT_TRUE(WriteText(Install.Sample, edited));
    ASSERT_TRUE(WriteText(Install.DocumentsFolder + L"\\notes.mpl", "MPL 1\r\nLedger: Mine\r\n"));
    ASSERT_TRUE(WriteText(Install.ProgramFolder + L"\\export.csv", "date;amount\r\n"));

    EXPECT_EQ(0, UninstallSilently());
    ASSERT_TRUE(OwnFilesGone());
    EXPECT_FALSE(FileExists(Install.MainProgram));
    EXPECT_FALSE(FileExists(Install.ProgramFolder + L"\\readme.txt"));
    // The user's file keeps the program folder; the edited sample is the user's ledger.
    EXPECT_TRUE(FileExists(Install.ProgramFolder + L"\\export.csv"));
    std::string kept;
    EXPECT_TRUE(ReadWholeFile(Install.Sample, kept));
    EXPECT_EQ(edited, kept);
    EXPECT_TRUE(FileExists(Install.DocumentsFolder + L"\\notes.mpl"));
    EXPECT_FALSE(RegistryKeyExists(HKEY_LOCAL_MACHINE, ApplicationKey));
    EXPECT_TRUE(NoCopyLeft());
}

TEST_F(UninstallerTest, OnlyTheSetupsValuesLeaveSharedKeys) {
    // Values that others put beside the setup's keep their keys.
    ASSERT_TRUE(WriteRegistryText(HKEY_LOCAL_MACHINE, ExtensionKey, L"PerceivedType", L"text"));
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, ApplicationKey, L"WindowPlacement", L"0 0 760 540"));
    EXPECT_EQ(0, UninstallSilently());
    EXPECT_EQ(ERROR_FILE_NOT_FOUND, ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"").Result);
    EXPECT_EQ(L"text", ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"PerceivedType").Text);
    EXPECT_EQ(1, CountRegistryValues(HKEY_CURRENT_USER, ApplicationKey));
    EXPECT_EQ(L"0 0 760 540", ReadRegistryValue(HKEY_CURRENT_USER, ApplicationKey, L"WindowPlacement").Text);
}

TEST_F(UninstallerTest, ShortcutsThatLeadElsewhereStay) {
    wchar_t system[MAX_PATH];
    GetSystemDirectoryW(system, MAX_PATH);
    std::wstring notepad = std::wstring(system) + L"\\notepad.exe";
    ASSERT_TRUE(CreateShortcut(Install.DesktopLink, notepad, system));
    ASSERT_TRUE(CreateShortcut(Install.DocumentsLink, system, system));
    EXPECT_EQ(0, UninstallSilently());
    EXPECT_FALSE(FileExists(Install.StartMenuLink));
    EXPECT_EQ(notepad, ReadShellLink(Install.DesktopLink).Target);
    EXPECT_TRUE(FileExists(Install.DocumentsLink));
}

TEST_F(UninstallerTest, TheInstallationOfAnotherFolderStaysAndThisOneIsRefused) {
    // A later installation into another folder owns the registry now.
    ASSERT_TRUE(WriteRegistryText(HKEY_LOCAL_MACHINE, ApplicationKey, L"AppPath", L"C:\\Elsewhere\\Corvale"));
    EXPECT_EQ(UninstallRefused, UninstallSilently());
    EXPECT_TRUE(FileExists(Install.MainProgram));
    EXPECT_TRUE(FileExists(Install.Uninstaller));
    EXPECT_EQ(L"C:\\Elsewhere\\Corvale",
              ReadRegistryValue(HKEY_LOCAL_MACHINE, ApplicationKey, L"AppPath").Text);
    EXPECT_EQ(6, CountRegistryValues(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_EQ(L"Corvale.Doc", ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"").Text);
    EXPECT_EQ(2, CountRegistryValues(HKEY_CURRENT_USER, ApplicationKey));
}

TEST_F(UninstallerTest, AsksFirstAndRemovesNothingOnNo) {
    SetupRun run;
    ASSERT_TRUE(StartProgram(run, Install.Uninstaller, L""));
    HWND box = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(Format(ConfirmText, Install.DocumentsFolder), MessageBoxText(box));
    PressButton(box, IDNO);
    DWORD code;
    ASSERT_TRUE(WaitExit(run, code));
    EXPECT_EQ(1u, code);
    EndSetup(run);
    ExpectInstalled();
}

TEST_F(UninstallerTest, AfterYesItReportsWhatStays) {
    ASSERT_TRUE(WriteText(Install.ProgramFolder + L"\\export.csv", "x"));
    SetupRun run;
    ASSERT_TRUE(StartProgram(run, Install.Uninstaller, L""));
    HWND box = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
    ASSERT_NE(nullptr, box);
    PressButton(box, IDYES);
    ASSERT_TRUE(WaitUntil([&] {
        HWND next = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption, 0);
        return next != nullptr && next != box;
    }));
    HWND report = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
    EXPECT_EQ(L"Corvale was removed from this computer.\n\nYour ledgers stay in " + Install.DocumentsFolder +
                  L".\n\nThe folder " + Install.ProgramFolder +
                  L" stays: it holds files that Corvale did not install.",
              MessageBoxText(report));
    // The report comes from the end: the uninstaller's own files are gone by then.
    EXPECT_FALSE(FileExists(Install.Uninstaller));
    EXPECT_FALSE(FileExists(Install.ProgramFolder + L"\\uninstall.dll"));
    PressButton(report, IDOK);
    DWORD code;
    ASSERT_TRUE(WaitExit(run, code));
    EXPECT_EQ(0u, code);
    EndSetup(run);
    EXPECT_TRUE(OwnFilesGone());
    EXPECT_TRUE(FileExists(Install.ProgramFolder + L"\\export.csv"));
}

TEST_F(UninstallerTest, TheCopyAndTheImageWaitUnderTheWindowsTempNeverInTmpOrTemp) {
    std::wstring users =
        Install.DocumentsFolder.substr(0, Install.DocumentsFolder.rfind(L'\\')) + L"\\User Temp";
    ASSERT_TRUE(MakeFolders(users));
    SetEnvironmentVariableW(L"TEMP", users.c_str());
    SetEnvironmentVariableW(L"TMP", users.c_str());
    // Control: a program started with these values writes its temporary files there.
    EXPECT_EQ(0, RunCommandLine(L"cmd.exe /c echo x> \"%TEMP%\\control.tmp\""));
    EXPECT_FALSE(FolderIsEmpty(users));
    DeleteFileW((users + L"\\control.tmp").c_str());

    SetupRun run;
    ASSERT_TRUE(StartProgram(run, Install.Uninstaller, L""));
    HWND box = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
    ASSERT_NE(nullptr, box);
    PressButton(box, IDYES);
    ASSERT_TRUE(WaitUntil([&] {
        HWND next = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption, 0);
        return next != nullptr && next != box;
    }));
    // While it reports, the finishing step waits for it to end: the copy and the moved image
    // are in one folder under the Windows folder's Temp.
    std::vector<std::wstring> copies = TemporaryLibraryCopies();
    ASSERT_EQ(1u, copies.size());
    EXPECT_EQ(0, _wcsnicmp(copies[0].c_str(), WindowsTemp().c_str(), WindowsTemp().size()))
        << Narrow(copies[0]);
    EXPECT_TRUE(FileExists(copies[0] + L"\\uninstall.dll"));
    EXPECT_TRUE(FileExists(copies[0] + L"\\uninst_corvale.exe"));
    EXPECT_TRUE(FolderIsEmpty(users));
    // Held while in use: nobody may rename the copy that rundll32 has mapped. (Wine refuses
    // writing and deleting a mapped library by itself, so only the rename shows the holder.)
    const std::wstring copy = copies[0] + L"\\uninstall.dll";
    EXPECT_FALSE(MoveFileW(copy.c_str(), (copy + L".moved").c_str()));
    PressButton(FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption), IDOK);
    DWORD code;
    ASSERT_TRUE(WaitExit(run, code));
    EXPECT_EQ(0u, code);
    EndSetup(run);
    // The finishing step, loaded by rundll32 from the held copy, removes the folder.
    EXPECT_TRUE(NoCopyLeft());
    EXPECT_TRUE(FolderIsEmpty(users));
    RemoveTree(users);
}

// Control: under Wine a mapped library alone keeps nobody from renaming its file; what
// refuses the rename above is the uninstaller's handle.
TEST_F(UninstallerTest, ControlAMappedLibraryAloneCanBeRenamed) {
    const std::wstring copy = Install.DocumentsFolder + L"\\mapped.dll";
    ASSERT_TRUE(CopyFileW((Install.ProgramFolder + L"\\uninstall.dll").c_str(), copy.c_str(), FALSE));
    HMODULE mapped = LoadLibraryW(copy.c_str());
    ASSERT_NE(nullptr, mapped);
    EXPECT_TRUE(MoveFileW(copy.c_str(), (copy + L".moved").c_str()));
    FreeLibrary(mapped);
}

TEST_F(UninstallerTest, ARunningCorvaleIsNamedInTheMessage) {
    StartCorvale();
    SetupRun run;
    ASSERT_TRUE(StartProgram(run, Install.Uninstaller, L""));
    HWND box = FindProcessMessageBox(run.Process.dwProcessId, UninstallCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(RunningText, MessageBoxText(box));
    PressButton(box, IDOK);
    DWORD code;
    ASSERT_TRUE(WaitExit(run, code));
    EXPECT_EQ(2u, code);
    EndSetup(run);
    CloseCorvale();
    ExpectInstalled();
}

// ---- Only its own installation; what stays is told ----------------------------------------

TEST_F(UninstallerTest, ACopyBesideTheUsersOwnFilesRemovesNothing) {
    std::wstring other = Install.DocumentsFolder + L"\\Elsewhere";
    ASSERT_TRUE(CreateDirectoryW(other.c_str(), nullptr));
    std::wstring copy = other + L"\\uninst_corvale.exe";
    ASSERT_TRUE(CopyFileW(Install.Uninstaller.c_str(), copy.c_str(), TRUE));
    ASSERT_TRUE(CopyFileW((Install.ProgramFolder + L"\\uninstall.dll").c_str(),
                          (other + L"\\uninstall.dll").c_str(), TRUE));
    ASSERT_TRUE(WriteText(other + L"\\corvale.exe", "the user's own program"));
    ASSERT_TRUE(WriteText(other + L"\\readme.txt", "the user's own notes"));
    // Judged by the registry, which names the installation's folder ...
    EXPECT_EQ(UninstallRefused, RunToEnd(copy, L"/S"));
    ExpectInstalled();
    // ... and without it, by the files it would remove, which are not the build's.
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ApplicationKey);
    EXPECT_EQ(UninstallRefused, RunToEnd(copy, L"/S"));
    std::string kept;
    EXPECT_TRUE(ReadWholeFile(other + L"\\corvale.exe", kept) && kept == "the user's own program");
    EXPECT_TRUE(ReadWholeFile(other + L"\\readme.txt", kept) && kept == "the user's own notes");
    EXPECT_TRUE(FileExists(copy));
    EXPECT_TRUE(FileExists(Install.MainProgram));
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
}

TEST_F(UninstallerTest, TheRegisteredCommandRunsTheUninstallerNotAProgramPlantedAtItsFirstWord) {
    // The installation lies under "C:\Corvale Payload Tests": unquoted, that path's first
    // word would be looked for as C:\Corvale.exe first.
    const std::wstring planted = L"C:\\Corvale.exe";
    // A copy of the uninstaller stands in for the planted program: from C:\ it refuses.
    ASSERT_TRUE(CopyFileW(Install.Uninstaller.c_str(), planted.c_str(), FALSE));
    RegistryValue command = ReadRegistryValue(HKEY_LOCAL_MACHINE, UninstallKey, L"UninstallString");
    ASSERT_EQ(L"\"" + Install.Uninstaller + L"\"", command.Text);
    // Control: the same command unquoted starts the planted program.
    EXPECT_EQ(UninstallRefused, RunCommandLine(Install.Uninstaller + L" /S"));
    EXPECT_EQ(UninstallDone, RunCommandLine(command.Text + L" /S"));
    DeleteFileW(planted.c_str());
    ExpectRemoved();
}

TEST_F(UninstallerTest, AReadOnlyProgramAndTheLeftoversOfEndedRunsGoToo) {
    ASSERT_TRUE(SetFileAttributesW(Install.MainProgram.c_str(), FILE_ATTRIBUTE_READONLY));
    for (const std::wstring& leftover :
         {Install.ProgramFolder + L"\\~crv.tmp", Install.ProgramFolder + L"\\~crv-1f.del",
          Install.DocumentsFolder + L"\\~crv.tmp"})
        ASSERT_TRUE(WriteText(leftover, "part"));
    EXPECT_EQ(UninstallDone, UninstallSilently());
    ExpectRemoved();
    EXPECT_FALSE(FileExists(Install.DocumentsFolder + L"\\~crv.tmp"));
}

TEST_F(UninstallerTest, AnUninstallerHeldByAnotherProgramKeepsItsEntryUntilItIsRunAgain) {
    // As a scanner or an open Properties dialog holds it: no sharing of deletion.
    HANDLE held = CreateFileW(Install.Uninstaller.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, held);
    EXPECT_EQ(UninstallIncomplete, UninstallSilently());
    EXPECT_TRUE(RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallKey));
    EXPECT_TRUE(FileExists(Install.Uninstaller));
    EXPECT_FALSE(FileExists(Install.MainProgram));
    CloseHandle(held);
    RegistryValue command = ReadRegistryValue(HKEY_LOCAL_MACHINE, UninstallKey, L"UninstallString");
    EXPECT_EQ(UninstallDone, RunCommandLine(command.Text + L" /S"));
    ExpectRemoved();
}

TEST_F(UninstallerTest, ASecondUninstallerWhileOneRunsIsRefused) {
    SetupRun first;
    ASSERT_TRUE(StartProgram(first, Install.Uninstaller, L""));
    HWND box = FindProcessMessageBox(first.Process.dwProcessId, UninstallCaption);
    ASSERT_NE(nullptr, box);
    EXPECT_EQ(UninstallAlreadyRunning, UninstallSilently());
    ExpectInstalled();
    PressButton(box, IDNO);
    DWORD code;
    ASSERT_TRUE(WaitExit(first, code));
    EndSetup(first);
    EXPECT_EQ(static_cast<DWORD>(UninstallCancelled), code);
}

// ---- Links that others plant -----------------------------------------------------------------

const std::wstring LinkedCase = OnDriveZ(PAYLOAD_LINKS_FOLDER "/case");
const std::wstring LinkedControl = OnDriveZ(PAYLOAD_LINKS_FOLDER "/control");

// The victims of a planted layout (tests/payload/windows_tests.cmake) and what they hold.
std::vector<std::pair<std::wstring, std::string>> Victims(const std::wstring& layout) {
    std::string shipped;
    ReadWholeFile(OnDriveZ(PAYLOAD_SOURCE_SAMPLE), shipped);
    return {{layout + L"\\victims\\temporary", "victim"},
            {layout + L"\\victims\\sample.mpl", shipped},
            {layout + L"\\other\\sample.mpl", shipped},
            {layout + L"\\other\\~crv.tmp", "victim"}};
}

// DocPath, which the user can change, leads to a documents folder whose ~crv.tmp and
// sample.mpl are links to files elsewhere, or to a documents folder that is itself a link:
// each link is left alone and named, and every victim keeps its bytes.
TEST_F(UninstallerTest, LinksInOrAtTheDocumentsFolderAreLeftAloneAndNamed) {
    for (const wchar_t* documents : {L"\\documents", L"\\linked-documents"}) {
        SCOPED_TRACE(Narrow(documents));
        RemoveInstallation(Install);
        ASSERT_TRUE(MakeInstallation(Files(), Install));
        const std::wstring folder = LinkedCase + documents;
        ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, ApplicationKey, L"DocPath", folder));
        DWORD code;
        std::wstring report = UninstallAndReport(code);
        EXPECT_EQ(static_cast<DWORD>(UninstallIncomplete), code);
        const std::wstring left = L" (left alone: it is a link)";
        if (documents == std::wstring(L"\\documents")) {
            EXPECT_NE(std::wstring::npos, report.find(folder + L"\\sample.mpl" + left)) << Narrow(report);
            EXPECT_NE(std::wstring::npos, report.find(folder + L"\\~crv.tmp" + left)) << Narrow(report);
        } else {
            EXPECT_NE(std::wstring::npos, report.find(folder + left)) << Narrow(report);
        }
        for (const auto& victim : Victims(LinkedCase)) {
            std::string kept;
            EXPECT_TRUE(ReadWholeFile(victim.first, kept) && kept == victim.second) << Narrow(victim.first);
        }
        EXPECT_TRUE(OwnFilesGone());
        EXPECT_FALSE(FileExists(Install.MainProgram));
    }
}

// Control: the planted links lead out. Read by path, the linked sample is the shipped one;
// deleted by path through the linked folder, the victim there goes.
TEST_F(UninstallerTest, ControlPlainPathsFollowThePlantedLinks) {
    std::string shipped, read;
    ASSERT_TRUE(ReadWholeFile(OnDriveZ(PAYLOAD_SOURCE_SAMPLE), shipped));
    EXPECT_TRUE(ReadWholeFile(LinkedControl + L"\\documents\\sample.mpl", read) && read == shipped);
    ASSERT_TRUE(FileExists(LinkedControl + L"\\other\\~crv.tmp"));
    EXPECT_TRUE(DeleteFileW((LinkedControl + L"\\linked-documents\\~crv.tmp").c_str()));
    EXPECT_FALSE(FileExists(LinkedControl + L"\\other\\~crv.tmp"));
}

// ---- Ended part-way --------------------------------------------------------------------------

// Runs `build` as the installation's uninstaller, ended after each of its steps and at its
// report, and counts the stops after which neither is true: the entry is listed and the
// uninstaller it runs is there, or nothing of the installation is left but the user's data.
// After each kept promise, the registered command (if still listed) must finish the job.
class UninstallerStopTest : public UninstallerTest {
  protected:
    // With entryMayStay, the uninstall entry and the emptied program folder may be left too.
    bool NothingLeft(bool entryMayStay = false) {
        for (const std::wstring& file : {Install.MainProgram, Install.Uninstaller, Install.Sample,
                                         Install.StartMenuLink, Install.DesktopLink, Install.DocumentsLink})
            if (FileExists(file))
                return false;
        for (const wchar_t* key : {ApplicationKey, UninstallKey, DocumentClassKey})
            if (RegistryKeyExists(HKEY_LOCAL_MACHINE, key) && !(entryMayStay && key == UninstallKey))
                return false;
        return (!FolderExists(Install.ProgramFolder) ||
                (entryMayStay && FolderIsEmpty(Install.ProgramFolder))) &&
               !RegistryKeyExists(HKEY_CURRENT_USER, ApplicationKey) &&
               ReadRegistryValue(HKEY_LOCAL_MACHINE, ExtensionKey, L"").Result != ERROR_SUCCESS;
    }

    int BrokenPromises(const char* build, bool finishAgain) {
        RemovalPlan plan;
        std::wstring program = Install.ProgramFolder, documents = Install.DocumentsFolder;
        EXPECT_EQ(0, ComposeRemovalPlan(reinterpret_cast<const char16_t*>(program.c_str()),
                                        reinterpret_cast<const char16_t*>(documents.c_str()), &plan));
        int broken = 0, entryAlone = 0;
        const int stops = plan.Count + LastStepStops + 1;
        for (int stop = 1; stop <= stops; ++stop) {
            SCOPED_TRACE(testing::Message() << "ended after step " << stop);
            RemoveInstallation(Install);
            EXPECT_TRUE(MakeInstallation(Files(), Install));
            EXPECT_TRUE(CopyFileW(OnDriveZ(build).c_str(), Install.Uninstaller.c_str(), FALSE));
            SetEnvironmentVariableW(L"CORVALE_UNINSTALL_STOP_AT", std::to_wstring(stop).c_str());
            long code = UninstallSilently();
            SetEnvironmentVariableW(L"CORVALE_UNINSTALL_STOP_AT", nullptr);
            EXPECT_TRUE(code == 99 || (stop == stops && code == UninstallDone)) << code;
            // Ended after its library was gone, the run that finishes has no finishing step:
            // its moved image waits in the temporary folder for the next restart.
            WaitUntil([] { return TemporaryLibraryCopies().empty(); }, 3000);
            bool listed = RegistryKeyExists(HKEY_LOCAL_MACHINE, UninstallKey);
            // The one state besides the promise: ended in the last step after the image left
            // its folder and before the entry went, the entry is listed with its uninstaller
            // gone, which Windows itself offers to remove from the list. Only with nothing
            // else of the installation left, and only at the last step's own stops.
            if (listed && !FileExists(Install.Uninstaller) && NothingLeft(true)) {
                EXPECT_GE(stop, plan.Count) << "entry without its uninstaller before the last step";
                EXPECT_LT(stop, plan.Count + LastStepStops)
                    << "entry without its uninstaller after the last step";
                ++entryAlone;
                RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKey); // as Windows' offer does
                RemoveCopies();
                continue;
            }
            if (listed ? !FileExists(Install.Uninstaller) : !NothingLeft()) {
                ++broken;
                if (finishAgain)
                    ADD_FAILURE() << (listed ? "listed without its uninstaller"
                                             : "not listed, yet not all gone");
                continue;
            }
            if (finishAgain && listed) {
                RegistryValue command =
                    ReadRegistryValue(HKEY_LOCAL_MACHINE, UninstallKey, L"UninstallString");
                EXPECT_EQ(UninstallDone, RunCommandLine(command.Text + L" /S"));
            }
            if (finishAgain) {
                EXPECT_TRUE(WaitUntil([&] { return NothingLeft(); })) << "finished by running it again";
            }
            WaitUntil([] { return TemporaryLibraryCopies().empty(); }, 3000);
            RemoveCopies();
        }
        if (finishAgain) {
            EXPECT_EQ(LastStepStops, entryAlone) << "stops inside the last step";
        }
        return broken;
    }
};

TEST_F(UninstallerStopTest, EveryStopLeavesAListedUninstallerOrNothingAndRunningItAgainFinishes) {
    EXPECT_EQ(0, BrokenPromises(PAYLOAD_STOPPING_UNINSTALLER, true));
}

// Control: the order of earlier releases, the entry among the registry values, breaks it.
TEST_F(UninstallerStopTest, ControlTheEntryRemovedEarlyBreaksThePromise) {
    EXPECT_GT(BrokenPromises(PAYLOAD_ENTRY_EARLY_UNINSTALLER, false), 0);
}

// Control: the read-backs above see a copy in the temporary folder, a folder under the
// Windows folder's Temp, and an existing folder.
TEST_F(UninstallerTest, ControlTheLeftoverChecksSeeLeftovers) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    std::wstring planted = std::wstring(temporary) + L"corvale-uninstall-control.dll";
    ASSERT_TRUE(WriteText(planted, "x"));
    EXPECT_EQ(1u, TemporaryLibraryCopies().size());
    DeleteFileW(planted.c_str());
    std::wstring folder = WindowsTemp() + L"corvale-uninstall-control";
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    EXPECT_EQ(1u, TemporaryLibraryCopies().size());
    RemoveDirectoryW(folder.c_str());
    EXPECT_TRUE(FolderExists(Install.ProgramFolder));
    EXPECT_FALSE(FolderExists(Install.ProgramFolder + L"\\corvale.exe"));
}

} // namespace
