#include "product.h"

static_assert(sizeof(u"" CORVALE_WEBSITE_HOST) / sizeof(char16_t) - 1 <= WebSiteHostMaxUnits,
              "the web-site host must fit the address buffer");

static_assert(sizeof(TemporaryFileName) <= sizeof(ProductFileName::MainProgram) &&
                  sizeof(TemporaryFileName) <= sizeof(ProductFileName::Readme) &&
                  sizeof(TemporaryFileName) <= sizeof(ProductFileName::Uninstaller) &&
                  sizeof(TemporaryFileName) <= sizeof(ProductFileName::UninstallLibrary) &&
                  sizeof(TemporaryFileName) <= sizeof(ProductFileName::SampleDocument),
              "a payload file's temporary path must fit wherever its target's path fits");
