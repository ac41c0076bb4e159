// Files and folders on Win32. Every path stays UTF-16 down to the wide calls, so folders
// named in any script work.
#include <windows.h>
#include <shlobj.h>

#include "file_handle_win.h"
#include "platform.h"
#include "registry_table.h"
#include "removal_plan.h"
#include "text.h"
#include "win_text.h"

namespace {
// WriteFile and ReadFile take a 32-bit count; larger requests go in pieces of this size.
constexpr size_t LargestWrite = 1u << 30;
} // namespace

void DeleteTargetFile(const char16_t* path) {
    DeleteFileW(WideText(path));
}

void DeleteLeftoverFiles(const char16_t* folder) {
    char16_t pattern[PathUnits], path[PathUnits];
    if (FormatText(pattern, PathUnits, FolderFileFormat, folder, LeftoverPattern) < 0)
        return;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(pattern), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do {
        // The wildcard also matches short names and longer ones; only the exact pattern goes.
        const char16_t* name = reinterpret_cast<const char16_t*>(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsLeftoverName(name) &&
            FormatText(path, PathUnits, FolderFileFormat, folder, name) >= 0)
            DeleteFileW(WideText(path));
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

void PauseMilliseconds(unsigned milliseconds) {
    Sleep(milliseconds);
}

int CheckReplaceable(const char16_t* path) {
    // Write and delete access, sharing everything: refused exactly when the move over the
    // file would be refused on Windows: a read-only file, a handle that doesn't share
    // deletion, a running program's image (whose section denies writing). Wine's rename
    // replaces even a running image, so without this check the two would differ.
    HANDLE file = CreateFileW(WideText(path), GENERIC_WRITE | DELETE,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND ? 0 : -1;
    CloseHandle(file);
    return 0;
}

PlatformFile* WrapFileHandle(HANDLE handle) {
    PlatformFile* file = static_cast<PlatformFile*>(HeapAlloc(GetProcessHeap(), 0, sizeof(PlatformFile)));
    if (file == nullptr) {
        CloseHandle(handle);
        SetLastError(ERROR_NOT_ENOUGH_MEMORY);
        return nullptr;
    }
    file->Handle = handle;
    file->Failed = 0;
    return file;
}

namespace {
PlatformFile* OpenFile(const char16_t* path, DWORD access, DWORD sharing, DWORD disposition) {
    HANDLE handle =
        CreateFileW(WideText(path), access, sharing, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    // The caller may ask why it failed: the last error is CreateFileW's.
    return handle == INVALID_HANDLE_VALUE ? nullptr : WrapFileHandle(handle);
}

int CloseFile(PlatformFile* file) {
    int closed = CloseHandle(file->Handle) ? 0 : -1;
    HeapFree(GetProcessHeap(), 0, file);
    return closed;
}
} // namespace

PlatformFile* OpenFileForWriting(const char16_t* path) {
    // No write or delete sharing while the file is being written: nobody else can change
    // or remove it half-way.
    return OpenFile(path, GENERIC_WRITE, FILE_SHARE_READ, CREATE_ALWAYS);
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
    // The file is moved over an installed one next: its data must be on the disk before
    // the move is, or a power cut could leave the new name on a file the disk never got.
    int flushed = FlushFileBuffers(file->Handle) ? 0 : -1;
    int failed = file->Failed;
    int closed = CloseFile(file);
    return flushed == 0 && closed == 0 && failed == 0 ? 0 : -1;
}

int MoveFileOver(const char16_t* from, const char16_t* to) {
    // One rename within the folder, which the file system does in one step; ReplaceFileW
    // would carry the old file's attributes and times over and can fail half-way with the
    // old file already renamed. Write-through: the move is on the disk when this returns.
    return MoveFileExW(WideText(from), WideText(to), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) ? 0
                                                                                                         : -1;
}

PlatformFile* OpenFileForReading(const char16_t* path, int* missing) {
    PlatformFile* file =
        OpenFile(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, OPEN_EXISTING);
    *missing = file == nullptr && GetLastError() == ERROR_FILE_NOT_FOUND ? 1 : 0;
    return file;
}

long ReadFileBytes(PlatformFile* file, unsigned char* bytes, size_t count) {
    DWORD piece = static_cast<DWORD>(count < LargestWrite ? count : LargestWrite);
    DWORD read = 0;
    if (!ReadFile(file->Handle, bytes, piece, &read, nullptr))
        return -1;
    return static_cast<long>(read);
}

void CloseReadFile(PlatformFile* file) {
    CloseFile(file);
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
