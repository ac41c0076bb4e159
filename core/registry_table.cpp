#include "registry_table.h"

#include "text.h"

int WriteRegistryTable(const InstallInputs* inputs, ProgressSink* sink) {
    char16_t previousKey[PathUnits] = {};
    for (const RegistryWrite& write : RegistryWriteTable) {
        char16_t key[PathUnits] = {};
        char16_t data[RegistryDataUnits] = {};
        int result = ComposeRegistryWrite(&write, inputs, previousKey, key, data);
        if (result == 0)
            result = WriteRegistryString(write.Root, key, write.ValueName, data);
        if (write.StepAfter && sink != nullptr)
            ProgressStepIt(sink);
        if (result != 0 && write.OnFailure == StopOnFailure)
            return -1;
        CopyText(previousKey, PathUnits, key);
    }
    return 0;
}

int ReadRememberedFolder(int which, char16_t* folder) {
    folder[0] = 0;
    if (which != RememberedProgramFolder && which != RememberedDocumentsFolder)
        return -1;
    const RegistryRead& read = RegistryReadTable[which];
    char16_t key[PathUnits] = {};
    if (ComposeInstallText(key, PathUnits, read.KeyFormat, &read.KeyArgument, 1, nullptr, nullptr) != 0)
        return -1;
    if (ReadRegistryString(read.Root, key, read.ValueName, folder, FolderBufferBytes) != 0) {
        folder[0] = 0;
        return -1;
    }
    return 0;
}
