// packer: turns the payload files into blobs for the setup, decodes blobs with the setup's
// own decoder, and reports what the setup's progress bar will do with them.
//   packer encode IN BLOB     smallest blob for IN, checked by decoding it again
//   packer decode BLOB OUT    decoded content into OUT; prints the tick count
//   packer report BLOB...     sizes, ratios and ticks; fails when the bar would overrun
//   packer checksums OUT BLOB...
//                             the table of PayloadChecksum rows for the blobs, as assembly
//                             to follow them (core/payload_blobs.S.in)
//   packer unpack EXE DIR NAME...
//                             finds the blobs inside a built setup (one after the other, as
//                             the build lays them out), checks each against the checksums
//                             recorded after them and decodes the i-th into DIR/NAME i
//                             (DIR is made when missing); given as many names as it
//                             holds blobs, or it says how many, in the setup's order
// Every failure names the file, exits with 1 and leaves no output file behind.
#include <errno.h>
#include <fcntl.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>
#include <string>
#include <vector>

#include "../../core/install_run.h"
#include "../../core/payload_format.h"
#include "../../core/product.h"
#include "encoder.h"

namespace {
// What the installation run does with the bar: its range is the blobs' total coded length
// divided by ProgressRangeUnitBytes, sent as a 16-bit maximum; besides the extraction ticks
// it ticks RunOwnTicks times itself. A common-controls progress bar stepped past its
// maximum starts again from its minimum, so the last tick must not pass the maximum.

// A run token, the densest, turns 3 body bytes into RunMaxLength bytes: a larger input
// can't fit the body limit, whatever it holds, and isn't worth reading.
constexpr uint64_t MaxInputBytes = PayloadMaxBodyBytes / 3 * RunMaxLength;

// Reads at most limit + 1 bytes of path, so that a file over limit shows as such.
// Returns 0, or -1 with errno set.
int ReadFileBytes(const char* path, uint64_t limit, std::vector<unsigned char>* data) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return -1;
    unsigned char buffer[1 << 16];
    size_t count;
    while (data->size() <= limit && (count = fread(buffer, 1, sizeof buffer, file)) > 0)
        data->insert(data->end(), buffer, buffer + count);
    int error = ferror(file) ? errno : 0;
    fclose(file);
    if (error != 0) {
        errno = error;
        return -1;
    }
    return 0;
}

// Writes data to path through a temporary file in the same folder, renamed over path only
// once everything is written and closed: a failure leaves neither a partial file nor a
// changed old one. Returns 0, or -1 with errno set.
int WriteFileWhole(const char* path, const std::vector<unsigned char>& data) {
    std::vector<char> temporary(path, path + strlen(path));
    const char suffix[] = ".tmp-XXXXXX";
    temporary.insert(temporary.end(), suffix, suffix + sizeof suffix);
    int fd = mkstemp(temporary.data());
    if (fd < 0)
        return -1;
    // mkstemp makes the file private; give it what any newly created file gets.
    mode_t mask = umask(0);
    umask(mask);
    int error = fchmod(fd, 0666 & ~mask) != 0 ? errno : 0;
    for (size_t done = 0; error == 0 && done < data.size();) {
        ssize_t written = write(fd, data.data() + done, data.size() - done);
        if (written < 0 && errno != EINTR)
            error = errno;
        else if (written > 0)
            done += static_cast<size_t>(written);
    }
    if (close(fd) != 0 && error == 0)
        error = errno;
    if (error == 0 && rename(temporary.data(), path) != 0)
        error = errno;
    if (error != 0) {
        unlink(temporary.data());
        errno = error;
        return -1;
    }
    return 0;
}

struct MemoryOutput {
    std::vector<unsigned char>* Bytes;
    uint64_t Ticks;
};

int WriteToMemory(void* context, const unsigned char* bytes, size_t count) {
    std::vector<unsigned char>* out = static_cast<MemoryOutput*>(context)->Bytes;
    out->insert(out->end(), bytes, bytes + count);
    return 0;
}

void CountTick(void* context) {
    ++static_cast<MemoryOutput*>(context)->Ticks;
}

