// uninst_corvale.exe: removes what the setup installed, after asking, and nothing else.
//
//   uninst_corvale.exe [/S]        /S: silent, no questions and no messages (exit codes in
//                                  corvale_names.h)
//
// It works through the removal plan that core/removal_plan.h composes from the setup's own
// tables, in the plan's order: corvale.exe first (a running copy stops the uninstallation
// before anything is gone), the other files, the leftovers of ended runs, the shortcuts
// that lead into this installation, the registry values, then the uninstaller's library,
// and last the uninstaller itself, the folder and the uninstall entry. So at every step
// either the entry is listed and runs an uninstaller that is there, or nothing of the
// installation is left but the user's data, or (ended in the last step) only the entry is
// listed with its uninstaller gone, which Windows itself offers to remove from the list;
// every step takes "already gone" as done, and running the uninstaller again finishes what
// an ended run began.
//
// It removes nothing unless its folder is the installation's: the registry's AppPath names
// it, or, with that entry gone, the files it would remove are the ones the build recorded.
//
// A program can't delete its own image while it runs, but it can move it: the uninstaller
// moves its image out of the installation into a folder of its own under the Windows
// folder's Temp, reports, and ends; uninstall.dll, copied there before it is removed and
// inherited by rundll32, then deletes the moved image and that folder (finishing_win.h).

#include <windows.h>
#include <objbase.h>
#include <shlobj.h>
#include <shlwapi.h>

#include "core/payload_format.h"
#include "core/platform.h"
#include "core/product.h"
#include "core/removal_plan.h"
#include "core/shell_link_ids_win.h"
#include "core/text.h"
#include "core/win_text.h"
#include "corvale_names.h"
#include "finishing_win.h"
#include "removal_win.h"
#include "resource_ids.h"
#include "uninstall_rules.h"

