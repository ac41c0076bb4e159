#include "install_run.h"

#include <stdarg.h>

#include "folder_access.h"
#include "payload.h"
#include "payload_checksums.h"
#include "payload_format.h"
#include "registry_table.h"
#include "shortcut_table.h"
#include "text.h"
#include "../wizard/wizard_state.h"

namespace {
const char16_t FolderFailureFormat[] = u"Couldn't create folder %s\nError: %d";
// The folder, then the product's name.
const char16_t ExposedFolderFormat[] =
    u"ERROR: Can't install into folder:\n\n%s\n\nUsers who are not administrators can change files there, "
    u"and it holds files that are not %s's.\nRun the setup again and choose another folder.";
const char16_t RegistryFailureMessage[] = u"Couldn't update Windows registry!";
const char16_t CongratulationFormat[] =
    u"Congratulations!\n\nYou've successfuly installed %s on your computer.\n"
    u"Thank you for choosing %s.\n\nVisit %s's website for updates and news:";

void ShowStatusV(const char16_t* format, va_list args) {
    char16_t message[StatusUnits] = {};
    // Every message of the run fits; should one ever not, its text is shown unfilled rather
    // than cut off somewhere in the middle of a path.
    if (FormatTextV(message, StatusUnits, format, args) < 0)
        CopyText(message, StatusUnits, format);
    ShowStatusText(message);
}

const char16_t* FolderOf(PayloadFolder folder) {
    return folder == ProgramFolderTarget ? WizardState.ProgramFolder : WizardState.DocumentsFolder;
}

// A test build uses an existing program folder without asking who may change it, as setups
// did before: the existing-folder tests show with it that they notice such a folder used.
#ifdef CORVALE_TEST_UNGUARDED_FOLDER
constexpr bool GuardsProgramFolder = false;
#else
constexpr bool GuardsProgramFolder = true;
#endif

// Removes the temporary file that a run ended part-way may have left in folder and the files
// that an uninstallation left to be removed at restart.
void ClearLeftovers(const char16_t* folder) {
    RemoveTemporaryFile(folder);
    DeleteLeftoverFiles(folder);
}

// Creates the last component of folder; an existing folder is used as it is.
int MakeFolder(const char16_t* folder) {
    unsigned long error = CreateFolder(folder);
    if (error == 0 || error == ErrorAlreadyExists) {
        ClearLeftovers(folder);
        return 0;
    }
    Fail(FolderFailureFormat, folder, static_cast<int>(error));
    return -1;
}

// Whether folder is where the registry records this product as installed.
int IsEarlierInstallation(const char16_t* folder) {
    char16_t recorded[PathUnits] = {};
    return ReadRememberedFolder(RememberedProgramFolder, recorded) == 0 && SameFolder(recorded, folder);
}

// The program folder holds what administrators run later, so nobody else may change it. A new
// one gets the setup's own access list. An existing one that only administrators can change
// (anything under Program Files) is used as it is; one that others can change gets the same
// list when it holds nothing or this product's earlier installation, and is refused otherwise,
// before anything is written: another program's files there may already be someone's bait.
int MakeProgramFolder(const char16_t* folder) {
    unsigned long error = CreateProtectedFolder(folder);
    if (error == ErrorAlreadyExists) {
        FolderAccess access;
        error = ReadFolderAccess(folder, &access);
        if (error == 0 && GuardsProgramFolder && OthersMayChangeFolder(&access)) {
            int empty = FolderIsEmpty(folder);
            int accepted = empty || IsEarlierInstallation(folder);
            if (accepted)
                error = ProtectFolder(folder);
            // A file added between the look and the protection would stay its adder's to change.
            if (accepted && empty && error == 0)
                accepted = FolderIsEmpty(folder);
            if (!accepted) {
                Fail(ExposedFolderFormat, folder, ProductInfo.ProductName);
                return -1;
            }
        }
    }
    if (error != 0) {
        Fail(FolderFailureFormat, folder, static_cast<int>(error));
        return -1;
    }
    ClearLeftovers(folder);
    return 0;
}

// Composes the row's target path into target and writes the row's file there. A folder so
// long that the target does not fit the path buffer fails the row with its own message,
// naming the whole target: the status buffer holds any folder of PathUnits units and the
// longest file name, so the path is shown complete, never cut.
int ExtractRow(int row, char16_t* target, ProgressSink* sink) {
    const PayloadEntry* entry = &PayloadTable[row];
    const InstalledFile* file = &InstalledFiles[row];
    const char16_t* folder = FolderOf(file->Folder);
    if (FormatText(target, PathUnits, FolderFileFormat, folder, file->FileName) < 0) {
        char16_t whole[StatusUnits] = {};
        FormatText(whole, StatusUnits, FolderFileFormat, folder, file->FileName);
        Fail(file->FailureFormat, whole);
        return -1;
    }
    // A file that is the user's once it differs from the payload (the sample ledger) is
    // kept; the uninstaller judges it the same way.
    ExistingFile existing = file->Removal == RemoveWhileShipped ? KeepChanged : ReplaceExisting;
    if (ExtractPayload(target, entry->Blob, PayloadBlobBytes(*entry), PayloadChecksums[row], sink,
                       existing) != 0) {
        Fail(file->FailureFormat, target);
        return -1;
    }
    return 0;
}

// Writes the five files, creating each folder before its first row. Ticks 2 and 3 are
// the run's own; every other tick comes from the extraction.
int ExtractPayloads(char16_t (*targets)[PathUnits], ProgressSink* sink) {
    if (MakeProgramFolder(WizardState.ProgramFolder) != 0)
        return -1;
    ProgressStepIt(sink);
    int documentsFolderMade = 0;
    for (int row = 0; row < PayloadCount; ++row) {
        if (InstalledFiles[row].Folder == DocumentsFolderTarget && !documentsFolderMade) {
            if (MakeFolder(WizardState.DocumentsFolder) != 0)
                return -1;
            documentsFolderMade = 1;
        }
        if (ExtractRow(row, targets[row], sink) != 0)
            return -1;
    }
    ProgressStepIt(sink);
    return 0;
}

long CodedPayloadTotal() {
    long total = 0;
    for (const PayloadEntry& entry : PayloadTable)
        total += PayloadSize(entry.Blob, PayloadBlobBytes(entry));
    return total;
}
} // namespace

