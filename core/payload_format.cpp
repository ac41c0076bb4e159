#include "payload_format.h"

#include <stdlib.h>
#include <string.h>
// SSE2 is part of every x86-64 processor; the 32-bit Windows build targets processors
// without it and takes the portable path, which tests can select with
// PAYLOAD_DECODER_PORTABLE.
#if defined(__SSE2__) && !defined(PAYLOAD_DECODER_PORTABLE)
#define PAYLOAD_DECODER_SSE2 1
#include <emmintrin.h>
#endif

long PayloadSize(const unsigned char* blob, size_t blobBytes) {
    char header[PayloadHeaderBytes + 1] = {};
    for (size_t i = 0; i < static_cast<size_t>(PayloadHeaderBytes) && i < blobBytes && blob[i] != 0; ++i)
        header[i] = static_cast<char>(blob[i]);
    return atoi(header);
}

// Number of ticks when `count` one-byte tokens follow `total` written bytes: one for every
// multiple of TickBytes reached.
static uint64_t TicksOfSpan(uint64_t total, uint64_t count) {
    return (total + count) / TickBytes - total / TickBytes;
}

// Start and end of the body, or -1 when the header is negative or claims more than the blob.
static int LocateBody(const unsigned char* blob, size_t blobBytes, const unsigned char** body,
                      const unsigned char** end) {
    long length = PayloadSize(blob, blobBytes);
    if (length < 0 || blobBytes < static_cast<size_t>(PayloadHeaderBytes) ||
        static_cast<unsigned long>(length) > blobBytes - PayloadHeaderBytes)
        return -1;
    *body = blob + PayloadHeaderBytes;
    *end = *body + length;
    return 0;
}

// Output length of the escape token starting at p, and its length in the body; 0 when the
// token is cut off by the end of the body.
static size_t EscapeOutput(const unsigned char* p, const unsigned char* end, size_t* coded) {
    if (end - p < 2)
        return 0;
    unsigned kind = p[1];
    if (kind == EscapedLiteral) {
        *coded = 2;
        return 1;
    }
    if (kind <= PatternCount) {
        *coded = 2;
        return PatternBytes;
    }
    if (end - p < 3)
        return 0;
    *coded = 3;
    return kind;
}

int CheckPayload(const unsigned char* blob, size_t blobBytes, uint64_t* decodedBytes, uint64_t* ticks) {
    const unsigned char* p = nullptr;
    const unsigned char* end = nullptr;
    if (LocateBody(blob, blobBytes, &p, &end) != 0)
        return -1;
    uint64_t total = 0, tickCount = 0;
    while (p < end) {
        const unsigned char* escape =
            static_cast<const unsigned char*>(memchr(p, EscapeByte, static_cast<size_t>(end - p)));
        size_t plain = static_cast<size_t>((escape != nullptr ? escape : end) - p);
        tickCount += TicksOfSpan(total, plain);
        total += plain;
        p += plain;
        if (p == end)
            break;
        size_t coded = 0;
        size_t output = EscapeOutput(p, end, &coded);
        if (output == 0)
            return -1;
        total += output;
        if (total % TickBytes == 0)
            ++tickCount;
        p += coded;
    }
    if (decodedBytes != nullptr)
        *decodedBytes = total;
    if (ticks != nullptr)
        *ticks = tickCount;
    return 0;
}

// Whether every token of the body lies whole inside it. The only fault a body can have is
// a last token cut off by its end, and telling where tokens start needs no parse from the
// beginning: a token is at most 3 bytes long and only an escape token is longer than one,
// so a position whose two preceding bytes are not the escape byte is always a token
// boundary. Walk back to the nearest such position and parse the rest.
static bool BodyIsWhole(const unsigned char* body, const unsigned char* end) {
    const unsigned char* p = end;
    while (p > body && (p[-1] == EscapeByte || (p - body >= 2 && p[-2] == EscapeByte)))
        --p;
    while (p < end) {
        size_t coded = 1;
        if (*p == EscapeByte && EscapeOutput(p, end, &coded) == 0)
            return false;
        p += coded;
    }
    return true;
}

namespace {
// Decoded bytes gather here and go to the writer a chunk at a time. Small enough to stay in
// the first-level cache together with the writer's own buffer.
constexpr size_t ChunkBytes = 16 * 1024;
// Room kept free for one escape token's output, rounded up to whole 32-byte blocks.
constexpr size_t EscapeRoom = (RunMaxLength + 31) / 32 * 32;
static_assert(ChunkBytes >= EscapeRoom, "a run must fit one chunk");

void Tick(const PayloadWriter* writer, uint64_t times) {
    if (writer->Tick != nullptr)
        for (; times > 0; --times)
            writer->Tick(writer->Context);
}
} // namespace

