#include "product.h"

static_assert(sizeof(u"" CORVALE_WEBSITE_HOST) / sizeof(char16_t) - 1 <= WebSiteHostMaxUnits,
              "the web-site host must fit the address buffer");

constexpr bool TemporaryNameFitsEveryFile() {
    for (const InstalledFile& file : InstalledFiles) {
        size_t units = 0;
        while (file.FileName[units] != 0)
            ++units;
        if (sizeof TemporaryFileName / sizeof TemporaryFileName[0] - 1 > units)
            return false;
    }
    return true;
}
static_assert(TemporaryNameFitsEveryFile(),
              "a payload file's temporary path must fit wherever its target's path fits");
