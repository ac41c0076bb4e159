// The packer program as the build runs it: its outputs, its refusals, and that a refusal
// leaves no file behind.
#include <gtest/gtest.h>
#include <dirent.h>
#include <stdio.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "core/install_run.h"
#include "payload_test_support.h"

namespace {

struct PackerRun {
    int Status = -1;
    std::string Output; // stdout and stderr together
};

std::string Quote(const std::string& text) {
    std::string quoted = "'";
    for (char c : text)
        quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

PackerRun Packer(const std::vector<std::string>& args) {
    std::string command = Quote(PACKER_EXECUTABLE);
    for (const std::string& arg : args)
        command += " " + Quote(arg);
    command += " 2>&1";
    PackerRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        return run;
    char buffer[4096];
    size_t count;
    while ((count = fread(buffer, 1, sizeof buffer, pipe)) > 0)
        run.Output.append(buffer, count);
    int status = pclose(pipe);
    run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

// A fresh folder for one test's files, removed with everything in it at the end.
struct Scratch {
    std::string Folder;

    Scratch() {
        std::string pattern = testing::TempDir() + "packer-XXXXXX";
        if (mkdtemp(&pattern[0]) != nullptr)
            Folder = pattern;
    }
    ~Scratch() {
        if (!Folder.empty() && system(("rm -rf " + Quote(Folder)).c_str()) != 0)
            ADD_FAILURE() << "can't remove " << Folder;
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
};

std::string Path(const Scratch& s, const std::string& name) {
    return s.Folder + "/" + name;
}

void WriteFile(const Scratch& s, const std::string& name, const Bytes& data) {
    FILE* file = fopen(Path(s, name).c_str(), "wb");
    ASSERT_NE(file, nullptr);
    ASSERT_EQ(fwrite(data.data(), 1, data.size(), file), data.size());
    ASSERT_EQ(fclose(file), 0);
}

Bytes ReadFile(const Scratch& s, const std::string& name) {
    Bytes data;
    FILE* file = fopen(Path(s, name).c_str(), "rb");
    if (file == nullptr)
        return data;
    int c;
    while ((c = fgetc(file)) != EOF)
        data.push_back(static_cast<unsigned char>(c));
    fclose(file);
    return data;
}

std::set<std::string> Listing(const Scratch& s) {
    std::set<std::string> names;
    DIR* dir = opendir(s.Folder.c_str());
    while (dirent* entry = dir != nullptr ? readdir(dir) : nullptr)
        if (std::string(entry->d_name) != "." && std::string(entry->d_name) != "..")
            names.insert(entry->d_name);
    if (dir != nullptr)
        closedir(dir);
    return names;
}

// Bytes that code to exactly as many body bytes: no escape byte, no runs, no patterns.
Bytes Incompressible(size_t count) {
    Bytes data(count);
    for (size_t i = 0; i < count; ++i)
        data[i] = static_cast<unsigned char>(i % 191);
    return data;
}

bool Mentions(const PackerRun& run, const std::string& text) {
    return run.Output.find(text) != std::string::npos;
}

// ---- encode ----------------------------------------------------------------------------------

TEST(PackerProgram, EncodeWritesABlobThatDecodesBack) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    Bytes input = {0x41, 0xBF, 0x00, 0x00, 0x00, 0x00, 0x00, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17, 0x1E, 0x17};
    WriteFile(s, "in", input);
    PackerRun run = Packer({"encode", Path(s, "in"), Path(s, "in.blob")});
    EXPECT_EQ(run.Status, 0) << run.Output;
    Bytes blob = ReadFile(s, "in.blob");
    EXPECT_EQ(blob, MakeBlob({0x41, 0xBF, 0x00, 0xBF, 0x05, 0x00, 0xBF, 0x01}));
    EXPECT_EQ(Listing(s), (std::set<std::string>{"in", "in.blob"}));
}

TEST(PackerProgram, EncodeRefusesMissingAndUnreadableInputs) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    WriteFile(s, "out.blob", {'o', 'l', 'd'});
    ASSERT_EQ(mkdir(Path(s, "folder").c_str(), 0755), 0);
    for (const char* name : {"missing", "folder"}) {
        PackerRun run = Packer({"encode", Path(s, name), Path(s, "out.blob")});
        EXPECT_EQ(run.Status, 1) << name;
        EXPECT_TRUE(Mentions(run, Path(s, name))) << run.Output;
        EXPECT_EQ(ReadFile(s, "out.blob"), (Bytes{'o', 'l', 'd'})) << name;
        EXPECT_EQ(Listing(s), (std::set<std::string>{"out.blob", "folder"})) << name;
    }
    // Control: a readable input replaces the old blob.
    WriteFile(s, "readable", {0x41});
    EXPECT_EQ(Packer({"encode", Path(s, "readable"), Path(s, "out.blob")}).Status, 0);
    EXPECT_EQ(ReadFile(s, "out.blob"), MakeBlob({0x41}));
}

TEST(PackerProgram, EncodeRefusesABodyOverTheSixDigitHeader) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    WriteFile(s, "fits", Incompressible(999999));
    WriteFile(s, "over", Incompressible(1000000));
    PackerRun fits = Packer({"encode", Path(s, "fits"), Path(s, "fits.blob")});
    PackerRun over = Packer({"encode", Path(s, "over"), Path(s, "over.blob")});
    EXPECT_EQ(fits.Status, 0) << fits.Output;
    Bytes blob = ReadFile(s, "fits.blob");
    ASSERT_EQ(blob.size(), 6u + 999999);
    EXPECT_EQ(std::string(blob.begin(), blob.begin() + 6), "999999");
    EXPECT_EQ(over.Status, 1);
    EXPECT_TRUE(Mentions(over, Path(s, "over"))) << over.Output;
    EXPECT_TRUE(Mentions(over, "1000000")) << over.Output;
    EXPECT_EQ(Listing(s), (std::set<std::string>{"fits", "fits.blob", "over"}));
}

TEST(PackerProgram, EncodeRefusesAnInputNoBodyCanHoldBeforeCodingIt) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    // 255 bytes per three body bytes is the densest coding there is. A sparse file of
    // zeros one byte past that bound costs no disk space.
    WriteFile(s, "zeros", {});
    ASSERT_EQ(truncate(Path(s, "zeros").c_str(), 999999 / 3 * 255 + 1), 0);
    PackerRun over = Packer({"encode", Path(s, "zeros"), Path(s, "zeros.blob")});
    EXPECT_EQ(over.Status, 1);
    EXPECT_TRUE(Mentions(over, Path(s, "zeros") + " is larger than 84999915 bytes")) << over.Output;
    // Control: a small file of zeros codes.
    ASSERT_EQ(truncate(Path(s, "zeros").c_str(), 1000), 0);
    PackerRun fits = Packer({"encode", Path(s, "zeros"), Path(s, "zeros.blob")});
    EXPECT_EQ(fits.Status, 0) << fits.Output;
    EXPECT_EQ(ReadFile(s, "zeros.blob").size(), 6u + 12);
}

