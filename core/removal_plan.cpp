#include "removal_plan.h"

#include "shortcut_table.h"
#include "text.h"

namespace {

RemovalStep* AddStep(RemovalPlan* plan, RemovalKind kind) {
    if (plan->Count >= RemovalStepLimit)
        return nullptr;
    RemovalStep* step = &plan->Steps[plan->Count++];
    *step = RemovalStep{};
    step->Kind = kind;
    step->ValueName = u"";
    return step;
}

// One step on a file or folder path; -1 when the plan is full or the path does not fit.
int AddPathStep(RemovalPlan* plan, RemovalKind kind, const char16_t* format, const char16_t* folder,
                const char16_t* name) {
    RemovalStep* step = AddStep(plan, kind);
    return step != nullptr && FormatText(step->Path, PathUnits, format, folder, name) >= 0 ? 0 : -1;
}

int AddFileSteps(RemovalPlan* plan, const InstallInputs* inputs, const FileRemoval* removals, int count) {
    for (const InstalledFile& file : InstalledFiles) {
        for (int i = 0; i < count; ++i) {
            if (file.Removal != removals[i])
                continue;
            const char16_t* folder =
                file.Folder == ProgramFolderTarget ? inputs->ProgramFolder : inputs->DocumentsFolder;
            if (folder == nullptr)
                continue;
            RemovalKind kind = file.Removal == RemoveUnlessRunning     ? RemoveProgramUnlessRunning
                               : file.Removal == RemoveWhileShipped    ? RemoveFileWhileShipped
                               : file.Removal == RemoveWithUninstaller ? RemoveLibraryStep
                                                                       : RemoveFileStep;
            if (AddPathStep(plan, kind, FolderFileFormat, folder, file.FileName) != 0)
                return -1;
        }
    }
    return 0;
}

int AddShortcutSteps(RemovalPlan* plan, const InstallInputs* inputs) {
    for (const ShortcutEntry& entry : ShortcutTable) {
        const char16_t* target = InstallText(entry.Target, inputs);
        if (target == nullptr)
            continue;
        RemovalStep* step = AddStep(plan, RemoveShortcutStep);
        if (step == nullptr || CopyText(step->Path, PathUnits, InstallText(entry.FileName, inputs)) < 0 ||
            CopyText(step->Data, PathUnits, target) < 0)
            return -1;
        step->Csidl = entry.FolderCsidl;
    }
    return 0;
}

// The key paths of every write, composed in table order (each may build on the one before).
struct ComposedWrites {
    char16_t Keys[RegistryWriteCount][PathUnits];
    char16_t Data[RegistryWriteCount][RegistryDataUnits];
    int DataComposed[RegistryWriteCount];
};

int ComposeWrites(const InstallInputs* inputs, ComposedWrites* writes) {
    const char16_t* previousKey = u"";
    for (int i = 0; i < RegistryWriteCount; ++i) {
        writes->DataComposed[i] = ComposeRegistryWrite(&RegistryWriteTable[i], inputs, previousKey,
                                                       writes->Keys[i], writes->Data[i]) == 0;
        // Key paths are built from constants alone: one that does not compose is a fault of
        // the tables, and no plan is better than one that misses a key.
        if (writes->Keys[i][0] == 0)
            return -1;
        previousKey = writes->Keys[i];
    }
    return 0;
}

// The registry values in the reverse of their writing order, all but the uninstall entry.
int AddRegistrySteps(RemovalPlan* plan, const ComposedWrites* writes) {
    for (int i = RegistryWriteCount - 1; i >= 0; --i) {
        const RegistryWrite& write = RegistryWriteTable[i];
        RemovalKind kind;
        switch (write.Removal) {
        case RemoveKeyTree:
            kind = RemoveKeyTreeStep;
            break;
        case RemoveValue:
            kind = RemoveValueStep;
            break;
        case RemoveValueWhileOurs:
            kind = RemoveValueWhileOursStep;
            if (!writes->DataComposed[i])
                return -1;
            break;
        case InsideRemovedKey:
        case RemoveEntryKeyTree:
        default:
            continue;
        }
        RemovalStep* step = AddStep(plan, kind);
        if (step == nullptr || CopyText(step->Path, PathUnits, writes->Keys[i]) < 0)
            return -1;
        step->Root = write.Root;
        step->ValueName = write.ValueName;
        if (kind == RemoveValueWhileOursStep)
            CopyText(step->Data, RegistryDataUnits, writes->Data[i]);
    }
    return 0;
}

int AddEntryStep(RemovalPlan* plan, const InstallInputs* inputs, const ComposedWrites* writes) {
    int entry = -1, uninstaller = InstalledFileRow(RemoveAsUninstaller);
    for (int i = 0; i < RegistryWriteCount; ++i)
        if (RegistryWriteTable[i].Removal == RemoveEntryKeyTree)
            entry = i;
    RemovalStep* step = AddStep(plan, RemoveEntryAndUninstaller);
    if (entry < 0 || uninstaller < 0 || step == nullptr ||
        CopyText(step->Path, PathUnits, writes->Keys[entry]) < 0 ||
        FormatText(step->Data, PathUnits, FolderFileFormat, inputs->ProgramFolder,
                   InstalledFiles[uninstaller].FileName) < 0)
        return -1;
    step->Root = RegistryWriteTable[entry].Root;
    return 0;
}

bool IsHexDigit(char16_t c) {
    return (c >= u'0' && c <= u'9') || (c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F');
}

char16_t FoldedAscii(char16_t c) {
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Whether text starts with prefix, ASCII letters in any case; the rest of text after it.
const char16_t* AfterPrefix(const char16_t* text, const char16_t* prefix) {
    for (; *prefix != 0; ++text, ++prefix)
        if (FoldedAscii(*text) != FoldedAscii(*prefix))
            return nullptr;
    return text;
}

} // namespace

int ComposeRemovalPlan(const char16_t* programFolder, const char16_t* documentsFolder, RemovalPlan* plan) {
    plan->Count = 0;
    if (programFolder == nullptr || programFolder[0] == 0)
        return -1;
    char16_t mainProgram[PathUnits] = {};
    if (FormatText(mainProgram, PathUnits, FolderFileFormat, programFolder,
                   InstalledFiles[MainProgramRow].FileName) < 0)
        return -1;
    const char16_t* documents =
        documentsFolder != nullptr && documentsFolder[0] != 0 ? documentsFolder : nullptr;
    InstallInputs inputs = {programFolder, documents, mainProgram, 1, 1};
    static ComposedWrites writes; // large; the plan is composed once per process
    const FileRemoval first[] = {RemoveUnlessRunning, RemoveOutright, RemoveWhileShipped};
    const FileRemoval library[] = {RemoveWithUninstaller};
    bool composed =
        AddFileSteps(plan, &inputs, first, 3) == 0 &&
        AddPathStep(plan, RemoveLeftoversStep, u"%s", programFolder, nullptr) == 0 &&
        (documents == nullptr || AddPathStep(plan, RemoveLeftoversStep, u"%s", documents, nullptr) == 0) &&
        AddShortcutSteps(plan, &inputs) == 0 && ComposeWrites(&inputs, &writes) == 0 &&
        AddRegistrySteps(plan, &writes) == 0 && AddFileSteps(plan, &inputs, library, 1) == 0 &&
        AddEntryStep(plan, &inputs, &writes) == 0;
    if (!composed) {
        plan->Count = 0;
        return -1;
    }
    return 0;
}

int IsLeftoverName(const char16_t* name) {
    const char16_t* p = AfterPrefix(name, LeftoverPrefix);
    if (p == nullptr)
        return 0;
    int digits = 0;
    for (; IsHexDigit(*p); ++p)
        if (++digits > LeftoverDigitsMax)
            return 0;
    const char16_t* end = digits > 0 ? AfterPrefix(p, LeftoverSuffix) : nullptr;
    return end != nullptr && *end == 0;
}

int ComposeLeftoverName(char16_t* name, unsigned number) {
    char16_t digits[LeftoverDigitsMax + 1] = {};
    for (int i = LeftoverDigitsMax - 1; i >= 0; --i, number >>= 4)
        digits[i] = u"0123456789abcdef"[number & 15u];
    static_assert(sizeof(unsigned) * 2 <= LeftoverDigitsMax, "every number has its name");
    return FormatText(name, PathUnits, u"%s%s%s", LeftoverPrefix, digits, LeftoverSuffix);
}
