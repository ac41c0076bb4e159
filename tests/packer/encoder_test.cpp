// The packer's encoder: bodies that decode back to their input, no longer than any other
// body the token grammar allows, and among the shortest the one with the fewest ticks.
#include <gtest/gtest.h>

#include <random>

#include "payload_test_support.h"
#include "tools/packer/encoder.h"

namespace {

struct Encoded {
    Bytes Body;
    uint64_t Ticks = 0;
};

// Encodes input and checks that both decoders give it back.
Encoded EncodeAndCheck(const Bytes& input) {
    Encoded e;
    e.Body = EncodePayloadBody(input.data(), input.size());
    Bytes blob = MakeBlob(e.Body);
    Decoded d = DecodeToMemory(blob);
    ReferenceDecoded r = ReferenceDecode(blob);
    EXPECT_EQ(d.Result, 0);
    EXPECT_EQ(r.Result, 0);
    EXPECT_TRUE(d.Output == input) << "decoded " << d.Output.size() << " of " << input.size() << " bytes";
    EXPECT_TRUE(r.Output == input);
    EXPECT_EQ(d.Ticks, r.TickOffsets.size());
    e.Ticks = r.TickOffsets.size();
    return e;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// Bytes that only plain tokens can code: no escape byte, no four equal bytes in a row,
// nothing of a pattern.
Bytes Filler(size_t count) {
    Bytes filler;
    for (size_t i = 0; i < count; ++i)
        filler.push_back(static_cast<unsigned char>(0x40 + i % 26));
    return filler;
}

Bytes PatternBytesOf(int pattern, int times) {
    Bytes bytes(static_cast<size_t>(times) * PatternBytes);
    for (size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = PayloadPatterns[pattern][i % PatternBytes];
    return bytes;
}

// ---- Round trips -------------------------------------------------------------------------------

TEST(EncoderRoundTrip, EmptyInputGivesAnEmptyBody) {
    Encoded e = EncodeAndCheck(Bytes());
    EXPECT_TRUE(e.Body.empty());
    EXPECT_EQ(MakeBlob(e.Body), (Bytes{'0', '0', '0', '0', '0', '0'}));
}

TEST(EncoderRoundTrip, RandomInputs) {
    std::mt19937 random(7);
    const std::vector<unsigned char> alphabets[] = {
        {}, // every byte
        {0x00, 0xBF},
        {0x00, 0x00, 0x00, 0xBF, 0x1E, 0x17},
        {0x1E, 0x17, 0x24, 0x08},
    };
    for (const auto& alphabet : alphabets) {
        for (size_t size : {1, 2, 3, 7, 255, 256, 257, 4096, 100000}) {
            Bytes input(size);
            for (unsigned char& b : input)
                b = alphabet.empty() ? static_cast<unsigned char>(random())
                                     : alphabet[random() % alphabet.size()];
            EncodeAndCheck(input);
        }
    }
}

TEST(EncoderRoundTrip, RunsAreSplitAtTheLongestCount) {
    struct Case {
        unsigned char Byte;
        size_t Count;
        size_t BodyBytes;
    } cases[] = {
        {0x00, 1, 1},   {0x00, 3, 3},   {0x00, 4, 3},   {0x00, 255, 3},
        {0x00, 256, 4}, {0x00, 259, 6}, {0x00, 510, 6}, {0x00, 512, 8},
        {0xBF, 1, 2},   {0xBF, 3, 6},   {0xBF, 4, 3},   {0xBF, 255, 3},
        {0xBF, 256, 5}, {0xBF, 259, 6}, {0xBF, 600, 9}, {0x00, 1000000, 11766},
    };
    for (const Case& c : cases) {
        Encoded e = EncodeAndCheck(Bytes(c.Count, c.Byte));
        EXPECT_EQ(e.Body.size(), c.BodyBytes) << c.Count << " times " << int(c.Byte);
    }
}

TEST(EncoderRoundTrip, PatternStreamsAtOddOffsets) {
    for (int pattern = 0; pattern < PatternCount; ++pattern) {
        for (size_t offset = 1; offset < 10; offset += 2) {
            for (int times = 1; times < 5; ++times) {
                Bytes input = Concat({Filler(offset), PatternBytesOf(pattern, times)});
                Encoded e = EncodeAndCheck(input);
                EXPECT_EQ(e.Body.size(), offset + 2 * times) << "pattern " << pattern << " at " << offset;
                // A stream cut short in the middle of a pattern.
                input.resize(input.size() - 3);
                EncodeAndCheck(input);
            }
        }
    }
    // 1E 17 repeated is the first pattern at even and the third at odd offsets.
    Bytes alternating = Concat({Filler(3), PatternBytesOf(0, 3), {0x1E}});
    EXPECT_EQ(EncodeAndCheck(alternating).Body.size(), 3u + 2 * 3 + 1);
    EncodeAndCheck(
        Concat({PatternBytesOf(1, 2), {0x24}, PatternBytesOf(2, 2), {0xBF}, PatternBytesOf(1, 1)}));
}

// ---- Optimality --------------------------------------------------------------------------------

struct SearchBest {
    bool Found = false;
    uint64_t Length = 0;
    uint64_t Ticks = 0;
};

bool Better(uint64_t length, uint64_t ticks, const SearchBest& best) {
    return !best.Found || length < best.Length || (length == best.Length && ticks < best.Ticks);
}

// Tries every token sequence that decodes to input[at..]: each possible token at each
// position, pruned only where the partial body is already no better than a whole one.
void SearchAllBodies(const Bytes& input, size_t at, uint64_t length, uint64_t ticks, SearchBest* best) {
    if (!Better(length, ticks, *best))
        return;
    if (at == input.size()) {
        *best = {true, length, ticks};
        return;
    }
    auto take = [&](size_t outputBytes, uint64_t codedBytes) {
        size_t end = at + outputBytes;
        SearchAllBodies(input, end, length + codedBytes, ticks + (end % 256 == 0 ? 1 : 0), best);
    };
    size_t same = 1;
    while (at + same < input.size() && input[at + same] == input[at] && same < RunMaxLength)
        ++same;
    for (size_t n = same; n >= static_cast<size_t>(RunMinLength); --n)
        take(n, 3);
    for (int k = 0; k < PatternCount; ++k)
        if (input.size() - at >= static_cast<size_t>(PatternBytes) &&
            std::equal(PayloadPatterns[k], PayloadPatterns[k] + PatternBytes, input.begin() + at))
            take(PatternBytes, 2);
    take(1, input[at] == EscapeByte ? 2 : 1);
}

TEST(EncoderOptimality, NoBodyIsShorterOrTicksLessAtTheSameLength) {
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        // Plain filler up to around the first tick boundary, then a tail rich in runs,
        // escapes and patterns, so that ties in length differ in ticks.
        Bytes input = Filler(round % 3 == 0 ? random() % 40 : 225 + random() % 40);
        size_t tailEnd = input.size() + 28;
        while (input.size() < tailEnd && random() % 8 != 0) {
            switch (random() % 4) {
            case 0: {
                const unsigned char bytes[] = {0x00, 0xBF, 0x1E, 0x17};
                input.insert(input.end(), 1 + random() % 14, bytes[random() % 4]);
                break;
            }
            case 1: {
                Bytes p = PatternBytesOf(random() % PatternCount, 1);
                input.insert(input.end(), p.begin() + random() % 3, p.end() - random() % 3);
                break;
            }
            default:
                input.push_back(
                    static_cast<unsigned char>(random() % 3 == 0 ? 0xBF : 0x1E + random() % 2 * 6));
            }
        }
        SearchBest best;
        SearchAllBodies(input, 0, 0, 0, &best);
        Encoded e = EncodeAndCheck(input);
        ASSERT_EQ(e.Body.size(), best.Length) << "round " << round;
        ASSERT_EQ(e.Ticks, best.Ticks) << "round " << round;
    }
}

TEST(EncoderOptimality, TiesInLengthAreBrokenTowardsFewerTicks) {
    // 17 1E 17 1E 17 1E 17 1E 17 from offset 255: the third pattern then a plain 17, or a
    // plain 17 ending on offset 256 (a tick) then the first pattern. Both take 3 bytes.
    Bytes input = Concat({Filler(255), PatternBytesOf(2, 1), {0x17}});
    Encoded e = EncodeAndCheck(input);
    EXPECT_EQ(e.Body.size(), 258u);
    EXPECT_EQ(e.Ticks, 0u);
    // 512 zeros: two runs of 255 and two plain zeros; only the last ends on a multiple of 256.
    Encoded zeros = EncodeAndCheck(Bytes(512, 0x00));
    EXPECT_EQ(zeros.Body.size(), 8u);
    EXPECT_EQ(zeros.Ticks, 1u);
}

} // namespace