// Decodes with the setup's decoder. Returns 0, or -1 for a malformed blob.
int DecodeToMemory(const std::vector<unsigned char>& blob, std::vector<unsigned char>* out, uint64_t* ticks) {
    uint64_t decoded = 0;
    if (CheckPayload(blob.data(), blob.size(), &decoded, nullptr) != 0)
        return -1;
    out->clear();
    out->reserve(static_cast<size_t>(decoded));
    MemoryOutput output = {out, 0};
    PayloadWriter writer = {WriteToMemory, CountTick, &output};
    if (DecodePayload(blob.data(), blob.size(), &writer) != 0)
        return -1;
    *ticks = output.Ticks;
    return 0;
}

// Reads a blob file and checks it is one whole blob, nothing after its body. Prints why
// not and returns -1 otherwise.
int ReadBlob(const char* path, std::vector<unsigned char>* blob, uint64_t* decoded, uint64_t* ticks) {
    if (ReadFileBytes(path, PayloadHeaderBytes + PayloadMaxBodyBytes, blob) != 0) {
        fprintf(stderr, "packer: can't read %s: %s\n", path, strerror(errno));
        return -1;
    }
    long length = PayloadSize(blob->data(), blob->size());
    size_t held =
        blob->size() > static_cast<size_t>(PayloadHeaderBytes) ? blob->size() - PayloadHeaderBytes : 0;
    const char* fault = nullptr;
    if (blob->size() < static_cast<size_t>(PayloadHeaderBytes))
        fault = "it is shorter than the six-digit header";
    else if (length < 0)
        fault = "its header holds a negative length";
    else if (static_cast<unsigned long>(length) > held)
        fault = "its header claims more body bytes than follow it";
    else if (static_cast<unsigned long>(length) < held)
        fault = "bytes follow the body that its header announces";
    else if (CheckPayload(blob->data(), blob->size(), decoded, ticks) != 0)
        fault = "its last token is cut off by the end of the body";
    if (fault != nullptr) {
        fprintf(stderr, "packer: %s is not a valid blob: %s\n", path, fault);
        return -1;
    }
    return 0;
}

const char* BaseName(const char* path) {
    const char* slash = strrchr(path, '/');
    return slash != nullptr ? slash + 1 : path;
}

uint32_t Checksum(const std::vector<unsigned char>& bytes) {
    return PayloadChecksumUpdate(PayloadChecksumStart, bytes.data(), bytes.size());
}

// The rows the setup checks: the blob as embedded, and the file it decodes to.
PayloadChecksum ChecksumRow(const std::vector<unsigned char>& blob,
                            const std::vector<unsigned char>& content) {
    return {static_cast<uint32_t>(blob.size()), Checksum(blob), static_cast<uint32_t>(content.size()),
            Checksum(content)};
}

int Encode(const char* in, const char* out) {
    std::vector<unsigned char> input;
    if (ReadFileBytes(in, MaxInputBytes, &input) != 0) {
        fprintf(stderr, "packer: can't read %s: %s\n", in, strerror(errno));
        return 1;
    }
    if (input.size() > MaxInputBytes) {
        fprintf(stderr, "packer: %s is larger than %llu bytes, more than a body of %ld bytes can hold\n", in,
                static_cast<unsigned long long>(MaxInputBytes), PayloadMaxBodyBytes);
        return 1;
    }
    std::vector<unsigned char> body = EncodePayloadBody(input.data(), input.size());
    if (body.size() > static_cast<size_t>(PayloadMaxBodyBytes)) {
        fprintf(stderr, "packer: %s codes to %zu bytes, more than the %ld that the header can state\n", in,
                body.size(), PayloadMaxBodyBytes);
        return 1;
    }
    char header[PayloadHeaderBytes + 1];
    snprintf(header, sizeof header, "%0*zu", PayloadHeaderBytes, body.size());
    std::vector<unsigned char> blob(header, header + PayloadHeaderBytes);
    blob.insert(blob.end(), body.begin(), body.end());

    std::vector<unsigned char> check;
    uint64_t ticks = 0;
    if (DecodeToMemory(blob, &check, &ticks) != 0 || check != input) {
        fprintf(stderr, "packer: the blob made for %s doesn't decode back to it; nothing written\n", in);
        return 1;
    }
    if (WriteFileWhole(out, blob) != 0) {
        fprintf(stderr, "packer: can't write %s: %s\n", out, strerror(errno));
        return 1;
    }
    return 0;
}