namespace {

constexpr int MessageUnits = 2048;
constexpr int CaptionUnits = 64;
constexpr int ListedFailures = 6;

// What the build recorded of the files this uninstaller removes (packer digests).
struct ShippedFile {
    const char16_t* Name;
    uint64_t Bytes;
    uint32_t Checksum;
};
const ShippedFile ShippedFiles[] = {
#include "shipped_digests.inc"
};

// Everything the uninstallation knows and has done, in one place.
struct UninstallState {
    UninstallOptions Options;
    char16_t Caption[CaptionUnits];
    char16_t Self[PathUnits]; // this program's path
    char16_t ProgramFolder[PathUnits];
    char16_t DocumentsFolder[PathUnits]; // empty when the per-user entry is gone
    RemovalPlan Plan;
    // The documents folder, opened once and checked; null when it is missing or left alone.
    CheckedFolder* Documents;
    // Per shortcut step that found a link leading into this installation: the link's file,
    // open from its check to its removal, and its folder.
    PlatformFile* ShortcutFiles[RemovalStepLimit];
    CheckedFolder* ShortcutFolders[RemovalStepLimit];
    TemporaryFolder Temporary;         // the moved image and the finishing library's copy
    char16_t ImageLeftover[PathUnits]; // the image's leftover name when it could not go to Temporary
    int OwnFilesStay; // the uninstaller's image can't move now: it, its library and the entry stay
    int StepsDone;
    int Failures;
    char16_t FailureList[MessageUnits];
};

UninstallState State;

// ---- Files that may be held by others ----------------------------------------------------

// What RemoveInstalledFile did; otherwise it returns the system's error code.
constexpr DWORD RemovedNow = 0;
constexpr DWORD RemovedAtRestart = 0xFFFFFFFF;

// 1 when every file of the folder is of the leftover pattern (or there is none).
int FolderHoldsOnlyLeftovers(const char16_t* folder) {
    return FolderHoldsOnly(folder, IsLeftoverName);
}

// Renames a file in its folder to a new leftover name and has Windows remove it when it
// restarts; renamed (PathUnits units, may be null) receives the new path. 0, or the system's
// error code with the file as it was.
DWORD RenameForRemovalAtRestart(const char16_t* path, char16_t* renamed) {
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
    if (renamed != nullptr)
        CopyText(renamed, PathUnits, leftover);
    return 0;
}

// Removes an installed file: a read-only one loses the attribute first, and one that another
// program holds is tried again for a few seconds. When it still can't be deleted but can be
// renamed (a program's image in use), it is renamed to a leftover name and removed when
// Windows restarts, never scheduled under its own name, which a reinstallation would use.
// RemovedNow, RemovedAtRestart, or the error (ERROR_SHARING_VIOLATION: held open) with the
// file as it was.
DWORD RemoveInstalledFile(const char16_t* path) {
    DWORD attributes = GetFileAttributesW(WideText(path));
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return RemovedNow; // already gone
    if ((attributes & FILE_ATTRIBUTE_READONLY) != 0)
        SetFileAttributesW(WideText(path), attributes & ~static_cast<DWORD>(FILE_ATTRIBUTE_READONLY));
    DWORD error = RemoveFileOnceReleased(path);
    if (error == 0)
        return RemovedNow;
    return RenameForRemovalAtRestart(path, nullptr) == 0 ? RemovedAtRestart : error;
}

const char16_t ConfirmFormat[] = u"Do you want to remove %s %s from this computer?%s";
const char16_t KeepsDocumentsFormat[] = u"\n\nYour ledgers in %s stay where they are.";
const char16_t RunningFormat[] =
    u"%s is still running.\n\nPlease close %s, then start the uninstaller again. Nothing was removed.";
const char16_t RemovedFormat[] = u"%s was removed from this computer.%s%s%s";
const char16_t DocumentsStayFormat[] = u"\n\nYour ledgers stay in %s.";
const char16_t FolderStaysFormat[] = u"\n\nThe folder %s stays: it holds files that %s did not install.";
const char16_t FailuresFormat[] =
    u"\n\nThese items could not be removed:%s\n\nClose the programs that use them and start the uninstaller "
    u"again to finish.";
const char16_t LaterFormat[] = u"%s (removed when Windows restarts)";
const char16_t InUseFormat[] = u"%s (in use by another program)";
const char16_t LinkLeftFormat[] = u"%s (left alone: it is a link)";
const char16_t NoFolderText[] = u"The uninstaller can't tell which folder it was started from.";
const char16_t NotOursFormat[] =
    u"This uninstaller is in %s, which is not the folder where %s is installed. Nothing was removed.";
const char16_t AlreadyRunningFormat[] = u"%s is already being removed. Nothing more was done.";

int Say(const char16_t* text, UINT flags) {
    if (State.Options.Silent)
        return (flags & MB_YESNO) != 0 ? IDYES : IDOK;
    return MessageBoxW(nullptr, WideText(text), WideText(State.Caption), flags | MB_SETFOREGROUND);
}

void SayFormatted(UINT flags, const char16_t* format, const char16_t* first, const char16_t* second) {
    char16_t message[MessageUnits];
    if (FormatText(message, MessageUnits, format, first, second) >= 0)
        Say(message, flags);
}

void SayProgramRunning() {
    SayFormatted(MB_OK | MB_ICONEXCLAMATION, RunningFormat, ProductInfo.ProductName, ProductInfo.ProductName);
}

void NoteFailure(const char16_t* item) {
    if (State.Failures < ListedFailures) {
        char16_t line[PathUnits + 64];
        // The list keeps what fits; the count goes on regardless.
        if (FormatText(line, PathUnits + 64, u"\n%s", item) >= 0) {
            char16_t longer[MessageUnits];
            if (FormatText(longer, MessageUnits, u"%s%s", State.FailureList, line) >= 0)
                CopyText(State.FailureList, MessageUnits, longer);
        }
    }
    ++State.Failures;
}

void NoteFormatted(const char16_t* format, const char16_t* path) {
    char16_t item[PathUnits + 64];
    NoteFailure(FormatText(item, PathUnits + 64, format, path) >= 0 ? item : path);
}

void NoteRegistryFailure(RegistryRoot root, const char16_t* key) {
    char16_t item[PathUnits + 32];
    FormatText(item, PathUnits + 32, u"%s\\%s",
               root == LocalMachineRoot ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER", key);
    NoteFailure(item);
}

// Notes what RemoveInstalledFile left, if anything. 0 when the file is gone now.
int NoteFileOutcome(const char16_t* path, DWORD outcome) {
    if (outcome == RemovedNow)
        return 0;
    NoteFormatted(outcome == RemovedAtRestart ? LaterFormat : InUseFormat, path);
    return -1;
}

HKEY RootKey(RegistryRoot root) {
    return root == LocalMachineRoot ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

// ---- What is there ---------------------------------------------------------------------

// A REG_SZ value into text (PathUnits units, always terminated). 0, or -1 when missing.
int ReadRegistryText(HKEY root, const char16_t* key, const char16_t* name, char16_t* text) {
    DWORD bytes = PathUnits * sizeof(char16_t);
    LONG result = RegGetValueW(root, WideText(key), WideText(name), RRF_RT_REG_SZ, nullptr, text, &bytes);
    if (result != ERROR_SUCCESS) {
        text[0] = 0;
        return -1;
    }
    return 0;
}

// A folder that the setup remembers, read where the setup reads it (RegistryReadTable).
int ReadRemembered(RememberedFolder which, char16_t* folder) {
    const RegistryRead& read = RegistryReadTable[which];
    char16_t key[PathUnits];
    folder[0] = 0;
    if (ComposeInstallText(key, PathUnits, read.KeyFormat, &read.KeyArgument, 1, nullptr, nullptr) != 0)
        return -1;
    return ReadRegistryText(RootKey(read.Root), key, read.ValueName, folder);
}

int IdentityOf(const char16_t* path, BY_HANDLE_FILE_INFORMATION* information) {
    HANDLE handle = CreateFileW(WideText(path), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    BOOL known = GetFileInformationByHandle(handle, information);
    CloseHandle(handle);
    return known ? 0 : -1;
}

// Whether two paths lead to the same file or folder: asked of the file system while both
// exist (other spellings, short names, links), otherwise compared as text.
int SameLocation(const char16_t* a, const char16_t* b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    if (IdentityOf(a, &first) == 0 && IdentityOf(b, &second) == 0)
        return first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
               first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
    return SamePath(a, b);
}

const RemovalStep* FindStep(RemovalKind kind) {
    for (int i = 0; i < State.Plan.Count; ++i)
        if (State.Plan.Steps[i].Kind == kind)
            return &State.Plan.Steps[i];
    return nullptr;
}

// 1 when the file at path has the size and digest the build recorded for name, or is gone.
int ShippedOrGone(const char16_t* path, const char16_t* name) {
    HANDLE file = CreateFileW(WideText(path), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    int same = 0;
    LARGE_INTEGER size;
    for (const ShippedFile& shipped : ShippedFiles) {
        if (!SamePath(shipped.Name, name) || !GetFileSizeEx(file, &size))
            continue;
        static unsigned char chunk[1 << 16];
        DWORD got = 0;
        FileDigestState digest;
        if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr))
            break;
        FileDigestStart(&digest, chunk, got, static_cast<uint64_t>(size.QuadPart));
        uint64_t read = 0;
        while (got > 0) {
            FileDigestUpdate(&digest, chunk, got);
            read += got;
            if (!ReadFile(file, chunk, sizeof chunk, &got, nullptr)) {
                read = ~static_cast<uint64_t>(0);
                break;
            }
        }
        FileDigest found = FileDigestEnd(&digest);
        same = read == static_cast<uint64_t>(size.QuadPart) && found.Bytes == shipped.Bytes &&
               found.Checksum == shipped.Checksum;
    }
    CloseHandle(file);
    return same;
}

// The folder is the installation's: the registry's AppPath names it; or, with that entry
// gone (an uninstallation ended part-way), no other installation's entry is listed and each
// file it would remove is the build's own, or already gone.
int InstallationIsOurs() {
    char16_t appPath[PathUnits];
    if (ReadRemembered(RememberedProgramFolder, appPath) == 0)
        return SameLocation(appPath, State.ProgramFolder);
    const RemovalStep* entry = FindStep(RemoveEntryAndUninstaller);
    char16_t command[PathUnits];
    if (entry != nullptr &&
        ReadRegistryText(RootKey(entry->Root), entry->Path, UninstallCommandValue, command) == 0) {
        // The command as registered: the path in quotes, or bare from an earlier setup.
        char16_t* path = command[0] == u'"' ? command + 1 : command;
        for (char16_t* p = path; *p != 0; ++p)
            if (*p == u'"')
                *p = 0;
        if (!SameLocation(path, State.Self))
            return 0;
    }
    for (int i = 0; i < State.Plan.Count; ++i) {
        const RemovalStep& step = State.Plan.Steps[i];
        if (step.Kind != RemoveProgramUnlessRunning && step.Kind != RemoveFileStep &&
            step.Kind != RemoveLibraryStep)
            continue;
        const char16_t* name = step.Path;
        for (const char16_t* p = step.Path; *p != 0; ++p)
            if (*p == u'\\')
                name = p + 1;
        if (!ShippedOrGone(step.Path, name))
            return 0;
    }
    return 1;
}

int FindInstallation() {
    DWORD length = GetModuleFileNameW(nullptr, WideText(State.Self), PathUnits);
    if (length == 0 || length >= static_cast<DWORD>(PathUnits) ||
        FolderOfPath(State.Self, State.ProgramFolder) != 0)
        return -1;
    ReadRemembered(RememberedDocumentsFolder, State.DocumentsFolder);
    return ComposeRemovalPlan(State.ProgramFolder, State.DocumentsFolder, &State.Plan);
}

// Whether corvale.exe runs: its mutex, or its image, which a running program's section
// keeps from being opened for writing. A read-only file is refused too, but for another
// reason (access denied), and is no running program.
int ProgramRunning(const char16_t* mainProgram) {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, WideText(RunningMutexName));
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return 1;
    }
    // A copy that another account started: the mutex is there, but not open to us.
    if (GetLastError() == ERROR_ACCESS_DENIED)
        return 1;
    HANDLE image = CreateFileW(WideText(mainProgram), GENERIC_WRITE | DELETE,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               0, nullptr);
    if (image != INVALID_HANDLE_VALUE) {
        CloseHandle(image);
        return 0;
    }
    return GetLastError() == ERROR_SHARING_VIOLATION;
}

// Notes an item of a user's folder that was not opened: left alone when it was a link or a
// second name, in use when it could not be opened; nothing when it is not there.
void NoteUnchecked(const char16_t* path, CheckOutcome outcome) {
    if (outcome == CheckRedirected)
        NoteFormatted(LinkLeftFormat, path);
    else if (outcome != CheckMissing)
        NoteFormatted(InUseFormat, path);
}

// The link's target as stored, read from the bytes of the open link file, not from its
// path, which may lead elsewhere by now; empty when the bytes are no readable link.
void ReadLinkTarget(PlatformFile* link, char16_t* target) {
    target[0] = 0;
    static unsigned char bytes[1 << 16]; // a shortcut of ours is about 2 KB
    long count = 0;
    for (long got = 1; got > 0 && count < static_cast<long>(sizeof bytes);) {
        got = ReadFileBytes(link, bytes + count, sizeof bytes - static_cast<size_t>(count));
        if (got < 0)
            return;
        count += got;
    }
    IStream* stream = SHCreateMemStream(bytes, static_cast<UINT>(count));
    IShellLinkW* shellLink = nullptr;
    if (stream == nullptr ||
        FAILED(CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, ShellLinkInterface,
                                reinterpret_cast<void**>(&shellLink)))) {
        if (stream != nullptr)
            stream->Release();
        return;
    }
    IPersistStream* persist = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(PersistStreamInterface, reinterpret_cast<void**>(&persist)))) {
        if (SUCCEEDED(persist->Load(stream)) &&
            shellLink->GetPath(WideText(target), PathUnits, nullptr, SLGP_RAWPATH) != S_OK)
            target[0] = 0;
        persist->Release();
    }
    shellLink->Release();
    stream->Release();
}

