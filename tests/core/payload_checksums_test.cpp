// The checksums the packer recorded for the embedded blobs, and the start-up check that
// compares the blobs with them.
#include <string.h>

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

// ---- Installed files as the build made them --------------------------------------------------

namespace {
FileDigest DigestInPieces(const Bytes& file, size_t piece) {
    FileDigestState state;
    FileDigestStart(&state, file.data(), file.size() < FileDigestHeadBytes ? file.size() : FileDigestHeadBytes,
                    file.size());
    for (size_t at = 0; at < file.size(); at += piece)
        FileDigestUpdate(&state, file.data() + at, file.size() - at < piece ? file.size() - at : piece);
    return FileDigestEnd(&state);
}

void Put32(Bytes* file, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        (*file)[at + i] = static_cast<unsigned char>(value >> (8 * i));
}
} // namespace

// What Authenticode signing changes (the checksum field, the certificate table's entry, the
// table appended at the end) leaves the digest as it was, in PE32 and PE32+ files alike and
// however the file is read; a changed byte anywhere else changes it.
TEST(FileDigest, ASignatureAddedLaterDoesNotCount) {
    for (unsigned magic : {0x10Bu, 0x20Bu}) {
        Bytes file(1536, 0x5A);
        file[0] = 'M', file[1] = 'Z';
        Put32(&file, 0x3C, 0x80);
        memcpy(&file[0x80], "PE\0\0", 4);
        const size_t optional = 0x80 + 24, directories = optional + (magic == 0x10B ? 96 : 112);
        file[optional] = magic & 0xFF, file[optional + 1] = magic >> 8;
        Put32(&file, directories - 4, 16);
        Put32(&file, directories + 4 * 8, 0), Put32(&file, directories + 4 * 8 + 4, 0);
        Put32(&file, optional + 64, 0);
        FileDigest unsigned_ = DigestInPieces(file, file.size());
        EXPECT_EQ(file.size(), unsigned_.Bytes);

        Bytes signedFile = file;
        Put32(&signedFile, optional + 64, 0x0001F00D);
        Put32(&signedFile, directories + 4 * 8, static_cast<uint32_t>(file.size()));
        Put32(&signedFile, directories + 4 * 8 + 4, 520);
        signedFile.resize(file.size() + 520, 0x30);
        for (size_t piece : {size_t(1), size_t(7), size_t(4096)}) {
            FileDigest found = DigestInPieces(signedFile, piece);
            EXPECT_EQ(unsigned_.Bytes, found.Bytes) << piece;
            EXPECT_EQ(unsigned_.Checksum, found.Checksum) << piece;
        }
        // Control: one byte of the program itself.
        signedFile[0x300] ^= 1;
        EXPECT_NE(unsigned_.Checksum, DigestInPieces(signedFile, 4096).Checksum);
        // A table that does not end the file is no signature: everything counts.
        Put32(&file, directories + 4 * 8, 0x400), Put32(&file, directories + 4 * 8 + 4, 16);
        EXPECT_EQ(file.size(), DigestInPieces(file, 64).Bytes);
    }
    // Not a program: the whole file, every byte.
    Bytes text(100, 'x');
    EXPECT_EQ(100u, DigestInPieces(text, 3).Bytes);
    EXPECT_EQ(Crc(text.data(), text.size()), DigestInPieces(text, 3).Checksum);
}
