// The embedded payload format, shared by the packer that writes it and the setup that
// reads it. A blob is a six-digit decimal header holding the body's length N, then N
// bytes of tokens:
//   b (any byte but 0xBF)      -> b
//   BF 00                      -> BF
//   BF 01 / BF 02 / BF 03      -> one of the three 8-byte patterns below
//   BF n b  (n = 4..255)       -> b repeated n times (b may itself be BF)
// Nothing follows the body; no checksum, name or decoded size is stored.
#pragma once

#include <stddef.h>
#include <stdint.h>

constexpr unsigned char EscapeByte = 0xBF;
constexpr unsigned char EscapedLiteral = 0x00;
constexpr int PayloadHeaderBytes = 6;
constexpr long PayloadMaxBodyBytes = 999999;
constexpr int RunMinLength = 4;
constexpr int RunMaxLength = 255;
constexpr int PatternCount = 3;
constexpr int PatternBytes = 8;
// BF 01, BF 02 and BF 03 stand for these, in that order.
constexpr unsigned char PayloadPatterns[PatternCount][PatternBytes] = {
    {0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17},
    {0x24, 0x08, 0x24, 0x08, 0x24, 0x08, 0x24, 0x08},
    {0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E},
};
// A progress tick falls when a token ends exactly on a multiple of this many output bytes.
constexpr unsigned TickBytes = 256;

// The installation run's progress accounting, which the packer checks at build time: the
// bar's range is the five bodies' total length divided by ProgressRangeUnitBytes, sent as
// a 16-bit maximum, and the run ticks RunOwnTicks times besides the extraction ticks.
constexpr unsigned ProgressRangeUnitBytes = 256;
constexpr unsigned ProgressMaximumLimit = 0xFFFF;
constexpr unsigned RunOwnTicks = 20;

// The coded length N read from the header as the C runtime's atoi reads the first six
// bytes (stopping at a zero byte): leading white space and a sign are accepted, no digits
// give 0. Reads at most min(6, blobBytes) bytes.
long PayloadSize(const unsigned char* blob, size_t blobBytes);

// Where decoded bytes go. Write returns 0, or -1 to stop the decoding with failure.
// Tick, when not null, is called once for every token that ends on a multiple of
// TickBytes written bytes, in token order.
struct PayloadWriter {
    int (*Write)(void* context, const unsigned char* bytes, size_t count);
    void (*Tick)(void* context);
    void* Context;
};

// Walks the body without writing anything. Returns 0 when the header is a non-negative
// length that the blob holds and every token lies whole inside the body, -1 otherwise.
// On success stores the decoded size and the number of ticks, when asked.
int CheckPayload(const unsigned char* blob, size_t blobBytes, uint64_t* decodedBytes, uint64_t* ticks);

// Decodes the whole body through the writer. Returns 0, or -1 when the blob is malformed
// (checked before the first byte is written) or a write failed.
int DecodePayload(const unsigned char* blob, size_t blobBytes, const PayloadWriter* writer);
