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

// Removes the folder when nothing is left in it, trying again for a few seconds while the
// system still finishes deleting what was in it. 1 when it is gone, 0 when it stays.
int RemoveFolderIfEmpty(const char16_t* folder);

// 1 when every entry of the folder but its subfolders passes keep (a file name), or there is
// none at all for a null keep; 0 when one doesn't or the folder can't be read.
int FolderHoldsOnly(const char16_t* folder, int (*keep)(const char16_t* name));
