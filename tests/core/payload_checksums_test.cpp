// The checksums the packer recorded for the embedded blobs, and the start-up check that
// compares the blobs with them.
#include <vector>

#include <gtest/gtest.h>

#include "core/payload_checksums.h"

namespace {
using Bytes = std::vector<unsigned char>;

int Append(void* context, const unsigned char* bytes, size_t count) {
    static_cast<Bytes*>(context)->insert(static_cast<Bytes*>(context)->end(), bytes, bytes + count);
    return 0;
}

uint32_t Crc(const unsigned char* bytes, size_t count) {
    return PayloadChecksumUpdate(PayloadChecksumStart, bytes, count);
}

// A body byte that is a whole token by itself, neither an escape nor part of one: changing
// it to another plain byte leaves the blob well formed.
size_t PlainBodyByte(const Bytes& blob) {
    for (size_t at = blob.size() / 2; at < blob.size(); ++at)
        if (at >= PayloadHeaderBytes + 2u && blob[at] != EscapeByte && (blob[at] ^ 0x01) != EscapeByte &&
            blob[at - 1] != EscapeByte && blob[at - 2] != EscapeByte)
            return at;
    return 0;
}

// Each row describes its blob and the file the blob decodes to.
TEST(PayloadChecksums, RowsDescribeTheEmbeddedBlobsAndTheirFiles) {
    for (int i = 0; i < PayloadCount; ++i) {
        const PayloadEntry& entry = PayloadTable[i];
        const PayloadChecksum& row = PayloadChecksums[i];
        EXPECT_EQ(row.BlobBytes, PayloadBlobBytes(entry)) << i;
        EXPECT_EQ(row.BlobChecksum, Crc(entry.Blob, PayloadBlobBytes(entry))) << i;
        Bytes file;
        PayloadWriter writer = {Append, nullptr, &file};
        ASSERT_EQ(0, DecodePayload(entry.Blob, PayloadBlobBytes(entry), &writer)) << i;
        EXPECT_EQ(row.FileBytes, file.size()) << i;
        EXPECT_EQ(row.FileChecksum, Crc(file.data(), file.size())) << i;
    }
}

// The embedded blobs pass; one changed byte in any blob, a changed recorded checksum or a
// blob of another length is refused. The changed body byte leaves the blob well formed,
// so only the checksum can tell.
TEST(PayloadChecksums, StartUpCheckRefusesAnyDamage) {
    EXPECT_EQ(0, CheckPayloadBlobs(PayloadTable, PayloadChecksums, PayloadCount));
    for (int i = 0; i < PayloadCount; ++i) {
        Bytes blob(PayloadTable[i].Blob, PayloadTable[i].BlobEnd);
        PayloadEntry entries[PayloadCount];
        PayloadChecksum rows[PayloadCount];
        std::copy(PayloadTable, PayloadTable + PayloadCount, entries);
        std::copy(PayloadChecksums, PayloadChecksums + PayloadCount, rows);
        entries[i].Blob = blob.data();
        entries[i].BlobEnd = blob.data() + blob.size();
        EXPECT_EQ(0, CheckPayloadBlobs(entries, rows, PayloadCount)) << "copy of blob " << i;

        size_t plain = PlainBodyByte(blob);
        ASSERT_NE(plain, 0u) << "blob " << i << " has a plain byte in its second half";
        blob[plain] ^= 0x01;
        ASSERT_EQ(0, CheckPayload(blob.data(), blob.size(), nullptr, nullptr));
        EXPECT_EQ(-1, CheckPayloadBlobs(entries, rows, PayloadCount)) << "body byte of blob " << i;
        blob[plain] ^= 0x01;

        rows[i].BlobChecksum ^= 0x00010000u;
        EXPECT_EQ(-1, CheckPayloadBlobs(entries, rows, PayloadCount)) << "recorded checksum of blob " << i;
        rows[i].BlobChecksum ^= 0x00010000u;
        entries[i].BlobEnd -= 1;
        EXPECT_EQ(-1, CheckPayloadBlobs(entries, rows, PayloadCount)) << "shorter blob " << i;
    }
}
} // namespace
