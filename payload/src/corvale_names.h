// Names shared by the installed programs (corvale.exe, the uninstaller and its library)
// and their tests. The product's own names and file names come from ProductInfo.
#pragma once

#include "../../core/registry_names.h"

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

// The registry names the setup writes come from core/registry_names.h.
constexpr char16_t FirstRunDone[] = u"No";

// The uninstaller's exit codes, for scripts and tests.
enum UninstallExitCode {
    UninstallDone = 0,
    UninstallCancelled = 1,
    UninstallProgramRunning = 2, // corvale.exe runs; nothing was removed
    UninstallIncomplete = 3,     // removed, but some items could not be; the report names them
    UninstallAlreadyRunning = 4, // another uninstallation runs; nothing was removed
    UninstallRefused = 5,        // its folder is not the installation's; nothing was removed
};

// Held while an uninstallation runs, so that a second one started meanwhile is refused.
constexpr char16_t UninstallingMutexName[] = u"Global\\Wendrake.Corvale.Uninstalling";

// The entry of uninstall.dll that rundll32 runs to finish the removal. rundll32 looks for
// the name with a W appended first and then passes the arguments as UTF-16.
constexpr char16_t FinishEntryName[] = u"Finish";

// The start of the name of the uninstaller's folder under the Windows folder's Temp (random
// hexadecimal digits follow), which holds its moved image and its library's copy.
constexpr char16_t TemporaryFolderPrefix[] = u"corvale-uninstall-";

// The test build's stop points (CORVALE_UNINSTALL_STOP_AT) inside the last step of the plan,
// besides the one after it: the image has left its folder; the emptied folder is gone.
constexpr int LastStepStops = 2;
