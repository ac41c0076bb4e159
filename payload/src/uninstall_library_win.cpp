// uninstall.dll: the part of the uninstallation that runs after uninst_corvale.exe has
// ended. The uninstaller starts it from a temporary copy:
//
//   rundll32.exe "<copy>",Finish <uninstaller's process handle> <program folder>
//
// It waits for the uninstaller to end, deletes uninst_corvale.exe and uninstall.dll from
// the program folder and removes the folder when nothing else is left in it. Then it
// unloads its own copy and ends rundll32; ending closes the last handle of the copy, which
// the uninstaller opened for delete-on-close, and so deletes the copy too.
#include <windows.h>

#include "core/product.h"
#include "core/win_text.h"
#include "removal_win.h"
#include "uninstall_rules.h"

namespace {

HMODULE Library;

void RemoveProgramFile(const char16_t* folder, const char16_t* name) {
    char16_t path[PathUnits];
    if (ComposeFilePath(path, folder, name) == 0)
        RemoveFileOnceReleased(path);
}

// Unmaps this library and ends the process without running another instruction of it.
// A thread-pool wait on this thread's end calls ExitProcess (its one argument, the wait's
// context, is the exit code 0); this thread meanwhile unloads the library and ends. Ending
// the process, rather than only the thread, does not depend on which other threads the
// system keeps in rundll32.
[[noreturn]] void UnloadAndExit() {
    HANDLE thread = nullptr, wait = nullptr;
    if (DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, SYNCHRONIZE,
                        FALSE, 0))
        RegisterWaitForSingleObject(
            &wait, thread, reinterpret_cast<WAITORTIMERCALLBACK>(reinterpret_cast<void*>(&ExitProcess)),
            nullptr, INFINITE, WT_EXECUTEONLYONCE);
    FreeLibraryAndExitThread(Library, 0);
}

} // namespace

// rundll32 calls the entry named on its command line with a W appended, with the arguments
// as UTF-16.
extern "C" __declspec(dllexport) void CALLBACK FinishW(HWND, HINSTANCE, LPWSTR arguments, int) {
    uint32_t processHandle = 0;
    char16_t folder[PathUnits];
    if (arguments != nullptr &&
        ParseFinishArguments(reinterpret_cast<const char16_t*>(arguments), &processHandle, folder) == 0) {
        HANDLE uninstaller = reinterpret_cast<HANDLE>(static_cast<uintptr_t>(processHandle));
        WaitForSingleObject(uninstaller, INFINITE);
        CloseHandle(uninstaller);
        RemoveProgramFile(folder, ProductInfo.UninstallerFile);
        RemoveProgramFile(folder, ProductInfo.UninstallLibraryFile);
        RemoveFolderIfEmpty(folder);
    }
    UnloadAndExit();
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH)
        Library = instance;
    return TRUE;
}
