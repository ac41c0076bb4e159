// The uninstaller's portable rules: its command lines and how it compares paths. What
// belongs to the installation is the removal plan's (core/removal_plan.h). The Win32
// programs build on these.
#pragma once

#include <stdint.h>

#include "core/product.h"

struct UninstallOptions {
    int Silent; // /S: no questions and no messages; the exit code tells the outcome
};

// Reads the uninstaller's whole command line: the program's path, then "/S" (either case)
// for a silent run. The path comes first as the starter wrote it, quoted or not: Windows'
// list of installed programs runs the stored uninstall command, an unquoted path that may
// hold spaces. So only the end of the line is read: the run is silent when its last word,
// after a space or a closing quote, is /S. Any other text is part of the path.
UninstallOptions ReadUninstallOptions(const char16_t* commandLine);

// The arguments that uninstall.dll's finishing entry receives: the uninstaller's process
// handle and the handle of the library's copy, both inherited, as decimal numbers, each
// followed by one space, then the path of the file to delete once that process has ended
// (the uninstaller's own image, moved out of the installation).
// Returns the length, or -1 when it does not fit capacity units.
int ComposeFinishArguments(char16_t* out, int capacity, uint32_t processHandle, uint32_t copyHandle,
                           const char16_t* image);
// Reads them back; image receives the path, PathUnits units. Returns 0, or -1 when the text
// is not two handle numbers below 2^31 of at most ten digits, each followed by one space,
// and a non-empty path that fits.
int ParseFinishArguments(const char16_t* arguments, uint32_t* processHandle, uint32_t* copyHandle,
                         char16_t* image);

// 1 when the two paths name the same place as far as the text tells: ASCII letters in any
// case, '/' or '\' and runs of them alike, a trailing separator ignored. The Win32 side asks
// the file system first (same file or folder) and falls back to this for missing items.
int SamePath(const char16_t* a, const char16_t* b);

// The folder of a file's path: everything before its last backslash. folder receives
// PathUnits units. Returns 0, or -1 when there is no backslash or it does not fit.
int FolderOfPath(const char16_t* path, char16_t* folder);
