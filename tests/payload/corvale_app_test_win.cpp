// corvale.exe under Wine, watched from outside: what its window shows for a ledger, for a
// file it can't show and without a document, the first-run greeting and its running mutex.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "payload_probe_win.h"
#include "tests/e2e/readback_win.h"

namespace {

enum { HeaderId = 100, ListId = 101, TotalsId = 102, PictureId = 103, MessageId = 104 };

const wchar_t Hint[] = L"No ledger is open.\n\nDouble-click a ledger file (.mpl) in the Explorer to see its "
                       L"transactions here. A sample ledger was installed in your documents folder.";
const wchar_t SampleTotals[] =
    L"30 transactions      Income 7,498.17      Spending -3,755.52      Balance 4,992.65 EUR";

class CorvaleAppTest : public testing::Test {
  protected:
    void SetUp() override {
        Folder = L"C:\\Corvale Payload Tests\\App Documents";
        CreateDirectoryW(L"C:\\Corvale Payload Tests", nullptr);
        CreateDirectoryW(Folder.c_str(), nullptr);
        ASSERT_TRUE(FolderExists(Folder));
        // Greeting only where a case asks for it.
        ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, ApplicationKey, L"FirstRun", L"No"));
    }

    void TearDown() override {
        EndSetup(Run);
        RegDeleteTreeW(HKEY_CURRENT_USER, ApplicationKey);
    }

    // Starts corvale.exe with the arguments and waits for its window.
    void Start(const std::wstring& arguments) {
        ASSERT_TRUE(StartProgram(Run, OnDriveZ(PAYLOAD_BUILT_MAIN_PROGRAM), arguments));
        ASSERT_TRUE(WaitForMainWindow(Run, MainWindowClassName));
    }

    void Close() {
        PostMessageW(Run.Window, WM_CLOSE, 0, 0);
        DWORD code = 1;
        EXPECT_TRUE(WaitExit(Run, code));
        EXPECT_EQ(0u, code);
    }

    bool Visible(int id) { return (GetWindowLongW(Control(Run, id), GWL_STYLE) & WS_VISIBLE) != 0; }

    // The window shows a message instead of a ledger.
    std::wstring ShownMessage() {
        EXPECT_TRUE(Visible(MessageId));
        EXPECT_TRUE(Visible(PictureId));
        EXPECT_FALSE(Visible(ListId));
        return Text(Run, MessageId);
    }

    std::wstring Folder;
    SetupRun Run = {};
};

TEST_F(CorvaleAppTest, ShowsTheLedgerItIsStartedWith) {
    std::wstring sample = Folder + L"\\sample.mpl";
    ASSERT_TRUE(CopyFileW(OnDriveZ(PAYLOAD_SOURCE_SAMPLE).c_str(), sample.c_str(), FALSE));
    Start(L"\"" + sample + L"\"");
    EXPECT_EQ(L"sample.mpl - Corvale", Text(Run.Window));
    EXPECT_EQ(L"Household 2026\n" + sample, Text(Run, HeaderId));
    DWORD_PTR rows = 0;
    EXPECT_TRUE(SendMessageTimeoutW(Control(Run, ListId), LVM_GETITEMCOUNT, 0, 0, SMTO_NORMAL, 5000, &rows));
    EXPECT_EQ(30u, rows);
    EXPECT_EQ(SampleTotals, Text(Run, TotalsId));
    EXPECT_TRUE(Visible(ListId));
    EXPECT_FALSE(Visible(MessageId));
    Close();
}

TEST_F(CorvaleAppTest, NamesTheLineThatADamagedLedgerBreaks) {
    std::wstring damaged = Folder + L"\\damaged.mpl";
    ASSERT_TRUE(WriteText(damaged, "MPL 1\r\nLedger: Trip\r\n\r\n2026-05-01  Train  -12.50\r\n"
                                   "2026-05-02  Museum  12,50\r\n"));
    Start(L"\"" + damaged + L"\"");
    EXPECT_EQ(L"Corvale can't show this file:\n" + damaged +
                  L"\n\nLine 5: An amount must look like 12.50, -12.50 or +12.50.",
              ShownMessage());
    EXPECT_EQ(L"damaged.mpl - Corvale", Text(Run.Window));
    Close();
}

TEST_F(CorvaleAppTest, RefusesAProgramPassedAsALedger) {
    // Any bytes at all: here a whole executable.
    std::wstring binary = Folder + L"\\program.mpl";
    ASSERT_TRUE(CopyFileW(OnDriveZ(PAYLOAD_BUILT_MAIN_PROGRAM).c_str(), binary.c_str(), FALSE));
    Start(L"\"" + binary + L"\"");
    std::wstring message = ShownMessage();
    EXPECT_EQ(0u, message.find(L"Corvale can't show this file:\n" + binary + L"\n\nLine 1: "));
    Close();
}

TEST_F(CorvaleAppTest, SaysWhyAMissingFileCantBeOpened) {
    std::wstring missing = Folder + L"\\missing.mpl";
    DeleteFileW(missing.c_str());
    Start(L"\"" + missing + L"\"");
    std::wstring message = ShownMessage();
    std::wstring start = L"Corvale can't open this file:\n" + missing + L"\n\n";
    EXPECT_EQ(0u, message.find(start));
    EXPECT_GT(message.size(), start.size()); // the system's reason follows
    Close();
}

TEST_F(CorvaleAppTest, WithoutADocumentShowsTheHint) {
    Start(L"");
    EXPECT_EQ(L"Corvale", Text(Run.Window));
    EXPECT_EQ(Hint, ShownMessage());
    Close();
}

TEST_F(CorvaleAppTest, GreetsOnceOnTheFirstRun) {
    ASSERT_TRUE(WriteRegistryText(HKEY_CURRENT_USER, ApplicationKey, L"FirstRun", L"Yes"));
    Start(L"");
    HWND greeting = FindProcessMessageBox(Run.Process.dwProcessId, L"Corvale");
    ASSERT_NE(nullptr, greeting);
    EXPECT_EQ(0u, MessageBoxText(greeting).find(L"Welcome to Corvale " CORVALE_PRODUCT_VERSION L"!"));
    EXPECT_EQ(L"No", ReadRegistryValue(HKEY_CURRENT_USER, ApplicationKey, L"FirstRun").Text);
    PressButton(greeting, IDOK);
    Close();
    // The next start finds "No" and greets no more.
    Start(L"");
    EXPECT_EQ(nullptr, FindProcessMessageBox(Run.Process.dwProcessId, L"Corvale", 2000));
    Close();
}

TEST_F(CorvaleAppTest, HoldsTheRunningMutexWhileItRuns) {
    const wchar_t mutexName[] = L"Global\\Wendrake.Corvale.Running";
    Start(L"");
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, mutexName);
    EXPECT_NE(nullptr, mutex);
    if (mutex != nullptr)
        CloseHandle(mutex);
    Close();
    EXPECT_EQ(nullptr, OpenMutexW(SYNCHRONIZE, FALSE, mutexName));
}

} // namespace
