// What the installation records in the registry, as data: the writes in the order
// they are made, and the two reads that bring an earlier installation's folders back.
#pragma once

#include "platform.h"
#include "registry_names.h"

// A file inside a folder: the folder as entered, one backslash, the file name. Nothing is
// added or removed, so a folder that ends in a backslash gives a doubled one.
constexpr char16_t FolderFileFormat[] = u"%s\\%s";

// Where an argument of a composed key path or value comes from. The product's constants
// come from ProductInfo; the folders and the main program's path are the run's own.
enum InstallTextSource {
    NoText, // the argument slot is unused
    ProductNameText,
    ProductVersionText,
    PublisherNameText,
    DocumentTypeNameText,
    DocumentProgIdText,
    DocumentExtensionText,
    DocumentsFolderNameText,
    MainProgramFileText,
    UninstallerFileText,
    ProgramShortcutFileText,
    DocumentsShortcutFileText,
    ProgramFolderText,
    DocumentsFolderText,
    MainProgramPathText, // the program folder, a backslash and the main program's file name
    PreviousKeyText,     // the key path of the write before (registry writes only)
};

// The run's variable texts that the tables refer to.
struct InstallInputs {
    const char16_t* ProgramFolder;
    const char16_t* DocumentsFolder;
    const char16_t* MainProgramPath;
    int ProgramShortcutWanted; // a choice counts only when it equals 1
    int DocumentsShortcutWanted;
};

// The text of a source; null for NoText, PreviousKeyText and a missing input.
const char16_t* InstallText(InstallTextSource source, const InstallInputs* inputs);

enum RegistryFailureRule { StopOnFailure, GoOnAfterFailure };

// How the uninstaller takes a written value away.
enum RegistryRemoval {
    RemoveKeyTree,        // the write's key with everything in and below it
    InsideRemovedKey,     // goes with the key tree of an earlier write that holds it
    RemoveEntryKeyTree,   // the uninstall entry: a key tree that goes last, with the uninstaller
    RemoveValue,          // the value alone; its key too once nothing is left in it
    RemoveValueWhileOurs, // the value only while it holds what the setup wrote (a shared key)
};

struct RegistryWrite {
    RegistryRoot Root;
    const char16_t* KeyFormat;
    InstallTextSource KeyArgument;
    const char16_t* ValueName; // empty: the key's default value
    const char16_t* DataFormat;
    InstallTextSource DataArguments[2];
    RegistryFailureRule OnFailure;
    int StepAfter; // 1: one progress step right after the write, whatever its result
    RegistryRemoval Removal;
};

// A composed value: a path of PathUnits units and the quotes around it, so that every
// folder whose files fit the path buffer also has its commands written.
constexpr int RegistryDataUnits = PathUnits + 2;

namespace RegistryText {
constexpr char16_t SameKey[] = u"%s";
constexpr char16_t Version[] = u"Version";
constexpr char16_t Default[] = u"";
constexpr char16_t Plain[] = u"%s";
// Commands quote the program's path: unquoted, a path with spaces would let Windows start a
// program planted at its first word (C:\Program.exe for C:\Program Files\...).
constexpr char16_t QuotedFile[] = u"\"%s\\%s\"";
constexpr char16_t OpenCommand[] = u"\"%s\" \"%%1\"";
} // namespace RegistryText

