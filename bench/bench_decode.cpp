// Decoding speed of the setup's decoder against plain memcpy of the same output, on the
// blobs the build embeds and on a blob of the released main program's size; and the
// packer's encoding speed on 2 MB inputs.
//   bench_decode [--benchmark_filter=Decode] [--benchmark_repetitions=5]
#include <benchmark/benchmark.h>
#include <stdint.h>
#include <string.h>

#include <algorithm>
#include <chrono>
#include <random>
#include <vector>

#include "core/payload_format.h"
#include "core/product.h"
#include "tools/packer/encoder.h"

namespace {

using Bytes = std::vector<unsigned char>;

// Decoded bytes land in one buffer sized beforehand, as a file's page cache would take them.
struct MemoryTarget {
    unsigned char* Next;
    uint64_t Ticks;
};

int CopyToTarget(void* context, const unsigned char* bytes, size_t count) {
    MemoryTarget* target = static_cast<MemoryTarget*>(context);
    memcpy(target->Next, bytes, count);
    target->Next += count;
    return 0;
}

void CountTick(void* context) {
    ++static_cast<MemoryTarget*>(context)->Ticks;
}

// A stand-in for an executable of the main program's size that codes to about half its
// size with about as many ticks as the released one: machine code (many zero and 0xFF
// bytes, escape bytes at their natural rate), int3 padding between functions, zero-filled
// section tails, strings, and the patterns' alternating words.
Bytes SyntheticExecutable(size_t size) {
    std::mt19937 random(3);
    auto below = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
    const char text[] = "Corvale account register: opening balance, transfers, reconciled ";
    Bytes data;
    while (data.size() < size) {
        unsigned kind = below(100);
        if (kind < 7) {
            data.insert(data.end(), 16 + below(4081), 0x00);
        } else if (kind < 11) {
            data.insert(data.end(), text, text + sizeof text - 1);
        } else if (kind < 12) {
            for (unsigned n = 4 + below(37); n > 0; --n)
                data.insert(data.end(), {0x1E, 0x17});
        } else if (kind < 32) {
            data.insert(data.end(), 1 + below(15), 0xCC);
        } else {
            for (unsigned n = 16 + below(385); n > 0; --n) {
                unsigned x = below(100);
                data.push_back(static_cast<unsigned char>(x < 22   ? 0x00
                                                          : x < 26 ? 0xFF
                                                          : x < 30 ? 0x8B
                                                                   : below(256)));
            }
        }
    }
    data.resize(size);
    return data;
}

Bytes BlobFor(const Bytes& input) {
    Bytes body = EncodePayloadBody(input.data(), input.size());
    if (body.size() > static_cast<size_t>(PayloadMaxBodyBytes))
        return Bytes(); // refused by CheckPayload below
    char header[PayloadHeaderBytes + 1];
    snprintf(header, sizeof header, "%06zu", body.size());
    Bytes blob(PayloadHeaderBytes + body.size());
    std::copy(header, header + PayloadHeaderBytes, blob.begin());
    std::copy(body.begin(), body.end(), blob.begin() + PayloadHeaderBytes);
    return blob;
}

// Each iteration decodes the blob, then copies the same output with memcpy, timing both, so
// that whatever else runs on the machine weighs on both alike. The iteration time is the
// decoder's; the counters give both throughputs and the decoder's share of memcpy's.
void DecodeAgainstMemcpy(benchmark::State& state, const unsigned char* blob, size_t blobBytes) {
    uint64_t decodedBytes = 0, ticks = 0;
    if (CheckPayload(blob, blobBytes, &decodedBytes, &ticks) != 0) {
        state.SkipWithError("the blob is malformed");
        return;
    }
    Bytes output(decodedBytes), source(decodedBytes);
    MemoryTarget target = {source.data(), 0};
    PayloadWriter writer = {CopyToTarget, CountTick, &target};
    DecodePayload(blob, blobBytes, &writer);
    using Clock = std::chrono::steady_clock;
    double decodeSeconds = 0, memcpySeconds = 0;
    for (auto _ : state) {
        target = {output.data(), 0};
        Clock::time_point start = Clock::now();
        DecodePayload(blob, blobBytes, &writer);
        benchmark::ClobberMemory();
        Clock::time_point decoded = Clock::now();
        memcpy(output.data(), source.data(), source.size());
        benchmark::ClobberMemory();
        Clock::time_point copied = Clock::now();
        double decodeTime = std::chrono::duration<double>(decoded - start).count();
        decodeSeconds += decodeTime;
        memcpySeconds += std::chrono::duration<double>(copied - decoded).count();
        state.SetIterationTime(decodeTime);
    }
    double bytes = static_cast<double>(decodedBytes) * static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(bytes));
    state.counters["decoded"] = static_cast<double>(decodedBytes);
    state.counters["coded"] = static_cast<double>(blobBytes - PayloadHeaderBytes);
    state.counters["ticks"] = static_cast<double>(ticks);
    state.counters["memcpy_bytes_per_second"] =
        benchmark::Counter(bytes / memcpySeconds, benchmark::Counter::kDefaults, benchmark::Counter::kIs1024);
    state.counters["share_of_memcpy"] = memcpySeconds / decodeSeconds;
}

