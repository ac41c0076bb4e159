#include "removal_win.h"

#include "core/product.h"
#include "core/text.h"
#include "core/win_text.h"

namespace {

constexpr int RetryCount = 50;
constexpr DWORD RetryPauseMilliseconds = 100;

bool InUse(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

} // namespace

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
