// The wizard's window side, checked from inside the process (the shared font can't be read
// from another one): pages built from the layout table, the bounded folder read, the font,
// the logo, the outcome controls and the command values. Runs under Wine with the setup's
// own resources; it never starts the installation run.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

#include <stdio.h>
#include <string.h>

#include "core/platform.h"
#include "core/text.h"
#include "wizard/wizard_state.h"
#include "wizard/wizard_win.h"

HWND MainWindow = nullptr;

static int Failures = 0;

#define CHECK(condition)                                                                                     \
    do {                                                                                                     \
        if (!(condition)) {                                                                                  \
            printf("line %d: %s\n", __LINE__, #condition);                                                   \
            ++Failures;                                                                                      \
        }                                                                                                    \
    } while (0)

static HWND Slot(int id) {
    return static_cast<HWND>(WizardState.PageControls[id - FirstPageControlId]);
}

static RECT ClientRectOf(HWND control) {
    RECT r = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, MainWindow, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

static int Command(WPARAM value) {
    return static_cast<int>(SendMessageW(MainWindow, WM_COMMAND, value, 0));
}

// Icon labels among the main window's children: the logo and nothing else.
static bool IsIconLabel(HWND child) {
    wchar_t className[16] = {};
    GetClassNameW(child, className, 16);
    return lstrcmpiW(className, L"Static") == 0 &&
           (GetWindowLongW(child, GWL_STYLE) & SS_TYPEMASK) == SS_ICON;
}

static int LogoCount() {
    int count = 0;
    for (HWND child = GetWindow(MainWindow, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        count += IsIconLabel(child) ? 1 : 0;
    return count;
}

static HWND Logo() {
    for (HWND child = GetWindow(MainWindow, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT))
        if (IsIconLabel(child))
            return child;
    return nullptr;
}

static void CheckLicencePage() {
    CHECK(Slot(LicenceTextEditId) != nullptr && Slot(AgreeButtonId) != nullptr &&
          Slot(DeclineButtonId) != nullptr);
    CHECK(GetFocus() == Slot(AgreeButtonId));
    // The licence resource reached the view byte for byte.
    char shown[64] = {};
    GetWindowTextA(Slot(LicenceTextEditId), shown, sizeof shown);
    CHECK(shown[0] != 0 && memcmp(shown, WizardState.LicenceBuffer, strlen(shown)) == 0);
    RECT agree = ClientRectOf(Slot(AgreeButtonId));
    CHECK(agree.left == 364 && agree.top == 307 && agree.right == 452 && agree.bottom == 334);
    // The 120 x 41 logo centred on (119, 297).
    RECT logo = ClientRectOf(Logo());
    CHECK(LogoCount() == 1);
    CHECK(logo.left == 59 && logo.top == 277 && logo.right - logo.left == 120 &&
          logo.bottom - logo.top == 41);
}

static void CheckFont() {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(Slot(AgreeButtonId), WM_GETFONT, 0, 0));
    CHECK(font != nullptr && font == DialogFont);
    CHECK(reinterpret_cast<HFONT>(SendMessageW(Slot(LicenceTextEditId), WM_GETFONT, 0, 0)) == DialogFont);
    CHECK(reinterpret_cast<HFONT>(SendMessageW(Logo(), WM_GETFONT, 0, 0)) != DialogFont);
    LOGFONTW description = {};
    CHECK(GetObjectW(font, sizeof description, &description) == sizeof description);
    CHECK(lstrcmpW(description.lfFaceName, L"Tahoma") == 0);
    CHECK(description.lfCharSet == DEFAULT_CHARSET && description.lfOutPrecision == OUT_TT_PRECIS);
    HDC context = GetDC(MainWindow);
    int dpiY = GetDeviceCaps(context, LOGPIXELSY);
    ReleaseDC(MainWindow, context);
    // 10 points as a negative character height: -13 at 96 DPI, -20 at 144.
    if (dpiY == 96)
        CHECK(description.lfHeight == -13);
    if (dpiY == 144)
        CHECK(description.lfHeight == -20);
}

static void CheckFoldersPage() {
    for (int id = LicenceTextEditId; id <= DeclineButtonId; ++id)
        CHECK(Slot(id) == nullptr);
    for (int id = PageCaptionId; id <= CancelButtonId; ++id)
        CHECK(Slot(id) != nullptr);
    CHECK(GetFocus() == Slot(ProgramFolderEditId));
    DWORD start = 1, end = 0;
    SendMessageW(Slot(ProgramFolderEditId), EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    CHECK(start == 0 && end == static_cast<DWORD>(GetWindowTextLengthW(Slot(ProgramFolderEditId))));
    // The edits refuse typed or pasted text beyond what the folder buffers hold.
    CHECK(SendMessageW(Slot(ProgramFolderEditId), EM_GETLIMITTEXT, 0, 0) == PathUnits - 1);
    CHECK(SendMessageW(Slot(DocumentsFolderEditId), EM_GETLIMITTEXT, 0, 0) == PathUnits - 1);
    CHECK(IsDlgButtonChecked(MainWindow, ProgramShortcutCheckId) == BST_CHECKED);
    CHECK(LogoCount() == 1);
}

static void CheckBoundedSave() {
    // WM_SETTEXT passes the edit's limit: 300 units must still stop at the buffer's end and
    // leave the documents folder, which follows it in the record, alone.
    wchar_t longText[301];
    for (int i = 0; i < 300; ++i)
        longText[i] = L'a' + i % 26;
    longText[300] = 0;
    SetWindowTextW(Slot(ProgramFolderEditId), longText);
    SetWindowTextW(Slot(DocumentsFolderEditId), L"D:\\Ledgers");
    CheckDlgButton(MainWindow, ProgramShortcutCheckId, BST_UNCHECKED);
    SavePageFields();
    CHECK(TextLength(WizardState.ProgramFolder) == PathUnits - 1);
    CHECK(memcmp(WizardState.ProgramFolder, longText, (PathUnits - 1) * sizeof(char16_t)) == 0);
    CHECK(TextEqual(WizardState.DocumentsFolder, u"D:\\Ledgers"));
    CHECK(WizardState.ProgramShortcutWanted == 0 && WizardState.DocumentsShortcutWanted == 1);
    SetWindowTextW(Slot(ProgramFolderEditId), L"C:\\Money");
}

static void CheckOutcomeControls() {
    ShowInstallingCaption();
    CHECK(Slot(PageCaptionId) != nullptr);
    ProgressSink sink = CreateProgressBar();
    HWND bar = static_cast<HWND>(sink.Bar);
    CHECK(bar != nullptr && bar == WizardState.ProgressBar);
    ProgressSetRange(&sink, 3991);
    ProgressSetStep(&sink, 1);
    for (int i = 0; i < 5; ++i)
        ProgressStepIt(&sink);
    CHECK(SendMessageW(bar, PBM_GETPOS, 0, 0) == 5);
    CHECK(SendMessageW(bar, PBM_GETRANGE, FALSE, 0) == 3991);
    CHECK(reinterpret_cast<HFONT>(SendMessageW(bar, WM_GETFONT, 0, 0)) != DialogFont);
    ProgressStepIt(nullptr); // the extraction may run without a display
    RemoveProgressDisplay();
    CHECK(WizardState.ProgressBar == nullptr && Slot(PageCaptionId) == nullptr && !IsWindow(bar));

    ShowStatusText(u"first");
    HWND status = static_cast<HWND>(WizardState.StatusText);
    ShowStatusText(u"second");
    CHECK(status != nullptr && WizardState.StatusText == status);
    wchar_t text[16] = {};
    GetWindowTextW(status, text, 16);
    CHECK(lstrcmpW(text, L"second") == 0);
    CHECK(reinterpret_cast<HFONT>(SendMessageW(status, WM_GETFONT, 0, 0)) == DialogFont);
    RECT statusRect = ClientRectOf(status);
    CHECK(statusRect.left == 60 && statusRect.top == 50 && statusRect.right == 510 &&
          statusRect.bottom == 150);

    ShowWebSiteButton();
    HWND site = GetDlgItem(MainWindow, WebSiteButtonId);
    GetWindowTextW(site, text, 16);
    CHECK(site != nullptr && TextEqual(reinterpret_cast<char16_t*>(text), ProductInfo.WebSiteHost));

    ShowCloseButton();
    HWND close = static_cast<HWND>(WizardState.CloseButton);
    CHECK(close != nullptr && GetFocus() == close && GetDlgCtrlID(close) == CloseButtonId);
    RECT closeRect = ClientRectOf(close);
    CHECK(closeRect.left == 460 && closeRect.right - closeRect.left == 88 &&
          closeRect.bottom - closeRect.top == 27);
    CHECK((GetWindowLongW(close, GWL_STYLE) & 0xFFFF000F) == 0x50010001);
}

int wmain() {
    // The figures below are the 96-DPI layout numbers whatever the prefix's DPI.
    ReadScreenDpi();
    CHECK(ScreenDpi >= 96.0f);
    ScreenDpi = 96.0f;
    FixButtonSize();
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&classes);
    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW windowClass = {};
    windowClass.lpfnWndProc = MainWindowProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = L"WizardWindowTest";
    RegisterClassW(&windowClass);
    LayoutRect size = MainWindowRect();
    MainWindow = CreateWindowExW(0, L"WizardWindowTest", L"", WS_VISIBLE | WS_DLGFRAME | WS_SYSMENU, 100, 100,
                                 size.Width, size.Height, nullptr, nullptr, instance, nullptr);
    CHECK(MainWindow != nullptr);
    if (MainWindow == nullptr)
        return 1;

    // Centred on the desktop during its own creation.
    RECT desktop = {}, own = {};
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(MainWindow, &own);
    CHECK(own.left == desktop.left + (desktop.right - desktop.left - size.Width) / 2);
    CHECK(own.top == desktop.top + (desktop.bottom - desktop.top - size.Height) / 2);

    CheckLicencePage();
    CheckFont();

    // A notification code in the high word is not a command.
    CHECK(Command(MAKEWPARAM(AgreeButtonId, 1)) == 0 && WizardState.PageCounter == 0);
    Command(AgreeButtonId);
    CHECK(WizardState.PageCounter == 1);
    CheckFoldersPage();
    CheckBoundedSave();

    // Back keeps the folder page's fields, keeps one logo, and forward shows them again.
    Command(BackButtonId);
    CHECK(WizardState.PageCounter == 0 && LogoCount() == 1);
    CHECK(TextEqual(WizardState.ProgramFolder, u"C:\\Money"));
    CheckLicencePage();
    Command(IDOK);
    CHECK(WizardState.PageCounter == 1);
    wchar_t shown[32] = {};
    GetWindowTextW(Slot(DocumentsFolderEditId), shown, 32);
    CHECK(lstrcmpW(shown, L"D:\\Ledgers") == 0);
    CHECK(IsDlgButtonChecked(MainWindow, ProgramShortcutCheckId) == BST_UNCHECKED);

    DestroyPageControls();
    DestroyPageControls();
    for (int id = LicenceTextEditId; id <= CancelButtonId; ++id)
        CHECK(Slot(id) == nullptr);
    // Saving without the folder page keeps what was saved.
    SavePageFields();
    CHECK(TextEqual(WizardState.ProgramFolder, u"C:\\Money") && WizardState.ProgramShortcutWanted == 0);

    CheckOutcomeControls();

    // Once installed, Esc does nothing; Close posts the quit message and leaves the window.
    WizardState.InstallFinished = 1;
    Command(IDCANCEL);
    CHECK(IsWindow(MainWindow));
    CHECK(Command(CloseButtonId) == 0);
    MSG message = {};
    CHECK(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) && message.wParam == 0);
    CHECK(IsWindow(MainWindow));
    // ... and the close box closes without asking.
    SendMessageW(MainWindow, WM_CLOSE, 0, 0);
    CHECK(!IsWindow(MainWindow));

    if (DialogFont != nullptr)
        DeleteObject(DialogFont);
    CoUninitialize();
    printf("%s: %d failed checks\n", Failures == 0 ? "PASSED" : "FAILED", Failures);
    return Failures == 0 ? 0 : 1;
}
