#include "shortcut_table.h"

#include "text.h"

const ShortcutEntry ShortcutTable[ShortcutCount] = {
    // The Start menu entry goes to the common programs folder itself, with no subfolder.
    {AlwaysMade, CsidlCommonPrograms, ProgramShortcutFileText, MainProgramPathText, u"", ProductNameText,
     ShowNormal, ProgramFolderText, u"", 0},
    // The desktop links go to the desktop of the account that runs the setup.
    {WhenProgramShortcutWanted, CsidlDesktopDirectory, ProgramShortcutFileText, MainProgramPathText, u"",
     ProductNameText, ShowNormal, ProgramFolderText, u"", 0},
    {WhenDocumentsShortcutWanted, CsidlDesktopDirectory, DocumentsShortcutFileText, DocumentsFolderText, u"",
     DocumentsFolderNameText, ShowNormal, DocumentsFolderText, u"", 0},
};

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
