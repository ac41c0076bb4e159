// The texts that the installation's tables compose: key paths, values, link paths. No
// platform call here, so that the uninstaller composes exactly what the setup wrote.
#include "registry_table.h"

#include "text.h"

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

} // namespace

int ComposeInstallText(char16_t* out, int capacity, const char16_t* format, const InstallTextSource* sources,
                       int count, const InstallInputs* inputs, const char16_t* previousKey) {
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
    return FormatText(out, capacity, format, texts[0], texts[1]) < 0 ? -1 : 0;
}

int ComposeRegistryWrite(const RegistryWrite* write, const InstallInputs* inputs, const char16_t* previousKey,
                         char16_t* key, char16_t* data) {
    data[0] = 0;
    if (ComposeInstallText(key, PathUnits, write->KeyFormat, &write->KeyArgument, 1, inputs, previousKey) !=
        0)
        return -1;
    return ComposeInstallText(data, RegistryDataUnits, write->DataFormat, write->DataArguments, 2, inputs,
                              previousKey);
}