TEST(PackerProgram, FailedWritesLeaveNoTemporaryFile) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    WriteFile(s, "in", {0x41, 0x42});
    ASSERT_EQ(mkdir(Path(s, "taken").c_str(), 0755), 0);
    PackerRun missingFolder = Packer({"encode", Path(s, "in"), Path(s, "nowhere/in.blob")});
    PackerRun ontoFolder = Packer({"encode", Path(s, "in"), Path(s, "taken")});
    EXPECT_EQ(missingFolder.Status, 1);
    EXPECT_TRUE(Mentions(missingFolder, Path(s, "nowhere/in.blob"))) << missingFolder.Output;
    EXPECT_EQ(ontoFolder.Status, 1);
    EXPECT_TRUE(Mentions(ontoFolder, Path(s, "taken"))) << ontoFolder.Output;
    EXPECT_EQ(Listing(s), (std::set<std::string>{"in", "taken"}));
}

// ---- decode ----------------------------------------------------------------------------------

TEST(PackerProgram, DecodeWritesTheContentAndCountsTicks) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    WriteFile(s, "blob", MakeBlob({0xBF, 0x80, 0x00, 0xBF, 0x80, 0x00, 0x41}));
    PackerRun run = Packer({"decode", Path(s, "blob"), Path(s, "out")});
    EXPECT_EQ(run.Status, 0) << run.Output;
    Bytes expected(256, 0x00);
    expected.push_back(0x41);
    EXPECT_EQ(ReadFile(s, "out"), expected);
    EXPECT_TRUE(Mentions(run, "257 bytes, 1 ticks")) << run.Output;
}

