// The one product this setup installs: every name, version, file name and message
// that describes it, the files it installs with how each is removed, and the table of the
// embedded payload files.
// Nothing here is computed at run time; every other file takes these values from here.
#pragma once

#include <stddef.h>

#include "product_names.h"

// Buffer sizes shared by the whole setup, in UTF-16 units including the terminator.
constexpr int PathUnits = 260;       // every folder, path, key and composed value
constexpr int StatusUnits = 510;     // the formatted outcome message
constexpr int WebAddressUnits = 128; // "http://" and the host
constexpr int WebSiteHostMaxUnits = 120;

struct ProductInfoRecord {
    const char16_t* ProductName;
    const char16_t* ProductVersion;
    const char16_t* PublisherName;
    const char16_t* TitleFormat;
    const char16_t* DocumentsFolderName;
    const char16_t* DocumentTypeName;
    const char16_t* DocumentProgId;
    const char16_t* DocumentExtension;
    const char16_t* OpenVerbTextFormat;
    const char16_t* MainProgramFile;
    const char16_t* ReadmeFile;
    const char16_t* UninstallerFile;
    const char16_t* UninstallLibraryFile;
    const char16_t* SampleDocumentFile;
    const char16_t* ProgramShortcutFile;
    const char16_t* DocumentsShortcutFile;
    const char16_t* WebSiteHost;
    const char16_t* WebSiteUrlFormat;
};

// The installed files' names, each a literal of its own.
namespace ProductFileName {
constexpr char16_t MainProgram[] = u"corvale.exe";
constexpr char16_t Readme[] = u"readme.txt";
constexpr char16_t Uninstaller[] = u"uninst_corvale.exe";
constexpr char16_t UninstallLibrary[] = u"uninstall.dll";
constexpr char16_t SampleDocument[] = u"sample.mpl";
} // namespace ProductFileName

inline constexpr ProductInfoRecord ProductInfo = {
    /* ProductName */ u"" CORVALE_PRODUCT_NAME,
    /* ProductVersion */ u"" CORVALE_PRODUCT_VERSION,
    /* PublisherName */ u"" CORVALE_PUBLISHER_NAME,
    /* TitleFormat */ u"%s v.%s Installation",
    /* DocumentsFolderName */ u"Zadir Oduve",
    /* DocumentTypeName */ u"Ruroz Udid",
    /* DocumentProgId */ u"Corvale.Doc",
    /* DocumentExtension */ u".mpl",
    /* OpenVerbTextFormat */ u"Open file in %s",
    /* MainProgramFile */ ProductFileName::MainProgram,
    /* ReadmeFile */ ProductFileName::Readme,
    /* UninstallerFile */ ProductFileName::Uninstaller,
    /* UninstallLibraryFile */ ProductFileName::UninstallLibrary,
    /* SampleDocumentFile */ ProductFileName::SampleDocument,
    /* ProgramShortcutFile */ u"Corvale.lnk",
    /* DocumentsShortcutFile */ u"Zadir Oduve.lnk",
    /* WebSiteHost */ u"" CORVALE_WEBSITE_HOST,
    /* WebSiteUrlFormat */ u"http://%s",
};

// ---- The installed files ---------------------------------------------------------------

// Which chosen folder receives a payload file.
enum PayloadFolder { ProgramFolderTarget, DocumentsFolderTarget };

// How the uninstaller takes an installed file away.
enum FileRemoval {
    // Removed first: a running copy stops the uninstallation before anything is gone.
    RemoveUnlessRunning,
    RemoveOutright,
    // Only while it holds the shipped bytes or nothing; otherwise it is the user's own.
    RemoveWhileShipped,
    // The uninstaller's own two files go last, with the uninstall entry.
    RemoveWithUninstaller,
    RemoveAsUninstaller,
};

struct InstalledFile {
    PayloadFolder Folder;
    const char16_t* FileName;
    const char16_t* FailureFormat; // one "%s": the full target path
    FileRemoval Removal;
};

// Rows 2 and 5 share this message.
constexpr char16_t CreateFileFailure[] = u"ERROR: Couldn't create file:\n\n%s";

// The files in install order; row i is also PayloadTable[i], whose blobs the build embeds
// from its list of payload files in the same order (checked where the table is made).
inline constexpr InstalledFile InstalledFiles[] = {
    {ProgramFolderTarget, ProductInfo.MainProgramFile,
     u"ERROR: Couldn't create file:\n\n%s\n\nMake sure the program is closed before updating.",
     RemoveUnlessRunning},
    {ProgramFolderTarget, ProductInfo.ReadmeFile, CreateFileFailure, RemoveOutright},
    {ProgramFolderTarget, ProductInfo.UninstallerFile, u"ERROR: Couldn't create file:\n%s",
     RemoveAsUninstaller},
    {ProgramFolderTarget, ProductInfo.UninstallLibraryFile, u"Couldn't create file:\n%s",
     RemoveWithUninstaller},
    {DocumentsFolderTarget, ProductInfo.SampleDocumentFile, CreateFileFailure, RemoveWhileShipped},
};
constexpr int PayloadCount = sizeof InstalledFiles / sizeof InstalledFiles[0];

// The row of a file in InstalledFiles (and PayloadTable); -1 for none.
constexpr int InstalledFileRow(FileRemoval removal) {
    for (int row = 0; row < PayloadCount; ++row)
        if (InstalledFiles[row].Removal == removal)
            return row;
    return -1;
}
// The main program: the target of the program shortcuts and the document type's command.
constexpr int MainProgramRow = InstalledFileRow(RemoveUnlessRunning);
static_assert(MainProgramRow >= 0 && InstalledFiles[MainProgramRow].Folder == ProgramFolderTarget,
              "the main program is installed into the program folder");

struct PayloadEntry {
    const unsigned char* Blob;    // six-digit header and coded body
    const unsigned char* BlobEnd; // one past the blob's last byte
};

// The name under which a payload file is written in its target folder before it is moved
// over the file it replaces. No longer than any payload file's name, so wherever a target's
// path fits the path buffer, this one's fits too; one per folder, since the files are
// written one after the other.
constexpr char16_t TemporaryFileName[] = u"~crv.tmp";

// A file that the uninstaller can't remove at once (another program holds it) is renamed in
// its folder to a name of this pattern, ~crv-<one to eight hexadecimal digits>.del, and
// removed when Windows restarts; so a reinstallation before the restart writes its files
// under their own names untouched. The setup and the uninstaller remove such leftovers,
// and nothing else of a name like them.
constexpr char16_t LeftoverPrefix[] = u"~crv-";
constexpr char16_t LeftoverSuffix[] = u".del";
constexpr char16_t LeftoverPattern[] = u"~crv-*.del";
constexpr int LeftoverDigitsMax = 8;

extern const PayloadEntry PayloadTable[PayloadCount];

inline size_t PayloadBlobBytes(const PayloadEntry& entry) {
    return static_cast<size_t>(entry.BlobEnd - entry.Blob);
}
