#include "registry_table.h"

#include "registry_names.h"
#include "text.h"

namespace {
const char16_t SameKey[] = u"%s";
const char16_t VersionValue[] = u"Version";
const char16_t DefaultValue[] = u"";
const char16_t Text[] = u"%s";
} // namespace

// ProductInfo is constant-initialised, so taking its format here during start-up is safe.
// clang-format off
const RegistryWrite RegistryWriteTable[RegistryWriteCount] = {
    // root           key format            key argument           value name            data format                     data arguments                              on failure        step
    {LocalMachineRoot, ApplicationKeyFormat, ProductNameText,       AppPathValue,         Text,                           {ProgramFolderText, NoText},                StopOnFailure,    1},
    {LocalMachineRoot, SameKey,              PreviousKeyText,       VersionValue,         Text,                           {ProductVersionText, NoText},               StopOnFailure,    1},
    {LocalMachineRoot, UninstallKeyFormat,   ProductNameText,       u"DisplayName",       Text,                           {ProductNameText, NoText},                  StopOnFailure,    1},
    {LocalMachineRoot, SameKey,              PreviousKeyText,       u"UninstallString",   FolderFileFormat,               {ProgramFolderText, UninstallerFileText},   StopOnFailure,    1},
    {LocalMachineRoot, SameKey,              PreviousKeyText,       VersionValue,         Text,                           {ProductVersionText, NoText},               StopOnFailure,    1},
    {LocalMachineRoot, SameKey,              PreviousKeyText,       u"DisplayVersion",    Text,                           {ProductVersionText, NoText},               StopOnFailure,    1},
    {LocalMachineRoot, SameKey,              PreviousKeyText,       u"DisplayIcon",       u"%s\\%s,0",                    {ProgramFolderText, MainProgramFileText},   StopOnFailure,    1},
    {LocalMachineRoot, SameKey,              PreviousKeyText,       u"Publisher",         Text,                           {PublisherNameText, NoText},                StopOnFailure,    1},
    {LocalMachineRoot, ClassesKeyFormat,     DocumentProgIdText,    DefaultValue,         Text,                           {DocumentTypeNameText, NoText},             GoOnAfterFailure, 1},
    {LocalMachineRoot, u"%s\\shell",         PreviousKeyText,       DefaultValue,         u"open",                        {NoText, NoText},                           GoOnAfterFailure, 1},
    {LocalMachineRoot, u"%s\\open",          PreviousKeyText,       DefaultValue,         ProductInfo.OpenVerbTextFormat, {ProductNameText, NoText},                  GoOnAfterFailure, 1},
    // The path is not quoted: the value is exactly the main program's path, a space and "%1".
    {LocalMachineRoot, u"%s\\command",       PreviousKeyText,       DefaultValue,         u"%s \"%%1\"",                  {MainProgramPathText, NoText},              StopOnFailure,    1},
    {LocalMachineRoot, ClassesKeyFormat,     DocumentExtensionText, DefaultValue,         Text,                           {DocumentProgIdText, NoText},               StopOnFailure,    0},
    {CurrentUserRoot,  ApplicationKeyFormat, ProductNameText,       DocPathValue,         Text,                           {DocumentsFolderText, NoText},              StopOnFailure,    1},
    {CurrentUserRoot,  SameKey,              PreviousKeyText,       FirstRunValue,        FirstRunPending,                {NoText, NoText},                           StopOnFailure,    1},
};
// clang-format on

const RegistryRead RegistryReadTable[2] = {
    {LocalMachineRoot, ApplicationKeyFormat, ProductNameText, AppPathValue},
    {CurrentUserRoot, ApplicationKeyFormat, ProductNameText, DocPathValue},
};

const char16_t* InstallText(InstallTextSource source, const InstallInputs* inputs) {
    switch (source) {
    case ProductNameText:
        return ProductInfo.ProductName;
    case ProductVersionText:
        return ProductInfo.ProductVersion;
    case PublisherNameText:
        return ProductInfo.PublisherName;
    case DocumentTypeNameText:
        return ProductInfo.DocumentTypeName;
    case DocumentProgIdText:
        return ProductInfo.DocumentProgId;
    case DocumentExtensionText:
        return ProductInfo.DocumentExtension;
    case DocumentsFolderNameText:
        return ProductInfo.DocumentsFolderName;
    case MainProgramFileText:
        return ProductInfo.MainProgramFile;
    case UninstallerFileText:
        return ProductInfo.UninstallerFile;
    case ProgramShortcutFileText:
        return ProductInfo.ProgramShortcutFile;
    case DocumentsShortcutFileText:
        return ProductInfo.DocumentsShortcutFile;
    case ProgramFolderText:
        return inputs != nullptr ? inputs->ProgramFolder : nullptr;
    case DocumentsFolderText:
        return inputs != nullptr ? inputs->DocumentsFolder : nullptr;
    case MainProgramPathText:
        return inputs != nullptr ? inputs->MainProgramPath : nullptr;
    case NoText:
    case PreviousKeyText:
        break;
    }
    return nullptr;
}

namespace {
// The text of an argument slot. An empty previous key means the write before could not
// compose its key: a key built on it would land somewhere else, so it counts as missing.
const char16_t* ArgumentText(InstallTextSource source, const InstallInputs* inputs,
                             const char16_t* previousKey) {
    if (source != PreviousKeyText)
        return InstallText(source, inputs);
    return previousKey != nullptr && previousKey[0] != 0 ? previousKey : nullptr;
}

// Formats with up to two arguments; a used slot whose text is missing fails the composition.
int Compose(char16_t* out, const char16_t* format, const InstallTextSource* sources, int count,
            const InstallInputs* inputs, const char16_t* previousKey) {
    const char16_t* texts[2] = {};
    for (int i = 0; i < count; ++i) {
        if (sources[i] == NoText)
            continue;
        texts[i] = ArgumentText(sources[i], inputs, previousKey);
        if (texts[i] == nullptr) {
            out[0] = 0;
            return -1;
        }
    }
    return FormatText(out, PathUnits, format, texts[0], texts[1]) < 0 ? -1 : 0;
}
} // namespace

int ComposeRegistryWrite(const RegistryWrite* write, const InstallInputs* inputs, const char16_t* previousKey,
                         char16_t* key, char16_t* data) {
    data[0] = 0;
    if (Compose(key, write->KeyFormat, &write->KeyArgument, 1, inputs, previousKey) != 0)
        return -1;
    return Compose(data, write->DataFormat, write->DataArguments, 2, inputs, previousKey);
}

int WriteRegistryTable(const InstallInputs* inputs, ProgressSink* sink) {
    char16_t previousKey[PathUnits] = {};
    for (const RegistryWrite& write : RegistryWriteTable) {
        char16_t key[PathUnits] = {};
        char16_t data[PathUnits] = {};
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
    if (Compose(key, read.KeyFormat, &read.KeyArgument, 1, nullptr, nullptr) != 0)
        return -1;
    if (ReadRegistryString(read.Root, key, read.ValueName, folder, FolderBufferBytes) != 0) {
        folder[0] = 0;
        return -1;
    }
    return 0;
}