// Decided before anything is removed: a link's target must still exist to be recognised.
// The link's file name becomes its full path in the special folder. The desktop is the
// user's: the folder and the link are opened checked, and a link that leads into this
// installation stays open until its step deletes it through the same handle.
void PlanShortcuts() {
    for (int i = 0; i < State.Plan.Count; ++i) {
        RemovalStep& step = State.Plan.Steps[i];
        State.ShortcutFiles[i] = nullptr;
        State.ShortcutFolders[i] = nullptr;
        if (step.Kind != RemoveShortcutStep)
            continue;
        char16_t folder[PathUnits], link[PathUnits], target[PathUnits];
        if (SHGetFolderPathW(nullptr, step.Csidl, nullptr, SHGFP_TYPE_CURRENT, WideText(folder)) != S_OK ||
            ComposeFilePath(link, folder, step.Path) != 0)
            continue;
        CheckOutcome outcome = CheckPassed;
        CheckedFolder* checked = OpenCheckedFolder(folder, &outcome);
        PlatformFile* file = checked != nullptr ? OpenCheckedChild(checked, step.Path, &outcome) : nullptr;
        CopyText(step.Path, PathUnits, link);
        if (file == nullptr) {
            // A folder that is a link is named once, for its first link.
            bool named = false;
            for (int j = 0; j < i && checked == nullptr; ++j)
                named = named || (State.Plan.Steps[j].Kind == RemoveShortcutStep &&
                                  State.Plan.Steps[j].Csidl == step.Csidl);
            if (!named)
                NoteUnchecked(checked != nullptr ? link : folder, outcome);
            if (checked != nullptr)
                CloseCheckedFolder(checked);
            continue;
        }
        ReadLinkTarget(file, target);
        if (target[0] != 0 && SameLocation(target, step.Data)) {
            State.ShortcutFiles[i] = file;
            State.ShortcutFolders[i] = checked;
        } else {
            CloseReadFile(file);
            CloseCheckedFolder(checked);
        }
    }
}

