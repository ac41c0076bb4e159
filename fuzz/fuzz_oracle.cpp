// What the fuzz target holds the decoder to: the token-by-token decoder and the packer's
// encoder. Built without coverage instrumentation, so that the fuzzer's guidance and time
// go to the decoder under test.
#include "fuzz/fuzz_oracle.h"

#include "tests/packer/payload_test_support.h"
#include "tools/packer/encoder.h"

ReferenceDecoded OracleDecode(const unsigned char* blob, size_t blobBytes) {
    return ReferenceDecode(blob, blobBytes);
}

Bytes OracleEncode(const Bytes& content) {
    return EncodePayloadBody(content.data(), content.size());
}
