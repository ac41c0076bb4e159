// The margin that the payload's own contents give the setup's progress bar. The bar's range
// is the coded total / 256 and it ends at the extraction ticks + 20, so a stretch of content
// adds coded bytes - 256 x ticks to the margin (in bytes; 256 of them make one step). Runs
// of equal bytes add about two each, but only on average over the places where the stretch
// can land: content whose structure repeats in steps of 256 bytes adds a lot at some
// places and takes a lot at others.
#include <gtest/gtest.h>

#include <stdio.h>

#include <vector>

#include "core/payload_format.h"
#include "tools/packer/encoder.h"

namespace {

long Slack(const std::vector<unsigned char>& content) {
    std::vector<unsigned char> body = EncodePayloadBody(content.data(), content.size());
    char header[PayloadHeaderBytes + 1];
    snprintf(header, sizeof header, "%06zu", body.size());
    std::vector<unsigned char> blob(header, header + PayloadHeaderBytes);
    blob.insert(blob.end(), body.begin(), body.end());
    uint64_t ticks = 0;
    EXPECT_EQ(0, CheckPayload(blob.data(), blob.size(), nullptr, &ticks));
    return static_cast<long>(body.size()) - static_cast<long>(TickBytes * ticks);
}

// 255 bytes without two equal neighbours and without the escape byte: coded as they are.
std::vector<unsigned char> PlainFiller() {
    std::vector<unsigned char> filler;
    for (int i = 0; i < 255; ++i)
        filler.push_back(static_cast<unsigned char>(1 + (i * 97) % 190));
    return filler;
}

struct Spread {
    long Lowest, Highest;
};

// What content adds to the margin behind 0 to 255 plain bytes: every place it can take
// relative to the 256-byte ticks.
Spread SlackAtEveryPlace(const std::vector<unsigned char>& content) {
    std::vector<unsigned char> filler = PlainFiller();
    Spread spread = {0x7FFFFFFF, -0x7FFFFFFF};
    for (size_t shift = 0; shift < TickBytes; ++shift) {
        std::vector<unsigned char> before(filler.begin(), filler.begin() + static_cast<long>(shift));
        std::vector<unsigned char> placed = before;
        placed.insert(placed.end(), content.begin(), content.end());
        long slack = Slack(placed) - Slack(before);
        spread.Lowest = slack < spread.Lowest ? slack : spread.Lowest;
        spread.Highest = slack > spread.Highest ? slack : spread.Highest;
    }
    return spread;
}

std::vector<unsigned char> ReadFile(const char* path) {
    std::vector<unsigned char> data;
    FILE* file = fopen(path, "rb");
    if (file == nullptr)
        return data;
    unsigned char chunk[65536];
    size_t count;
    while ((count = fread(chunk, 1, sizeof chunk, file)) > 0)
        data.insert(data.end(), chunk, chunk + count);
    fclose(file);
    return data;
}

// payload/README.md counts on this much from the welcome picture wherever the linker puts it.
constexpr long WelcomePictureMinimum = 40 * 256;

TEST(PackingMargin, TheWelcomePictureGivesItsShareAtEveryPlace) {
    std::vector<unsigned char> file = ReadFile(PAYLOAD_WELCOME_PICTURE);
    ASSERT_GT(file.size(), 14u);
    // The executable holds the bitmap without its 14-byte file header.
    std::vector<unsigned char> picture(file.begin() + 14, file.end());
    Spread spread = SlackAtEveryPlace(picture);
    EXPECT_GE(spread.Lowest, WelcomePictureMinimum) << "highest " << spread.Highest;
}

// Control: run-rich content whose rows are 256 bytes long gives margin at some places and
// takes it at others; the check above would refuse such a picture.
TEST(PackingMargin, ControlRowsOfTwoHundredFiftySixBytesDependOnTheirPlace) {
    std::vector<unsigned char> rows;
    for (int row = 0; row < 200; ++row)
        for (int x = 0; x < 256; ++x)
            rows.push_back(x < 40 ? 0 : x < 44 ? static_cast<unsigned char>(60 + x) : x < 200 ? 1 : 2);
    Spread spread = SlackAtEveryPlace(rows);
    EXPECT_LT(spread.Lowest, 0) << "highest " << spread.Highest;
    EXPECT_GT(spread.Highest, 0) << "lowest " << spread.Lowest;
}

} // namespace
