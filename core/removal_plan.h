// The uninstallation as a plan: every file, link, registry value and folder that the setup
// makes, in the order the uninstaller takes them away, composed from the same tables the
// setup's run writes from (InstalledFiles, RegistryWriteTable, ShortcutTable).
//
// The order keeps a promise at every step: either the uninstall entry is listed and the
// uninstaller it runs is there, or nothing of the installation is left but the user's data.
// So the main program goes first (a running copy stops everything before anything is
// gone), then the other files, the leftovers, the links and the registry values, and only
// then the uninstaller's library, and last the entry together with the uninstaller itself
// and the folder that held them. Every step takes "already gone" as done, so a run that was ended part-way is
// finished by running the uninstaller again.
#pragma once

#include "registry_table.h"
#include "shortcut_table.h"

enum RemovalKind {
    RemoveProgramUnlessRunning, // Path: the main program
    RemoveFileStep,             // Path: a file
    RemoveFileWhileShipped,     // Path: a file; only while it holds the shipped bytes or nothing
    RemoveLeftoversStep,        // Path: a folder; its TemporaryFileName and leftover-pattern files
    RemoveShortcutStep,         // Csidl and Path (the link's file name); Data: the link's target
    RemoveKeyTreeStep,          // Root, Path: a key with everything below it
    RemoveValueStep,            // Root, Path: the key, ValueName; the key too once it is empty
    RemoveValueWhileOursStep,   // as RemoveValueStep, only while the value's text is Data
    RemoveLibraryStep,          // Path: the uninstaller's library
    // Root, Path: the entry's key; Data: the uninstaller's path; then the uninstaller's
    // folder, the program folder, when nothing else is left in it.
    RemoveEntryAndUninstaller,
};

struct RemovalStep {
    RemovalKind Kind;
    RegistryRoot Root;
    int Csidl;
    const char16_t* ValueName;
    char16_t Path[PathUnits];
    char16_t Data[RegistryDataUnits];
};

// The most steps a plan can have: a step per installed file but the uninstaller (which goes
// with the entry), one for the leftovers of each target folder, one per link, one per
// registry write that is taken away on its own, and the entry's.
constexpr int RemovalStepsAtMost() {
    int steps = 1 + ShortcutCount;
    bool documentsFolder = false;
    for (const InstalledFile& file : InstalledFiles) {
        steps += file.Removal != RemoveAsUninstaller;
        documentsFolder = documentsFolder || file.Folder == DocumentsFolderTarget;
    }
    steps += documentsFolder ? 2 : 1;
    for (const RegistryWrite& write : RegistryWriteTable)
        steps += write.Removal != InsideRemovedKey && write.Removal != RemoveEntryKeyTree;
    return steps;
}
constexpr int RemovalStepLimit = RemovalStepsAtMost();
struct RemovalPlan {
    int Count;
    RemovalStep Steps[RemovalStepLimit];
};

// Composes the plan for an installation with these folders (MainProgramPath is composed
// here from ProgramFolder; the shortcut choices don't matter: a link goes wherever it is
// found leading into the installation). A missing DocumentsFolder leaves out the steps that
// need it. Returns 0, or -1 when ProgramFolder is missing or a text does not fit.
int ComposeRemovalPlan(const char16_t* programFolder, const char16_t* documentsFolder, RemovalPlan* plan);

// 1 when name (a file name, no folder) is of the leftover pattern: LeftoverPrefix, one to
// LeftoverDigitsMax hexadecimal digits, LeftoverSuffix, in any case.
int IsLeftoverName(const char16_t* name);
// The leftover name for a number into name (PathUnits units). Returns its length, or -1.
int ComposeLeftoverName(char16_t* name, unsigned number);
