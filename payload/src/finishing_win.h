// The uninstaller's temporary folder and its finishing step. A running program can't delete
// its own image, but it can move it: the image and a copy of uninstall.dll go into a folder
// of their own under the Windows folder's Temp (never TMP or TEMP, which the user chooses),
// and rundll32 runs the copy's FinishW there once the uninstaller has ended, which deletes
// the image and the folder.
#pragma once

#include <windows.h>

#include "core/platform.h"

struct TemporaryFolder {
    CheckedFolder* Held; // the folder, checked and held until this process ends; null before
    char16_t Path[PathUnits];
    HANDLE LibraryCopy; // the copy, delete-on-close, no write or delete sharing; null without one
    char16_t LibraryCopyPath[PathUnits];
    char16_t MovedImage[PathUnits]; // the image in the folder; empty while it is elsewhere
    int Finishing;                  // the finisher runs: it removes the folder once this process ends
};

// Copies the library into the folder (made at first use), written and closed, then holds it
// open for delete-on-close, inheritable, shared for reading only. 0, or -1 with no copy.
int CopyLibraryToTemporaryFolder(TemporaryFolder* temporary, const char16_t* library);

// Moves the running image into the folder (a rename on the same volume) and at once has
// Windows delete the image and then the folder at restart, so that an end before the
// finishing step leaves nothing past the next restart. 0, or -1 with the image in place.
int MoveImageToTemporaryFolder(TemporaryFolder* temporary, const char16_t* image);

// Moves the image back to its place, making its folder again if it is gone. 0 or -1.
int MoveImageBack(TemporaryFolder* temporary, const char16_t* image);

// Starts the finishing step for a moved image, or leaves the image to the restart when it
// can't start; then lets go of the copy and, without a finishing step, of the folder.
void FinishAfterExit(TemporaryFolder* temporary);
