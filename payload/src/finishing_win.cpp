#include "finishing_win.h"

#include <ntsecapi.h>
#include <sddl.h>

#include "core/platform.h"
#include "core/folder_access.h"
#include "core/text.h"
#include "core/win_text.h"
#include "corvale_names.h"
#include "removal_win.h"
#include "uninstall_rules.h"

namespace {

constexpr int CommandUnits = 1024;
// Names tried before the folder is given up: each is 64 random bits, so a second one is only
// needed when somebody made the first on purpose.
constexpr int FolderNameTries = 8;

// Makes a new folder of a random name under the Windows folder's Temp with the restricted
// access list, opens it and checks it through the handle. 0, or -1 with none.
int MakeTemporaryFolder(TemporaryFolder* temporary) {
    if (temporary->Held != nullptr)
        return 0;
    char16_t windows[PathUnits];
    UINT length = GetSystemWindowsDirectoryW(WideText(windows), PathUnits);
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (length == 0 || length >= static_cast<UINT>(PathUnits) ||
        !ConvertStringSecurityDescriptorToSecurityDescriptorW(WideText(TemporaryFolderAccess),
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return -1;
    SECURITY_ATTRIBUTES restricted = {sizeof restricted, descriptor, FALSE};
    bool made = false;
    for (int attempt = 0; attempt < FolderNameTries && !made; ++attempt) {
        unsigned char random[8];
        char16_t hex[2 * sizeof random + 1];
        if (!RtlGenRandom(random, sizeof random))
            break;
        for (unsigned i = 0; i < sizeof random; ++i) {
            hex[2 * i] = u"0123456789abcdef"[random[i] >> 4];
            hex[2 * i + 1] = u"0123456789abcdef"[random[i] & 15];
        }
        hex[2 * sizeof random] = 0;
        if (FormatText(temporary->Path, PathUnits, u"%s\\Temp\\%s%s", windows, TemporaryFolderPrefix, hex) <
            0)
            break;
        made = CreateDirectoryW(WideText(temporary->Path), &restricted) != 0;
        // An existing name may be anybody's: only a folder made here is used.
        if (!made && GetLastError() != ERROR_ALREADY_EXISTS)
            break;
    }
    LocalFree(descriptor);
    if (!made)
        return -1;
    // Held without delete sharing while this process runs, so that it can't be renamed or
    // replaced, once it is checked to be no link and to have the composed final path.
    CheckOutcome outcome = CheckPassed;
    temporary->Held = OpenCheckedFolder(temporary->Path, &outcome);
    return temporary->Held != nullptr ? 0 : -1;
}

// Starts rundll32 on the library's copy to delete the moved image and the folder once this
// process has ended; 0 when it runs.
int StartFinisher(TemporaryFolder* temporary) {
    char16_t system[PathUnits], rundll[PathUnits], arguments[CommandUnits], command[CommandUnits];
    HANDLE self = nullptr;
    UINT systemLength = GetSystemDirectoryW(WideText(system), PathUnits);
    bool ready = temporary->LibraryCopy != nullptr && systemLength > 0 &&
                 systemLength < static_cast<UINT>(PathUnits) &&
                 ComposeFilePath(rundll, system, u"rundll32.exe") == 0 &&
                 DuplicateHandle(GetCurrentProcess(), GetCurrentProcess(), GetCurrentProcess(), &self,
                                 SYNCHRONIZE, TRUE, 0) &&
                 ComposeFinishArguments(
                     arguments, CommandUnits, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(self)),
                     static_cast<uint32_t>(reinterpret_cast<uintptr_t>(temporary->LibraryCopy)),
                     temporary->MovedImage) >= 0 &&
                 FormatText(command, CommandUnits, u"\"%s\" \"%s\",%s %s", rundll, temporary->LibraryCopyPath,
                            FinishEntryName, arguments) >= 0;
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    // Only two handles are inheritable: the copy's and this process. A new process can die
    // in its start-up (seen under Wine): one more try before the moved image is left to the
    // restart.
    bool started = false;
    for (int attempt = 0; ready && !started && attempt < 2; ++attempt)
        started = CreateProcessW(WideText(rundll), WideText(command), nullptr, nullptr, TRUE,
                                 CREATE_NO_WINDOW, nullptr, WideText(system), &startup, &process) != 0;
    if (started) {
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
    }
    if (self != nullptr)
        CloseHandle(self);
    return started ? 0 : -1;
}

} // namespace

int CopyLibraryToTemporaryFolder(TemporaryFolder* temporary, const char16_t* library) {
    char16_t* copy = temporary->LibraryCopyPath;
    if (MakeTemporaryFolder(temporary) != 0 ||
        ComposeFilePath(copy, temporary->Path, ProductInfo.UninstallLibraryFile) != 0)
        return -1;
    int missing = 0;
    PlatformFile* source = OpenFileForReading(library, &missing);
    if (source == nullptr)
        return -1;
    // Made new, never opened; the folder's access list passes to it.
    PlatformFile* writer = CreateCheckedChild(temporary->Held, ProductInfo.UninstallLibraryFile);
    bool copied = writer != nullptr;
    unsigned char chunk[16384];
    for (long got = 1; copied && got > 0;) {
        got = ReadFileBytes(source, chunk, sizeof chunk);
        copied = got >= 0 && WriteFileBytes(writer, chunk, static_cast<size_t>(got)) == 0;
    }
    CloseReadFile(source);
    if (writer != nullptr)
        copied = CloseWrittenFile(writer) == 0 && copied;
    SECURITY_ATTRIBUTES inherited = {sizeof inherited, nullptr, TRUE};
    // Nobody may write, rename or delete the copy while it is held; the loader, which only
    // reads and shares deletion, still maps it. Write access would keep the loader out, so
    // the handle has none; delete access lets the finisher move the copy out of the folder.
    HANDLE keeper = copied ? CreateFileW(WideText(copy), DELETE | SYNCHRONIZE, FILE_SHARE_READ, &inherited,
                                         OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr)
                           : INVALID_HANDLE_VALUE;
    if (keeper == INVALID_HANDLE_VALUE) {
        DeleteFileW(WideText(copy));
        return -1;
    }
    temporary->LibraryCopy = keeper;
    return 0;
}

int MoveImageToTemporaryFolder(TemporaryFolder* temporary, const char16_t* image) {
    char16_t* moved = temporary->MovedImage;
    if (MakeTemporaryFolder(temporary) != 0 ||
        ComposeFilePath(moved, temporary->Path, ProductInfo.UninstallerFile) != 0 ||
        !MoveFileExW(WideText(image), WideText(moved), 0)) {
        moved[0] = 0;
        return -1;
    }
    // The image first: the folder goes at restart only once it is empty.
    MoveFileExW(WideText(moved), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    MoveFileExW(WideText(temporary->Path), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

int MoveImageBack(TemporaryFolder* temporary, const char16_t* image) {
    char16_t folder[PathUnits];
    if (temporary->MovedImage[0] == 0 || FolderOfPath(image, folder) != 0)
        return -1;
    // The emptied program folder may be gone already; the restart's deletion of the image's
    // moved name then finds nothing.
    CreateDirectoryW(WideText(folder), nullptr);
    if (!MoveFileExW(WideText(temporary->MovedImage), WideText(image), 0))
        return -1;
    temporary->MovedImage[0] = 0;
    return 0;
}

void FinishAfterExit(TemporaryFolder* temporary) {
    // Without a finisher the moved image waits for the restart, as it was scheduled.
    if (temporary->MovedImage[0] != 0 && StartFinisher(temporary) == 0)
        temporary->Finishing = 1;
    temporary->MovedImage[0] = 0;
    // Without a started finisher this was the copy's last handle, and the copy goes now.
    if (temporary->LibraryCopy != nullptr)
        CloseHandle(temporary->LibraryCopy);
    temporary->LibraryCopy = nullptr;
    if (!temporary->Finishing && temporary->Held != nullptr) {
        CloseCheckedFolder(temporary->Held);
        temporary->Held = nullptr;
        RemoveDirectoryW(WideText(temporary->Path));
    }
}
