#include "removal_win.h"

#include "core/product.h"
#include "core/removal_plan.h"
#include "core/text.h"
#include "core/win_text.h"

namespace {

constexpr int RetryCount = 50;
constexpr DWORD RetryPauseMilliseconds = 100;

bool InUse(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

// 1 when every entry of the folder but "." and ".." passes keep (none at all for null), 0
// when one doesn't or the folder can't be read.
int FolderHoldsOnly(const char16_t* folder, int (*keep)(const char16_t* name)) {
    char16_t pattern[PathUnits];
    if (ComposeFilePath(pattern, folder, u"*") != 0)
        return 0;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(WideText(pattern), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int empty = 1;
    do {
        const wchar_t* name = entry.cFileName;
        bool dots = name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0));
        if (!dots && (keep == nullptr || (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ||
                      !keep(reinterpret_cast<const char16_t*>(name))))
            empty = 0;
    } while (empty && FindNextFileW(search, &entry));
    FindClose(search);
    return empty;
}

} // namespace

int ComposeFilePath(char16_t* out, const char16_t* folder, const char16_t* name) {
    return FormatText(out, PathUnits, u"%s\\%s", folder, name) < 0 ? -1 : 0;
}

DWORD RemoveFile(const char16_t* path) {
    if (DeleteFileW(WideText(path)))
        return 0;
    DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? 0 : error;
}

DWORD RemoveFileOnceReleased(const char16_t* path) {
    DWORD error = RemoveFile(path);
    for (int attempt = 0; attempt < RetryCount && InUse(error); ++attempt) {
        Sleep(RetryPauseMilliseconds);
        error = RemoveFile(path);
    }
    return error;
}

int RemoveFolderIfEmpty(const char16_t* folder) {
    for (int attempt = 0; attempt < RetryCount; ++attempt) {
        if (RemoveDirectoryW(WideText(folder)))
            return 1;
        DWORD error = GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND)
            return 1;
        // Something the user keeps there: the folder stays, at once.
        if (!FolderHoldsOnly(folder, nullptr))
            return 0;
        Sleep(RetryPauseMilliseconds);
    }
    return 0;
}

int FolderHoldsOnlyLeftovers(const char16_t* folder) {
    return FolderHoldsOnly(folder, IsLeftoverName);
}

DWORD RenameForRemovalAtRestart(const char16_t* path) {
    char16_t folder[PathUnits], name[PathUnits], leftover[PathUnits];
    int last = -1;
    for (int i = 0; path[i] != 0; ++i)
        if (path[i] == u'\\')
            last = i;
    if (last <= 0 || CopyText(folder, PathUnits, path) < 0)
        return ERROR_BAD_PATHNAME;
    folder[last] = 0;
    // A name nobody uses: MoveFileEx without REPLACE_EXISTING never takes an existing one.
    DWORD error = ERROR_ALREADY_EXISTS;
    unsigned seed = GetTickCount() ^ (GetCurrentProcessId() << 16);
    for (unsigned attempt = 0; attempt < 16 && error == ERROR_ALREADY_EXISTS; ++attempt) {
        if (ComposeLeftoverName(name, seed + attempt * 0x9E3779B9u) < 0 ||
            ComposeFilePath(leftover, folder, name) != 0)
            return ERROR_BAD_PATHNAME;
        error = MoveFileExW(WideText(path), WideText(leftover), 0) ? 0 : GetLastError();
    }
    if (error != 0)
        return error;
    MoveFileExW(WideText(leftover), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

DWORD RemoveInstalledFile(const char16_t* path) {
    DWORD attributes = GetFileAttributesW(WideText(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return RemovedNow; // already gone
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(WideText(path), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    DWORD error = RemoveFileOnceReleased(path);
    if (error == 0)
        return RemovedNow;
    return RenameForRemovalAtRestart(path) == 0 ? RemovedAtRestart : error;
}