// clang-format off
inline constexpr RegistryWrite RegistryWriteTable[] = {
    // root           key format                   key argument           value name            data format                     data arguments                              on failure        step  removal
    {LocalMachineRoot, ApplicationKeyFormat,        ProductNameText,       AppPathValue,         RegistryText::Plain,            {ProgramFolderText, NoText},                StopOnFailure,    1,    RemoveKeyTree},
    {LocalMachineRoot, RegistryText::SameKey,       PreviousKeyText,       RegistryText::Version, RegistryText::Plain,           {ProductVersionText, NoText},               StopOnFailure,    1,    InsideRemovedKey},
    {LocalMachineRoot, UninstallKeyFormat,          ProductNameText,       u"DisplayName",       RegistryText::Plain,            {ProductNameText, NoText},                  StopOnFailure,    1,    RemoveEntryKeyTree},
    {LocalMachineRoot, RegistryText::SameKey,       PreviousKeyText,       UninstallCommandValue, RegistryText::QuotedFile,       {ProgramFolderText, UninstallerFileText},   StopOnFailure,    1,    InsideRemovedKey},
    {LocalMachineRoot, RegistryText::SameKey,       PreviousKeyText,       RegistryText::Version, RegistryText::Plain,           {ProductVersionText, NoText},               StopOnFailure,    1,    InsideRemovedKey},
    {LocalMachineRoot, RegistryText::SameKey,       PreviousKeyText,       u"DisplayVersion",    RegistryText::Plain,            {ProductVersionText, NoText},               StopOnFailure,    1,    InsideRemovedKey},
    {LocalMachineRoot, RegistryText::SameKey,       PreviousKeyText,       u"DisplayIcon",       u"%s\\%s,0",                    {ProgramFolderText, MainProgramFileText},   StopOnFailure,    1,    InsideRemovedKey},
    {LocalMachineRoot, RegistryText::SameKey,       PreviousKeyText,       u"Publisher",         RegistryText::Plain,            {PublisherNameText, NoText},                StopOnFailure,    1,    InsideRemovedKey},
    {LocalMachineRoot, ClassesKeyFormat,            DocumentProgIdText,    RegistryText::Default, RegistryText::Plain,           {DocumentTypeNameText, NoText},             GoOnAfterFailure, 1,    RemoveKeyTree},
    {LocalMachineRoot, u"%s\\shell",                PreviousKeyText,       RegistryText::Default, u"open",                        {NoText, NoText},                           GoOnAfterFailure, 1,    InsideRemovedKey},
    {LocalMachineRoot, u"%s\\open",                 PreviousKeyText,       RegistryText::Default, ProductInfo.OpenVerbTextFormat, {ProductNameText, NoText},                  GoOnAfterFailure, 1,    InsideRemovedKey},
    {LocalMachineRoot, u"%s\\command",              PreviousKeyText,       RegistryText::Default, RegistryText::OpenCommand,     {MainProgramPathText, NoText},              StopOnFailure,    1,    InsideRemovedKey},
    // The extension is shared with whatever program claims it later.
    {LocalMachineRoot, ClassesKeyFormat,            DocumentExtensionText, RegistryText::Default, RegistryText::Plain,           {DocumentProgIdText, NoText},               StopOnFailure,    0,    RemoveValueWhileOurs},
    {CurrentUserRoot,  ApplicationKeyFormat,        ProductNameText,       DocPathValue,         RegistryText::Plain,            {DocumentsFolderText, NoText},              StopOnFailure,    1,    RemoveValue},
    {CurrentUserRoot,  RegistryText::SameKey,       PreviousKeyText,       FirstRunValue,        FirstRunPending,                {NoText, NoText},                           StopOnFailure,    1,    RemoveValue},
};
// clang-format on
constexpr int RegistryWriteCount = sizeof RegistryWriteTable / sizeof RegistryWriteTable[0];

constexpr int RegistryStepCount() {
    int steps = 0;
    for (const RegistryWrite& write : RegistryWriteTable)
        steps += write.StepAfter;
    return steps;
}

// Composes the key path and the data of one write into key (PathUnits units) and data
// (RegistryDataUnits units).
// previousKey is the key path composed for the write before (empty for the first).
// Returns 0, or -1 when an argument is missing or a composition does not fit; key keeps
// whatever was composed successfully, so it can serve the next write, and is empty when the
// key itself could not be composed.
int ComposeRegistryWrite(const RegistryWrite* write, const InstallInputs* inputs, const char16_t* previousKey,
                         char16_t* key, char16_t* data);

// Formats format with up to count arguments from sources; a used slot whose text is missing
// (or a PreviousKeyText with an empty previousKey) fails. 0, or -1 with out empty.
int ComposeInstallText(char16_t* out, int capacity, const char16_t* format, const InstallTextSource* sources,
                       int count, const InstallInputs* inputs, const char16_t* previousKey);

// Performs the writes in table order, stepping sink as the table says. A write whose
// composition does not fit counts as a failed write. Returns 0, or -1 at the first failed
// write whose rule is StopOnFailure (after its step); failures of the other writes are ignored.
int WriteRegistryTable(const InstallInputs* inputs, ProgressSink* sink);

// The two folders that an earlier installation remembered.
enum RememberedFolder { RememberedProgramFolder = 0, RememberedDocumentsFolder = 1 };

struct RegistryRead {
    RegistryRoot Root;
    const char16_t* KeyFormat;
    InstallTextSource KeyArgument;
    const char16_t* ValueName;
};
// Indexed by RememberedFolder.
inline constexpr RegistryRead RegistryReadTable[2] = {
    {LocalMachineRoot, ApplicationKeyFormat, ProductNameText, AppPathValue},
    {CurrentUserRoot, ApplicationKeyFormat, ProductNameText, DocPathValue},
};

// Reads the remembered folder `which` (RememberedProgramFolder or RememberedDocumentsFolder)
// into folder, a buffer of PathUnits units. Returns 0 with the stored text in folder, or -1
// (no earlier installation, a missing value, a value larger than the buffer, an unknown
// `which`) with folder emptied, for the caller to compose the default there.
int ReadRememberedFolder(int which, char16_t* folder);
