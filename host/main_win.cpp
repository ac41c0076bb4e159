// The process: DLL-search hardening, start-up of the platform services, the main window,
// the message loop and the orderly end.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include "../core/payload_checksums.h"
#include "../core/product.h"
#include "../core/text.h"
#include "../wizard/wizard_state.h"
#include "../wizard/wizard_win.h"

HWND MainWindow = nullptr;

// A top-level window with a title bar and a close box, no sizing border and no minimise or
// maximise box; created visible.
static const DWORD MainWindowStyle = WS_VISIBLE | WS_DLGFRAME | WS_SYSMENU;
// Where the window would appear if it were not centred during its own creation.
static const int MainWindowStartX = 100;
static const int MainWindowStartY = 100;

// A setup usually runs from a downloads folder, where anybody can drop a DLL named like a
// system one. From here on every library the process loads - by our own code or by the
// shell, COM and the common controls on our behalf - comes from the system folder only.
// The call exists from Windows 8 on, and on Windows 7 and Vista with KB2533623; it is looked
// up at run time so that the executable still starts where it is missing, and there the
// current directory at least leaves the search order.
static void RestrictDllSearch() {
    typedef BOOL(WINAPI * SetDefaultDllDirectoriesProc)(DWORD);
    HMODULE kernel = GetModuleHandleW(L"kernel32.dll");
    SetDefaultDllDirectoriesProc limitSearch = nullptr;
    if (kernel != nullptr)
        limitSearch = reinterpret_cast<SetDefaultDllDirectoriesProc>(
            reinterpret_cast<void (*)()>(GetProcAddress(kernel, "SetDefaultDllDirectories")));
    if (limitSearch == nullptr || !limitSearch(LOAD_LIBRARY_SEARCH_SYSTEM32))
        SetDllDirectoryW(L"");
}

// A setup whose payload no longer matches what the build recorded - a download cut short,
// bad media - says so before anything else happens: no window, no registry read, no COM,
// nothing on disk.
static bool RefusedAsDamaged(const char16_t* title) {
    if (CheckPayloadBlobs(PayloadTable, PayloadChecksums, PayloadCount) == 0)
        return false;
    MessageBoxW(nullptr, Wide(DamagedSetupMessage), Wide(title), MB_OK | MB_ICONERROR);
    return true;
}

// comctl32 is not one of the system's known DLLs, so a static import would be looked for
// beside the executable before the restriction above could act. It is loaded here instead,
// by name, so that the manifest's side-by-side version 6 still applies.
static void InitCommonControlsFromSystem() {
    typedef BOOL(WINAPI * InitCommonControlsExProc)(const INITCOMMONCONTROLSEX*);
    HMODULE controls = LoadLibraryW(L"comctl32.dll");
    if (controls == nullptr)
        return;
    InitCommonControlsExProc init = reinterpret_cast<InitCommonControlsExProc>(
        reinterpret_cast<void (*)()>(GetProcAddress(controls, "InitCommonControlsEx")));
    // Every class from the list views to the animation control, the progress bar among them.
    INITCOMMONCONTROLSEX classes = {sizeof(INITCOMMONCONTROLSEX), 0xFF};
    if (init != nullptr)
        init(&classes);
}

// COM on this thread for the shell-link object and the folder picker, then the DPI that
// every layout number is scaled by.
static void StartHostServices() {
    CoInitialize(nullptr);
    ReadScreenDpi();
}

// Passes every message through the dialog filter so that Tab, Enter and Esc act as in a
// dialog. Returns the quit message's code.
static int RunMessageLoop(MSG* message) {
    for (;;) {
        BOOL fetched = GetMessageW(message, nullptr, 0, 0);
        if (fetched == 0)
            return static_cast<int>(message->wParam);
        // An invalid fetch would repeat for ever; leave the loop instead.
        if (fetched == -1)
            return 0;
        if (!IsDialogMessageW(MainWindow, message)) {
            TranslateMessage(message);
            DispatchMessageW(message);
        }
    }
}

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int) {
    RestrictDllSearch();

    WNDCLASSW windowClass = {};
    MSG message = {};
    char16_t title[PathUnits] = {};
    FormatText(title, PathUnits, ProductInfo.TitleFormat, ProductInfo.ProductName,
               ProductInfo.ProductVersion);
    if (RefusedAsDamaged(title))
        return DamagedSetupExitCode;
    InitCommonControlsFromSystem();

    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(ApplicationIconId));
    windowClass.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    windowClass.hbrBackground = GetSysColorBrush(COLOR_BTNFACE);
    windowClass.lpszClassName = Wide(title);
    RegisterClassW(&windowClass);

    StartHostServices();
    // The creation message below already builds page 0: the font and the outcome controls
    // must be made afresh there.
    DialogFont = nullptr;
    WizardState.StatusText = nullptr;
    WizardState.CloseButton = nullptr;
    FixButtonSize();
    LayoutRect size = MainWindowRect();
    MainWindow =
        CreateWindowExW(0, Wide(title), Wide(title), MainWindowStyle, MainWindowStartX, MainWindowStartY,
                        size.Width, size.Height, nullptr, nullptr, instance, nullptr);

    // Without a window no quit message would ever come.
    int exitCode = MainWindow != nullptr ? RunMessageLoop(&message) : 1;

    if (DialogFont != nullptr)
        DeleteObject(DialogFont);
    CoUninitialize();
    return exitCode;
}
