#include "wizard_state.h"

WizardStateRecord WizardState = {
    /* PageCounter */ 0,
    /* FirstShowing */ 1,
    /* InstallFinished */ 0,
    /* ProgramFolder */ {},
    /* DocumentsFolder */ {},
    /* ProgramShortcutWanted */ 1,
    /* DocumentsShortcutWanted */ 1,
    /* LicenceBuffer */ {},
    /* PageControls */ {},
    /* ProgressBar */ nullptr,
    /* StatusText */ nullptr,
    /* CloseButton */ nullptr,
};
