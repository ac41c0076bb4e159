// Writes the fuzz target's seed corpus into the folder given: the decoder's edge cases,
// blobs with unusual headers, and bodies the packer's encoder makes of structured content.
// Each seed starts with the fuzz target's mode byte (see payload_fuzz.cpp).
#include <stdio.h>
#include <string.h>

#include <random>
#include <string>

#include "tests/packer/payload_test_support.h"
#include "tools/packer/encoder.h"

namespace {

int written = 0;

bool WriteSeed(const std::string& folder, unsigned char mode, const Bytes& content) {
    std::string path = folder + "/seed-" + std::to_string(written++);
    FILE* file = fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    bool ok = fputc(mode, file) != EOF && fwrite(content.data(), 1, content.size(), file) == content.size();
    return fclose(file) == 0 && ok;
}

Bytes Text(const char* text) {
    return Bytes(text, text + strlen(text));
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        fprintf(stderr, "usage: make_seeds FOLDER\n");
        return 2;
    }
    std::string folder = argv[1];
    constexpr unsigned char AsBody = 0, AsBlob = 1, FailSecondWrite = 2 << 1;

    const Bytes bodies[] = {
        {},
        {0x41},
        {0xBF, 0x00},
        {0xBF, 0x04, 0xBF},
        {0xBF, 0x01},
        {0xBF, 0x02},
        {0xBF, 0x03},
        {0xBF, 0xFF, 0x00, 0xBF, 0x01, 0x00},
        {0xBF, 0x80, 0x00, 0xBF, 0x80, 0x00},
        {0xBF, 0xBF, 0xBF, 0xBF, 0x00},
        {0x41, 0xBF},
        {0xBF, 0x05},
        Bytes(256, 0x41),
    };
    bool ok = true;
    for (const Bytes& body : bodies)
        ok = ok && WriteSeed(folder, AsBody, body);

    const char* headers[] = {"-00001A",
                             "   +2AB",
                             "000009A",
                             "12\0"
                             "456AB",
                             "\t\n 003\xBF\x01\x41",
                             "00000"};
    const size_t headerBytes[] = {7, 7, 7, 8, 9, 5};
    for (size_t i = 0; i < sizeof headerBytes / sizeof headerBytes[0]; ++i)
        ok = ok && WriteSeed(folder, AsBlob, Bytes(headers[i], headers[i] + headerBytes[i]));

    // Structured content, coded by the packer's encoder.
    std::mt19937 random(9);
    Bytes executable;
    while (executable.size() < 3000) {
        unsigned kind = random() % 4;
        if (kind == 0)
            executable.insert(executable.end(), 4 + random() % 300, 0x00);
        else if (kind == 1)
            executable.insert(executable.end(), {0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E});
        else
            for (unsigned n = 8 + random() % 64; n > 0; --n)
                executable.push_back(static_cast<unsigned char>(random() % 5 == 0 ? 0xBF : random()));
    }
    const Bytes contents[] = {
        Bytes(300, 0x00),
        Bytes(260, 0xBF),
        Text("Corvale 2.7.3 readme\r\n\r\nThank you for choosing Corvale.\r\n"),
        {0x24, 0x08, 0x24, 0x08, 0x24, 0x08, 0x24, 0x08, 0x24, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17,
         0x1E},
        executable,
    };
    for (const Bytes& content : contents) {
        Bytes body = EncodePayloadBody(content.data(), content.size());
        ok = ok && WriteSeed(folder, AsBody, body) && WriteSeed(folder, AsBlob, MakeBlob(body));
    }
    ok = ok && WriteSeed(folder, FailSecondWrite, EncodePayloadBody(executable.data(), executable.size()));
    if (!ok) {
        fprintf(stderr, "make_seeds: can't write the seeds into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
