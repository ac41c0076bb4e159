// uninst_corvale.exe: removes what the setup installed, after asking, and nothing else.
//
//   uninst_corvale.exe [/S]        /S: silent, no questions and no messages (exit codes in
//                                  corvale_names.h)
//
// It removes, from the folder it runs from: corvale.exe (first: a running copy stops the
// uninstallation before anything is gone) and readme.txt; the sample ledger in the
// documents folder while it is byte for byte the one shipped; the Start-menu and desktop
// shortcuts that lead into this installation; the registry entries of the installation
// when they describe this folder. It never removes any other file of the documents folder.
//
// A program can't delete its own image while it runs, so the last step is handed to
// uninstall.dll: a copy of it in the temporary folder, opened for delete-on-close and
// inherited by rundll32, waits for this process to end, deletes uninst_corvale.exe and
// uninstall.dll, removes the program folder if nothing else is in it, then unloads itself
// and ends its process, which closes the last handle of the copy and so deletes it.
#include <windows.h>
#include <objbase.h>
#include <sddl.h>
#include <shlobj.h>

#include "core/product.h"
#include "core/shell_link_ids_win.h"
#include "core/text.h"
#include "core/win_text.h"
#include "corvale_names.h"
#include "removal_win.h"
#include "resource_ids.h"
#include "uninstall_rules.h"