TEST(PackerProgram, DecodeRefusesMalformedBlobsAndWritesNothing) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    const std::pair<const char*, Bytes> blobs[] = {
        {"cut-token", MakeBlob({0x41, 0xBF, 0x05})},
        {"short-body", Bytes{'0', '0', '0', '0', '0', '9', 0x41}},
        {"trailing", Bytes{'0', '0', '0', '0', '0', '1', 0x41, 0x42}},
        {"negative", Bytes{'-', '0', '0', '0', '0', '1', 0x41}},
        {"tiny", Bytes{'0', '0'}},
    };
    for (const auto& blob : blobs) {
        WriteFile(s, blob.first, blob.second);
        PackerRun run = Packer({"decode", Path(s, blob.first), Path(s, "out")});
        EXPECT_EQ(run.Status, 1) << blob.first;
        EXPECT_TRUE(Mentions(run, Path(s, blob.first))) << run.Output;
        EXPECT_TRUE(ReadFile(s, "out").empty()) << blob.first;
        remove(Path(s, blob.first).c_str());
    }
    EXPECT_TRUE(Listing(s).empty());
}

// ---- report ----------------------------------------------------------------------------------

// A body of `coded` bytes whose decoding ticks `ticks` times: pairs of 128-byte runs that
// end on multiples of 256, then a plain byte or two, then runs that end on none.
Bytes BodyWith(size_t coded, size_t ticks) {
    Bytes body;
    for (size_t i = 0; i < ticks; ++i)
        body.insert(body.end(), {0xBF, 0x80, 0x00, 0xBF, 0x80, 0x00});
    size_t offset = 256 * ticks;
    for (size_t plain = (coded - body.size()) % 3; plain > 0; --plain, ++offset)
        body.push_back(0x41);
    while (body.size() < coded) {
        unsigned char n = (offset + 255) % 256 == 0 ? 254 : 255;
        body.insert(body.end(), {0xBF, n, 0x00});
        offset += n;
    }
    return body;
}

struct ReportLine {
    unsigned long long Coded = 0, Decoded = 0, Ticks = 0;
    std::string Ratio;
};

ReportLine FindLine(const PackerRun& run, const std::string& name) {
    ReportLine line;
    size_t at = run.Output.find("\n" + name + " ");
    if (at == std::string::npos)
        return line;
    char ratio[16] = "";
    sscanf(run.Output.c_str() + at + 1 + name.size(), "%llu %llu %15s %llu", &line.Coded, &line.Decoded,
           ratio, &line.Ticks);
    line.Ratio = ratio;
    return line;
}

