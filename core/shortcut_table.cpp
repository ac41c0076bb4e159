#include "shortcut_table.h"

#include "text.h"

namespace {
int Wanted(ShortcutCondition condition, const InstallInputs* inputs) {
    switch (condition) {
    case AlwaysMade:
        return 1;
    case WhenProgramShortcutWanted:
        return inputs->ProgramShortcutWanted == 1;
    case WhenDocumentsShortcutWanted:
        return inputs->DocumentsShortcutWanted == 1;
    }
    return 0;
}

void CreateShortcut(const ShortcutEntry* entry, const InstallInputs* inputs) {
    char16_t folder[PathUnits] = {};
    char16_t linkFile[PathUnits] = {};
    if (GetSpecialFolder(entry->FolderCsidl, folder) != 0 || folder[0] == 0)
        return;
    if (FormatText(linkFile, PathUnits, FolderFileFormat, folder, InstallText(entry->FileName, inputs)) < 0)
        return;
    // Missing texts reach CreateShellLink as null and are refused there with nothing written.
    CreateShellLink(InstallText(entry->Target, inputs), entry->Arguments, linkFile,
                    InstallText(entry->Description, inputs), entry->ShowCommand,
                    InstallText(entry->WorkingDirectory, inputs), entry->IconPath, entry->IconIndex);
}
} // namespace

void CreateShortcuts(const InstallInputs* inputs, ProgressSink* sink) {
    for (const ShortcutEntry& entry : ShortcutTable) {
        if (Wanted(entry.Condition, inputs))
            CreateShortcut(&entry, inputs);
        if (sink != nullptr)
            ProgressStepIt(sink);
    }
}
