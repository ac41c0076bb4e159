// Files and folders on Win32. Every path stays UTF-16 down to the wide calls, so folders
// named in any script work.
#include <windows.h>
#include <shlobj.h>

#include "platform.h"
#include "win_text.h"

struct PlatformFile {
    HANDLE Handle;
    int Failed; // a write has failed: the file is incomplete whatever the close says
};

namespace {
// WriteFile takes a 32-bit count; larger requests go in pieces of this size.
constexpr size_t LargestWrite = 1u << 30;
} // namespace

void DeleteTargetFile(const char16_t* path) {
    DeleteFileW(WideText(path));
}

void PauseMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

PlatformFile* OpenFileForWriting(const char16_t* path) {
    // From the process heap rather than operator new, which would drag the runtime's
    // exception support into the setup.
    PlatformFile* file = static_cast<PlatformFile*>(HeapAlloc(GetProcessHeap(), 0, sizeof(PlatformFile)));
    if (file == nullptr)
        return nullptr;
    // No write or delete sharing while the file is being written: nobody else can change
    // or remove it half-way.
    file->Handle = CreateFileW(WideText(path), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    file->Failed = 0;
    if (file->Handle == INVALID_HANDLE_VALUE) {
        HeapFree(GetProcessHeap(), 0, file);
        return nullptr;
    }
    return file;
}

int WriteFileBytes(PlatformFile* file, const unsigned char* bytes, size_t count) {
    while (count > 0 && file->Failed == 0) {
        DWORD piece = static_cast<DWORD>(count < LargestWrite ? count : LargestWrite);
        DWORD written = 0;
        // A short write without an error is a full volume all the same.
        if (!WriteFile(file->Handle, bytes, piece, &written, nullptr) || written != piece)
            file->Failed = 1;
        bytes += written;
        count -= written;
    }
    return file->Failed == 0 ? 0 : -1;
}

int CloseWrittenFile(PlatformFile* file) {
    // Writes go straight to the system (the decoder hands over whole blocks), so closing the
    // handle is the last point where the system can refuse the data.
    int closed = CloseHandle(file->Handle) ? 0 : -1;
    int failed = file->Failed;
    HeapFree(GetProcessHeap(), 0, file);
    return closed == 0 && failed == 0 ? 0 : -1;
}

unsigned long CreateFolder(const char16_t* path) {
    if (CreateDirectoryW(WideText(path), nullptr))
        return 0;
    DWORD error = GetLastError();
    // A failure must never read as success, even if the system left no code behind.
    return error != ERROR_SUCCESS ? error : ERROR_CAN_NOT_COMPLETE;
}

// The shell writes up to MAX_PATH units into the caller's buffer.
static_assert(PathUnits >= MAX_PATH, "a path buffer must hold any special folder");

int GetSpecialFolder(int csidl, char16_t* path) {
    path[0] = 0;
    if (!SHGetSpecialFolderPathW(nullptr, WideText(path), csidl, FALSE)) {
        path[0] = 0;
        return -1;
    }
    return 0;
}