TEST(PackerProgram, ReportGivesSizesTicksAndTheBarsFinalPosition) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    Bytes a = MakeBlob(BodyWith(7681, 5));
    ReferenceDecoded decoded = ReferenceDecode(a);
    ASSERT_EQ(decoded.TickOffsets.size(), 5u);
    WriteFile(s, "a.blob", a);
    WriteFile(s, "b.blob", MakeBlob({}));
    PackerRun run = Packer({"report", Path(s, "a.blob"), Path(s, "b.blob")});
    EXPECT_EQ(run.Status, 0) << run.Output;
    ReportLine lineA = FindLine(run, "a.blob"), lineB = FindLine(run, "b.blob");
    EXPECT_EQ(lineA.Coded, 7681u) << run.Output;
    EXPECT_EQ(lineA.Decoded, decoded.Output.size()) << run.Output;
    char ratio[16];
    snprintf(ratio, sizeof ratio, "%.3f", 7681.0 / static_cast<double>(decoded.Output.size()));
    EXPECT_EQ(lineA.Ratio, ratio) << run.Output;
    EXPECT_EQ(lineA.Ticks, 5u) << run.Output;
    EXPECT_EQ(lineB.Ratio, "-") << run.Output;
    EXPECT_TRUE(Mentions(run, "progress range 0..30; the bar ends at " + std::to_string(5 + RunOwnTicks)))
        << run.Output;
}

TEST(PackerProgram, ReportRefusesAFinalPositionPastTheRange) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    // 25 extraction ticks and the run's own against a range just as long, then one tick more.
    const unsigned range = 25 + RunOwnTicks;
    const std::string end = std::to_string(range), past = std::to_string(range + 1);
    WriteFile(s, "exact.blob", MakeBlob(BodyWith(range * 256, 25)));
    WriteFile(s, "over.blob", MakeBlob(BodyWith(range * 256 + 255, 26)));
    PackerRun exact = Packer({"report", Path(s, "exact.blob")});
    PackerRun over = Packer({"report", Path(s, "over.blob")});
    EXPECT_EQ(exact.Status, 0) << exact.Output;
    EXPECT_TRUE(Mentions(exact, "range 0.." + end + "; the bar ends at " + end)) << exact.Output;
    EXPECT_EQ(over.Status, 1) << over.Output;
    EXPECT_TRUE(Mentions(over, "stepped to " + past + ", past its maximum " + end)) << over.Output;
    EXPECT_TRUE(Mentions(over, std::to_string(range * 256 + 255) + " coded bytes carry " + end + " steps; " +
                                   past + " steps need " + std::to_string((range + 1) * 256) + " (1 more)"))
        << over.Output;
}

TEST(PackerProgram, ReportRefusesARangePastSixteenBits) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    // Sixteen full blobs give the range 62499, seventeen 66406.
    WriteFile(s, "full.blob", MakeBlob(BodyWith(999999, 0)));
    std::string full = Path(s, "full.blob");
    PackerRun sixteen = Packer({"report", full, full, full, full, full, full, full, full, full, full, full,
                                full, full, full, full, full});
    PackerRun seventeen = Packer({"report", full, full, full, full, full, full, full, full, full, full, full,
                                  full, full, full, full, full, full});
    EXPECT_EQ(sixteen.Status, 0) << sixteen.Output;
    EXPECT_EQ(seventeen.Status, 1);
    EXPECT_TRUE(Mentions(seventeen, "0..66406 doesn't fit")) << seventeen.Output;
}

TEST(PackerProgram, ReportRefusesAMalformedBlobByName) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    WriteFile(s, "good.blob", MakeBlob(BodyWith(20 * 256, 0)));
    WriteFile(s, "cut.blob", MakeBlob({0x41, 0xBF}));
    PackerRun run = Packer({"report", Path(s, "good.blob"), Path(s, "cut.blob")});
    EXPECT_EQ(run.Status, 1);
    EXPECT_TRUE(Mentions(run, Path(s, "cut.blob") + " is not a valid blob")) << run.Output;
    PackerRun missing = Packer({"report", Path(s, "good.blob"), Path(s, "missing.blob")});
    EXPECT_EQ(missing.Status, 1);
    EXPECT_TRUE(Mentions(missing, Path(s, "missing.blob"))) << missing.Output;
}

// ---- checksums and unpack --------------------------------------------------------------------

void AppendWord(Bytes* out, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out->push_back(static_cast<unsigned char>(value >> (8 * i)));
}

uint32_t Crc(const Bytes& bytes) {
    return PayloadChecksumUpdate(PayloadChecksumStart, bytes.data(), bytes.size());
}