int Decode(const char* in, const char* out) {
    std::vector<unsigned char> blob, content;
    uint64_t decoded = 0, ticks = 0;
    if (ReadBlob(in, &blob, &decoded, &ticks) != 0)
        return 1;
    if (DecodeToMemory(blob, &content, &ticks) != 0) {
        fprintf(stderr, "packer: %s is not a valid blob\n", in);
        return 1;
    }
    if (WriteFileWhole(out, content) != 0) {
        fprintf(stderr, "packer: can't write %s: %s\n", out, strerror(errno));
        return 1;
    }
    printf("%s: %zu bytes, %llu ticks\n", out, content.size(), static_cast<unsigned long long>(ticks));
    return 0;
}

// Writes the checksum rows of the blobs as assembly for payload_blobs.S, which defines
// SYMBOL() and has just laid out the last blob.
int Checksums(const char* out, int count, char** paths) {
    std::string text =
        "/* Generated by packer checksums: for each blob, its size and CRC-32, then the size and\n"
        "   CRC-32 of the file it decodes to (PayloadChecksum, core/payload_format.h). */\n";
    char line[256];
    snprintf(line, sizeof line,
             "    .balign %zu\n    .globl SYMBOL(PayloadChecksums)\nSYMBOL(PayloadChecksums):\n",
             PayloadChecksumAlignment);
    text += line;
    for (int i = 0; i < count; ++i) {
        std::vector<unsigned char> blob, content;
        uint64_t decoded = 0, ticks = 0;
        if (ReadBlob(paths[i], &blob, &decoded, &ticks) != 0 || DecodeToMemory(blob, &content, &ticks) != 0)
            return 1;
        PayloadChecksum row = ChecksumRow(blob, content);
        int length =
            snprintf(line, sizeof line, "    .long %lu, 0x%08lx, %lu, 0x%08lx /* %s */\n",
                     static_cast<unsigned long>(row.BlobBytes), static_cast<unsigned long>(row.BlobChecksum),
                     static_cast<unsigned long>(row.FileBytes), static_cast<unsigned long>(row.FileChecksum),
                     BaseName(paths[i]));
        if (length < 0 || static_cast<size_t>(length) >= sizeof line || strstr(BaseName(paths[i]), "*/")) {
            fprintf(stderr, "packer: the name %s doesn't fit a comment of the table\n", paths[i]);
            return 1;
        }
        text += line;
    }
    if (WriteFileWhole(out, std::vector<unsigned char>(text.begin(), text.end())) != 0) {
        fprintf(stderr, "packer: can't write %s: %s\n", out, strerror(errno));
        return 1;
    }
    return 0;
}

// Whether a run of count well-formed blobs, each written as the packer writes them (six
// digits, then the body), starts at offset start; end receives the offset after the last.
bool BlobRunAt(const std::vector<unsigned char>& data, size_t start, int count, size_t* end) {
    size_t at = start;
    for (int i = 0; i < count; ++i) {
        if (data.size() - at < static_cast<size_t>(PayloadHeaderBytes))
            return false;
        for (int d = 0; d < PayloadHeaderBytes; ++d)
            if (data[at + d] < '0' || data[at + d] > '9')
                return false;
        size_t length = static_cast<size_t>(PayloadSize(&data[at], PayloadHeaderBytes));
        if (data.size() - at - PayloadHeaderBytes < length)
            return false;
        at += PayloadHeaderBytes + length;
    }
    // Only now the bodies are walked, the costly part.
    for (size_t blob = start; blob < at;) {
        size_t bytes = PayloadHeaderBytes + static_cast<size_t>(PayloadSize(&data[blob], PayloadHeaderBytes));
        if (CheckPayload(&data[blob], bytes, nullptr, nullptr) != 0)
            return false;
        blob += bytes;
    }
    *end = at;
    return true;
}

// The 32-bit little-endian number at data[at].
uint32_t WordAt(const std::vector<unsigned char>& data, size_t at) {
    return static_cast<uint32_t>(data[at]) | static_cast<uint32_t>(data[at + 1]) << 8 |
           static_cast<uint32_t>(data[at + 2]) << 16 | static_cast<uint32_t>(data[at + 3]) << 24;
}

