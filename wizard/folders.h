// The two folders of the folder page: their defaults and the picker's start folder.
// Portable: the registry and the special folders are reached through core/platform.h.
#pragma once

// Fills WizardState.ProgramFolder with the folder of an earlier installation, or else with
// the Program Files folder followed by the product's name.
void FillProgramFolderDefault();
// Fills WizardState.DocumentsFolder with the documents folder of an earlier installation,
// or else with the user's documents folder followed by the documents folder's name.
void FillDocumentsFolderDefault();

// Writes into start (PathUnits units) the folder that the picker preselects for the browse
// button buttonId (the program folder's button, any other id meaning the documents
// folder's): the current folder, less the default's last element and the one unit before
// it when the folder ends in that element.
void BrowseStartFolder(char16_t* start, int buttonId);