void BM_DecodeMainProgramBlob(benchmark::State& state) {
    DecodeAgainstMemcpy(state, PayloadTable[0].Blob, PayloadBlobBytes(PayloadTable[0]));
}

// The embedded blob with the largest decoded size.
const PayloadEntry& LargestEmbedded() {
    const PayloadEntry* largest = &PayloadTable[0];
    uint64_t largestSize = 0;
    for (const PayloadEntry& entry : PayloadTable) {
        uint64_t size = 0;
        if (CheckPayload(entry.Blob, PayloadBlobBytes(entry), &size, nullptr) == 0 && size > largestSize) {
            largest = &entry;
            largestSize = size;
        }
    }
    return *largest;
}
void BM_DecodeLargestEmbeddedBlob(benchmark::State& state) {
    DecodeAgainstMemcpy(state, LargestEmbedded().Blob, PayloadBlobBytes(LargestEmbedded()));
}

// The main program's size in the released payload set.
const Bytes& ReleaseSizedBlob() {
    static const Bytes blob = BlobFor(SyntheticExecutable(1859584));
    return blob;
}
void BM_DecodeReleaseSizedBlob(benchmark::State& state) {
    DecodeAgainstMemcpy(state, ReleaseSizedBlob().data(), ReleaseSizedBlob().size());
}

BENCHMARK(BM_DecodeMainProgramBlob)->UseManualTime();
BENCHMARK(BM_DecodeLargestEmbeddedBlob)->UseManualTime();
BENCHMARK(BM_DecodeReleaseSizedBlob)->UseManualTime();

// ---- Encoding ----------------------------------------------------------------------------------

constexpr size_t EncodeInputBytes = 2 * 1024 * 1024;

void Encode(benchmark::State& state, const Bytes& input) {
    size_t bodyBytes = 0;
    for (auto _ : state) {
        Bytes body = EncodePayloadBody(input.data(), input.size());
        bodyBytes = body.size();
        benchmark::DoNotOptimize(body.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * input.size()));
    state.counters["body"] = static_cast<double>(bodyBytes);
}

void BM_EncodeSyntheticExecutable2MB(benchmark::State& state) {
    Encode(state, SyntheticExecutable(EncodeInputBytes));
}
void BM_EncodeZeros2MB(benchmark::State& state) {
    Encode(state, Bytes(EncodeInputBytes, 0x00));
}
void BM_EncodeRandom2MB(benchmark::State& state) {
    std::mt19937 random(5);
    Bytes input(EncodeInputBytes);
    for (unsigned char& b : input)
        b = static_cast<unsigned char>(random());
    Encode(state, input);
}

BENCHMARK(BM_EncodeSyntheticExecutable2MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeZeros2MB)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_EncodeRandom2MB)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
