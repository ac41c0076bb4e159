// Checked folders on Win32: the elevated setup and uninstaller write and delete in the user's
// own folders (documents, desktop), where the user can put a junction in the path or a link
// at a file's name. Everything here goes through one held handle of the folder and handles of
// its children opened relative to it, never following a reparse point.
//
// Wine, which the tests run under, stands a Unix symlink in for a link and shows less than
// Windows does: the reparse attribute of a folder link only by path (GetFileAttributesW),
// never on a handle; a file link not at all, even opened with FILE_OPEN_REPARSE_POINT (the
// target is opened). So each check has a second, final-path form that Wine shows too: the
// handle's final path must be the path that was composed, and a child has one link only.
#include <windows.h>
#include <winternl.h>

#include "file_handle_win.h"
#include "platform.h"
#include "registry_table.h"
#include "removal_plan.h"
#include "text.h"
#include "win_text.h"

struct CheckedFolder {
    HANDLE Handle;
    char16_t Path[PathUnits]; // full, long names, no trailing backslash
};

namespace {
// GetFinalPathNameByHandleW puts \\?\ or \\?\UNC\ before a path of up to PathUnits units; a
// rename's \??\ or \??\UNC form of folder\name fits the same room.
constexpr int FinalPathUnits = PathUnits + 16;
constexpr char16_t ExtendedPrefix[] = u"\\\\?\\";
constexpr char16_t ExtendedUncPrefix[] = u"\\\\?\\UNC\\";
constexpr char16_t UncFormat[] = u"\\\\%s";
constexpr char16_t RenameFormat[] = u"\\??\\%s\\%s";
constexpr char16_t RenameUncFormat[] = u"\\??\\UNC%s\\%s"; // the UNC path less its first backslash
constexpr NTSTATUS StatusObjectNameNotFound = static_cast<NTSTATUS>(0xC0000034);
constexpr NTSTATUS StatusObjectPathNotFound = static_cast<NTSTATUS>(0xC000003A);
constexpr NTSTATUS StatusObjectNameInvalid = static_cast<NTSTATUS>(0xC0000033);
constexpr NTSTATUS StatusProcedureNotFound = static_cast<NTSTATUS>(0xC000007A);

using NtCreateFileCall = NTSTATUS(NTAPI*)(PHANDLE, ACCESS_MASK, POBJECT_ATTRIBUTES, PIO_STATUS_BLOCK,
                                          PLARGE_INTEGER, ULONG, ULONG, ULONG, ULONG, PVOID, ULONG);

// Opening relative to a folder handle is NtCreateFile's alone. ntdll is in every process from
// its first instruction, so nothing is loaded here, by path or otherwise.
NtCreateFileCall FindNtCreateFile() {
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    FARPROC found = ntdll != nullptr ? GetProcAddress(ntdll, "NtCreateFile") : nullptr;
    return reinterpret_cast<NtCreateFileCall>(reinterpret_cast<void (*)()>(found));
}

int StartsWith(const char16_t* text, const char16_t* prefix) {
    for (; *prefix != 0; ++text, ++prefix)
        if (*text != *prefix)
            return 0;
    return 1;
}

// A root keeps no backslash either ("C:"), on both sides of every comparison alike, and
// folder\name composes the same way for every folder.
void DropTrailingBackslashes(char16_t* path) {
    int end = TextLength(path);
    while (end > 0 && path[end - 1] == u'\\')
        path[--end] = 0;
}

int SameFinalPath(const char16_t* a, const char16_t* b) {
    return CompareStringOrdinal(WideText(a), -1, WideText(b), -1, TRUE) == CSTR_EQUAL;
}

CheckOutcome MissingOrFailed(DWORD error) {
    return error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? CheckMissing : CheckFailed;
}

// The path the handle's file has now, after every link on the way, without the \\?\ prefix.
int FinalPath(HANDLE handle, char16_t* path) {
    char16_t final[FinalPathUnits] = {};
    DWORD length = GetFinalPathNameByHandleW(handle, WideText(final), FinalPathUnits,
                                             FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (length == 0 || length >= static_cast<DWORD>(FinalPathUnits))
        return -1;
    int copied = StartsWith(final, ExtendedUncPrefix)
                     ? FormatText(path, PathUnits, UncFormat, final + TextLength(ExtendedUncPrefix))
                 : StartsWith(final, ExtendedPrefix)
                     ? CopyText(path, PathUnits, final + TextLength(ExtendedPrefix))
                     : CopyText(path, PathUnits, final);
    if (copied < 0)
        return -1;
    DropTrailingBackslashes(path);
    return 0;
}

// The composed path as the file system names it: full, with long names (a short name would
// never equal a final path), without trailing backslashes.
CheckOutcome NormalisePath(const char16_t* path, char16_t* normalised) {
    char16_t full[PathUnits] = {};
    DWORD length = GetFullPathNameW(WideText(path), PathUnits, WideText(full), nullptr);
    if (length == 0 || length >= static_cast<DWORD>(PathUnits))
        return CheckFailed;
    length = GetLongPathNameW(WideText(full), WideText(normalised), PathUnits);
    if (length == 0)
        return MissingOrFailed(GetLastError());
    if (length >= static_cast<DWORD>(PathUnits))
        return CheckFailed;
    DropTrailingBackslashes(normalised);
    return CheckPassed;
}

CheckOutcome CheckFolder(CheckedFolder* folder, const char16_t* path) {
    CheckOutcome normalised = NormalisePath(path, folder->Path);
    if (normalised != CheckPassed)
        return normalised;
    // A drive's root is held without its backslash, as final paths are compared, but opened
    // with it: "C:" alone names the drive's current folder.
    char16_t opened[PathUnits] = {};
    int root = folder->Path[0] != 0 && folder->Path[1] == u':' && folder->Path[2] == 0;
    if (FormatText(opened, PathUnits, root ? u"%s\\" : u"%s", folder->Path) < 0)
        return CheckFailed;
    // Wine shows a folder link's reparse attribute here, by path, and never on the handle.
    DWORD attributes = GetFileAttributesW(WideText(opened));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return MissingOrFailed(GetLastError());
    if (attributes & FILE_ATTRIBUTE_REPARSE_POINT)
        return CheckRedirected;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
        return CheckFailed;
    // Without delete sharing nobody can rename or replace the folder while it is held, so its
    // checked path stays its own (the renames below rely on it).
    folder->Handle = CreateFileW(WideText(opened), FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                 FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder->Handle == INVALID_HANDLE_VALUE)
        return MissingOrFailed(GetLastError());
    BY_HANDLE_FILE_INFORMATION information;
    char16_t final[PathUnits] = {};
    CheckOutcome outcome = CheckPassed;
    if (!GetFileInformationByHandle(folder->Handle, &information) ||
        (information.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 ||
        FinalPath(folder->Handle, final) != 0)
        outcome = CheckFailed;
    else if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) ||
             !SameFinalPath(final, folder->Path))
        outcome = CheckRedirected;
    if (outcome != CheckPassed)
        CloseHandle(folder->Handle);
    return outcome;
}

// A child's name is one plain component: nothing that could lead out of the folder.
int PlainName(const char16_t* name) {
    if (name[0] == 0 || TextEqual(name, u".") || TextEqual(name, u".."))
        return 0;
    for (const char16_t* c = name; *c != 0; ++c)
        if (*c == u'\\' || *c == u'/' || *c == u':')
            return 0;
    return 1;
}

// Opens folder\name relative to the folder's handle, never following a reparse point there,
// shared for reading only.
PlatformFile* OpenChild(CheckedFolder* folder, const char16_t* name, ACCESS_MASK access, ULONG disposition,
                        NTSTATUS* status) {
    NtCreateFileCall create = FindNtCreateFile();
    *status = create == nullptr ? StatusProcedureNotFound : StatusObjectNameInvalid;
    int length = TextLength(name);
    if (create == nullptr || !PlainName(name) || length >= PathUnits)
        return nullptr;
    UNICODE_STRING objectName;
    objectName.Buffer = const_cast<PWSTR>(WideText(name));
    objectName.Length = static_cast<USHORT>(length * sizeof(char16_t));
    objectName.MaximumLength = objectName.Length;
    OBJECT_ATTRIBUTES attributes;
    InitializeObjectAttributes(&attributes, &objectName, OBJ_CASE_INSENSITIVE, folder->Handle, nullptr);
    IO_STATUS_BLOCK io = {};
    HANDLE handle = nullptr;
    *status =
        create(&handle, access | SYNCHRONIZE | FILE_READ_ATTRIBUTES, &attributes, &io, nullptr,
               FILE_ATTRIBUTE_NORMAL, FILE_SHARE_READ, disposition,
               FILE_NON_DIRECTORY_FILE | FILE_SYNCHRONOUS_IO_NONALERT | FILE_OPEN_REPARSE_POINT, nullptr, 0);
    return NT_SUCCESS(*status) ? WrapFileHandle(handle) : nullptr;
}

void CloseChild(PlatformFile* file) {
    CloseHandle(file->Handle);
    HeapFree(GetProcessHeap(), 0, file);
}

CheckOutcome CheckChild(const CheckedFolder* folder, const char16_t* name, HANDLE handle) {
    BY_HANDLE_FILE_INFORMATION information;
    char16_t expected[PathUnits] = {}, final[PathUnits] = {};
    if (!GetFileInformationByHandle(handle, &information) ||
        FormatText(expected, PathUnits, FolderFileFormat, folder->Path, name) < 0 ||
        FinalPath(handle, final) != 0)
        return CheckFailed;
    // A second name elsewhere would let a delete or a compare here reach that file too.
    if ((information.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) || information.nNumberOfLinks != 1 ||
        !SameFinalPath(final, expected))
        return CheckRedirected;
    return CheckPassed;
}
} // namespace

