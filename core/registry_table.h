// What the installation records in the registry, as data: the fifteen writes in the order
// they are made, and the two reads that bring an earlier installation's folders back.
#pragma once

#include "platform.h"

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

struct RegistryWrite {
    RegistryRoot Root;
    const char16_t* KeyFormat;
    InstallTextSource KeyArgument;
    const char16_t* ValueName; // empty: the key's default value
    const char16_t* DataFormat;
    InstallTextSource DataArguments[2];
    RegistryFailureRule OnFailure;
    int StepAfter; // 1: one progress step right after the write, whatever its result
};

constexpr int RegistryWriteCount = 15;
extern const RegistryWrite RegistryWriteTable[RegistryWriteCount];

// Composes the key path and the data of one write into key and data (PathUnits units each).
// previousKey is the key path composed for the write before (empty for the first).
// Returns 0, or -1 when an argument is missing or a composition does not fit; key keeps
// whatever was composed successfully, so it can serve the next write, and is empty when the
// key itself could not be composed.
int ComposeRegistryWrite(const RegistryWrite* write, const InstallInputs* inputs, const char16_t* previousKey,
                         char16_t* key, char16_t* data);

// Performs the fifteen writes in table order, stepping sink as the table says. A write whose
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
extern const RegistryRead RegistryReadTable[2]; // indexed by RememberedFolder

// Reads the remembered folder `which` (RememberedProgramFolder or RememberedDocumentsFolder)
// into folder, a buffer of PathUnits units. Returns 0 with the stored text in folder, or -1
// (no earlier installation, a missing value, a value larger than the buffer, an unknown
// `which`) with folder emptied, for the caller to compose the default there.
int ReadRememberedFolder(int which, char16_t* folder);
