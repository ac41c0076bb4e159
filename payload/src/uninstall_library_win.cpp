// uninstall.dll: the part of the uninstallation that runs after uninst_corvale.exe has
// ended. The uninstaller starts it from a copy in its folder under the Windows folder's Temp:
//
//   rundll32.exe "<copy>",Finish <uninstaller's process handle> <copy's handle> <moved image>
//
// By then the installation is gone; the uninstaller has moved its own image out of it into
// the same folder. This waits for the uninstaller to end, deletes that image, moves its own
// copy out of the folder beside it and removes the folder. Then it unloads the copy and ends
// rundll32; ending closes the copy's last handle, which the uninstaller opened for
// delete-on-close, and so deletes the copy too.
#include <windows.h>

#include "core/product.h"
#include "core/text.h"
#include "core/win_text.h"
#include "removal_win.h"
#include "uninstall_rules.h"

namespace {

HMODULE Library;
// Rounds of waiting for the moved image to be released, each as long as the uninstaller's.
constexpr int FinishRounds = 12;

// Unmaps this library and ends the process without running another instruction of it.
// A thread-pool wait on this thread's end calls TerminateProcess (its two arguments: the
// wait's context, this process, and the wait's "timed out", false, the exit code); this
// thread meanwhile unloads the library and ends. Ending the process, rather than only the
// thread, does not depend on which other threads the system keeps in rundll32.
// Not ExitProcess: it ends the other threads wherever they are, then runs every library's
// detach code, which can wait forever for a lock that an ended thread held (the wait's own
// thread is busy at that very moment). A rundll32 hung there keeps the copy's handle, and
// so the copy, for good. Nothing here needs cleaning up on the way out.
[[noreturn]] void UnloadAndExit() {
    HANDLE thread = nullptr, wait = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, SYNCHRONIZE,
                        FALSE, 0))
        RegisterWaitForSingleObject(
            &wait, thread, reinterpret_cast<WAITORTIMERCALLBACK>(reinterpret_cast<void*>(&TerminateProcess)),
            GetCurrentProcess(), INFINITE, WT_EXECUTEONLYONCE);
    FreeLibraryAndExitThread(Library, 0);
}

// A mapped library can't be deleted, and its folder can't go while it is there; but it can
// be renamed. Through its own handle (its path may name something else by now) to the name
// of its folder with ".dll" added, beside it in Temp, where nothing of that name may be yet;
// the handle's delete-on-close then deletes it there. 0, or -1 with the copy where it was.
int MoveCopyOutOf(const char16_t* folder, HANDLE copy) {
    constexpr int RenameUnits = PathUnits + 16;
    union {
        FILE_RENAME_INFO Info;
        unsigned char Bytes[sizeof(FILE_RENAME_INFO) + RenameUnits * sizeof(wchar_t)];
    } rename = {};
    char16_t parked[PathUnits];
    // Wine renames by handle only to a full NT path, without a root folder's handle.
    int length =
        FormatText(parked, PathUnits, u"%s.dll", folder) < 0
            ? -1
            : FormatText(reinterpret_cast<char16_t*>(rename.Info.FileName), RenameUnits, u"\\??\\%s", parked);
    if (length < 0)
        return -1;
    rename.Info.FileNameLength = static_cast<DWORD>(length * sizeof(wchar_t));
    if (!SetFileInformationByHandle(copy, FileRenameInfo, &rename, sizeof rename))
        return -1;
    // Should this process hang before it ends, Windows removes the copy at restart.
    MoveFileExW(WideText(parked), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    return 0;
}

} // namespace

// rundll32 calls the entry named on its command line with a W appended, with the arguments
// as UTF-16.
extern "C" __declspec(dllexport) void CALLBACK FinishW(HWND, HINSTANCE, LPWSTR arguments, int) {
    uint32_t processHandle = 0, copyHandle = 0;
    char16_t image[PathUnits], folder[PathUnits];
    if (arguments != nullptr && ParseFinishArguments(reinterpret_cast<const char16_t*>(arguments),
                                                     &processHandle, &copyHandle, image) == 0) {
        HANDLE uninstaller = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(processHandle));
        WaitForSingleObject(uninstaller, INFINITE);
        CloseHandle(uninstaller);
        // Nobody waits for this process: it gives a scanner that holds the image a minute
        // before Windows is left to remove it at restart.
        DWORD error = RemoveFileOnceReleased(image);
        for (int round = 1; round < FinishRounds && error != 0; ++round)
            error = RemoveFileOnceReleased(image);
        // The image is already left to the restart, and the folder with it.
        if (error == 0 && FolderOfPath(image, folder) == 0 &&
            MoveCopyOutOf(folder, reinterpret_cast<HANDLE>(static_cast<uintptr_t>(copyHandle))) == 0)
            RemoveFolderIfEmpty(folder);
    }
    UnloadAndExit();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        Library = instance;
    return TRUE;
}
