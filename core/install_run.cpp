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
const char16_t FolderOpenFailureFormat[] = u"Couldn't open folder %s";
// The documents folder is the user's: a link there would turn the elevated run's writes and
// deletes onto any file of the machine, so the run leaves it alone and says what to do.
const char16_t LinkedFolderFormat[] =
    u"The folder %s is reached through a link, so the setup left it alone.\n"
    u"Run the setup again and choose another documents folder.";
const char16_t LinkedFileFormat[] =
    u"%s is a link or another name of a file elsewhere, so the setup left it alone.\n"
    u"Remove it and run the setup again.";
// Either message holds its whole path: a folder of the path buffer and a file name in it.
static_assert(sizeof LinkedFileFormat / sizeof(char16_t) + PathUnits + sizeof TemporaryFileName <=
                      StatusUnits &&
                  sizeof LinkedFolderFormat / sizeof(char16_t) + PathUnits <= StatusUnits,
              "a link's message holds its whole path");
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

// The documents folder, made as the program folder is and then opened checked, once: every
// write and delete in it goes through the returned folder. Null after Fail.
CheckedFolder* MakeCheckedFolder(const char16_t* folder) {
    unsigned long error = CreateFolder(folder);
    if (error != 0 && error != ErrorAlreadyExists) {
        Fail(FolderFailureFormat, folder, static_cast<int>(error));
        return nullptr;
    }
    CheckOutcome outcome = CheckFailed;
    CheckedFolder* checked = OpenCheckedFolder(folder, &outcome);
    if (checked == nullptr) {
        Fail(outcome == CheckRedirected ? LinkedFolderFormat : FolderOpenFailureFormat, folder);
        return nullptr;
    }
    // A ~crv.tmp that is a link holds the name the sample is written under: the run stops. A
    // ~crv-<hex>.del that is one is only left where it is; the run needs neither.
    if (DeleteCheckedName(checked, TemporaryFileName) != CheckRedirected) {
        DeleteCheckedLeftovers(checked);
        return checked;
    }
    char16_t temporary[StatusUnits] = {};
    FormatText(temporary, StatusUnits, FolderFileFormat, folder, TemporaryFileName);
    CloseCheckedFolder(checked);
    Fail(LinkedFileFormat, temporary);
    return nullptr;
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
int ExtractRow(int row, char16_t* target, CheckedFolder* documents, ProgressSink* sink) {
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
    int extracted =
        file->Folder == DocumentsFolderTarget
            ? ExtractCheckedPayload(documents, file->FileName, entry->Blob, PayloadBlobBytes(*entry),
                                    PayloadChecksums[row], sink, existing)
            : ExtractPayload(target, entry->Blob, PayloadBlobBytes(*entry), PayloadChecksums[row], sink,
                             existing);
    if (extracted != 0) {
        Fail(extracted == CheckRedirected ? LinkedFileFormat : file->FailureFormat, target);
        return -1;
    }
    return 0;
}

// Writes the payload files, creating each folder before its first row. Ticks 2 and 3 are
// the run's own; every other tick comes from the extraction.
int ExtractPayloads(char16_t (*targets)[PathUnits], ProgressSink* sink) {
    if (MakeProgramFolder(WizardState.ProgramFolder) != 0)
        return -1;
    ProgressStepIt(sink);
    CheckedFolder* documents = nullptr;
    int extracted = 0;
    for (int row = 0; row < PayloadCount && extracted == 0; ++row) {
        if (InstalledFiles[row].Folder == DocumentsFolderTarget && documents == nullptr &&
            (documents = MakeCheckedFolder(WizardState.DocumentsFolder)) == nullptr)
            extracted = -1;
        else
            extracted = ExtractRow(row, targets[row], documents, sink);
    }
    CloseCheckedFolder(documents);
    if (extracted == 0)
        ProgressStepIt(sink);
    return extracted;
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
