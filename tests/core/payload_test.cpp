// Extraction of one payload through the platform seam, observed by the recording fake.
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/payload.h"
#include "core/payload_checksums.h"
#include "core/payload_format.h"
#include "fake_platform.h"

namespace {
const char16_t Target[] = u"C:\\Corvale\\file.bin";
const std::string Temporary = "C:\\Corvale\\~crv.tmp";
const std::vector<unsigned char> Old = {1, 2, 3};

std::vector<unsigned char> Blob(const std::string& header, std::vector<unsigned char> body) {
    std::vector<unsigned char> blob(header.begin(), header.end());
    blob.insert(blob.end(), body.begin(), body.end());
    return blob;
}

// What the build would record of the file the blob decodes to.
PayloadChecksum Recorded(const std::vector<unsigned char>& blob) {
    PayloadChecksum file = {0, 0, 0, PayloadChecksumStart};
    PayloadWriter writer = {[](void* context, const unsigned char* bytes, size_t count) {
                                PayloadChecksum* file = static_cast<PayloadChecksum*>(context);
                                file->FileBytes += static_cast<uint32_t>(count);
                                file->FileChecksum = PayloadChecksumUpdate(file->FileChecksum, bytes, count);
                                return 0;
                            },
                            nullptr, &file};
    DecodePayload(blob.data(), blob.size(), &writer);
    return file;
}

int Extract(const std::vector<unsigned char>& blob, ProgressSink* sink, const char16_t* target = Target,
            ExistingFile existing = ReplaceExisting) {
    return ExtractPayload(target, blob.data(), blob.size(), Recorded(blob), sink, existing);
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

TEST_F(ExtractPayloadTest, WritesATemporaryFileWholeAndMovesItOverTheTarget) {
    Fake.Files[Target] = {1, 2, 3, 4, 5, 6, 7, 8, 9};
    ASSERT_EQ(0, Extract(Blob("000002", {0xBF, 0x00}), nullptr));
    EXPECT_EQ(std::vector<unsigned char>{0xBF}, Content());
    std::vector<std::string> calls;
    for (const FakeCall& call : Fake.Calls) {
        calls.push_back(call.Name);
        for (const std::string& argument : call.Arguments)
            calls.back() += " " + argument;
    }
    EXPECT_EQ((std::vector<std::string>{"PauseMilliseconds 100", "CheckReplaceable C:\\Corvale\\file.bin",
                                        "OpenFileForWriting " + Temporary,
                                        "WriteFileBytes " + Temporary + " 1", "CloseWrittenFile " + Temporary,
                                        "MoveFileOver " + Temporary + " C:\\Corvale\\file.bin"}),
              calls);
    EXPECT_EQ(0u, Fake.Files.count(Utf16(Temporary)));
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

// Whatever fails, the target keeps its old content and no temporary file is left.
TEST_F(ExtractPayloadTest, EveryFailureLeavesTheOldFileWholeAndNoTemporaryFile) {
    const std::u16string temporary = Utf16(Temporary);
    const struct {
        const char* What;
        std::set<std::u16string>* Injected;
        std::u16string Path;
        bool Opened; // the temporary file was created before the failure
    } failures[] = {
        {"target in use", &Fake.InUseFiles, Target, false},
        {"temporary file can't be created", &Fake.UnopenableFiles, temporary, false},
        {"write fails (full volume)", &Fake.FailingWriteFiles, temporary, true},
        {"close or flush fails", &Fake.FailingCloseFiles, temporary, true},
        {"move refused", &Fake.RefusedMoves, Target, true},
    };
    for (const auto& failure : failures) {
        SCOPED_TRACE(failure.What);
        ResetFake();
        Fake.Files[Target] = Old;
        failure.Injected->insert(failure.Path);
        EXPECT_EQ(-1, Extract(Blob("000001", {0x41}), &Sink));
        EXPECT_EQ(Old, Content());
        EXPECT_EQ(0u, Fake.Files.count(temporary));
        EXPECT_EQ(failure.Opened ? 1 : 0, CountCalls("CloseWrittenFile"));
        EXPECT_EQ(0, Fake.OpenFiles);
    }
    // Control: with nothing injected the same extraction replaces the file.
    ResetFake();
    Fake.Files[Target] = Old;
    EXPECT_EQ(0, Extract(Blob("000001", {0x41}), &Sink));
    EXPECT_EQ(std::vector<unsigned char>{0x41}, Content());
}

// A decoder that writes one wrong byte, or one byte too many, never replaces the target.
TEST_F(ExtractPayloadTest, AFileOtherThanTheRecordedOneNeverReplacesTheTarget) {
    const std::vector<unsigned char> blob = Blob("000004", {0x41, 0x42, 0x43, 0x44});
    for (const auto& written :
         {Blob("000004", {0x41, 0x42, 0x45, 0x44}), Blob("000005", {0x41, 0x42, 0x43, 0x44, 0})}) {
        ResetFake();
        Fake.Files[Target] = Old;
        EXPECT_EQ(-1, ExtractPayload(Target, written.data(), written.size(), Recorded(blob), &Sink));
        EXPECT_EQ(Old, Content());
        EXPECT_EQ(0u, Fake.Files.count(Utf16(Temporary)));
        EXPECT_EQ(0, CountCalls("MoveFileOver"));
    }
    // Control: the blob the checksum was recorded from replaces the target.
    EXPECT_EQ(0, ExtractPayload(Target, blob.data(), blob.size(), Recorded(blob), &Sink));
    EXPECT_EQ((std::vector<unsigned char>{0x41, 0x42, 0x43, 0x44}), Content());
}

// A file that must be kept once changed: kept when it differs from the payload in any way,
// with the payload's ticks all the same; replaced when it is the payload, empty or missing.
TEST_F(ExtractPayloadTest, AChangedFileIsKeptAndAnUnchangedOrMissingOneWritten) {
    std::vector<unsigned char> plain(512, 0x41);
    const std::vector<unsigned char> blob = Blob("000512", plain);
    std::vector<unsigned char> longer = plain, shorter(plain.begin(), plain.end() - 1), edited = plain;
    longer.push_back(0x0A);
    edited[300] = 0x42;
    for (const auto& kept : {longer, shorter, edited, std::vector<unsigned char>{0x41}}) {
        ResetFake();
        Fake.Files[Target] = kept;
        EXPECT_EQ(0, Extract(blob, &Sink, Target, KeepChanged));
        EXPECT_EQ(kept, Content());
        EXPECT_EQ(0, CountCalls("OpenFileForWriting"));
        EXPECT_EQ(2, CountCalls("StepIt"));
        EXPECT_EQ(0, Fake.OpenFiles);
    }
    ResetFake(); // unchanged: written again
    Fake.Files[Target] = plain;
    EXPECT_EQ(0, Extract(blob, &Sink, Target, KeepChanged));
    EXPECT_EQ(1, CountCalls("MoveFileOver"));
    EXPECT_EQ(2, CountCalls("StepIt"));
    for (bool empty : {true, false}) { // an empty file (left by an ended older setup) or none: written
        ResetFake();
        if (empty)
            Fake.Files[Target] = {};
        EXPECT_EQ(0, Extract(blob, &Sink, Target, KeepChanged));
        EXPECT_EQ(plain, Content());
    }
    ResetFake(); // can't be read, so can't be told unchanged: neither replaced nor passed over
    Fake.Files[Target] = Old;
    Fake.UnreadableFiles.insert(Target);
    EXPECT_EQ(-1, Extract(blob, &Sink, Target, KeepChanged));
    EXPECT_EQ(Old, Content());
    EXPECT_EQ(0, CountCalls("OpenFileForWriting"));
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
        ASSERT_EQ(0, ExtractPayload(Target, entry.Blob, PayloadBlobBytes(entry),
                                    PayloadChecksums[&entry - PayloadTable], &Sink));
        EXPECT_EQ(decoded, Content().size());
        EXPECT_EQ(static_cast<int>(ticks), CountCalls("StepIt"));
    }
}
