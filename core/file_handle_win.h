// The Win32 form of PlatformFile, shared by the files that open one (files_win.cpp,
// checked_folder_win.cpp), so that every opener's file is written, read and closed by the
// same calls of platform.h.
#pragma once

#include <windows.h>

struct PlatformFile {
    HANDLE Handle;
    int Failed; // a write has failed: the file is incomplete whatever the close says
};

// A record for an open handle, from the process heap (operator new would drag the runtime's
// exception support into the setup). Null, with the handle closed, when there is no memory.
PlatformFile* WrapFileHandle(HANDLE handle);
