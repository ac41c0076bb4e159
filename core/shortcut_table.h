// The shortcuts that the installation places, as data, and the step that makes them.
#pragma once

#include "registry_table.h"

enum ShortcutCondition { AlwaysMade, WhenProgramShortcutWanted, WhenDocumentsShortcutWanted };

struct ShortcutEntry {
    ShortcutCondition Condition;
    int FolderCsidl; // the special folder that receives the link file
    InstallTextSource FileName;
    InstallTextSource Target;
    const char16_t* Arguments;
    InstallTextSource Description;
    int ShowCommand;
    InstallTextSource WorkingDirectory;
    const char16_t* IconPath;
    int IconIndex;
};

// The uninstaller removes each link only while it leads to the entry's target.
inline constexpr ShortcutEntry ShortcutTable[] = {
    // The Start menu entry goes to the common programs folder itself, with no subfolder.
    {AlwaysMade, CsidlCommonPrograms, ProgramShortcutFileText, MainProgramPathText, u"", ProductNameText,
     ShowNormal, ProgramFolderText, u"", 0},
    // The desktop links go to the desktop of the account that runs the setup.
    {WhenProgramShortcutWanted, CsidlDesktopDirectory, ProgramShortcutFileText, MainProgramPathText, u"",
     ProductNameText, ShowNormal, ProgramFolderText, u"", 0},
    {WhenDocumentsShortcutWanted, CsidlDesktopDirectory, DocumentsShortcutFileText, DocumentsFolderText, u"",
     DocumentsFolderNameText, ShowNormal, DocumentsFolderText, u"", 0},
};
constexpr int ShortcutCount = sizeof ShortcutTable / sizeof ShortcutTable[0];

// Makes the shortcuts in table order, each only when its condition holds, and steps sink once
// after every entry whether it was made or not. A shortcut whose folder lookup fails or whose
// link path does not fit PathUnits is skipped; the results of CreateShellLink are not looked
// at. Nothing here can fail the installation.
void CreateShortcuts(const InstallInputs* inputs, ProgressSink* sink);
