// The five embedded payload files in install order. Kept apart from ProductInfo so that
// programs which need the product's names but carry no payload (the installed application
// and its uninstaller) can link the names without the blobs.
#include "product.h"

// The five blobs are assembled into the program's read-only data from the packed payload
// files (payload_blobs.S); each has a start and an end symbol.
extern "C" {
extern const unsigned char MainProgramBlob[], MainProgramBlobEnd[];
extern const unsigned char ReadmeBlob[], ReadmeBlobEnd[];
extern const unsigned char UninstallerBlob[], UninstallerBlobEnd[];
extern const unsigned char UninstallLibraryBlob[], UninstallLibraryBlobEnd[];
extern const unsigned char SampleDocumentBlob[], SampleDocumentBlobEnd[];
}

// Rows 2 and 5 share this message.
static const char16_t CreateFileFailure[] = u"ERROR: Couldn't create file:\n\n%s";

// ProductInfo is constant-initialised, so reading its file names here during start-up is safe.
const PayloadEntry PayloadTable[PayloadCount] = {
    {MainProgramBlob, MainProgramBlobEnd, ProgramFolderTarget, ProductInfo.MainProgramFile,
     u"ERROR: Couldn't create file:\n\n%s\n\nMake sure the program is closed before updating."},
    {ReadmeBlob, ReadmeBlobEnd, ProgramFolderTarget, ProductInfo.ReadmeFile, CreateFileFailure},
    {UninstallerBlob, UninstallerBlobEnd, ProgramFolderTarget, ProductInfo.UninstallerFile,
     u"ERROR: Couldn't create file:\n%s"},
    {UninstallLibraryBlob, UninstallLibraryBlobEnd, ProgramFolderTarget, ProductInfo.UninstallLibraryFile,
     u"Couldn't create file:\n%s"},
    {SampleDocumentBlob, SampleDocumentBlobEnd, DocumentsFolderTarget, ProductInfo.SampleDocumentFile,
     CreateFileFailure},
};