// Copies the plain bytes at p into out, up to the next escape byte, the end of the body or
// `room` bytes, whichever comes first; returns how many. With SSE2 the search and the copy
// are one pass of 16-byte blocks; a block may be stored whole past the last plain byte,
// always inside `room`, where the next token's output overwrites it.
static size_t CopyPlainSpan(const unsigned char* p, const unsigned char* end, unsigned char* out,
                            size_t room) {
    size_t most = static_cast<size_t>(end - p) < room ? static_cast<size_t>(end - p) : room;
#ifdef PAYLOAD_DECODER_SSE2
    constexpr size_t Block = sizeof(__m128i);
    const __m128i escape = _mm_set1_epi8(static_cast<char>(EscapeByte));
    size_t done = 0;
    for (; most - done >= 2 * Block; done += 2 * Block) {
        const __m128i* from = reinterpret_cast<const __m128i*>(p + done);
        __m128i* to = reinterpret_cast<__m128i*>(out + done);
        __m128i a = _mm_loadu_si128(from);
        _mm_storeu_si128(to, a);
        unsigned found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(a, escape)));
        if (found != 0)
            return done + static_cast<size_t>(__builtin_ctz(found));
        __m128i b = _mm_loadu_si128(from + 1);
        _mm_storeu_si128(to + 1, b);
        found = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(b, escape)));
        if (found != 0)
            return done + Block + static_cast<size_t>(__builtin_ctz(found));
    }
    for (; done < most && p[done] != EscapeByte; ++done)
        out[done] = p[done];
    return done;
#else
    const unsigned char* escape = static_cast<const unsigned char*>(memchr(p, EscapeByte, most));
    size_t count = escape != nullptr ? static_cast<size_t>(escape - p) : most;
    memcpy(out, p, count);
    return count;
#endif
}

// Writes count copies of byte at out in whole 32-byte blocks, past the run's end when
// count isn't a multiple of the block, always inside EscapeRoom: a short fixed-size fill
// beats a general memset on runs this short.
static inline void FillRun(unsigned char* out, unsigned char byte, size_t count) {
#ifdef PAYLOAD_DECODER_SSE2
    const __m128i bytes = _mm_set1_epi8(static_cast<char>(byte));
    for (size_t i = 0; i < count; i += 2 * sizeof bytes) {
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i + sizeof bytes), bytes);
    }
#else
    uint64_t word = UINT64_C(0x0101010101010101) * byte;
    for (size_t i = 0; i < count; i += 4 * sizeof word) {
        memcpy(out + i, &word, sizeof word);
        memcpy(out + i + sizeof word, &word, sizeof word);
        memcpy(out + i + 2 * sizeof word, &word, sizeof word);
        memcpy(out + i + 3 * sizeof word, &word, sizeof word);
    }
#endif
}

int DecodePayload(const unsigned char* blob, size_t blobBytes, const PayloadWriter* writer) {
    const unsigned char* p = nullptr;
    const unsigned char* end = nullptr;
    if (LocateBody(blob, blobBytes, &p, &end) != 0 || !BodyIsWhole(p, end))
        return -1;
    unsigned char* const first = static_cast<unsigned char*>(malloc(ChunkBytes));
    if (first == nullptr)
        return -1;
    unsigned char* const limit = first + ChunkBytes;
    unsigned char* out = first;
    uint64_t total = 0;
    int result = 0;
    while (p < end && result == 0) {
        // Plain bytes are one-byte tokens: a span of them ticks at every multiple it reaches.
        size_t count = CopyPlainSpan(p, end, out, static_cast<size_t>(limit - out));
        p += count;
        out += count;
        Tick(writer, TicksOfSpan(total, count));
        total += count;
        if (p == end)
            break;
        if (static_cast<size_t>(limit - out) < EscapeRoom) {
            result = writer->Write(writer->Context, first, static_cast<size_t>(out - first));
            out = first;
            continue;
        }
        unsigned kind = p[1];
        size_t output;
        if (kind > PatternCount) {
            FillRun(out, p[2], kind);
            output = kind;
            p += 3;
        } else if (kind == EscapedLiteral) {
            *out = EscapeByte;
            output = 1;
            p += 2;
        } else {
            memcpy(out, PayloadPatterns[kind - 1], PatternBytes);
            output = PatternBytes;
            p += 2;
        }
        out += output;
        total += output;
        if (total % TickBytes == 0)
            Tick(writer, 1);
    }
    if (result == 0 && out != first)
        result = writer->Write(writer->Context, first, static_cast<size_t>(out - first));
    free(first);
    return result;
}