CheckedFolder* OpenCheckedFolder(const char16_t* path, CheckOutcome* outcome) {
    CheckedFolder* folder =
        static_cast<CheckedFolder*>(HeapAlloc(GetProcessHeap(), 0, sizeof(CheckedFolder)));
    *outcome = folder == nullptr ? CheckFailed : CheckFolder(folder, path);
    if (folder != nullptr && *outcome != CheckPassed) {
        HeapFree(GetProcessHeap(), 0, folder);
        folder = nullptr;
    }
    return folder;
}

void CloseCheckedFolder(CheckedFolder* folder) {
    if (folder == nullptr)
        return;
    CloseHandle(folder->Handle);
    HeapFree(GetProcessHeap(), 0, folder);
}

const char16_t* CheckedFolderPath(const CheckedFolder* folder) {
    return folder->Path;
}

PlatformFile* OpenCheckedChild(CheckedFolder* folder, const char16_t* name, CheckOutcome* outcome) {
    NTSTATUS status = 0;
    PlatformFile* file = OpenChild(folder, name, GENERIC_READ | DELETE, FILE_OPEN, &status);
    if (file == nullptr) {
        *outcome = status == StatusObjectNameNotFound || status == StatusObjectPathNotFound ? CheckMissing
                                                                                            : CheckFailed;
        return nullptr;
    }
    *outcome = CheckChild(folder, name, file->Handle);
    if (*outcome != CheckPassed) {
        CloseChild(file);
        return nullptr;
    }
    return file;
}

