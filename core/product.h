// The one product this setup installs: every name, version, file name and message
// that describes it, and the table of the five embedded payload files.
// Nothing here is computed at run time; every other file takes these values from here.
#pragma once

#include <stddef.h>

#include "product_names.h"

// Buffer sizes shared by the whole setup, in UTF-16 units including the terminator.
constexpr int PathUnits = 260;      // every folder, path, key and composed value
constexpr int StatusUnits = 510;    // the formatted outcome message
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

extern const ProductInfoRecord ProductInfo;

// Which chosen folder receives a payload file.
enum PayloadFolder { ProgramFolderTarget, DocumentsFolderTarget };

struct PayloadEntry {
    const unsigned char* Blob;    // six-digit header and coded body
    const unsigned char* BlobEnd; // one past the blob's last byte
    PayloadFolder Folder;
    const char16_t* FileName;
    const char16_t* FailureFormat; // one "%s": the full target path
};

// The name under which a payload file is written in its target folder before it is moved
// over the file it replaces. No longer than any payload file's name, so wherever a target's
// path fits the path buffer, this one's fits too; one per folder, since the files are
// written one after the other.
constexpr char16_t TemporaryFileName[] = u"~crv.tmp";

constexpr int PayloadCount = 5;
extern const PayloadEntry PayloadTable[PayloadCount];

inline size_t PayloadBlobBytes(const PayloadEntry& entry) {
    return static_cast<size_t>(entry.BlobEnd - entry.Blob);
}