// Two blobs and their checksum table as the build lays them out in an executable: after
// some bytes of code, at an offset that needs padding before the table.
struct PackedSetup {
    Bytes Exe;
    size_t FirstBlob, Table;
};

PackedSetup Pack(const Bytes& a, const Bytes& decodedA, const Bytes& b, const Bytes& decodedB) {
    PackedSetup packed;
    packed.Exe = {'M', 'Z', 0x90, 0x00, 0x03};
    packed.FirstBlob = packed.Exe.size();
    packed.Exe.insert(packed.Exe.end(), a.begin(), a.end());
    packed.Exe.insert(packed.Exe.end(), b.begin(), b.end());
    while (packed.Exe.size() % PayloadChecksumAlignment != 0)
        packed.Exe.push_back(0);
    packed.Table = packed.Exe.size();
    for (const Bytes* blob : {&a, &b}) {
        const Bytes& decoded = blob == &a ? decodedA : decodedB;
        for (uint32_t field : {static_cast<uint32_t>(blob->size()), Crc(*blob),
                               static_cast<uint32_t>(decoded.size()), Crc(decoded)})
            AppendWord(&packed.Exe, field);
    }
    packed.Exe.insert(packed.Exe.end(), {'c', 'o', 'd', 'e'});
    return packed;
}