// The installed sample goes only while it is exactly the shipped one, or empty (an older
// setup that was ended while it wrote the file leaves one); an edited sample is the user's
// ledger. The setup judges the same way before it writes the sample again. Read from the
// open file, which is then deleted through the same handle.
int SampleUnchanged(PlatformFile* file) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC resource =
        FindResourceW(self, MAKEINTRESOURCEW(SHIPPED_SAMPLE_ID), MAKEINTRESOURCEW(SHIPPED_SAMPLE_TYPE));
    HGLOBAL loaded = resource != nullptr ? LoadResource(self, resource) : nullptr;
    const unsigned char* shipped =
        loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (shipped == nullptr)
        return 0;
    DWORD shippedSize = SizeofResource(self, resource);
    unsigned char chunk[4096];
    DWORD offset = 0;
    for (long got = 1; got > 0;) {
        got = ReadFileBytes(file, chunk, sizeof chunk);
        if (got < 0 || static_cast<DWORD>(got) > shippedSize - offset ||
            memcmp(chunk, shipped + offset, static_cast<size_t>(got)) != 0)
            return 0;
        offset += static_cast<DWORD>(got);
    }
    return offset == 0 || offset == shippedSize;
}

// The documents folder is the user's, and so is DocPath, which names it: it is opened once
// and checked, and the sample and the leftovers there are reached only through it. A
// documents folder reached through a link is left alone, and named.
void OpenDocumentsFolder() {
    if (State.DocumentsFolder[0] == 0)
        return;
    CheckOutcome outcome = CheckPassed;
    State.Documents = OpenCheckedFolder(State.DocumentsFolder, &outcome);
    if (State.Documents == nullptr)
        NoteUnchecked(State.DocumentsFolder, outcome);
}