PlatformFile* CreateCheckedChild(CheckedFolder* folder, const char16_t* name) {
    // FILE_CREATE fails on any existing name, a link's too, dangling or not: nothing is
    // opened through it and nothing there is truncated.
    NTSTATUS status = 0;
    return OpenChild(folder, name, GENERIC_WRITE | DELETE, FILE_CREATE, &status);
}

int FlushCheckedChild(PlatformFile* file) {
    // Its data must be on the disk before the rename is, or a power cut could leave the
    // installed name on a file the disk never got.
    int flushed = FlushFileBuffers(file->Handle) ? 0 : -1;
    return flushed == 0 && file->Failed == 0 ? 0 : -1;
}

int MoveCheckedChildOver(PlatformFile* file, CheckedFolder* folder, const char16_t* name) {
    // Wine 8 renames by handle only to a full NT path with no RootDirectory (relative to a
    // folder's handle it fails), so the name is the folder's checked path. The held folder
    // handle keeps that path the folder's own. A link at the name is replaced, not followed.
    char16_t target[FinalPathUnits] = {};
    int length = !PlainName(name) ? -1
                 : StartsWith(folder->Path, u"\\\\")
                     ? FormatText(target, FinalPathUnits, RenameUncFormat, folder->Path + 1, name)
                     : FormatText(target, FinalPathUnits, RenameFormat, folder->Path, name);
    if (length < 0)
        return -1;
    // FILE_RENAME_INFO ends in a one-unit name, which the rest of the buffer continues.
    union {
        FILE_RENAME_INFO Info;
        unsigned char Bytes[sizeof(FILE_RENAME_INFO) + FinalPathUnits * sizeof(char16_t)];
    } rename = {};
    rename.Info.ReplaceIfExists = TRUE;
    rename.Info.RootDirectory = nullptr;
    rename.Info.FileNameLength = static_cast<DWORD>(length * sizeof(char16_t));
    CopyMemory(rename.Info.FileName, target, (length + 1) * sizeof(char16_t));
    return SetFileInformationByHandle(file->Handle, FileRenameInfo, &rename, sizeof rename) ? 0 : -1;
}

int DeleteCheckedChild(PlatformFile* file) {
    // FileDispositionInfoEx (delete while others hold it) is not in Wine 8; this one is.
    FILE_DISPOSITION_INFO disposition = {TRUE};
    int deleted =
        SetFileInformationByHandle(file->Handle, FileDispositionInfo, &disposition, sizeof disposition) ? 0
                                                                                                        : -1;
    int closed = CloseHandle(file->Handle) ? 0 : -1;
    HeapFree(GetProcessHeap(), 0, file);
    return deleted == 0 && closed == 0 ? 0 : -1;
}

int DeleteCheckedName(CheckedFolder* folder, const char16_t* name) {
    CheckOutcome outcome = CheckFailed;
    PlatformFile* file = OpenCheckedChild(folder, name, &outcome);
    if (file != nullptr)
        return DeleteCheckedChild(file);
    return outcome == CheckMissing ? 0 : outcome == CheckRedirected ? CheckRedirected : -1;
}

int DeleteCheckedLeftovers(CheckedFolder* folder) {
    // The listing by path only names candidates; each is opened, checked and deleted through
    // the folder's handle. A folder too long for the pattern held no leftover of a run either.
    char16_t pattern[PathUnits] = {};
    if (FormatText(pattern, PathUnits, FolderFileFormat, folder->Path, LeftoverPattern) < 0)
        return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(pattern), &found);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int result = 0;
    do {
        // The wildcard also matches short names and longer ones; only the exact pattern goes.
        const char16_t* name = reinterpret_cast<const char16_t*>(found.cFileName);
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0 && IsLeftoverName(name) &&
            DeleteCheckedName(folder, name) == CheckRedirected)
            result = CheckRedirected;
    } while (FindNextFileW(search, &found));
    FindClose(search);
    return result;
}
