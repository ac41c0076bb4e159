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

static const char16_t MainProgramFile[] = u"corvale.exe";
static const char16_t ReadmeFile[] = u"readme.txt";
static const char16_t UninstallerFile[] = u"uninst_corvale.exe";
static const char16_t UninstallLibraryFile[] = u"uninstall.dll";
static const char16_t SampleDocumentFile[] = u"sample.mpl";
static const char16_t WebSiteHost[] = u"" CORVALE_WEBSITE_HOST;
// Rows 2 and 5 of the payload table share this message.
static const char16_t CreateFileFailure[] = u"ERROR: Couldn't create file:\n\n%s";

const ProductInfoRecord ProductInfo = {
    /* ProductName */ u"" CORVALE_PRODUCT_NAME,
    /* ProductVersion */ u"" CORVALE_PRODUCT_VERSION,
    /* PublisherName */ u"" CORVALE_PUBLISHER_NAME,
    /* TitleFormat */ u"%s v.%s Installation",
    /* DocumentsFolderName */ u"Zadir Oduve",
    /* DocumentTypeName */ u"Ruroz Udid",
    /* DocumentProgId */ u"Corvale.Doc",
    /* DocumentExtension */ u".mpl",
    /* OpenVerbTextFormat */ u"Open file in %s",
    /* MainProgramFile */ MainProgramFile,
    /* ReadmeFile */ ReadmeFile,
    /* UninstallerFile */ UninstallerFile,
    /* UninstallLibraryFile */ UninstallLibraryFile,
    /* SampleDocumentFile */ SampleDocumentFile,
    /* ProgramShortcutFile */ u"Corvale.lnk",
    /* DocumentsShortcutFile */ u"Zadir Oduve.lnk",
    /* WebSiteHost */ WebSiteHost,
    /* WebSiteUrlFormat */ u"http://%s",
};

static_assert(sizeof(WebSiteHost) / sizeof(char16_t) - 1 <= WebSiteHostMaxUnits,
              "the web-site host must fit the address buffer");

const PayloadEntry PayloadTable[PayloadCount] = {
    {MainProgramBlob, MainProgramBlobEnd, ProgramFolderTarget, MainProgramFile,
     u"ERROR: Couldn't create file:\n\n%s\n\nMake sure the program is closed before updating."},
    {ReadmeBlob, ReadmeBlobEnd, ProgramFolderTarget, ReadmeFile, CreateFileFailure},
    {UninstallerBlob, UninstallerBlobEnd, ProgramFolderTarget, UninstallerFile,
     u"ERROR: Couldn't create file:\n%s"},
    {UninstallLibraryBlob, UninstallLibraryBlobEnd, ProgramFolderTarget, UninstallLibraryFile,
     u"Couldn't create file:\n%s"},
    {SampleDocumentBlob, SampleDocumentBlobEnd, DocumentsFolderTarget, SampleDocumentFile, CreateFileFailure},
};
