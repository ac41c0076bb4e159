#include "folders.h"

#include "../core/platform.h"
#include "../core/registry_table.h"
#include "../core/text.h"
#include "layout.h"
#include "wizard_state.h"

// The remembered folder when an earlier installation left one (even an empty one),
// otherwise the special folder and the default's last element.
static void FillFolderDefault(char16_t* folder, int remembered, int csidl, const char16_t* lastElement) {
    if (ReadRememberedFolder(remembered, folder) == 0)
        return;
    // A failed lookup leaves the special folder empty; the default is then "\" and the
    // last element, which the user sees and can correct.
    char16_t special[PathUnits] = {};
    GetSpecialFolder(csidl, special);
    // A composition that does not fit leaves the folder empty rather than cut.
    FormatText(folder, PathUnits, FolderFileFormat, special, lastElement);
}

void FillProgramFolderDefault() {
    FillFolderDefault(WizardState.ProgramFolder, RememberedProgramFolder, CsidlProgramFiles,
                      ProductInfo.ProductName);
}

void FillDocumentsFolderDefault() {
    FillFolderDefault(WizardState.DocumentsFolder, RememberedDocumentsFolder, CsidlPersonal,
                      ProductInfo.DocumentsFolderName);
}

void BrowseStartFolder(char16_t* start, int buttonId) {
    bool program = buttonId == ProgramBrowseButtonId;
    const char16_t* folder = program ? WizardState.ProgramFolder : WizardState.DocumentsFolder;
    const char16_t* suffix = program ? ProductInfo.ProductName : ProductInfo.DocumentsFolderName;
    if (CopyText(start, PathUnits, folder) < 0)
        return;
    int folderLength = TextLength(start);
    int suffixLength = TextLength(suffix);
    if (suffixLength >= folderLength)
        return;
    if (!TextEqual(start + folderLength - suffixLength, suffix))
        return;
    // The unit before the suffix goes too, whatever it is: normally the backslash that the
    // default put there.
    start[folderLength - suffixLength - 1] = 0;
}
