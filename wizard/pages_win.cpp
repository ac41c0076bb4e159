#include <windows.h>
#include <shellapi.h>

#include "../core/install_run.h"
#include "../core/platform.h"
#include "../core/text.h"
#include "folders.h"
#include "wizard_state.h"
#include "wizard_win.h"

static HWND PageControl(int id) {
    return static_cast<HWND>(WizardState.PageControls[id - FirstPageControlId]);
}

static void LoadLicenceText() {
    HMODULE module = GetModuleHandleW(nullptr);
    HRSRC found =
        FindResourceW(module, MAKEINTRESOURCEW(LicenceResourceName), MAKEINTRESOURCEW(LicenceResourceType));
    // Without the resource the licence view stays empty rather than reading from nowhere.
    const unsigned char* data = nullptr;
    DWORD size = 0;
    if (found != nullptr) {
        HGLOBAL loaded = LoadResource(module, found);
        size = SizeofResource(module, found);
        data = static_cast<const unsigned char*>(LockResource(loaded));
    }
    CopyLicenceText(data, size);
}

// A folder edit showing its buffer, limited to what the buffer holds, all text selected.
static void CreateFolderEdit(HWND window, ControlRowIndex row, const char16_t* folder) {
    HWND edit = CreateControl(window, row, folder);
    SendMessageW(edit, EM_LIMITTEXT, PathUnits - 1, 0);
    SendMessageW(edit, EM_SETSEL, 0, -1);
}

static void ShowLicencePage(HWND window) {
    if (WizardState.FirstShowing) {
        LoadLicenceText();
    } else {
        // Back from the folder page: keep what the user entered there.
        SavePageFields();
        DestroyPageControls();
    }
    CreateControl(window, LicenceTextEditRow);
    CreateControl(window, AgreeButtonRow);
    CreateControl(window, DeclineButtonRow);
    if (WizardState.FirstShowing)
        CreateLogoIcon(window, LogoIconBase, ControlTable[LogoIconRow].X, ControlTable[LogoIconRow].Y);
    SetFocus(PageControl(AgreeButtonId));
}

static void ShowFoldersPage(HWND window) {
    DestroyPageControls();
    if (WizardState.FirstShowing)
        FillProgramFolderDefault();
    CreateControl(window, ProgramCaptionRow);
    CreateFolderEdit(window, ProgramFolderEditRow, WizardState.ProgramFolder);
    CreateControl(window, ProgramBrowseButtonRow);
    CreateControl(window, ProgramShortcutCheckRow);
    CheckDlgButton(window, ProgramShortcutCheckId, static_cast<UINT>(WizardState.ProgramShortcutWanted));
    if (WizardState.FirstShowing)
        FillDocumentsFolderDefault();
    CreateControl(window, DocumentsCaptionRow);
    CreateFolderEdit(window, DocumentsFolderEditRow, WizardState.DocumentsFolder);
    CreateControl(window, DocumentsBrowseButtonRow);
    CreateControl(window, DocumentsShortcutCheckRow);
    CheckDlgButton(window, DocumentsShortcutCheckId, static_cast<UINT>(WizardState.DocumentsShortcutWanted));
    SetFocus(PageControl(ProgramFolderEditId));
    CreateControl(window, BackButtonRow);
    CreateControl(window, InstallButtonRow);
    CreateControl(window, CancelButtonRow);
    WizardState.FirstShowing = 0;
}

void ShowPage(HWND window, int page) {
    switch (page) {
    case 0:
        ShowLicencePage(window);
        break;
    case 1:
        ShowFoldersPage(window);
        break;
    case 2:
        InstallRun();
        break;
    default:
        break;
    }
}

static void OpenWebSite() {
    char16_t address[WebAddressUnits] = {};
    if (FormatText(address, WebAddressUnits, ProductInfo.WebSiteUrlFormat, ProductInfo.WebSiteHost) < 0)
        return;
    ShellExecuteW(nullptr, L"open", Wide(address), nullptr, nullptr, SW_SHOWNORMAL);
}

// Command values compared whole: the id in the low word and notification 0 in the high
// word, which is what a click and the dialog keys carry.
static bool HandleCommand(HWND window, WPARAM command) {
    switch (command) {
    case IDOK:
    case AgreeButtonId:
    case InstallButtonId:
        ShowPage(window, ++WizardState.PageCounter);
        break;
    case BackButtonId:
        ShowPage(window, --WizardState.PageCounter);
        break;
    case IDCANCEL:
        // Esc after a finished installation does nothing at all.
        if (WizardState.InstallFinished == 0)
            SendMessageW(window, WM_CLOSE, 0, 0);
        break;
    case DeclineButtonId:
    case CancelButtonId:
        SendMessageW(window, WM_CLOSE, 0, 0);
        break;
    case ProgramBrowseButtonId:
    case DocumentsBrowseButtonId:
        BrowseForFolder(window, static_cast<int>(command));
        break;
    case WebSiteButtonId:
        OpenWebSite();
        break;
    case CloseButtonId:
        // The loop ends on the quit message; the window goes with the process.
        PostQuitMessage(0);
        return true;
    default:
        break;
    }
    return false;
}

LRESULT CALLBACK MainWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        // Centred before it is first shown; page 0 is built on the window argument since
        // MainWindow is not yet set.
        CenterWindow(window);
        ShowPage(window, 0);
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_CLOSE:
        if (WizardState.InstallFinished == 0 &&
            MessageBoxW(window, Wide(QuitQuestion), Wide(ProductInfo.ProductName),
                        MB_OKCANCEL | MB_ICONQUESTION) != IDOK)
            return 0;
        DestroyWindow(window);
        return 0;
    case WM_COMMAND:
        if (HandleCommand(window, wParam))
            return 0;
        break;
    default:
        break;
    }
    return DefWindowProcW(window, message, wParam, lParam);
}
