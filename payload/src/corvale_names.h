// Names shared by the installed programs (corvale.exe, the uninstaller and its library)
// and their tests. The product's own names and file names come from ProductInfo.
#pragma once

// Held by corvale.exe while it runs. In the Global namespace so that the uninstaller also
// sees a copy running in another session of the machine.
constexpr char16_t RunningMutexName[] = u"Global\\Wendrake.Corvale.Running";

// The main window of corvale.exe and its controls, which the end-to-end tests read.
constexpr char16_t MainWindowClass[] = u"Corvale.LedgerWindow";
enum CorvaleControlId {
    LedgerHeaderId = 100, // the ledger's name and the file's path
    LedgerListId = 101,   // the transactions
    LedgerTotalsId = 102, // count, income, spending, balance
    WelcomePictureId = 103,
    MessageTextId = 104, // the hint without a document, or why a document can't be shown
};

// Values that the setup writes and the programs read or remove. The setup spells them in
// core/registry_table.cpp.
constexpr char16_t ApplicationKeyFormat[] = u"SOFTWARE\\%s";
constexpr char16_t UninstallKeyFormat[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";
constexpr char16_t ClassesKeyFormat[] = u"SOFTWARE\\Classes\\%s";
constexpr char16_t AppPathValue[] = u"AppPath";
constexpr char16_t DocPathValue[] = u"DocPath";
constexpr char16_t FirstRunValue[] = u"FirstRun";
constexpr char16_t FirstRunPending[] = u"Yes";
constexpr char16_t FirstRunDone[] = u"No";

// The uninstaller's exit codes, for scripts and tests.
enum UninstallExitCode {
    UninstallDone = 0,
    UninstallCancelled = 1,
    UninstallProgramRunning = 2, // corvale.exe runs; nothing was removed
    UninstallIncomplete = 3,     // removed, but some items could not be
};

// The entry of uninstall.dll that rundll32 runs to finish the removal. rundll32 looks for
// the name with a W appended first and then passes the arguments as UTF-16.
constexpr char16_t FinishEntryName[] = u"Finish";
