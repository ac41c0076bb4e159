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

// Row i is the file InstalledFiles[i].
const PayloadEntry PayloadTable[PayloadCount] = {
    {MainProgramBlob, MainProgramBlobEnd,
     u"ERROR: Couldn't create file:\n\n%s\n\nMake sure the program is closed before updating."},
    {ReadmeBlob, ReadmeBlobEnd, CreateFileFailure},
    {UninstallerBlob, UninstallerBlobEnd, u"ERROR: Couldn't create file:\n%s"},
    {UninstallLibraryBlob, UninstallLibraryBlobEnd, u"Couldn't create file:\n%s"},
    {SampleDocumentBlob, SampleDocumentBlobEnd, CreateFileFailure},
};
