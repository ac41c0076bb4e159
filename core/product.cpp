#include "product.h"

static const char16_t MainProgramFile[] = u"corvale.exe";
static const char16_t ReadmeFile[] = u"readme.txt";
static const char16_t UninstallerFile[] = u"uninst_corvale.exe";
static const char16_t UninstallLibraryFile[] = u"uninstall.dll";
static const char16_t SampleDocumentFile[] = u"sample.mpl";
static const char16_t WebSiteHost[] = u"" CORVALE_WEBSITE_HOST;

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

static_assert(sizeof(TemporaryFileName) <= sizeof(MainProgramFile) &&
                  sizeof(TemporaryFileName) <= sizeof(ReadmeFile) &&
                  sizeof(TemporaryFileName) <= sizeof(UninstallerFile) &&
                  sizeof(TemporaryFileName) <= sizeof(UninstallLibraryFile) &&
                  sizeof(TemporaryFileName) <= sizeof(SampleDocumentFile),
              "a payload file's temporary path must fit wherever its target's path fits");