TEST(PackerProgram, ChecksumsRecordEachBlobAndItsFile) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    Bytes a = MakeBlob({0x41, 0xBF, 0x05, 0x00}), b = MakeBlob({});
    WriteFile(s, "a.blob", a);
    WriteFile(s, "b.blob", b);
    PackerRun run = Packer({"checksums", Path(s, "table.inc"), Path(s, "a.blob"), Path(s, "b.blob")});
    EXPECT_EQ(run.Status, 0) << run.Output;
    Bytes table = ReadFile(s, "table.inc");
    std::string text(table.begin(), table.end());
    char rowA[128];
    snprintf(rowA, sizeof rowA, ".long 10, 0x%08x, 6, 0x%08x /* a.blob */", Crc(a),
             Crc({0x41, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(text.find(rowA) != std::string::npos) << text;
    EXPECT_TRUE(text.find(".long 6, 0x394605e6, 0, 0x00000000 /* b.blob */") != std::string::npos) << text;
    EXPECT_TRUE(text.find(".balign 4") < text.find("SYMBOL(PayloadChecksums):")) << text;
    // A malformed blob is refused by name, and no table is left.
    WriteFile(s, "cut.blob", MakeBlob({0x41, 0xBF}));
    PackerRun cut = Packer({"checksums", Path(s, "cut.inc"), Path(s, "a.blob"), Path(s, "cut.blob")});
    EXPECT_EQ(cut.Status, 1);
    EXPECT_TRUE(Mentions(cut, Path(s, "cut.blob") + " is not a valid blob")) << cut.Output;
    EXPECT_EQ(Listing(s), (std::set<std::string>{"a.blob", "b.blob", "cut.blob", "table.inc"}));
}

// unpack decodes the blobs that match their recorded checksums; a changed body byte (the
// blob still well formed), a changed recorded blob checksum or a changed recorded file
// size is named with its file, and nothing is written.
TEST(PackerProgram, UnpackChecksTheRecordedChecksumsAndNamesTheDamagedFile) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    Bytes decodedA = {0x41, 0x42, 0x43, 0x44, 0x45, 0x46, 0x47}, decodedB(300, 0x17);
    Bytes a = MakeBlob(decodedA), b = MakeBlob({0xBF, 0xFF, 0x17, 0xBF, 0x2D, 0x17});
    PackedSetup good = Pack(a, decodedA, b, decodedB);
    ASSERT_EQ(good.Table % PayloadChecksumAlignment, 0u);
    ASSERT_NE(good.Table, good.FirstBlob + a.size() + b.size()) << "the layout needs padding";
    WriteFile(s, "good.exe", good.Exe);
    ASSERT_EQ(mkdir(Path(s, "out").c_str(), 0755), 0);
    PackerRun run = Packer({"unpack", Path(s, "good.exe"), Path(s, "out"), "a.txt", "b.bin"});
    EXPECT_EQ(run.Status, 0) << run.Output;
    EXPECT_EQ(ReadFile(s, "out/a.txt"), decodedA);
    EXPECT_EQ(ReadFile(s, "out/b.bin"), decodedB);
    ASSERT_EQ(system(("rm -f " + Quote(Path(s, "out")) + "/*").c_str()), 0);

    struct Damage {
        const char* Name;
        size_t At;
        const char* Said;
    } damages[] = {
        {"body", good.FirstBlob + PayloadHeaderBytes + 3, "the blob of a.txt has 13 bytes"},
        {"blob-checksum", good.Table + 16 + 4, "the blob of b.bin has 12 bytes"},
        {"file-size", good.Table + 16 + 8, "the decoded file of b.bin has 300 bytes"},
    };
    for (const Damage& damage : damages) {
        Bytes exe = good.Exe;
        exe[damage.At] ^= 0x01;
        WriteFile(s, damage.Name, exe);
        PackerRun damaged = Packer({"unpack", Path(s, damage.Name), Path(s, "out"), "a.txt", "b.bin"});
        EXPECT_EQ(damaged.Status, 1) << damage.Name;
        EXPECT_TRUE(Mentions(damaged, Path(s, damage.Name) + " is damaged: " + damage.Said))
            << damaged.Output;
        EXPECT_TRUE(Listing(s).count("out") == 1 && ReadFile(s, "out/a.txt").empty() &&
                    ReadFile(s, "out/b.bin").empty())
            << damage.Name;
    }
}

// unpack given too few or too many names says how many the setup needs and writes nothing;
// it makes a missing output folder, and every refusal names its file and ends with 1.
TEST(PackerProgram, UnpackSaysHowManyNamesAndMakesItsFolder) {
    Scratch s;
    ASSERT_FALSE(s.Folder.empty());
    Bytes decodedA = {0x41, 0x42, 0x43}, decodedB(300, 0x17);
    WriteFile(
        s, "setup.exe",
        Pack(MakeBlob(decodedA), decodedA, MakeBlob({0xBF, 0xFF, 0x17, 0xBF, 0x2D, 0x17}), decodedB).Exe);
    WriteFile(s, "file", {});
    const std::string exe = Path(s, "setup.exe");
    struct Case {
        std::vector<std::string> Args;
        std::string Said;
    } cases[] = {
        {{exe, Path(s, "out"), "a.txt"},
         exe + " holds 2 blobs: unpack needs 2 names, one per blob in the setup's order, not 1"},
        {{exe, Path(s, "out"), "a", "b", "c"},
         exe + " holds 2 blobs: unpack needs 2 names, one per blob in the setup's order, not 3"},
        {{Path(s, "missing.exe"), Path(s, "out"), "a", "b"}, "can't read " + Path(s, "missing.exe")},
        {{exe, Path(s, "file/out"), "a", "b"},
         "can't make the folder " + Path(s, "file/out") + " for the files of " + exe},
    };
    for (const Case& c : cases) {
        std::vector<std::string> args = {"unpack"};
        args.insert(args.end(), c.Args.begin(), c.Args.end());
        PackerRun run = Packer(args);
        EXPECT_EQ(run.Status, 1) << c.Said << "\n" << run.Output;
        EXPECT_TRUE(Mentions(run, c.Said)) << run.Output;
        EXPECT_EQ(Listing(s), (std::set<std::string>{"file", "setup.exe"})) << c.Said;
    }
    PackerRun made = Packer({"unpack", exe, Path(s, "new/deeper"), "a.txt", "b.bin"});
    EXPECT_EQ(made.Status, 0) << made.Output;
    EXPECT_EQ(ReadFile(s, "new/deeper/a.txt"), decodedA);
    EXPECT_EQ(ReadFile(s, "new/deeper/b.bin"), decodedB);
}

} // namespace
