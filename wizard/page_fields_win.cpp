#include "../core/platform.h"
#include "wizard_state.h"
#include "wizard_win.h"

static HWND PageControl(int id) {
    return static_cast<HWND>(WizardState.PageControls[id - FirstPageControlId]);
}

// Reads an edit into a folder buffer. The read is bounded by the buffer whatever the edit
// holds (the edits also refuse text beyond it), so a long text can never overrun it.
static void ReadFolderEdit(HWND edit, char16_t* folder) {
    int length = GetWindowTextLengthW(edit);
    int capacity = length + 1 < PathUnits ? length + 1 : PathUnits;
    folder[0] = 0;
    GetWindowTextW(edit, Wide(folder), capacity);
    folder[PathUnits - 1] = 0;
}

void SavePageFields() {
    // Only the folder page has fields; without its edits there is nothing to save, and
    // reading absent controls would wipe the stored folders and choices.
    if (PageControl(ProgramFolderEditId) == nullptr || PageControl(DocumentsFolderEditId) == nullptr)
        return;
    ReadFolderEdit(PageControl(ProgramFolderEditId), WizardState.ProgramFolder);
    WizardState.ProgramShortcutWanted =
        static_cast<int>(IsDlgButtonChecked(MainWindow, ProgramShortcutCheckId));
    ReadFolderEdit(PageControl(DocumentsFolderEditId), WizardState.DocumentsFolder);
    WizardState.DocumentsShortcutWanted =
        static_cast<int>(IsDlgButtonChecked(MainWindow, DocumentsShortcutCheckId));
}

void DestroyPageControls() {
    for (int slot = 0; slot < PageControlSlots; ++slot) {
        if (WizardState.PageControls[slot] != nullptr) {
            DestroyWindow(static_cast<HWND>(WizardState.PageControls[slot]));
            WizardState.PageControls[slot] = nullptr;
        }
    }
}