void RemoveSample(const char16_t* path) {
    CheckOutcome outcome = CheckPassed;
    PlatformFile* file = State.Documents != nullptr
                             ? OpenCheckedChild(State.Documents, ProductInfo.SampleDocumentFile, &outcome)
                             : nullptr;
    if (file == nullptr) {
        if (State.Documents != nullptr)
            NoteUnchecked(path, outcome);
        return;
    }
    if (!SampleUnchanged(file))
        CloseReadFile(file);
    else if (DeleteCheckedChild(file) != 0)
        NoteFormatted(InUseFormat, path);
}

// ~crv.tmp and the ~crv-<hex>.del leftovers of the documents folder, deleted only through
// the checked folder, where none may be a link; what stays is named.
void RemoveDocumentsLeftovers(const char16_t* folder) {
    if (State.Documents == nullptr)
        return;
    char16_t path[PathUnits];
    int outcome = DeleteCheckedName(State.Documents, TemporaryFileName);
    if (outcome != 0 && ComposeFilePath(path, folder, TemporaryFileName) == 0)
        NoteUnchecked(path, outcome == CheckRedirected ? CheckRedirected : CheckFailed);
    outcome = DeleteCheckedLeftovers(State.Documents);
    if (outcome != 0 && ComposeFilePath(path, folder, LeftoverPattern) == 0)
        NoteUnchecked(path, outcome == CheckRedirected ? CheckRedirected : CheckFailed);
}

