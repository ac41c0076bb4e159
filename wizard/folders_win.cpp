#include <windows.h>
#include <shlobj.h>

#include "../core/platform.h"
#include "folders.h"
#include "wizard_state.h"
#include "wizard_win.h"

// Preselects the start folder once the picker is up; the request is made even for an empty
// or missing folder, which the picker simply leaves unselected.
static int CALLBACK BrowseCallback(HWND picker, UINT message, LPARAM, LPARAM data) {
    if (message == BFFM_INITIALIZED && data != 0)
        SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, data);
    return 0;
}

int BrowseForFolder(HWND window, int buttonId) {
    // Typed text and check-box changes survive the picker, chosen or cancelled.
    SavePageFields();
    char16_t start[PathUnits] = {};
    BrowseStartFolder(start, buttonId);

    bool program = buttonId == ProgramBrowseButtonId;
    char16_t* folder = program ? WizardState.ProgramFolder : WizardState.DocumentsFolder;
    int editId = program ? ProgramFolderEditId : DocumentsFolderEditId;
    // The picker's title is the page's caption for that folder.
    const char16_t* title = ControlTable[program ? ProgramCaptionRow : DocumentsCaptionRow].Text;

    BROWSEINFOW info = {};
    info.hwndOwner = window;
    info.pidlRoot = nullptr;
    info.pszDisplayName = Wide(folder); // the picker assumes PathUnits units, which it has
    info.lpszTitle = Wide(title);
    info.ulFlags = BIF_NEWDIALOGSTYLE | BIF_EDITBOX;
    info.lpfn = BrowseCallback;
    info.lParam = reinterpret_cast<LPARAM>(start);
    PIDLIST_ABSOLUTE chosen = SHBrowseForFolderW(&info);
    int result = -1;
    if (chosen != nullptr) {
        // Items outside the file system have no path; the edit shows what the conversion left.
        SHGetPathFromIDListW(chosen, Wide(folder));
        folder[PathUnits - 1] = 0;
        SetWindowTextW(static_cast<HWND>(WizardState.PageControls[editId - FirstPageControlId]),
                       Wide(folder));
        result = 0;
    }
    CoTaskMemFree(chosen);
    return result;
}
