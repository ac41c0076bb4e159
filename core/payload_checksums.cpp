#include "payload_checksums.h"

int CheckPayloadBlobs(const PayloadEntry* entries, const PayloadChecksum* checksums, int count) {
    for (int i = 0; i < count; ++i) {
        size_t bytes = PayloadBlobBytes(entries[i]);
        if (bytes != checksums[i].BlobBytes ||
            PayloadChecksumUpdate(PayloadChecksumStart, entries[i].Blob, bytes) != checksums[i].BlobChecksum)
            return -1;
    }
    return 0;
}