namespace {

constexpr int MessageUnits = 2048;
constexpr int CaptionUnits = 64;
constexpr int CommandUnits = 1024;
constexpr int ListedFailures = 6;
constexpr int ShortcutCount = 3;

struct PlannedShortcut {
    char16_t Link[PathUnits];
    int Remove; // 1 when the link exists and leads into this installation
};

// Everything the uninstallation knows and has done, in one place.
struct UninstallState {
    UninstallOptions Options;
    char16_t Caption[CaptionUnits];
    char16_t ProgramFolder[PathUnits];
    char16_t DocumentsFolder[PathUnits]; // empty when the per-user entry is gone
    InstallKeys Keys;
    int RegistryOwned; // the machine-wide entries describe this folder (or are gone)
    PlannedShortcut Shortcuts[ShortcutCount];
    int Failures;
    char16_t FailureList[MessageUnits];
};

UninstallState State;

const char16_t ConfirmFormat[] = u"Do you want to remove %s %s from this computer?%s";
const char16_t KeepsDocumentsFormat[] = u"\n\nYour ledgers in %s stay where they are.";
const char16_t RunningFormat[] =
    u"%s is still running.\n\nPlease close %s, then start the uninstaller again. Nothing was removed.";
const char16_t RemovedFormat[] = u"%s was removed from this computer.%s%s%s";
const char16_t DocumentsStayFormat[] = u"\n\nYour ledgers stay in %s.";
const char16_t FolderStaysFormat[] = u"\n\nThe folder %s stays: it holds files that %s did not install.";
const char16_t FailuresFormat[] = u"\n\nThese items could not be removed:%s";
const char16_t LaterFormat[] = u"%s (removed when Windows restarts)";
const char16_t NoFolderText[] = u"The uninstaller can't tell which folder it was started from.";

bool InUse(DWORD error) {
    return error == ERROR_ACCESS_DENIED || error == ERROR_SHARING_VIOLATION;
}

int Say(const char16_t* text, UINT flags) {
    if (State.Options.Silent)
        return (flags & MB_YESNO) != 0 ? IDYES : IDOK;
    return MessageBoxW(nullptr, WideText(text), WideText(State.Caption), flags | MB_SETFOREGROUND);
}

void SayProgramRunning() {
    char16_t message[MessageUnits];
    FormatText(message, MessageUnits, RunningFormat, ProductInfo.ProductName, ProductInfo.ProductName);
    Say(message, MB_OK | MB_ICONEXCLAMATION);
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

void NoteRegistryFailure(HKEY root, const char16_t* key) {
    char16_t item[PathUnits + 32];
    FormatText(item, PathUnits + 32, u"%s\\%s",
               root == HKEY_LOCAL_MACHINE ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER", key);
    NoteFailure(item);
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

int FindInstallation() {
    char16_t self[PathUnits];
    DWORD length = GetModuleFileNameW(nullptr, WideText(self), PathUnits);
    if (length == 0 || length >= static_cast<DWORD>(PathUnits) ||
        FolderOfPath(self, State.ProgramFolder) != 0)
        return -1;
    if (ComposeInstallKeys(&State.Keys) != 0)
        return -1;
    ReadRegistryText(HKEY_CURRENT_USER, State.Keys.Application, DocPathValue, State.DocumentsFolder);
    char16_t appPath[PathUnits];
    State.RegistryOwned =
        ReadRegistryText(HKEY_LOCAL_MACHINE, State.Keys.Application, AppPathValue, appPath) != 0 ||
        SameLocation(appPath, State.ProgramFolder);
    return 0;
}

int ProgramRunning() {
    HANDLE mutex = OpenMutexW(SYNCHRONIZE, FALSE, WideText(RunningMutexName));
    if (mutex != nullptr) {
        CloseHandle(mutex);
        return 1;
    }
    // A copy that another account started: the mutex is there, but not open to us.
    return GetLastError() == ERROR_ACCESS_DENIED;
}

// The target of a shell link as stored; empty when the file is no readable link.
void ReadLinkTarget(const char16_t* link, char16_t* target) {
    target[0] = 0;
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, __uuidof(IShellLinkW),
                                reinterpret_cast<void**>(&shellLink))))
        return;
    IPersistFile* file = nullptr;
    if (SUCCEEDED(shellLink->QueryInterface(__uuidof(IPersistFile), reinterpret_cast<void**>(&file)))) {
        if (SUCCEEDED(file->Load(WideText(link), STGM_READ)) &&
            shellLink->GetPath(WideText(target), PathUnits, nullptr, SLGP_RAWPATH) != S_OK)
            target[0] = 0;
        file->Release();
    }
    shellLink->Release();
}

// Decided before anything is removed: a link's target must still exist to be recognised.
void PlanShortcuts() {
    char16_t mainProgram[PathUnits];
    int programKnown = ComposeFilePath(mainProgram, State.ProgramFolder, ProductInfo.MainProgramFile) == 0;
    struct {
        int Csidl;
        const char16_t* Name;
        const char16_t* Target;
    } places[ShortcutCount] = {
        {CSIDL_COMMON_PROGRAMS, ProductInfo.ProgramShortcutFile, programKnown ? mainProgram : nullptr},
        {CSIDL_DESKTOPDIRECTORY, ProductInfo.ProgramShortcutFile, programKnown ? mainProgram : nullptr},
        {CSIDL_DESKTOPDIRECTORY, ProductInfo.DocumentsShortcutFile,
         State.DocumentsFolder[0] != 0 ? State.DocumentsFolder : nullptr},
    };
    for (int i = 0; i < ShortcutCount; ++i) {
        PlannedShortcut& shortcut = State.Shortcuts[i];
        shortcut.Remove = 0;
        char16_t folder[PathUnits], target[PathUnits];
        if (places[i].Target == nullptr ||
            SHGetFolderPathW(nullptr, places[i].Csidl, nullptr, SHGFP_TYPE_CURRENT, WideText(folder)) !=
                S_OK ||
            ComposeFilePath(shortcut.Link, folder, places[i].Name) != 0)
            continue;
        ReadLinkTarget(shortcut.Link, target);
        shortcut.Remove = target[0] != 0 && SameLocation(target, places[i].Target);
    }
}

// ---- Removing ---------------------------------------------------------------------------

void RemoveProgramFile(const char16_t* name) {
    char16_t path[PathUnits];
    if (ComposeFilePath(path, State.ProgramFolder, name) != 0)
        NoteFailure(name);
    else if (RemoveFile(path) != 0)
        NoteFailure(path);
}

// The installed sample goes only while it is exactly the shipped one, or empty (an older
// setup that was ended while it wrote the file leaves one); an edited sample is the user's
// ledger. The setup judges the same way before it writes the sample again.
int SampleUnchanged(const char16_t* path) {
    HMODULE self = GetModuleHandleW(nullptr);
    HRSRC resource =
        FindResourceW(self, MAKEINTRESOURCEW(SHIPPED_SAMPLE_ID), MAKEINTRESOURCEW(SHIPPED_SAMPLE_TYPE));
    HGLOBAL loaded = resource != nullptr ? LoadResource(self, resource) : nullptr;
    const unsigned char* shipped =
        loaded != nullptr ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (shipped == nullptr)
        return 0;
    DWORD shippedSize = SizeofResource(self, resource);
    HANDLE file =
        CreateFileW(WideText(path), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    LARGE_INTEGER size;
    int same = GetFileSizeEx(file, &size) && (size.QuadPart == 0 || size.QuadPart == shippedSize);
    unsigned char chunk[4096];
    for (DWORD offset = 0; same && size.QuadPart != 0 && offset < shippedSize;) {
        DWORD wanted = shippedSize - offset < sizeof chunk ? shippedSize - offset : sizeof chunk, got = 0;
        same = ReadFile(file, chunk, wanted, &got, nullptr) && got == wanted &&
               memcmp(chunk, shipped + offset, wanted) == 0;
        offset += wanted;
    }
    CloseHandle(file);
    return same;
}

void RemoveSample() {
    char16_t path[PathUnits];
    if (State.DocumentsFolder[0] == 0 ||
        ComposeFilePath(path, State.DocumentsFolder, ProductInfo.SampleDocumentFile) != 0 ||
        !SampleUnchanged(path))
        return;
    if (RemoveFile(path) != 0)
        NoteFailure(path);
}

void RemoveShortcuts() {
    for (const PlannedShortcut& shortcut : State.Shortcuts)
        if (shortcut.Remove && RemoveFile(shortcut.Link) != 0)
            NoteFailure(shortcut.Link);
}

void RemoveKeyTree(HKEY root, const char16_t* key) {
    LONG result = RegDeleteTreeW(root, WideText(key));
    if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND)
        NoteRegistryFailure(root, key);
}

// Deletes the named values (a null-terminated list), then the key itself if nothing else
// is left in it. Missing values and a missing key are fine.
void RemoveValues(HKEY root, const char16_t* key, const char16_t* const* names) {
    HKEY opened;
    LONG result = RegOpenKeyExW(root, WideText(key), 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &opened);
    if (result == ERROR_FILE_NOT_FOUND)
        return;
    if (result != ERROR_SUCCESS) {
        NoteRegistryFailure(root, key);
        return;
    }
    bool failed = false;
    for (; *names != nullptr; ++names) {
        result = RegDeleteValueW(opened, WideText(*names));
        failed = failed || (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND);
    }
    DWORD subkeys = 1, values = 1;
    RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, &subkeys, nullptr, nullptr, &values, nullptr, nullptr,
                     nullptr, nullptr);
    RegCloseKey(opened);
    if (!failed && subkeys == 0 && values == 0)
        failed = RegDeleteKeyW(root, WideText(key)) != ERROR_SUCCESS;
    if (failed)
        NoteRegistryFailure(root, key);
}