// How many blobs the setup holds, whatever the names given: the length of the first run of
// blobs whose recorded rows follow it, each row naming its blob's size and CRC-32. 0 for none.
int HeldBlobCount(const std::vector<unsigned char>& data) {
    for (size_t start = 0; start < data.size(); ++start) {
        std::vector<size_t> ends;
        for (size_t at = start; data.size() - at >= static_cast<size_t>(PayloadHeaderBytes);) {
            bool digits = true;
            for (int d = 0; d < PayloadHeaderBytes; ++d)
                digits = digits && data[at + d] >= '0' && data[at + d] <= '9';
            size_t length = digits ? static_cast<size_t>(PayloadSize(&data[at], PayloadHeaderBytes)) : 0;
            if (!digits || data.size() - at - PayloadHeaderBytes < length)
                break;
            at += PayloadHeaderBytes + length;
            ends.push_back(at);
        }
        for (size_t count = ends.size(); count > 0; --count) {
            size_t table = (ends[count - 1] + PayloadChecksumAlignment - 1) / PayloadChecksumAlignment *
                           PayloadChecksumAlignment;
            if (data.size() < table || (data.size() - table) / sizeof(PayloadChecksum) < count)
                continue;
            bool recorded = true;
            for (size_t i = 0, blob = start; recorded && i < count; blob = ends[i++]) {
                size_t row = table + i * sizeof(PayloadChecksum);
                recorded = WordAt(data, row) == ends[i] - blob &&
                           WordAt(data, row + 4) ==
                               PayloadChecksumUpdate(PayloadChecksumStart, &data[blob], ends[i] - blob);
            }
            if (recorded)
                return static_cast<int>(count);
        }
    }
    return 0;
}

// Makes folder and the folders above it that are missing. Returns 0, or -1 with errno set.
int MakeFolders(const char* folder) {
    std::string path(folder);
    for (size_t at = 1; at <= path.size(); ++at) {
        if (at < path.size() && path[at] != '/')
            continue;
        std::string part = path.substr(0, at);
        struct stat info;
        if (mkdir(part.c_str(), 0777) != 0 &&
            !(errno == EEXIST && stat(part.c_str(), &info) == 0 && S_ISDIR(info.st_mode))) {
            if (errno == EEXIST)
                errno = ENOTDIR;
            return -1;
        }
    }
    return 0;
}

