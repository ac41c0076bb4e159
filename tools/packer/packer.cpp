// packer: turns the payload files into blobs for the setup, decodes blobs with the setup's
// own decoder, and reports what the setup's progress bar will do with them.
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <vector>

#include "../../core/payload_format.h"
#include "encoder.h"

static int ReadWholeFile(const char* path, std::vector<unsigned char>* data) {
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return -1;
    unsigned char buffer[65536];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, file)) > 0)
        data->insert(data->end(), buffer, buffer + count);
    int failed = ferror(file);
    fclose(file);
    return failed ? -1 : 0;
}

static int WriteWholeFile(const char* path, const std::vector<unsigned char>& data) {
    FILE* file = fopen(path, "wb");
    if (file == nullptr)
        return -1;
    size_t written = fwrite(data.data(), 1, data.size(), file);
    int closed = fclose(file);
    if (written != data.size() || closed != 0) {
        remove(path);
        return -1;
    }
    return 0;
}

static int Encode(const char* in, const char* out) {
    std::vector<unsigned char> input;
    if (ReadWholeFile(in, &input) != 0) {
        fprintf(stderr, "packer: can't read %s\n", in);
        return 1;
    }
    std::vector<unsigned char> body = EncodePayloadBody(input.data(), input.size());
    if (static_cast<long>(body.size()) > PayloadMaxBodyBytes) {
        fprintf(stderr, "packer: %s codes to %zu bytes, more than %ld\n", in, body.size(), PayloadMaxBodyBytes);
        return 1;
    }
    char header[PayloadHeaderBytes + 1];
    snprintf(header, sizeof header, "%06zu", body.size());
    std::vector<unsigned char> blob(header, header + PayloadHeaderBytes);
    blob.insert(blob.end(), body.begin(), body.end());
    if (WriteWholeFile(out, blob) != 0) {
        fprintf(stderr, "packer: can't write %s\n", out);
        return 1;
    }
    return 0;
}

static int Report(int count, char** blobs) {
    uint64_t totalCoded = 0, totalTicks = 0;
    for (int i = 0; i < count; ++i) {
        std::vector<unsigned char> blob;
        uint64_t decoded = 0, ticks = 0;
        if (ReadWholeFile(blobs[i], &blob) != 0 || CheckPayload(blob.data(), blob.size(), &decoded, &ticks) != 0) {
            fprintf(stderr, "packer: %s is not a valid blob\n", blobs[i]);
            return 1;
        }
        long coded = PayloadSize(blob.data(), blob.size());
        printf("%-40s coded %7ld decoded %8llu ratio %5.3f ticks %5llu\n", blobs[i], coded,
               (unsigned long long)decoded, decoded ? (double)coded / (double)decoded : 0.0,
               (unsigned long long)ticks);
        totalCoded += static_cast<uint64_t>(coded);
        totalTicks += ticks;
    }
    uint64_t range = totalCoded / TickBytes;
    uint64_t final = totalTicks + 20;
    printf("total coded %llu, progress range 0..%llu, final position %llu\n", (unsigned long long)totalCoded,
           (unsigned long long)range, (unsigned long long)final);
    if (final > range) {
        fprintf(stderr, "packer: the progress bar would end at %llu, past its range %llu\n",
                (unsigned long long)final, (unsigned long long)range);
        return 1;
    }
    return 0;
}

int main(int argc, char** argv) {
    if (argc == 4 && strcmp(argv[1], "encode") == 0)
        return Encode(argv[2], argv[3]);
    if (argc >= 3 && strcmp(argv[1], "report") == 0)
        return Report(argc - 2, argv + 2);
    fprintf(stderr, "usage: packer encode IN BLOB | decode BLOB OUT | report BLOB...\n");
    return 2;
}