// Returns 1 when the document association was removed.
int RemoveRegistryEntries() {
    if (!State.RegistryOwned)
        return 0;
    RemoveKeyTree(HKEY_LOCAL_MACHINE, State.Keys.Application);
    RemoveKeyTree(HKEY_LOCAL_MACHINE, State.Keys.Uninstall);
    RemoveKeyTree(HKEY_LOCAL_MACHINE, State.Keys.DocumentClass);
    // The extension is shared with whatever program claims it now; it goes only while it
    // still names this program's document type.
    char16_t type[PathUnits];
    if (ReadRegistryText(HKEY_LOCAL_MACHINE, State.Keys.Extension, u"", type) == 0 &&
        TextEqual(type, ProductInfo.DocumentProgId)) {
        const char16_t* const defaultValue[] = {u"", nullptr};
        RemoveValues(HKEY_LOCAL_MACHINE, State.Keys.Extension, defaultValue);
    }
    const char16_t* const userValues[] = {DocPathValue, FirstRunValue, nullptr};
    RemoveValues(HKEY_CURRENT_USER, State.Keys.Application, userValues);
    return 1;
}

// ---- The last step, after this process has ended -----------------------------------------

// Copies uninstall.dll to a new file in the temporary folder that only administrators may
// change, and returns a handle to it opened for delete-on-close, inheritable, without
// write access and not shared for renaming or deleting; null when that fails.
HANDLE CopyLibraryToTemporaryFile(char16_t* copy) {
    char16_t library[PathUnits], temporary[PathUnits];
    if (ComposeFilePath(library, State.ProgramFolder, ProductInfo.UninstallLibraryFile) != 0 ||
        GetTempPathW(PathUnits, WideText(temporary)) == 0)
        return nullptr;
    HANDLE source =
        CreateFileW(WideText(library), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (source == INVALID_HANDLE_VALUE)
        return nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ConvertStringSecurityDescriptorToSecurityDescriptorW(L"D:P(A;;FA;;;BA)(A;;FA;;;SY)", SDDL_REVISION_1,
                                                         &descriptor, nullptr);
    SECURITY_ATTRIBUTES restricted = {sizeof restricted, descriptor, FALSE};
    HANDLE writer = INVALID_HANDLE_VALUE;
    // A name of our own that nobody made before: CREATE_NEW never opens what is there.
    for (int attempt = 0; attempt < 100 && writer == INVALID_HANDLE_VALUE; ++attempt) {
        if (FormatText(copy, PathUnits, u"%scorvale-uninstall-%d-%d.dll", temporary,
                       static_cast<int>(GetCurrentProcessId()), attempt) < 0)
            break;
        writer = CreateFileW(WideText(copy), GENERIC_WRITE, FILE_SHARE_DELETE, &restricted, CREATE_NEW,
                             FILE_ATTRIBUTE_TEMPORARY, nullptr);
    }
    if (descriptor != nullptr)
        LocalFree(descriptor);
    if (writer == INVALID_HANDLE_VALUE) {
        CloseHandle(source);
        return nullptr;
    }
    bool copied = true;
    unsigned char chunk[16384];
    for (DWORD got = 0; copied && ReadFile(source, chunk, sizeof chunk, &got, nullptr) && got > 0;) {
        DWORD written = 0;
        copied = WriteFile(writer, chunk, got, &written, nullptr) && written == got;
    }
    CloseHandle(source);
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    // Write access would keep the loader out, so the handle that stays has none.
    HANDLE keeper =
        copied ? CreateFileW(WideText(copy), DELETE | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             &inherited, OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr)
               : INVALID_HANDLE_VALUE;
    CloseHandle(writer);
    if (keeper == INVALID_HANDLE_VALUE) {
        DeleteFileW(WideText(copy));
        return nullptr;
    }
    return keeper;
}

// Starts rundll32 on the copy; 0 when it runs.
int StartFinisher() {
    char16_t copy[PathUnits], system[PathUnits], rundll[PathUnits], arguments[CommandUnits],
        command[CommandUnits];
    HANDLE keeper = CopyLibraryToTemporaryFile(copy);
    if (keeper == nullptr)
        return -1;
    HANDLE self = nullptr;
    UINT systemLength = GetSystemDirectoryW(WideText(system), PathUnits);
    bool ready = systemLength > 0 && systemLength < static_cast<UINT>(PathUnits) &&
                 ComposeFilePath(rundll, system, u"rundll32.exe") == 0 &&
                 DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                 SYNCHRONIZE, TRUE, 0) &&
                 ComposeFinishArguments(arguments, CommandUnits,
                                        static_cast<uint32_t>(reinterpret_cast<uintptr_t>(self)),
                                        State.ProgramFolder) >= 0 &&
                 FormatText(command, CommandUnits, u"\"%s\" \"%s\",%s %s", rundll, copy, FinishEntryName,
                            arguments) >= 0;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Only two handles are inheritable: the copy's keeper and this process.
    bool started = ready && CreateProcessW(WideText(rundll), WideText(command), nullptr, nullptr, TRUE,
                                           CREATE_NO_WINDOW, nullptr, WideText(system), &startup, &process);
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (self != nullptr)
        CloseHandle(self);
    // Without a started finisher this was the last handle, and the copy goes now.
    CloseHandle(keeper);
    return started ? 0 : -1;
}

