// File and folder removal shared by the uninstaller and its library.
#pragma once

#include <windows.h>

// "folder\name" into out (PathUnits units). 0, or -1 when it does not fit.
int ComposeFilePath(char16_t* out, const char16_t* folder, const char16_t* name);

// Deletes a file. 0 when it is gone, also when it was never there; otherwise the system's
// error code (ERROR_ACCESS_DENIED or ERROR_SHARING_VIOLATION for a file in use).
DWORD RemoveFile(const char16_t* path);

// Like RemoveFile, but keeps trying for a few seconds while the file is in use: a process
// that has just ended may hold its image for a moment longer.
DWORD RemoveFileOnceReleased(const char16_t* path);

// Removes an installed file: a read-only one loses the attribute first, and one that another
// program holds is tried again for a few seconds. When it still can't be deleted but can be
// renamed (a program's image in use), it is renamed in its folder to a leftover name
// (LeftoverPrefix...) and removed when Windows restarts. RemovedNow, RemovedAtRestart, or
// the system's error code (ERROR_SHARING_VIOLATION for a file held open) with the file as it was.
constexpr DWORD RemovedNow = 0;
constexpr DWORD RemovedAtRestart = 0xFFFFFFFF;
DWORD RemoveInstalledFile(const char16_t* path);

// Renames a file in its folder to a new leftover name and has Windows remove it when it
// restarts. 0, or the system's error code with the file as it was.
DWORD RenameForRemovalAtRestart(const char16_t* path);

// Removes the folder when nothing is left in it, trying again for a few seconds while the
// system still finishes deleting what was in it. 1 when it is gone, 0 when it stays.
int RemoveFolderIfEmpty(const char16_t* folder);

// 1 when every entry of the folder is a file of the leftover pattern (or there is none).
int FolderHoldsOnlyLeftovers(const char16_t* folder);
