// The embedded payload files in install order. Kept apart from ProductInfo so that programs
// which need the product's names but carry no payload (the installed application and its
// uninstaller) can link the names without the blobs.
#include "product.h"

// The blobs are assembled into the program's read-only data from the packed payload files
// (payload_blobs.S); each has a start and an end symbol. The build writes their rows from
// its list of payload files, whose order must be that of InstalledFiles.
#include "payload_blob_rows.h"

namespace {
constexpr const char16_t* BuiltPayloadNames[] = {PAYLOAD_BLOB_NAMES};

constexpr bool SameName(const char16_t* a, const char16_t* b) {
    while (*a != 0 && *a == *b)
        ++a, ++b;
    return *a == *b;
}

constexpr bool BuildListsTheInstalledFiles() {
    for (int row = 0; row < PayloadCount; ++row)
        if (!SameName(BuiltPayloadNames[row], InstalledFiles[row].FileName))
            return false;
    return true;
}
static_assert(sizeof BuiltPayloadNames / sizeof BuiltPayloadNames[0] == PayloadCount &&
                  BuildListsTheInstalledFiles(),
              "the build's list of payload files (PAYLOAD_FILES) names the installed files in their order");
} // namespace

const PayloadEntry PayloadTable[PayloadCount] = {PAYLOAD_BLOB_ROWS};
