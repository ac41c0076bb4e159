// libFuzzer target for the payload decoder. The first input byte chooses how the rest is
// read: bit 0 set, as a whole blob (header included, so the header's text is fuzzed too);
// clear, as a body under a header of its exact length. The remaining bits make the
// writer fail at that write (0: never).
//
// For every input: CheckPayload and DecodePayload agree with a token-by-token decoder on
// whether the blob is well-formed, on the output and on the ticks, and read nothing past
// the blob (the blob sits in a heap block of its exact size, under AddressSanitizer).
// For a well-formed blob, the packer's encoder codes the output again into a body that
// decodes back to it and is no longer than the one fuzzed, nor as long with more ticks.
#include <stdint.h>
#include <stdlib.h>
#include <string.h>

#include "fuzz/fuzz_oracle.h"

namespace {

// Re-encoding costs time in proportion to the output; runs let a short input decode to
// a lot of it.
constexpr size_t ReencodeLimit = 16 * 1024;

struct FailingOutput {
    int WritesLeft; // the write that fails when this reaches 0
    int Writes;
};

int FailingWrite(void* context, const unsigned char*, size_t) {
    FailingOutput* output = static_cast<FailingOutput*>(context);
    ++output->Writes;
    return --output->WritesLeft == 0 ? -1 : 0;
}

[[noreturn]] void Fail(const char* what) {
    fprintf(stderr, "payload_fuzz: %s\n", what);
    abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0)
        return 0;
    unsigned mode = data[0];
    Bytes rest(data + 1, data + size);
    Bytes bytes = (mode & 1) != 0 ? rest : MakeBlob(rest);
    // A heap block of exactly the blob's size, so that reading past it is caught.
    unsigned char* blob = static_cast<unsigned char*>(malloc(bytes.size() > 0 ? bytes.size() : 1));
    if (!bytes.empty())
        memcpy(blob, bytes.data(), bytes.size());

    ReferenceDecoded expected = OracleDecode(blob, bytes.size());
    uint64_t checkedSize = 0, checkedTicks = 0;
    int checked = CheckPayload(blob, bytes.size(), &checkedSize, &checkedTicks);
    Decoded decoded = DecodeToMemory(blob, bytes.size());
    if (checked != expected.Result || decoded.Result != expected.Result)
        Fail("the decoders disagree on whether the blob is well-formed");
    if (expected.Result != 0) {
        if (decoded.Writes != 0 || decoded.Ticks != 0)
            Fail("a malformed blob was written or ticked");
        free(blob);
        return 0;
    }
    if (decoded.Output != expected.Output || checkedSize != expected.Output.size())
        Fail("the decoders disagree on the output");
    if (decoded.Ticks != expected.TickOffsets.size() || checkedTicks != expected.TickOffsets.size())
        Fail("the decoders disagree on the ticks");

    int failAt = static_cast<int>(mode >> 1);
    if (failAt > 0) {
        FailingOutput output = {failAt, 0};
        PayloadWriter writer = {FailingWrite, nullptr, &output};
        int result = DecodePayload(blob, bytes.size(), &writer);
        if ((result == -1) != (output.Writes >= failAt) || output.Writes > failAt)
            Fail("a failing write was not reported, or the decoder wrote on after it");
    }

    if (expected.Output.size() <= ReencodeLimit) {
        Bytes body = OracleEncode(expected.Output);
        Bytes reencoded = MakeBlob(body);
        ReferenceDecoded again = OracleDecode(reencoded.data(), reencoded.size());
        long fuzzedLength = PayloadSize(blob, bytes.size());
        if (again.Result != 0 || again.Output != expected.Output)
            Fail("the encoder's body doesn't decode back to its input");
        if (static_cast<long>(body.size()) > fuzzedLength)
            Fail("the encoder's body is longer than the fuzzed one");
        if (static_cast<long>(body.size()) == fuzzedLength &&
            again.TickOffsets.size() > expected.TickOffsets.size())
            Fail("the encoder's body is as long as the fuzzed one but ticks more");
    }
    free(blob);
    return 0;
}
