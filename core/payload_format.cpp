#include "payload_format.h"

#include <stdlib.h>
#include <string.h>

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
    const unsigned char* p;
    const unsigned char* end;
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

namespace {
// Decoded bytes gather here and go to the writer a chunk at a time.
constexpr size_t ChunkBytes = 64 * 1024;

struct Chunk {
    unsigned char Bytes[ChunkBytes];
    size_t Used;
    const PayloadWriter* Writer;
};

int FlushChunk(Chunk* chunk) {
    if (chunk->Used == 0)
        return 0;
    size_t count = chunk->Used;
    chunk->Used = 0;
    return chunk->Writer->Write(chunk->Writer->Context, chunk->Bytes, count);
}

// Makes room for `count` more bytes (count <= ChunkBytes).
int Reserve(Chunk* chunk, size_t count) {
    return chunk->Used + count > ChunkBytes ? FlushChunk(chunk) : 0;
}

void Tick(const PayloadWriter* writer, uint64_t times) {
    if (writer->Tick != nullptr)
        for (; times > 0; --times)
            writer->Tick(writer->Context);
}
} // namespace

int DecodePayload(const unsigned char* blob, size_t blobBytes, const PayloadWriter* writer) {
    if (CheckPayload(blob, blobBytes, nullptr, nullptr) != 0)
        return -1;
    const unsigned char* p;
    const unsigned char* end;
    LocateBody(blob, blobBytes, &p, &end);

    static_assert(ChunkBytes >= RunMaxLength, "a run must fit one chunk");
    Chunk* chunk = static_cast<Chunk*>(malloc(sizeof(Chunk)));
    if (chunk == nullptr)
        return -1;
    chunk->Used = 0;
    chunk->Writer = writer;
    uint64_t total = 0;
    int result = 0;
    while (p < end && result == 0) {
        const unsigned char* escape =
            static_cast<const unsigned char*>(memchr(p, EscapeByte, static_cast<size_t>(end - p)));
        const unsigned char* plainEnd = escape != nullptr ? escape : end;
        // Plain bytes are one-byte tokens: copy the span in pieces that fit the chunk.
        while (p < plainEnd && result == 0) {
            size_t room = ChunkBytes - chunk->Used;
            size_t count = static_cast<size_t>(plainEnd - p) < room ? static_cast<size_t>(plainEnd - p) : room;
            memcpy(chunk->Bytes + chunk->Used, p, count);
            chunk->Used += count;
            Tick(writer, TicksOfSpan(total, count));
            total += count;
            p += count;
            if (chunk->Used == ChunkBytes)
                result = FlushChunk(chunk);
        }
        if (p == end || result != 0)
            break;
        unsigned kind = p[1];
        size_t output;
        if ((result = Reserve(chunk, RunMaxLength)) != 0)
            break;
        unsigned char* out = chunk->Bytes + chunk->Used;
        if (kind == EscapedLiteral) {
            *out = EscapeByte;
            output = 1;
            p += 2;
        } else if (kind <= PatternCount) {
            memcpy(out, PayloadPatterns[kind - 1], PatternBytes);
            output = PatternBytes;
            p += 2;
        } else {
            memset(out, p[2], kind);
            output = kind;
            p += 3;
        }
        chunk->Used += output;
        total += output;
        if (total % TickBytes == 0)
            Tick(writer, 1);
    }
    if (result == 0)
        result = FlushChunk(chunk);
    free(chunk);
    return result;
}