void ShowStatus(const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    ShowStatusV(format, args);
    va_end(args);
}

void Fail(const char16_t* format, ...) {
    RemoveProgressDisplay();
    va_list args;
    va_start(args, format);
    ShowStatusV(format, args);
    va_end(args);
    ShowCloseButton();
}

void InstallRun() {
    char16_t targets[PayloadCount][PathUnits] = {};

    SavePageFields();
    DestroyPageControls();
    ShowInstallingCaption();
    ShowBusyCursor();
    long total = CodedPayloadTotal();
    ProgressSink sink = CreateProgressBar();
    ProgressSetRange(&sink, static_cast<int>(total / static_cast<long>(ProgressRangeUnitBytes)));
    ProgressSetStep(&sink, 1);
    ProgressStepIt(&sink);

    if (ExtractPayloads(targets, &sink) != 0)
        return;

    InstallInputs inputs = {WizardState.ProgramFolder, WizardState.DocumentsFolder, targets[MainProgramRow],
                            WizardState.ProgramShortcutWanted, WizardState.DocumentsShortcutWanted};
    if (WriteRegistryTable(&inputs, &sink) != 0) {
        Fail(RegistryFailureMessage);
        return;
    }
    CreateShortcuts(&inputs, &sink);

    WizardState.InstallFinished = 1;
    RemoveProgressDisplay();
    ShowStatus(CongratulationFormat, ProductInfo.ProductName, ProductInfo.PublisherName,
               ProductInfo.ProductName);
    ShowWebSiteButton();
    ShowCloseButton();
}
