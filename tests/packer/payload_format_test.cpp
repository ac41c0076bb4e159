// The setup's decoder: tokens, progress ticks, headers, and malformed blobs.
#include <gtest/gtest.h>
#include <string.h>
#include <sys/mman.h>
#include <unistd.h>

#include <string>

#include "payload_test_support.h"

namespace {

Bytes Blob(const std::string& header, const Bytes& body) {
    Bytes blob(header.begin(), header.end());
    blob.insert(blob.end(), body.begin(), body.end());
    return blob;
}

Bytes Repeat(unsigned char byte, size_t count) {
    return Bytes(count, byte);
}

// Bytes copied to the very end of a readable page that is followed by an inaccessible one,
// so that reading one byte past them faults.
struct GuardedBytes {
    unsigned char* Data = nullptr;
    void* Mapping = nullptr;
    size_t MappingBytes = 0;
};

GuardedBytes Guard(const Bytes& bytes) {
    size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    GuardedBytes g;
    g.MappingBytes = 2 * page;
    g.Mapping = mmap(nullptr, g.MappingBytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (g.Mapping == MAP_FAILED)
        return GuardedBytes();
    unsigned char* second = static_cast<unsigned char*>(g.Mapping) + page;
    mprotect(second, page, PROT_NONE);
    g.Data = second - bytes.size();
    memcpy(g.Data, bytes.data(), bytes.size());
    return g;
}

void Release(GuardedBytes* g) {
    munmap(g->Mapping, g->MappingBytes);
}

// ---- Tokens ----------------------------------------------------------------------------------

TEST(PayloadTokens, EachTokenKindDecodesToItsBytes) {
    struct Case {
        Bytes Body;
        Bytes Output;
    } cases[] = {
        {{0x41}, {0x41}},
        {{0xBF, 0x00}, {0xBF}},
        {{0xBF, 0x04, 0xBF}, Repeat(0xBF, 4)},
        {{0xBF, 0x01}, {0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17}},
        {{0xBF, 0x02}, {0x24, 0x08, 0x24, 0x08, 0x24, 0x08, 0x24, 0x08}},
        {{0xBF, 0x03}, {0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E}},
        {{0xBF, 0xFF, 0x00}, Repeat(0x00, 255)},
        {{0x00, 0xBF, 0x00, 0xFF}, {0x00, 0xBF, 0xFF}},
    };
    for (const Case& c : cases) {
        Decoded d = DecodeToMemory(MakeBlob(c.Body));
        EXPECT_EQ(d.Result, 0);
        EXPECT_EQ(d.Output, c.Output) << "body of " << c.Body.size() << " bytes starting " << int(c.Body[0]);
        EXPECT_EQ(d.Ticks, 0u);
    }
}

TEST(PayloadTokens, EveryRunCountRepeatsItsByte) {
    for (unsigned n = RunMinLength; n <= RunMaxLength; ++n) {
        Decoded d = DecodeToMemory(MakeBlob({0x5A, 0xBF, static_cast<unsigned char>(n), 0xC3, 0x5A}));
        Bytes expected = {0x5A};
        expected.insert(expected.end(), n, 0xC3);
        expected.push_back(0x5A);
        ASSERT_EQ(d.Result, 0);
        ASSERT_EQ(d.Output, expected) << "count " << n;
    }
}

// ---- Progress ticks -------------------------------------------------------------------------

TEST(PayloadTicks, TokenCarryingTheCountPastAMultipleDoesNotTick) {
    Bytes blob = Blob("000006", {0xBF, 0xFF, 0x00, 0xBF, 0x01, 0x00});
    Decoded d = DecodeToMemory(blob);
    Bytes expected = Repeat(0x00, 255);
    expected.insert(expected.end(), PayloadPatterns[0], PayloadPatterns[0] + PatternBytes);
    expected.push_back(0x00);
    ASSERT_EQ(d.Result, 0);
    EXPECT_EQ(d.Output.size(), 264u);
    EXPECT_EQ(d.Output, expected);
    EXPECT_EQ(d.Ticks, 0u);
}

TEST(PayloadTicks, TokenEndingOnAMultipleTicksOnce) {
    Decoded plain255 = DecodeToMemory(MakeBlob(Repeat(0x41, 255)));
    Decoded plain256 = DecodeToMemory(MakeBlob(Repeat(0x41, 256)));
    Decoded twoRuns = DecodeToMemory(Blob("000006", {0xBF, 0x80, 0x00, 0xBF, 0x80, 0x00}));
    Decoded runThenPlain = DecodeToMemory(MakeBlob({0xBF, 0xFF, 0x00, 0x41}));
    EXPECT_EQ(plain255.Ticks, 0u);
    EXPECT_EQ(plain256.Ticks, 1u);
    EXPECT_EQ(twoRuns.Ticks, 1u);
    EXPECT_EQ(twoRuns.Output, Repeat(0x00, 256));
    EXPECT_EQ(runThenPlain.Ticks, 1u);
}

TEST(PayloadTicks, LongBodiesTickLikeTheTokenByTokenDecoder) {
    // Plain stretches longer than the decoder's internal chunk, and tokens of every kind
    // landing on and around multiples of 256.
    Bytes body;
    for (int i = 0; i < 300000; ++i)
        body.push_back(static_cast<unsigned char>(i % 191));
    for (int i = 0; i < 2000; ++i) {
        unsigned char tokens[][3] = {{0xBF, 0x00}, {0xBF, 0x02}, {0xBF, 0x80, 0x7A}, {0xBF, 0x04, 0xBF}};
        int k = (i * 7) % 4;
        body.insert(body.end(), tokens[k], tokens[k] + (k >= 2 ? 3 : 2));
        body.insert(body.end(), static_cast<size_t>(i % 300), static_cast<unsigned char>(i));
        if (body.back() == 0xBF)
            body.back() = 0x11;
    }
    Bytes blob = MakeBlob(body);
    Decoded d = DecodeToMemory(blob);
    ReferenceDecoded r = ReferenceDecode(blob);
    uint64_t checkedSize = 0, checkedTicks = 0;
    ASSERT_EQ(CheckPayload(blob.data(), blob.size(), &checkedSize, &checkedTicks), 0);
    ASSERT_EQ(d.Result, 0);
    ASSERT_EQ(r.Result, 0);
    EXPECT_EQ(d.Output, r.Output);
    EXPECT_EQ(d.Ticks, r.TickOffsets.size());
    EXPECT_EQ(checkedSize, r.Output.size());
    EXPECT_EQ(checkedTicks, r.TickOffsets.size());
    EXPECT_GT(d.Ticks, 1000u);
}

TEST(PayloadTicks, PlainSpansOfEveryLengthBetweenTokens) {
    // Spans shorter and longer than the decoder's copy blocks, ending on an escape, a run,
    // a pattern or the end of the body, at every alignment.
    Bytes body;
    for (size_t length = 0; length < 100; ++length) {
        for (size_t i = 0; i < length; ++i)
            body.push_back(static_cast<unsigned char>(0x20 + (length + i) % 90));
        const Bytes tokens[] = {{0xBF, 0x00}, {0xBF, 0x05, 0xBF}, {0xBF, 0x02}, {0xBF, 0xFE, 0x61}};
        const Bytes& token = tokens[length % 4];
        body.insert(body.end(), token.begin(), token.end());
        Bytes blob = MakeBlob(body);
        Bytes cut = MakeBlob(Bytes(body.begin(), body.end() - static_cast<long>(token.size())));
        for (const Bytes* b : {&blob, &cut}) {
            Decoded d = DecodeToMemory(*b);
            ReferenceDecoded r = ReferenceDecode(*b);
            ASSERT_EQ(d.Result, 0);
            ASSERT_EQ(d.Output, r.Output) << "span of " << length;
            ASSERT_EQ(d.Ticks, r.TickOffsets.size()) << "span of " << length;
        }
    }
}

TEST(PayloadTicks, DecodingWithoutATickCallbackWritesTheSameBytes) {
    Bytes blob = MakeBlob({0x41, 0xBF, 0xFF, 0x42, 0xBF, 0x03});
    Decoded counted = DecodeToMemory(blob);
    Decoded silent;
    PayloadWriter writer = {AppendToDecoded, nullptr, &silent};
    EXPECT_EQ(DecodePayload(blob.data(), blob.size(), &writer), 0);
    EXPECT_EQ(silent.Output, counted.Output);
    EXPECT_EQ(counted.Ticks, 1u);
}

// ---- Header and malformed blobs ---------------------------------------------------------------

TEST(PayloadHeader, ZeroLengthGivesAnEmptyOutputAndNoTick) {
    Bytes blob = Blob("000000", {});
    uint64_t size = 1, ticks = 1;
    EXPECT_EQ(CheckPayload(blob.data(), blob.size(), &size, &ticks), 0);
    EXPECT_EQ(size, 0u);
    EXPECT_EQ(ticks, 0u);
    Decoded d = DecodeToMemory(blob);
    EXPECT_EQ(d.Result, 0);
    EXPECT_TRUE(d.Output.empty());
    EXPECT_EQ(d.Ticks, 0u);
}

TEST(PayloadHeader, RefusedHeadersWriteNothing) {
    struct Case {
        const char* Why;
        Bytes Blob;
    } cases[] = {
        {"negative length", Blob("-00001", {0x41})},
        {"negative length, all digits", Blob("-99999", Repeat(0x41, 10))},
        {"length past the blob", Blob("000003", {0x41, 0x42})},
        {"blob shorter than the header", Blob("0000", {})},
        {"no blob at all", Bytes()},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckPayload(c.Blob.data(), c.Blob.size(), nullptr, nullptr), -1) << c.Why;
        Decoded d = DecodeToMemory(c.Blob);
        EXPECT_EQ(d.Result, -1) << c.Why;
        EXPECT_EQ(d.Writes, 0) << c.Why;
        EXPECT_EQ(d.Ticks, 0u) << c.Why;
    }
    // Control: the same body under a fitting header decodes.
    EXPECT_EQ(DecodeToMemory(Blob("000002", {0x41, 0x42})).Result, 0);
}

TEST(PayloadHeader, BytesAfterTheBodyAreNotPartOfIt) {
    // The next blob in memory, or anything else, follows the body.
    Bytes blob = Blob("000002", {0x41, 0x42, 0xBF, 0x09, 0x43});
    Decoded d = DecodeToMemory(blob);
    EXPECT_EQ(d.Result, 0);
    EXPECT_EQ(d.Output, (Bytes{0x41, 0x42}));
}

TEST(PayloadTruncation, TokenCutOffByTheEndOfTheBodyIsRefused) {
    struct Case {
        const char* Why;
        Bytes Blob;
    } cases[] = {
        {"lone escape", Blob("000001", {0xBF})},
        {"escape after plain bytes", Blob("000003", {0x41, 0x42, 0xBF})},
        {"run without its byte", Blob("000002", {0xBF, 0x05})},
        {"run cut off though the blob goes on", Blob("000002", {0xBF, 0x05, 0x41})},
        {"escape cut off though the blob goes on", Blob("000001", {0xBF, 0x00})},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(CheckPayload(c.Blob.data(), c.Blob.size(), nullptr, nullptr), -1) << c.Why;
        Decoded d = DecodeToMemory(c.Blob);
        EXPECT_EQ(d.Result, -1) << c.Why;
        EXPECT_EQ(d.Writes, 0) << c.Why;
    }
}

TEST(PayloadTruncation, EveryShortBodyIsJudgedLikeTheTokenByTokenDecoder) {
    // All bodies of up to 6 bytes over bytes that matter to the token grammar: escapes,
    // every kind of second byte, and escapes as run bytes or run counts.
    const unsigned char alphabet[] = {0x00, 0x01, 0x03, 0x04, 0x41, 0xBF, 0xFF};
    constexpr size_t Letters = sizeof alphabet;
    int valid = 0, invalid = 0;
    for (size_t length = 0; length <= 6; ++length) {
        size_t combinations = 1;
        for (size_t i = 0; i < length; ++i)
            combinations *= Letters;
        for (size_t n = 0; n < combinations; ++n) {
            Bytes body;
            for (size_t i = 0, rest = n; i < length; ++i, rest /= Letters)
                body.push_back(alphabet[rest % Letters]);
            Bytes blob = MakeBlob(body);
            ReferenceDecoded r = ReferenceDecode(blob);
            Decoded d = DecodeToMemory(blob);
            uint64_t size = 0, ticks = 0;
            int checked = CheckPayload(blob.data(), blob.size(), &size, &ticks);
            ASSERT_EQ(d.Result, r.Result) << "body of " << length << " bytes, number " << n;
            ASSERT_EQ(checked, r.Result) << "body of " << length << " bytes, number " << n;
            ASSERT_EQ(d.Output, r.Output) << "body of " << length << " bytes, number " << n;
            if (r.Result == 0) {
                ASSERT_EQ(size, r.Output.size());
                ASSERT_EQ(ticks, r.TickOffsets.size());
                ASSERT_EQ(d.Ticks, r.TickOffsets.size());
            }
            ++(r.Result == 0 ? valid : invalid);
        }
    }
    EXPECT_GT(valid, 10000);
    EXPECT_GT(invalid, 10000);
}

TEST(PayloadTruncation, NothingPastTheBlobIsRead) {
    const Bytes blobs[] = {Blob("000001", {0xBF}),
                           Blob("000002", {0xBF, 0x05}),
                           Blob("000003", {0x41, 0x42, 0xBF}),
                           Blob("000004", {0x41, 0x42, 0x43, 0x44}),
                           Blob("00000", {}),
                           Blob("0000", {})};
    for (const Bytes& blob : blobs) {
        GuardedBytes g = Guard(blob);
        ASSERT_NE(g.Data, nullptr);
        CheckPayload(g.Data, blob.size(), nullptr, nullptr);
        DecodeToMemory(g.Data, blob.size());
        PayloadSize(g.Data, blob.size());
        Release(&g);
    }
}

TEST(PayloadTruncationDeathTest, GuardPageFaultsOneBytePastTheBlob) {
    // Control for the test above: the guard does catch a read past the end.
    Bytes blob = Blob("000001", {0xBF});
    GuardedBytes g = Guard(blob);
    ASSERT_NE(g.Data, nullptr);
    const volatile unsigned char* data = g.Data;
    EXPECT_DEATH((void)data[blob.size()], "");
    EXPECT_EQ(data[blob.size() - 1], 0xBF);
    Release(&g);
}

TEST(PayloadWriterFailure, StopsAtTheFirstFailingWrite) {
    Bytes body;
    for (int i = 0; i < 200000; ++i)
        body.push_back(static_cast<unsigned char>(i % 100));
    Bytes blob = MakeBlob(body);
    int writes = 0;
    PayloadWriter writer = {[](void* context, const unsigned char*, size_t) {
                                ++*static_cast<int*>(context);
                                return -1;
                            },
                            nullptr, &writes};
    EXPECT_EQ(DecodePayload(blob.data(), blob.size(), &writer), -1);
    EXPECT_EQ(writes, 1);
}

// ---- PayloadSize: the C runtime's atoi over at most six bytes -------------------------------------

TEST(PayloadSizeHeader, ReadsLikeAtoiOverTheFirstSixBytes) {
    struct Case {
        const char* Header;
        size_t Bytes;
        long Size;
    } cases[] = {
        {"000411", 6, 411},
        {"999999", 6, 999999},
        {"000000", 6, 0},
        {"   411", 6, 411},     // leading white space
        {"\t\n 411", 6, 411},   // any white space
        {"+00411", 6, 411},     // a sign
        {"-00411", 6, -411},    // a negative length
        {" -0041", 6, -41},     //
        {"12a456", 6, 12},      // stops at the first non-digit
        {"abcdef", 6, 0},       // no digits
        {"      ", 6, 0},       //
        {"- 1234", 6, 0},       // a sign must touch the digits
        {"1234567", 7, 123456}, // the seventh byte is the body's
        {"12\0"
         "456",
         6, 12}, // a zero byte ends the header
        {"\0"
         "12345",
         6, 0},          //
        {"123", 3, 123}, // a blob shorter than the header
    };
    for (const Case& c : cases) {
        Bytes blob(c.Header, c.Header + c.Bytes);
        GuardedBytes g = Guard(blob);
        ASSERT_NE(g.Data, nullptr);
        EXPECT_EQ(PayloadSize(g.Data, c.Bytes), c.Size) << '"' << std::string(c.Header, c.Bytes) << '"';
        Release(&g);
    }
}

TEST(PayloadSizeHeader, LeadingSpacesAndSignStillPlaceTheBodyAfterSixBytes) {
    Decoded spaced = DecodeToMemory(Blob("    +2", {0x41, 0x42}));
    EXPECT_EQ(spaced.Result, 0);
    EXPECT_EQ(spaced.Output, (Bytes{0x41, 0x42}));
    // The digit after the header is the body's, not the header's.
    Decoded digit = DecodeToMemory(Blob("000001", {0x39}));
    EXPECT_EQ(digit.Output, (Bytes{0x39}));
}

// ---- Checksum --------------------------------------------------------------------------------

// The CRC-32 check values that zip and PNG tools agree on.
TEST(PayloadChecksum, KnownCrc32Values) {
    const std::pair<Bytes, uint32_t> cases[] = {
        {{}, 0x00000000u},
        {{'a'}, 0xE8B7BE43u},
        {{'1', '2', '3', '4', '5', '6', '7', '8', '9'}, 0xCBF43926u},
        {Repeat(0x00, 32), 0x190A55ADu},
        {Repeat(0xFF, 32), 0xFF6CAB0Bu},
    };
    for (const auto& c : cases)
        EXPECT_EQ(PayloadChecksumUpdate(PayloadChecksumStart, c.first.data(), c.first.size()), c.second)
            << c.first.size() << " bytes";
}

// Fed in two pieces split anywhere (the eight-byte steps against the byte loop, at every
// alignment), the checksum equals a bit-by-bit reading of the whole, and one changed bit
// anywhere changes it.
TEST(PayloadChecksum, PiecesGiveTheChecksumOfTheWhole) {
    Bytes data(301);
    for (size_t i = 0; i < data.size(); ++i)
        data[i] = static_cast<unsigned char>(i * 167 + (i >> 3));
    uint32_t reference = 0xFFFFFFFFu;
    for (unsigned char byte : data)
        for (int bit = 0; bit < 8; ++bit)
            reference = (reference >> 1) ^ ((((reference ^ (byte >> bit)) & 1u) != 0) ? 0xEDB88320u : 0u);
    reference = ~reference;
    for (size_t split = 0; split <= data.size(); ++split) {
        uint32_t first = PayloadChecksumUpdate(PayloadChecksumStart, data.data(), split);
        ASSERT_EQ(PayloadChecksumUpdate(first, data.data() + split, data.size() - split), reference) << split;
    }
    for (size_t at = 0; at < data.size(); at += 37) {
        Bytes changed = data;
        changed[at] ^= 0x10;
        EXPECT_NE(PayloadChecksumUpdate(PayloadChecksumStart, changed.data(), changed.size()), reference)
            << at;
    }
}

} // namespace