// Without the finisher the uninstaller's own files go at the next start of Windows.
void RemoveOwnFilesLater() {
    const char16_t* names[] = {ProductInfo.UninstallerFile, ProductInfo.UninstallLibraryFile};
    for (const char16_t* name : names) {
        char16_t path[PathUnits], item[PathUnits + 64];
        if (ComposeFilePath(path, State.ProgramFolder, name) != 0)
            continue;
        MoveFileExW(WideText(path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
        FormatText(item, PathUnits + 64, LaterFormat, path);
        NoteFailure(item);
    }
    MoveFileExW(WideText(State.ProgramFolder), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
}

// 1 when the program folder holds anything besides the uninstaller's own two files.
int FolderKeepsOtherFiles() {
    char16_t pattern[PathUnits];
    if (ComposeFilePath(pattern, State.ProgramFolder, u"*") != 0)
        return 0;
    WIN32_FIND_DATAW entry;
    HANDLE search = FindFirstFileW(WideText(pattern), &entry);
    if (search == INVALID_HANDLE_VALUE)
        return 0;
    int others = 0;
    do {
        const char16_t* name = reinterpret_cast<const char16_t*>(entry.cFileName);
        bool dots = name[0] == u'.' && (name[1] == 0 || (name[1] == u'.' && name[2] == 0));
        if (!dots && !SamePath(name, ProductInfo.UninstallerFile) &&
            !SamePath(name, ProductInfo.UninstallLibraryFile))
            others = 1;
    } while (!others && FindNextFileW(search, &entry));
    FindClose(search);
    return others;
}

void ReportOutcome() {
    char16_t documents[PathUnits + 64] = u"", folder[PathUnits + 128] = u"", failures[MessageUnits] = u"";
    if (State.DocumentsFolder[0] != 0)
        FormatText(documents, PathUnits + 64, DocumentsStayFormat, State.DocumentsFolder);
    if (FolderKeepsOtherFiles())
        FormatText(folder, PathUnits + 128, FolderStaysFormat, State.ProgramFolder, ProductInfo.ProductName);
    if (State.Failures > 0)
        FormatText(failures, MessageUnits, FailuresFormat, State.FailureList);
    char16_t message[MessageUnits * 2];
    if (FormatText(message, MessageUnits * 2, RemovedFormat, ProductInfo.ProductName, documents, folder,
                   failures) < 0)
        FormatText(message, MessageUnits * 2, RemovedFormat, ProductInfo.ProductName, u"", u"", failures);
    Say(message, State.Failures > 0 ? MB_OK | MB_ICONWARNING : MB_OK | MB_ICONINFORMATION);
}

int Uninstall() {
    if (ProgramRunning()) {
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
    // Corvale may have been started while the question was open.
    if (ProgramRunning()) {
        SayProgramRunning();
        return UninstallProgramRunning;
    }
    PlanShortcuts();
    // The main program goes first: if it is in use, nothing has been removed yet.
    char16_t mainProgram[PathUnits];
    if (ComposeFilePath(mainProgram, State.ProgramFolder, ProductInfo.MainProgramFile) != 0) {
        NoteFailure(ProductInfo.MainProgramFile);
    } else {
        DWORD error = RemoveFile(mainProgram);
        if (InUse(error)) {
            SayProgramRunning();
            return UninstallProgramRunning;
        }
        if (error != 0)
            NoteFailure(mainProgram);
    }
    RemoveProgramFile(ProductInfo.ReadmeFile);
    RemoveSample();
    RemoveShortcuts();
    if (RemoveRegistryEntries())
        SHChangeNotify(SHCNE_ASSOCCHANGED, SHCNF_IDLIST, nullptr, nullptr);
    if (StartFinisher() != 0)
        RemoveOwnFilesLater();
    ReportOutcome();
    return State.Failures > 0 ? UninstallIncomplete : UninstallDone;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    FormatText(State.Caption, CaptionUnits, u"%s Uninstall", ProductInfo.ProductName);
    State.Options = ReadUninstallOptions(reinterpret_cast<const char16_t*>(GetCommandLineW()));
    if (FindInstallation() != 0) {
        Say(NoFolderText, MB_OK | MB_ICONERROR);
        return UninstallIncomplete;
    }
    CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    int result = Uninstall();
    CoUninitialize();
    return result;
}
