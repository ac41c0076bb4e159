// Extraction of one payload through the platform seam, observed by the recording fake.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/payload.h"
#include "core/payload_format.h"
#include "fake_platform.h"

namespace {
const char16_t Target[] = u"C:\\Corvale\\file.bin";

std::vector<unsigned char> Blob(const std::string& header, std::vector<unsigned char> body) {
    std::vector<unsigned char> blob(header.begin(), header.end());
    blob.insert(blob.end(), body.begin(), body.end());
    return blob;
}

int Extract(const std::vector<unsigned char>& blob, ProgressSink* sink, const char16_t* target = Target) {
    return ExtractPayload(target, blob.data(), blob.size(), sink);
}

std::vector<unsigned char> Content(const char16_t* path = Target) {
    return Fake.Files.at(path);
}

class ExtractPayloadTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetFake(); }
    ProgressSink Sink{};
};
} // namespace

TEST_F(ExtractPayloadTest, ReplacesAnExistingFileInsteadOfAppending) {
    Fake.Files[Target] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(0, Extract(Blob("000002", {0xBF, 0x00}), nullptr));
    EXPECT_EQ(std::vector<unsigned char>{0xBF}, Content());
    std::vector<std::string> names;
    for (const FakeCall& call : Fake.Calls)
        names.push_back(call.Name);
    EXPECT_EQ((std::vector<std::string>{"DeleteTargetFile", "PauseMilliseconds", "OpenFileForWriting",
                                        "WriteFileBytes", "CloseWrittenFile"}),
              names);
    EXPECT_EQ("100", Fake.Calls[1].Arguments[0]);
    EXPECT_EQ(0, Fake.OpenFiles);
}

TEST_F(ExtractPayloadTest, TokensDecodeToTheirBytes) {
    ASSERT_EQ(0, Extract(Blob("000011", {0x41, 0xBF, 0x04, 0xBF, 0xBF, 0x01, 0xBF, 0x02, 0xBF, 0x03, 0x42}),
                         nullptr));
    std::vector<unsigned char> expected = {0x41, 0xBF, 0xBF, 0xBF, 0xBF};
    for (const auto& pattern : PayloadPatterns)
        for (unsigned char byte : pattern)
            expected.push_back(byte);
    expected.push_back(0x42);
    EXPECT_EQ(expected, Content());
}

TEST_F(ExtractPayloadTest, ZeroLengthGivesAnEmptyFile) {
    Fake.Files[Target] = {1, 2, 3};
    ASSERT_EQ(0, Extract(Blob("000000", {}), &Sink));
    EXPECT_TRUE(Content().empty());
    EXPECT_EQ(0, CountCalls("StepIt"));
}

TEST_F(ExtractPayloadTest, MalformedBlobsTouchNothing) {
    Fake.Files[Target] = {1, 2, 3};
    EXPECT_EQ(-1, Extract(Blob("-00001", {0x41}), &Sink));             // negative length
    EXPECT_EQ(-1, Extract(Blob("000005", {0x41, 0x42}), &Sink));       // length beyond the blob
    EXPECT_EQ(-1, Extract(Blob("000002", {0x41, 0xBF}), &Sink));       // escape cut off
    EXPECT_EQ(-1, Extract(Blob("000003", {0x41, 0xBF, 0x09}), &Sink)); // run without its byte
    EXPECT_TRUE(Fake.Calls.empty());
    EXPECT_EQ((std::vector<unsigned char>{1, 2, 3}), Content());
    // Control: the same header with a complete body is taken.
    EXPECT_EQ(0, Extract(Blob("000003", {0x41, 0xBF, 0x00}), &Sink));
}

TEST_F(ExtractPayloadTest, PathOfTheLongestLengthIsWrittenOneMoreIsRefused) {
    std::u16string longest(PathUnits - 1, u'p');
    std::u16string tooLong(PathUnits, u'p');
    EXPECT_EQ(-1, Extract(Blob("000001", {0x41}), &Sink, tooLong.c_str()));
    EXPECT_TRUE(Fake.Calls.empty());
    EXPECT_EQ(0, Extract(Blob("000001", {0x41}), &Sink, longest.c_str()));
    EXPECT_EQ(std::vector<unsigned char>{0x41}, Content(longest.c_str()));
}

TEST_F(ExtractPayloadTest, UnopenableFileFailsAfterTheOldOneWasDeleted) {
    Fake.UnopenableFiles.insert(Target);
    EXPECT_EQ(-1, Extract(Blob("000001", {0x41}), &Sink));
    EXPECT_EQ(1, CountCalls("DeleteTargetFile"));
    EXPECT_EQ(0, CountCalls("WriteFileBytes"));
}

TEST_F(ExtractPayloadTest, FailingWriteOrCloseIsAFailureAndTheFileIsClosed) {
    Fake.FailingWriteFiles.insert(Target);
    EXPECT_EQ(-1, Extract(Blob("000001", {0x41}), &Sink));
    EXPECT_EQ(1, CountCalls("CloseWrittenFile"));
    EXPECT_EQ(0, Fake.OpenFiles);

    ResetFake();
    Fake.FailingCloseFiles.insert(Target);
    EXPECT_EQ(-1, Extract(Blob("000001", {0x41}), &Sink));
    EXPECT_EQ(0, Fake.OpenFiles);
}

TEST_F(ExtractPayloadTest, TicksFallOnlyWhereATokenEndsOnAMultipleOf256) {
    std::vector<unsigned char> plain(256, 0x41);
    EXPECT_EQ(0, Extract(Blob("000256", plain), &Sink));
    EXPECT_EQ(1, CountCalls("StepIt"));

    ResetFake(); // 255 zeros, a pattern across 256, one zero: 264 bytes, no tick
    EXPECT_EQ(0, Extract(Blob("000006", {0xBF, 0xFF, 0x00, 0xBF, 0x01, 0x00}), &Sink));
    EXPECT_EQ(264u, Content().size());
    EXPECT_EQ(0, CountCalls("StepIt"));

    ResetFake(); // two runs of 128 end on 256
    EXPECT_EQ(0, Extract(Blob("000006", {0xBF, 0x80, 0x00, 0xBF, 0x80, 0x00}), &Sink));
    EXPECT_EQ(1, CountCalls("StepIt"));

    ResetFake(); // no display, no tick
    EXPECT_EQ(0, Extract(Blob("000256", plain), nullptr));
    EXPECT_EQ(0, CountCalls("StepIt"));
}

TEST_F(ExtractPayloadTest, ProjectPayloadsDecodeToTheirSizesWithTheirTicks) {
    for (const PayloadEntry& entry : PayloadTable) {
        ResetFake();
        uint64_t decoded = 0, ticks = 0;
        ASSERT_EQ(0, CheckPayload(entry.Blob, PayloadBlobBytes(entry), &decoded, &ticks));
        ASSERT_EQ(0, ExtractPayload(Target, entry.Blob, PayloadBlobBytes(entry), &Sink));
        EXPECT_EQ(decoded, Content().size());
        EXPECT_EQ(static_cast<int>(ticks), CountCalls("StepIt"));
    }
}
