// uninstall.dll: the part of the uninstallation that runs after uninst_corvale.exe has
// ended. The uninstaller starts it from a temporary copy:
//
//   rundll32.exe "<copy>",Finish <uninstaller's process handle> <moved image>
//
// By then the installation is gone; the uninstaller has moved its own image out of it into
// the temporary folder. This waits for the uninstaller to end and deletes that image. Then
// it unloads its own copy and ends rundll32; ending closes the last handle of the copy,
// which the uninstaller opened for delete-on-close, and so deletes the copy too.
#include <windows.h>

#include "core/product.h"
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

} // namespace

// rundll32 calls the entry named on its command line with a W appended, with the arguments
// as UTF-16.
extern "C" __declspec(dllexport) void CALLBACK FinishW(HWND, HINSTANCE, LPWSTR arguments, int) {
    uint32_t processHandle = 0;
    char16_t image[PathUnits];
    if (arguments != nullptr &&
        ParseFinishArguments(reinterpret_cast<const char16_t*>(arguments), &processHandle, image) == 0) {
        HANDLE uninstaller = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(processHandle));
        WaitForSingleObject(uninstaller, INFINITE);
        CloseHandle(uninstaller);
        // Nobody waits for this process: it gives a scanner that holds the image a minute
        // before Windows is left to remove it at restart.
        DWORD error = RemoveFileOnceReleased(image);
        for (int round = 1; round < FinishRounds && error != 0; ++round)
            error = RemoveFileOnceReleased(image);
        if (error != 0)
            MoveFileExW(WideText(image), nullptr, MOVEFILE_DELAY_UNTIL_REBOOT);
    }
    UnloadAndExit();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        Library = instance;
    return TRUE;
}