// ---- Removing ---------------------------------------------------------------------------

void RemoveKeyTree(RegistryRoot root, const char16_t* key) {
    LONG result = RegDeleteTreeW(RootKey(root), WideText(key));
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        NoteRegistryFailure(root, key);
}

// Deletes one value, then the key itself if nothing else is left in it. A missing value and
// a missing key are fine.
void RemoveValue(RegistryRoot root, const char16_t* key, const char16_t* name) {
    HKEY opened;
    LONG result = RegOpenKeyExW(RootKey(root), WideText(key), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
    if (result == ERROR_FILE_NOT_FOUND)
        return;
    if (result != ERROR_SUCCESS) {
        NoteRegistryFailure(root, key);
        return;
    }
    result = RegDeleteValueW(opened, WideText(name));
    bool failed = result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND;
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(opened);
    if (!failed && subkeys == 0 && values == 0) {
        result = RegDeleteKeyW(RootKey(root), WideText(key));
        failed = result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND;
    }
    if (failed)
        NoteRegistryFailure(root, key);
}

// The library's copy goes to the temporary folder first, for the finishing step.
void RemoveLibrary(const char16_t* library) {
    if (State.Temporary.LibraryCopy == nullptr &&
        GetFileAttributesW(WideText(library)) != INVALID_FILE_ATTRIBUTES)
        CopyLibraryToTemporaryFolder(&State.Temporary, library);
    NoteFileOutcome(library, RemoveInstalledFile(library));
}

// Moves this program's image out of the installation, into the temporary folder, or else
// to a leftover name in its folder that Windows removes at restart. 0 once it has left its
// place.
int MoveOwnImage() {
    State.ImageLeftover[0] = 0;
    if (MoveImageToTemporaryFolder(&State.Temporary, State.Self) == 0)
        return 0;
    return RenameForRemovalAtRestart(State.Self, State.ImageLeftover) == 0 ? 0 : -1;
}

// Puts the image back where the entry's command finds it. 0 or -1.
int PutImageBack() {
    if (State.ImageLeftover[0] == 0)
        return MoveImageBack(&State.Temporary, State.Self);
    return MoveFileExW(WideText(State.ImageLeftover), WideText(State.Self), 0) ? 0 : -1;
}

// Whether this program's image can leave its place: another program may hold it open
// without sharing deletion (a scanner, an open Properties dialog). Tried for a few seconds.
int OwnImageMovable() {
    for (int attempt = 0; attempt < 50; ++attempt) {
        HANDLE image =
            CreateFileW(WideText(State.Self), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (image != INVALID_HANDLE_VALUE) {
            CloseHandle(image);
            return 1;
        }
        Sleep(100);
    }
    return 0;
}

void RemoveProgramFolder(const char16_t* folder);
void StepDone();

// The uninstaller, its folder and the entry that runs it go last, in this order: the image
// leaves the folder (once it is sure to move), the emptied folder goes, then the entry.
// Ended between them, the entry is listed with its program gone, which Windows itself
// offers to remove from the list; ended the other way round, an uninstaller without an
// entry would stay in the folder. An entry that can't be deleted keeps its uninstaller.
void RemoveEntryAndItsUninstaller(const RemovalStep& step) {
    if (!OwnImageMovable() || MoveOwnImage() != 0) {
        NoteFormatted(InUseFormat, State.Self);
        return; // the entry stays, and runs this uninstaller again later
    }
    StepDone();
    RemoveProgramFolder(State.ProgramFolder);
    StepDone();
    LONG result = RegDeleteTreeW(RootKey(step.Root), WideText(step.Path));
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
        NoteRegistryFailure(step.Root, step.Path);
        if (PutImageBack() != 0)
            NoteFormatted(InUseFormat, State.Self);
        return;
    }
    if (State.ImageLeftover[0] != 0)
        NoteFormatted(LaterFormat, State.Self);
    // Started at once, so that the moved image goes however this process ends.
    FinishAfterExit(&State.Temporary);
}

void RemoveProgramFolder(const char16_t* folder) {
    if (RemoveFolderIfEmpty(folder))
        return;
    // Only files that Windows removes at restart: the folder goes with them.
    if (FolderHoldsOnlyLeftovers(folder))
        MoveFileExW(WideText(folder), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// A test build may end itself after its k-th step, as a power cut or a logoff would end it
// (CORVALE_UNINSTALL_STOP_AT=k): each step of the plan, LastStepStops points inside its last
// one, and the report. The shipped uninstaller has no such code.
void StepDone() {
    ++State.StepsDone;
#ifdef CORVALE_UNINSTALL_STOPS
    char16_t text[16];
    DWORD length = GetEnvironmentVariableW(L"CORVALE_UNINSTALL_STOP_AT", WideText(text), 16);
    int stop = 0;
    for (DWORD i = 0; i < length && i < 16 && text[i] >= u'0' && text[i] <= u'9'; ++i)
        stop = stop * 10 + (text[i] - u'0');
    if (length > 0 && stop == State.StepsDone)
        TerminateProcess(GetCurrentProcess(), 99);
#endif
}

// 0 when the step is done (or its item was never there), -1 when corvale.exe runs.
int RunStep(int index) {
    const RemovalStep& step = State.Plan.Steps[index];
#ifdef CORVALE_UNINSTALL_ENTRY_EARLY
    // The control of the interruption tests: the entry goes with the first registry value.
    const RemovalStep* entry = FindStep(RemoveEntryAndUninstaller);
    if (entry != nullptr && step.Kind >= RemoveKeyTreeStep && step.Kind <= RemoveValueWhileOursStep)
        RegDeleteTreeW(RootKey(entry->Root), WideText(entry->Path));
#endif
    switch (step.Kind) {
    case RemoveProgramUnlessRunning:
        if (ProgramRunning(step.Path))
            return -1;
        NoteFileOutcome(step.Path, RemoveInstalledFile(step.Path));
        break;
    case RemoveFileStep:
        NoteFileOutcome(step.Path, RemoveInstalledFile(step.Path));
        break;
    case RemoveFileWhileShipped:
        RemoveSample(step.Path);
        break;
    case RemoveLeftoversStep: {
        if (State.DocumentsFolder[0] != 0 && SamePath(step.Path, State.DocumentsFolder)) {
            RemoveDocumentsLeftovers(step.Path);
            break;
        }
        char16_t temporary[PathUnits];
        if (ComposeFilePath(temporary, step.Path, TemporaryFileName) == 0)
            NoteFileOutcome(temporary, RemoveInstalledFile(temporary));
        DeleteLeftoverFiles(step.Path);
        break;
    }
    case RemoveShortcutStep:
        if (State.ShortcutFiles[index] != nullptr) {
            if (DeleteCheckedChild(State.ShortcutFiles[index]) != 0)
                NoteFailure(step.Path);
            CloseCheckedFolder(State.ShortcutFolders[index]);
            State.ShortcutFiles[index] = nullptr;
        }
        break;
    case RemoveKeyTreeStep:
        RemoveKeyTree(step.Root, step.Path);
        break;
    case RemoveValueStep:
        RemoveValue(step.Root, step.Path, step.ValueName);
        break;
    case RemoveValueWhileOursStep: {
        // The extension is shared with whatever program claims it now; it goes only while
        // it still names this program's document type.
        char16_t value[PathUnits];
        if (ReadRegistryText(RootKey(step.Root), step.Path, step.ValueName, value) == 0 &&
            TextEqual(value, step.Data))
            RemoveValue(step.Root, step.Path, step.ValueName);
        break;
    }
    case RemoveLibraryStep:
        // The uninstaller's own files go together: while its image can't leave its place,
        // the library stays too, to finish the run that removes them.
        if (!OwnImageMovable()) {
            NoteFormatted(InUseFormat, State.Self);
            State.OwnFilesStay = 1;
            break;
        }
        RemoveLibrary(step.Path);
        break;
    case RemoveEntryAndUninstaller:
        if (!State.OwnFilesStay)
            RemoveEntryAndItsUninstaller(step);
        break;
    }
    return 0;
}

// 1 when the program folder still holds files that are not the installation's.
int FolderKeepsOtherFiles() {
    return GetFileAttributesW(WideText(State.ProgramFolder)) != INVALID_FILE_ATTRIBUTES &&
           !FolderHoldsOnlyLeftovers(State.ProgramFolder);
}

int ReportOutcome() {
    char16_t documents[PathUnits + 64] = u"", folder[PathUnits + 128] = u"", failures[MessageUnits] = u"";
    if (State.DocumentsFolder[0] != 0)
        FormatText(documents, PathUnits + 64, DocumentsStayFormat, State.DocumentsFolder);
    // What stays of the installation is named as a failure; anything else is the user's.
    if (State.Failures == 0 && FolderKeepsOtherFiles())
        FormatText(folder, PathUnits + 128, FolderStaysFormat, State.ProgramFolder, ProductInfo.ProductName);
    if (State.Failures > 0)
        FormatText(failures, MessageUnits, FailuresFormat, State.FailureList);
    char16_t message[MessageUnits * 2];
    if (FormatText(message, MessageUnits * 2, RemovedFormat, ProductInfo.ProductName, documents, folder,
                   failures) < 0)
        FormatText(message, MessageUnits * 2, RemovedFormat, ProductInfo.ProductName, u"", u"", failures);
    Say(message, State.Failures > 0 ? MB_OK | MB_ICONWARNING : MB_OK | MB_ICONINFORMATION);
    return State.Failures > 0 ? UninstallIncomplete : UninstallDone;
}

int Uninstall() {
    const RemovalStep* mainProgram = FindStep(RemoveProgramUnlessRunning);
    if (mainProgram != nullptr && ProgramRunning(mainProgram->Path)) {
        SayProgramRunning();
        return UninstallProgramRunning;
    }
    char16_t keeps[PathUnits + 64] = u"", question[MessageUnits];
    if (State.DocumentsFolder[0] != 0)
        FormatText(keeps, PathUnits + 64, KeepsDocumentsFormat, State.DocumentsFolder);
    FormatText(question, MessageUnits, ConfirmFormat, ProductInfo.ProductName, ProductInfo.ProductVersion,
               keeps);
    if (Say(question, MB_YESNO | MB_ICONQUESTION | MB_DEFBUTTON2) != IDYES)
        return UninstallCancelled;
    OpenDocumentsFolder();
    PlanShortcuts();
    for (int i = 0; i < State.Plan.Count; ++i) {
        // Corvale may have been started while the question was open: the main program's
        // step is the first, so nothing is gone yet.
        if (RunStep(i) != 0) {
            SayProgramRunning();
            return UninstallProgramRunning;
        }
        StepDone();
    }
    int outcome = ReportOutcome();
    StepDone(); // the report, before this process ends
    FinishAfterExit(&State.Temporary);
    return outcome;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    FormatText(State.Caption, CaptionUnits, u"%s Uninstall", ProductInfo.ProductName);
    State.Options = ReadUninstallOptions(reinterpret_cast<const char16_t*>(GetCommandLineW()));
    // Held until the process ends; a second uninstaller finds it.
    HANDLE running = CreateMutexW(nullptr, FALSE, WideText(UninstallingMutexName));
    if (running == nullptr || GetLastError() == ERROR_ALREADY_EXISTS) {
        SayFormatted(MB_OK | MB_ICONEXCLAMATION, AlreadyRunningFormat, ProductInfo.ProductName, nullptr);
        return UninstallAlreadyRunning;
    }
    if (FindInstallation() != 0) {
        Say(NoFolderText, MB_OK | MB_ICONERROR);
        return UninstallIncomplete;
    }
    if (!InstallationIsOurs()) {
        SayFormatted(MB_OK | MB_ICONERROR, NotOursFormat, State.ProgramFolder, ProductInfo.ProductName);
        return UninstallRefused;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = Uninstall();
    CoUninitialize();
    return result;
}
