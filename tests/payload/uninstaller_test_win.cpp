// The uninstaller under Wine, against installations laid out by hand the way the setup lays
// them out, so that every case can vary one thing: a user's file, a running Corvale, a
// shortcut or an association that belongs to something else.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>

#include "payload_probe_win.h"
#include "tests/e2e/readback_win.h"

namespace {

const wchar_t ConfirmText[] =
    L"Do you want to remove Corvale " CORVALE_PRODUCT_VERSION L" from this computer?\n\n"
    L"Your ledgers in %ls stay where they are.";
const wchar_t RunningText[] = L"Corvale is still running.\n\nPlease close Corvale, then start the "
                              L"uninstaller again. Nothing was removed.";

PayloadFiles Files() {
    return {OnDriveZ(PAYLOAD_BUILT_MAIN_PROGRAM), OnDriveZ(PAYLOAD_BUILT_UNINSTALLER),
            OnDriveZ(PAYLOAD_BUILT_LIBRARY), OnDriveZ(PAYLOAD_SOURCE_README),
            OnDriveZ(PAYLOAD_SOURCE_SAMPLE)};
}

std::wstring Format(const wchar_t* format, const std::wstring& argument) {
    wchar_t text[1024];
    swprintf(text, 1024, format, argument.c_str());
    return text;
}

std::string Narrow(const std::wstring& text) {
    return std::string(text.begin(), text.end());
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
        ASSERT_TRUE(TemporaryLibraryCopies().empty());
    }

    void TearDown() override {
        // The finishing step of this case ends before the next case lays out its installation.
        EXPECT_TRUE(WaitUntil([] { return TemporaryLibraryCopies().empty(); }));
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
        EXPECT_TRUE(WaitUntil([] { return TemporaryLibraryCopies().empty(); })) << "temporary copy deleted";
    }

    Installation Install;
    SetupRun Corvale = {};
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
    EXPECT_TRUE(WaitUntil([] { return TemporaryLibraryCopies().empty(); }));
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

TEST_F(UninstallerTest, TheRegistryOfAnotherInstallationStays) {
    // A later installation into another folder owns the registry now.
    ASSERT_TRUE(WriteRegistryText(HKEY_LOCAL_MACHINE, ApplicationKey, L"AppPath", L"C:\\Elsewhere\\Corvale"));
    EXPECT_EQ(0, UninstallSilently());
    ASSERT_TRUE(OwnFilesGone());
    EXPECT_FALSE(FileExists(Install.MainProgram));
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
    // The finishing step waits for the uninstaller: its files stay while the report shows.
    EXPECT_TRUE(FileExists(Install.Uninstaller));
    PressButton(report, IDOK);
    DWORD code;
    ASSERT_TRUE(WaitExit(run, code));
    EXPECT_EQ(0u, code);
    EndSetup(run);
    EXPECT_TRUE(OwnFilesGone());
    EXPECT_TRUE(FileExists(Install.ProgramFolder + L"\\export.csv"));
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

// Control: the read-backs above see a copy in the temporary folder and an existing folder.
TEST_F(UninstallerTest, ControlTheLeftoverChecksSeeLeftovers) {
    wchar_t temporary[MAX_PATH];
    GetTempPathW(MAX_PATH, temporary);
    std::wstring planted = std::wstring(temporary) + L"corvale-uninstall-control.dll";
    ASSERT_TRUE(WriteText(planted, "x"));
    EXPECT_EQ(1u, TemporaryLibraryCopies().size());
    DeleteFileW(planted.c_str());
    EXPECT_TRUE(FolderExists(Install.ProgramFolder));
    EXPECT_FALSE(FolderExists(Install.ProgramFolder + L"\\corvale.exe"));
}

} // namespace