namespace {
constexpr uint32_t ChecksumPolynomial = 0xEDB88320u;
// Eight tables let the loop take eight bytes per step, each step waiting on the one before
// it for one XOR only; one byte per step is several times slower on the megabyte that the
// setup checks before its window appears.
constexpr int ChecksumSlices = 8;

// Entry[0][b] is the register after shifting in byte b; Entry[s][b] the same followed by s
// zero bytes, so that eight bytes combine into one step. 8 KB, made on first use rather than
// stored: the setup's code and data have a size budget, and making them takes microseconds.
// Every program that checksums (the setup, the packer) does so from one thread.
struct ChecksumTables {
    uint32_t Entry[ChecksumSlices][256];
    bool Made;
};
ChecksumTables Checksum;

void MakeChecksumTables() {
    for (uint32_t byte = 0; byte < 256; ++byte) {
        uint32_t value = byte;
        for (int bit = 0; bit < 8; ++bit)
            value = (value >> 1) ^ (ChecksumPolynomial & (0u - (value & 1u)));
        Checksum.Entry[0][byte] = value;
    }
    for (int slice = 1; slice < ChecksumSlices; ++slice)
        for (int byte = 0; byte < 256; ++byte) {
            uint32_t previous = Checksum.Entry[slice - 1][byte];
            Checksum.Entry[slice][byte] = (previous >> 8) ^ Checksum.Entry[0][previous & 0xFF];
        }
    Checksum.Made = true;
}

inline uint32_t LittleEndianWord(const unsigned char* bytes) {
    return static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
           static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}
} // namespace

uint32_t PayloadChecksumUpdate(uint32_t checksum, const unsigned char* bytes, size_t count) {
    if (!Checksum.Made)
        MakeChecksumTables();
    const auto& t = Checksum.Entry;
    uint32_t c = ~checksum;
    for (; count >= 8; count -= 8, bytes += 8) {
        uint32_t low = c ^ LittleEndianWord(bytes), high = LittleEndianWord(bytes + 4);
        c = t[7][low & 0xFF] ^ t[6][(low >> 8) & 0xFF] ^ t[5][(low >> 16) & 0xFF] ^ t[4][low >> 24] ^
            t[3][high & 0xFF] ^ t[2][(high >> 8) & 0xFF] ^ t[1][(high >> 16) & 0xFF] ^ t[0][high >> 24];
    }
    for (; count > 0; --count, ++bytes)
        c = (c >> 8) ^ t[0][(c ^ *bytes) & 0xFF];
    return ~c;
}

namespace {
constexpr uint64_t NoField = ~static_cast<uint64_t>(0);

uint32_t LittleEndian32(const unsigned char* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
} // namespace

void FileDigestStart(FileDigestState* state, const unsigned char* head, size_t headBytes,
                     uint64_t fileBytes) {
    *state = FileDigestState{NoField, NoField, fileBytes, 0, PayloadChecksumStart};
    if (headBytes > FileDigestHeadBytes)
        headBytes = FileDigestHeadBytes;
    if (headBytes < 0x40 || head[0] != 'M' || head[1] != 'Z')
        return;
    uint64_t pe = LittleEndian32(head + 0x3C);
    // Signature, file header (20 bytes) and the optional header's magic.
    if (pe + 26 > headBytes || memcmp(head + pe, "PE\0\0", 4) != 0)
        return;
    uint64_t optional = pe + 24;
    unsigned magic = head[optional] | head[optional + 1] << 8;
    uint64_t countAt = magic == 0x10B ? optional + 92 : magic == 0x20B ? optional + 108 : NoField;
    if (countAt == NoField || countAt + 4 + 5 * 8 > headBytes || LittleEndian32(head + countAt) < 5)
        return;
    uint64_t entry = countAt + 4 + 4 * 8; // the fifth data directory: the certificate table
    uint64_t tableAt = LittleEndian32(head + entry), tableBytes = LittleEndian32(head + entry + 4);
    state->ChecksumFieldAt = optional + 64;
    state->DirectoryEntryAt = entry;
    // Only a table that runs to the end of the file is a signature appended to it.
    if (tableBytes != 0 && tableAt >= entry + 8 && tableAt + tableBytes == fileBytes)
        state->End = tableAt;
}

void FileDigestUpdate(FileDigestState* state, const unsigned char* bytes, size_t count) {
    static const unsigned char Zero[8] = {};
    while (count > 0 && state->Position < state->End) {
        uint64_t at = state->Position;
        size_t take = static_cast<size_t>(state->End - at < count ? state->End - at : count);
        // An excluded field counts as zero bytes, so a field split across pieces works too.
        const uint64_t fields[2] = {state->ChecksumFieldAt, state->DirectoryEntryAt};
        const uint64_t widths[2] = {4, 8};
        for (int f = 0; f < 2; ++f) {
            uint64_t field = fields[f], fieldEnd = field == NoField ? field : field + widths[f];
            if (field == NoField || at >= fieldEnd || at + take <= field)
                continue;
            if (at < field) {
                take = static_cast<size_t>(field - at);
                continue;
            }
            take = static_cast<size_t>(fieldEnd - at < take ? fieldEnd - at : take);
            state->Checksum = PayloadChecksumUpdate(state->Checksum, Zero, take);
            state->Position += take;
            bytes += take;
            count -= take;
            take = 0;
            break;
        }
        if (take == 0)
            continue;
        state->Checksum = PayloadChecksumUpdate(state->Checksum, bytes, take);
        state->Position += take;
        bytes += take;
        count -= take;
    }
}

FileDigest FileDigestEnd(const FileDigestState* state) {
    return {state->End, state->Checksum};
}