int Unpack(const char* exe, const char* dir, int count, char** names) {
    constexpr uint64_t MaxExecutableBytes = 64u << 20;
    std::vector<unsigned char> data;
    if (ReadFileBytes(exe, MaxExecutableBytes, &data) != 0) {
        fprintf(stderr, "packer: can't read %s: %s\n", exe, strerror(errno));
        return 1;
    }
    if (data.size() > MaxExecutableBytes) {
        fprintf(stderr, "packer: %s is larger than %llu bytes, no setup\n", exe,
                static_cast<unsigned long long>(MaxExecutableBytes));
        return 1;
    }
    int held = HeldBlobCount(data);
    if (held > 0 && held != count) {
        std::string order;
        if (held == PayloadCount)
            for (const InstalledFile& file : InstalledFiles) {
                order += ' ';
                for (const char16_t* c = file.FileName; *c != 0; ++c)
                    order += static_cast<char>(*c);
            }
        fprintf(stderr,
                "packer: %s holds %d blobs: unpack needs %d names, one per blob in the setup's order%s%s, "
                "not %d\n",
                exe, held, held,
                order.empty() ? "" : " (this build's:", order.empty() ? "" : (order + ")").c_str(), count);
        return 1;
    }
    size_t found = 0, start = 0;
    for (size_t at = 0; at < data.size(); ++at) {
        size_t runEnd;
        if (BlobRunAt(data, at, count, &runEnd)) {
            if (found++ == 0)
                start = at;
            at = runEnd - 1; // a run inside this one's bodies is no other run
        }
    }
    if (found != 1) {
        fprintf(stderr, "packer: %s holds %zu runs of %d blobs, not exactly one\n", exe, found, count);
        return 1;
    }
    // The recorded rows follow the last blob at the next multiple of their alignment.
    size_t table = start;
    for (int i = 0; i < count; ++i)
        table += PayloadHeaderBytes + static_cast<size_t>(PayloadSize(&data[table], PayloadHeaderBytes));
    table = (table + PayloadChecksumAlignment - 1) / PayloadChecksumAlignment * PayloadChecksumAlignment;
    if (data.size() < table || (data.size() - table) / sizeof(PayloadChecksum) < static_cast<size_t>(count)) {
        fprintf(stderr, "packer: %s ends before the checksums of its %d blobs\n", exe, count);
        return 1;
    }
    // Every file is checked before any is written: a damaged setup leaves nothing behind.
    std::vector<std::vector<unsigned char>> contents(static_cast<size_t>(count));
    std::vector<size_t> offsets(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        offsets[i] = start;
        size_t bytes =
            PayloadHeaderBytes + static_cast<size_t>(PayloadSize(&data[start], PayloadHeaderBytes));
        std::vector<unsigned char> blob(data.begin() + start, data.begin() + start + bytes);
        start += bytes;
        uint32_t recorded[PayloadChecksumFields];
        for (size_t f = 0; f < PayloadChecksumFields; ++f) {
            const unsigned char* at = &data[table + i * sizeof(PayloadChecksum) + f * sizeof(uint32_t)];
            recorded[f] = static_cast<uint32_t>(at[0]) | static_cast<uint32_t>(at[1]) << 8 |
                          static_cast<uint32_t>(at[2]) << 16 | static_cast<uint32_t>(at[3]) << 24;
        }
        uint64_t ticks = 0;
        if (DecodeToMemory(blob, &contents[i], &ticks) != 0) {
            fprintf(stderr, "packer: %s: the blob of %s is not a valid blob\n", exe, names[i]);
            return 1;
        }
        PayloadChecksum row = ChecksumRow(blob, contents[i]);
        const uint32_t found[PayloadChecksumFields] = {row.BlobBytes, row.BlobChecksum, row.FileBytes,
                                                       row.FileChecksum};
        for (size_t f = 0; f < PayloadChecksumFields; f += 2)
            if (found[f] != recorded[f] || found[f + 1] != recorded[f + 1]) {
                fprintf(stderr,
                        "packer: %s is damaged: %s of %s has %lu bytes and CRC-32 %08lx, the setup "
                        "recorded %lu bytes and CRC-32 %08lx\n",
                        exe, f == 0 ? "the blob" : "the decoded file", names[i],
                        static_cast<unsigned long>(found[f]), static_cast<unsigned long>(found[f + 1]),
                        static_cast<unsigned long>(recorded[f]), static_cast<unsigned long>(recorded[f + 1]));
                return 1;
            }
    }
    if (MakeFolders(dir) != 0) {
        fprintf(stderr, "packer: can't make the folder %s for the files of %s: %s\n", dir, exe,
                strerror(errno));
        return 1;
    }
    for (int i = 0; i < count; ++i) {
        std::vector<char> path(strlen(dir) + 1 + strlen(names[i]) + 1);
        snprintf(path.data(), path.size(), "%s/%s", dir, names[i]);
        if (WriteFileWhole(path.data(), contents[i]) != 0) {
            fprintf(stderr, "packer: can't write %s: %s\n", path.data(), strerror(errno));
            return 1;
        }
        printf("%s: %zu bytes at offset %zu of %s, checksums as recorded\n", path.data(), contents[i].size(),
               offsets[i], exe);
    }
    return 0;
}

// Writes, for each NAME=FILE, the row {u"NAME", bytes, checksum} of the file's digest as the
// installed file is recognised by (FileDigestStart: a signature added later doesn't count).
int Digests(const char* out, int count, char** pairs) {
    std::string text =
        "// Generated by the packer (packer digests): the installed files as the build made them.\n";
    for (int i = 0; i < count; ++i) {
        const char* equals = strchr(pairs[i], '=');
        std::vector<unsigned char> data;
        if (equals == nullptr || equals == pairs[i]) {
            fprintf(stderr, "packer: digests takes NAME=FILE, not %s\n", pairs[i]);
            return 1;
        }
        if (ReadFileBytes(equals + 1, MaxInputBytes, &data) != 0 || data.size() > MaxInputBytes) {
            fprintf(stderr, "packer: can't read %s: %s\n", equals + 1,
                    data.size() > MaxInputBytes ? "too large" : strerror(errno));
            return 1;
        }
        FileDigestState state;
        FileDigestStart(&state, data.data(), data.size(), data.size());
        FileDigestUpdate(&state, data.data(), data.size());
        FileDigest digest = FileDigestEnd(&state);
        char row[256];
        snprintf(row, sizeof row, "{u\"%.*s\", %lluu, 0x%08lxu},\n", static_cast<int>(equals - pairs[i]),
                 pairs[i], static_cast<unsigned long long>(digest.Bytes),
                 static_cast<unsigned long>(digest.Checksum));
        text += row;
    }
    if (WriteFileWhole(out, std::vector<unsigned char>(text.begin(), text.end())) != 0) {
        fprintf(stderr, "packer: can't write %s: %s\n", out, strerror(errno));
        return 1;
    }
    return 0;
}

