// The one process-wide record of the wizard: page counter, flags, the two folders, the two
// shortcut choices, the licence text and the handles of the controls. Portable: window
// handles are held as opaque pointers, so the installation core can be built without Windows.
#pragma once

#include "../core/product.h"

typedef void* WindowHandle;

constexpr int FirstPageControlId = 101;
constexpr int PageControlSlots = 14;
constexpr int LicenceBufferBytes = 4096;

struct WizardStateRecord {
    int PageCounter;
    int FirstShowing;
    int InstallFinished;
    char16_t ProgramFolder[PathUnits];
    char16_t DocumentsFolder[PathUnits];
    int ProgramShortcutWanted;
    int DocumentsShortcutWanted;
    char LicenceBuffer[LicenceBufferBytes];
    WindowHandle PageControls[PageControlSlots];
    WindowHandle ProgressBar;
    WindowHandle StatusText;
    WindowHandle CloseButton;
};

extern WizardStateRecord WizardState;
