// Helpers shared by the payload tests and the fuzz target: blob assembly, decoding into
// memory, and a second decoder written token by token straight from the format's rules,
// to hold the block-wise one to.
#pragma once

#include <stdint.h>
#include <stdio.h>
#include <algorithm>
#include <vector>

#include "core/payload_format.h"

using Bytes = std::vector<unsigned char>;

// Six-digit header (zero-padded) followed by body; only the low six digits of a longer
// body's length.
inline Bytes MakeBlob(const Bytes& body) {
    Bytes blob(PayloadHeaderBytes + body.size());
    size_t length = body.size();
    for (int i = PayloadHeaderBytes; i-- > 0; length /= 10)
        blob[static_cast<size_t>(i)] = static_cast<unsigned char>('0' + length % 10);
    std::copy(body.begin(), body.end(), blob.begin() + PayloadHeaderBytes);
    return blob;
}

struct Decoded {
    int Result = -1;
    Bytes Output;
    uint64_t Ticks = 0;
    int Writes = 0; // Write calls
};

inline int AppendToDecoded(void* context, const unsigned char* bytes, size_t count) {
    Decoded* decoded = static_cast<Decoded*>(context);
    ++decoded->Writes;
    decoded->Output.insert(decoded->Output.end(), bytes, bytes + count);
    return 0;
}

inline void CountDecodedTick(void* context) {
    ++static_cast<Decoded*>(context)->Ticks;
}

// DecodePayload into memory.
inline Decoded DecodeToMemory(const unsigned char* blob, size_t blobBytes) {
    Decoded decoded;
    PayloadWriter writer = {AppendToDecoded, CountDecodedTick, &decoded};
    decoded.Result = DecodePayload(blob, blobBytes, &writer);
    return decoded;
}

inline Decoded DecodeToMemory(const Bytes& blob) {
    return DecodeToMemory(blob.data(), blob.size());
}

// One token at a time, one output byte at a time, the byte counter modulo 256 as an 8-bit
// variable. TickOffsets holds the output size at each tick. Result -1 when the header is
// negative or larger than the blob, or a token runs past the body.
struct ReferenceDecoded {
    int Result = -1;
    Bytes Output;
    std::vector<uint64_t> TickOffsets;
};

inline ReferenceDecoded ReferenceDecode(const unsigned char* blob, size_t blobBytes) {
    ReferenceDecoded r;
    long n = PayloadSize(blob, blobBytes);
    if (n < 0 || blobBytes < PayloadHeaderBytes || static_cast<size_t>(n) > blobBytes - PayloadHeaderBytes)
        return r;
    size_t last = static_cast<size_t>(n) + PayloadHeaderBytes - 1; // the last body byte
    uint8_t counter = 0;
    for (size_t p = PayloadHeaderBytes; p <= last;) {
        size_t before = r.Output.size();
        if (blob[p] != EscapeByte) {
            r.Output.push_back(blob[p]);
            p += 1;
        } else {
            if (p + 1 > last)
                return ReferenceDecoded();
            unsigned kind = blob[p + 1];
            if (kind == EscapedLiteral) {
                r.Output.push_back(EscapeByte);
                p += 2;
            } else if (kind <= PatternCount) {
                for (int i = 0; i < PatternBytes; ++i)
                    r.Output.push_back(PayloadPatterns[kind - 1][i]);
                p += 2;
            } else {
                if (p + 2 > last)
                    return ReferenceDecoded();
                for (unsigned i = 0; i < kind; ++i)
                    r.Output.push_back(blob[p + 2]);
                p += 3;
            }
        }
        counter = static_cast<uint8_t>(counter + (r.Output.size() - before));
        if (counter == 0)
            r.TickOffsets.push_back(r.Output.size());
    }
    r.Result = 0;
    return r;
}

inline ReferenceDecoded ReferenceDecode(const Bytes& blob) {
    return ReferenceDecode(blob.data(), blob.size());
}