int Report(int count, char** paths) {
    uint64_t totalCoded = 0, totalTicks = 0;
    printf("%-28s %9s %9s %6s %6s\n", "blob", "coded", "decoded", "ratio", "ticks");
    for (int i = 0; i < count; ++i) {
        std::vector<unsigned char> blob;
        uint64_t decoded = 0, ticks = 0;
        if (ReadBlob(paths[i], &blob, &decoded, &ticks) != 0)
            return 1;
        uint64_t coded = blob.size() - PayloadHeaderBytes;
        char ratio[16] = "-";
        if (decoded > 0)
            snprintf(ratio, sizeof ratio, "%.3f", static_cast<double>(coded) / static_cast<double>(decoded));
        printf("%-28s %9llu %9llu %6s %6llu\n", BaseName(paths[i]), static_cast<unsigned long long>(coded),
               static_cast<unsigned long long>(decoded), ratio, static_cast<unsigned long long>(ticks));
        totalCoded += coded;
        totalTicks += ticks;
    }
    uint64_t range = totalCoded / ProgressRangeUnitBytes;
    uint64_t final = totalTicks + RunOwnTicks;
    printf(
        "total coded %llu bytes: progress range 0..%llu; the bar ends at %llu (%llu extraction ticks + %llu "
        "of the run), %llu %s the maximum\n",
        static_cast<unsigned long long>(totalCoded), static_cast<unsigned long long>(range),
        static_cast<unsigned long long>(final), static_cast<unsigned long long>(totalTicks),
        static_cast<unsigned long long>(RunOwnTicks),
        static_cast<unsigned long long>(final <= range ? range - final : final - range),
        final <= range ? "below" : "past");
    if (range > ProgressMaximumLimit) {
        fprintf(stderr, "packer: the progress range 0..%llu doesn't fit the bar's 16-bit maximum %llu\n",
                static_cast<unsigned long long>(range),
                static_cast<unsigned long long>(ProgressMaximumLimit));
        return 1;
    }
    if (final > range) {
        fprintf(stderr,
                "packer: the progress bar would be stepped to %llu, past its maximum %llu, and start again "
                "from 0: %llu coded bytes carry %llu steps; %llu steps need %llu (%llu more)\n",
                static_cast<unsigned long long>(final), static_cast<unsigned long long>(range),
                static_cast<unsigned long long>(totalCoded), static_cast<unsigned long long>(range),
                static_cast<unsigned long long>(final),
                static_cast<unsigned long long>(final * ProgressRangeUnitBytes),
                static_cast<unsigned long long>(final * ProgressRangeUnitBytes - totalCoded));
        return 1;
    }
    return 0;
}
} // namespace

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "encode") == 0)
        return Encode(argv[2], argv[3]);
    if (argc == 4 && strcmp(argv[1], "decode") == 0)
        return Decode(argv[2], argv[3]);
    if (argc >= 3 && strcmp(argv[1], "report") == 0)
        return Report(argc - 2, argv + 2);
    if (argc >= 4 && strcmp(argv[1], "checksums") == 0)
        return Checksums(argv[2], argc - 3, argv + 3);
    if (argc >= 4 && strcmp(argv[1], "digests") == 0)
        return Digests(argv[2], argc - 3, argv + 3);
    if (argc >= 5 && strcmp(argv[1], "unpack") == 0)
        return Unpack(argv[2], argv[3], argc - 4, argv + 4);
    fprintf(stderr, "usage: packer encode IN BLOB | decode BLOB OUT | report BLOB... | checksums OUT BLOB... "
                    "| digests OUT NAME=FILE... | unpack EXE DIR NAME...\n");
    return 2;
}
