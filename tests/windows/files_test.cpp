// Extraction, files and folders on the real file system, through the wide Win32 calls.
#include <windows.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include "core/payload.h"
#include "core/payload_checksums.h"
#include "core/payload_format.h"
#include "core/platform.h"
#include "core/win_text.h"
#include "test_support.h"

namespace {
constexpr int ReadmeRow = 1;

int Extract(const std::u16string& target, int row, int* ticks) {
    ProgressSink sink = {ticks};
    const PayloadEntry& entry = PayloadTable[row];
    return ExtractPayload(target.c_str(), entry.Blob, PayloadBlobBytes(entry), PayloadChecksums[row],
                          ticks != nullptr ? &sink : nullptr);
}

std::string Original(int row) {
    std::string bytes;
    EXPECT_TRUE(ReadPayloadOriginal(row, &bytes)) << "original of payload row " << row + 1;
    return bytes;
}

// Nested folders under `base` (which exists) so that base\...\<name> is exactly `units`
// long. Components of at most 100 units keep every name well inside the file system's limit.
std::u16string PathOfLength(const std::u16string& base, size_t units, const std::u16string& name) {
    std::u16string folder = base;
    while (folder.size() + 1 + name.size() < units) {
        size_t room = units - folder.size() - 1 - name.size(); // each component costs 1 + length
        size_t length = room - 1;
        if (length > 100)
            length = room - 101 == 1 ? 99 : 100; // never leave a room of 1, which no component fills
        folder += u"\\" + std::u16string(length, u'd');
        CreateDirectoryW(WideText((u"\\\\?\\" + folder).c_str()), nullptr);
    }
    return folder + u"\\" + name;
}

class ExtractionTest : public testing::Test {
  protected:
    void SetUp() override { Scratch = MakeScratchFolder(); }
    void TearDown() override { RemoveTree(Scratch); }
    std::u16string Scratch;
};

TEST_F(ExtractionTest, WritesEveryPayloadByteForByteIntoAFolderNamedInCyrillicAndCjk) {
    // A narrowed (8-bit) path could not name this folder at all.
    std::u16string folder = Join(Scratch, u"Корвале 資料庫");
    ASSERT_EQ(0u, CreateFolder(folder.c_str()));
    for (int row = 0; row < PayloadCount; ++row) {
        SCOPED_TRACE(testing::Message() << "payload row " << row + 1);
        const PayloadEntry& entry = PayloadTable[row];
        uint64_t expectedTicks = 0;
        ASSERT_EQ(0, CheckPayload(entry.Blob, PayloadBlobBytes(entry), nullptr, &expectedTicks));
        std::u16string target = Join(folder, InstalledFiles[row].FileName);
        int ticks = 0;
        ASSERT_EQ(0, Extract(target, row, &ticks));
        EXPECT_EQ(expectedTicks, static_cast<uint64_t>(ticks));
        std::string written;
        ASSERT_TRUE(ReadWholeFile(target, &written));
        std::string original = Original(row);
        EXPECT_EQ(original.size(), written.size());
        EXPECT_TRUE(original == written) << "content differs from the packed file";
    }
    // The names arrived unchanged: listing the folder finds it under its own name.
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(Join(Scratch, u"*資料庫").c_str()), &found);
    ASSERT_NE(INVALID_HANDLE_VALUE, search);
    FindClose(search);
    EXPECT_EQ(u"Корвале 資料庫", FromWide(found.cFileName));
}

TEST_F(ExtractionTest, ReplacesALongerExistingFileInsteadOfAppendingOrKeepingItsTail) {
    std::u16string target = Join(Scratch, u"readme.txt");
    std::string original = Original(ReadmeRow);
    ASSERT_TRUE(WriteWholeFile(target, std::string(original.size() * 3, 'x')));
    ASSERT_EQ(0, Extract(target, ReadmeRow, nullptr));
    std::string written;
    ASSERT_TRUE(ReadWholeFile(target, &written));
    EXPECT_TRUE(original == written);
}

TEST_F(ExtractionTest, TakesAPathOf259UnitsAndRefuses260WithoutTouchingTheDisk) {
    std::string original = Original(ReadmeRow);
    std::u16string longest = PathOfLength(Scratch, PathUnits - 1, u"readme.txt");
    ASSERT_EQ(static_cast<size_t>(PathUnits - 1), longest.size());
    // Wine takes paths longer than MAX_PATH even without the \\?\ prefix (Windows without
    // long-path support refuses them), so the refusal below is the setup's own check.
    ASSERT_EQ(0, Extract(longest, ReadmeRow, nullptr));
    std::string written;
    ASSERT_TRUE(ReadWholeFile(longest, &written));
    EXPECT_TRUE(original == written);

    ASSERT_EQ(0u, CreateFolder(Join(Scratch, u"second").c_str()));
    std::u16string tooLong = PathOfLength(Join(Scratch, u"second"), PathUnits, u"readme.txt");
    ASSERT_EQ(static_cast<size_t>(PathUnits), tooLong.size());
    std::u16string tooLongExtended = u"\\\\?\\" + tooLong;
    ASSERT_FALSE(FileExists(tooLongExtended));
    EXPECT_EQ(-1, Extract(tooLong, ReadmeRow, nullptr));
    EXPECT_FALSE(FileExists(tooLongExtended)) << "a refused path must not be created";

    ASSERT_TRUE(WriteWholeFile(tooLongExtended, "old"));
    EXPECT_EQ(-1, Extract(tooLong, ReadmeRow, nullptr));
    ASSERT_TRUE(ReadWholeFile(tooLongExtended, &written)) << "a refused path must not be deleted";
    EXPECT_EQ("old", written);
}

TEST_F(ExtractionTest, FailsOnAFileLockedByAnotherOpenerAndLeavesItsContent) {
    std::u16string target = Join(Scratch, u"readme.txt");
    ASSERT_TRUE(WriteWholeFile(target, "old content"));
    // Open the way a running reader would, neither writing nor deleting shared; and sharing
    // writing but not deletion, which a move over the file needs as much.
    for (DWORD sharing : {FILE_SHARE_READ, FILE_SHARE_READ | FILE_SHARE_WRITE}) {
        HANDLE lock =
            CreateFileW(WideText(target.c_str()), GENERIC_READ, sharing, nullptr, OPEN_EXISTING, 0, nullptr);
        ASSERT_NE(INVALID_HANDLE_VALUE, lock);
        int result = Extract(target, ReadmeRow, nullptr);
        CloseHandle(lock);
        EXPECT_EQ(-1, result) << "sharing " << sharing;
        std::string content;
        ASSERT_TRUE(ReadWholeFile(target, &content));
        EXPECT_EQ("old content", content);
        EXPECT_FALSE(FileExists(Join(Scratch, TemporaryFileName)));
    }
    // Control: without the lock the same extraction goes through.
    EXPECT_EQ(0, Extract(target, ReadmeRow, nullptr));
}

TEST_F(ExtractionTest, FailsWhenTheFolderIsMissingAndCreatesNothing) {
    std::u16string target = Join(Join(Scratch, u"missing"), u"readme.txt");
    EXPECT_EQ(-1, Extract(target, ReadmeRow, nullptr));
    EXPECT_FALSE(FolderExists(Join(Scratch, u"missing")));
}

// The folder's temporary file is a link to /dev/full (made by the test's fixture, like
// FULL_VOLUME_LINK), so writing the new file fails as on a full volume.
TEST_F(ExtractionTest, AFullVolumeLeavesTheOldFileWholeAndNoTemporaryFile) {
    std::u16string folder = UnixPathOnWine(FULL_VOLUME_FOLDER);
    std::u16string target = Join(folder, u"readme.txt"), temporary = Join(folder, TemporaryFileName);
    // Wine reports no attributes for a device: look for the link by opening it.
    HANDLE probe = CreateFileW(WideText(temporary.c_str()), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, probe) << "no /dev/full link in " << FULL_VOLUME_FOLDER;
    CloseHandle(probe);
    ASSERT_TRUE(WriteWholeFile(target, "old content"));
    EXPECT_EQ(-1, Extract(target, ReadmeRow, nullptr));
    std::string content;
    ASSERT_TRUE(ReadWholeFile(target, &content));
    EXPECT_EQ("old content", content) << "the old file must stay whole until the new one is";
    // Wine deletes no link to a device, so the failed temporary file stays here; removing it
    // is shown with ordinary files by the interrupted-run tests.
}

class FileWritingTest : public ExtractionTest {};

TEST_F(FileWritingTest, ReportsAFullVolumeAtTheWriteOrTheClose) {
    // The build links this name to /dev/full, whose writes fail with "no space left".
    // Wine reports no attributes for a device, so look for the link by opening it. Without
    // it the full volume is not tested at all, which is a failure, not a pass.
    std::u16string full = UnixPathOnWine(FULL_VOLUME_LINK);
    HANDLE probe = CreateFileW(WideText(full.c_str()), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                               nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(INVALID_HANDLE_VALUE, probe) << "no /dev/full link at " << FULL_VOLUME_LINK;
    CloseHandle(probe);
    std::string block(65536, 'z');
    const unsigned char* bytes = reinterpret_cast<const unsigned char*>(block.data());

    PlatformFile* file = OpenFileForWriting(full.c_str());
    ASSERT_NE(nullptr, file);
    int wrote = WriteFileBytes(file, bytes, block.size());
    int closed = CloseWrittenFile(file);
    EXPECT_EQ(-1, wrote);
    EXPECT_EQ(-1, closed) << "a file missing data must not close as complete";

    // Control: the same calls on an ordinary file succeed and store every byte.
    std::u16string ordinary = Join(Scratch, u"ordinary.bin");
    file = OpenFileForWriting(ordinary.c_str());
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(0, WriteFileBytes(file, bytes, block.size()));
    EXPECT_EQ(0, WriteFileBytes(file, bytes, 1));
    EXPECT_EQ(0, CloseWrittenFile(file));
    std::string written;
    ASSERT_TRUE(ReadWholeFile(ordinary, &written));
    EXPECT_TRUE(block + "z" == written);
}

TEST_F(FileWritingTest, OpeningTruncatesAndAnUnopenablePathGivesNull) {
    std::u16string path = Join(Scratch, u"файл.bin");
    ASSERT_TRUE(WriteWholeFile(path, "previous"));
    PlatformFile* file = OpenFileForWriting(path.c_str());
    ASSERT_NE(nullptr, file);
    EXPECT_EQ(0, CloseWrittenFile(file));
    std::string content;
    ASSERT_TRUE(ReadWholeFile(path, &content));
    EXPECT_EQ("", content);
    EXPECT_EQ(nullptr, OpenFileForWriting(Join(Join(Scratch, u"missing"), u"x.bin").c_str()));
}

class FolderTest : public ExtractionTest {};

TEST_F(FolderTest, ReportsTheSystemErrorCodes) {
    std::u16string folder = Join(Scratch, u"Зади́р Одуве");
    EXPECT_EQ(0u, CreateFolder(folder.c_str()));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(ErrorAlreadyExists, CreateFolder(folder.c_str()));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND),
              CreateFolder(Join(Join(Scratch, u"no parent"), u"child").c_str()));
    EXPECT_FALSE(FolderExists(Join(Scratch, u"no parent")));
    std::u16string file = Join(Scratch, u"plain file");
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    EXPECT_EQ(ErrorAlreadyExists, CreateFolder(file.c_str()));
}

// The program folder's list as the setup passes it: parsed from ProtectedFolderDescriptor and
// accepted by the calls that set it. Wine keeps none of it (its own list is read back), so
// what the list does is decided and tested natively.
TEST_F(FolderTest, TheProtectedListIsOwnedByAdministratorsAndSetOnNewAndExistingFolders) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(WideText(ProtectedFolderDescriptor),
                                                                     SDDL_REVISION_1, &descriptor, nullptr));
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    PSID owner = nullptr;
    PACL list = nullptr;
    BOOL present = FALSE, defaulted = FALSE;
    ASSERT_TRUE(GetSecurityDescriptorControl(descriptor, &control, &revision));
    EXPECT_NE(0, control & SE_DACL_PROTECTED);
    ASSERT_TRUE(GetSecurityDescriptorOwner(descriptor, &owner, &defaulted));
    EXPECT_TRUE(IsWellKnownSid(owner, WinBuiltinAdministratorsSid));
    ASSERT_TRUE(GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted));
    ASSERT_TRUE(present && list != nullptr);
    const struct {
        WELL_KNOWN_SID_TYPE Sid;
        DWORD Mask;
    } expected[] = {{WinLocalSystemSid, FILE_ALL_ACCESS},
                    {WinBuiltinAdministratorsSid, FILE_ALL_ACCESS},
                    {WinBuiltinUsersSid, FILE_GENERIC_READ | FILE_GENERIC_EXECUTE}};
    ASSERT_EQ(3u, list->AceCount);
    for (DWORD i = 0; i < list->AceCount; ++i) {
        ACCESS_ALLOWED_ACE* entry = nullptr;
        ASSERT_TRUE(GetAce(list, i, reinterpret_cast<void**>(&entry)));
        EXPECT_EQ(ACCESS_ALLOWED_ACE_TYPE, entry->Header.AceType) << i;
        EXPECT_EQ(OBJECT_INHERIT_ACE | CONTAINER_INHERIT_ACE, entry->Header.AceFlags) << i;
        EXPECT_EQ(expected[i].Mask, entry->Mask) << i;
        EXPECT_TRUE(IsWellKnownSid(&entry->SidStart, expected[i].Sid)) << i;
    }
    LocalFree(descriptor);

    std::u16string folder = Join(Scratch, u"Зади́р Одуве"), file = Join(Scratch, u"plain file");
    EXPECT_EQ(0u, CreateProtectedFolder(folder.c_str()));
    EXPECT_TRUE(FolderExists(folder));
    EXPECT_EQ(ErrorAlreadyExists, CreateProtectedFolder(folder.c_str()));
    EXPECT_EQ(0u, ProtectFolder(folder.c_str()));
    // Controls: the calls do fail, each with the system's reason.
    EXPECT_EQ(static_cast<unsigned long>(ERROR_PATH_NOT_FOUND),
              CreateProtectedFolder(Join(Join(Scratch, u"no parent"), u"child").c_str()));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND),
              ProtectFolder(Join(Scratch, u"missing").c_str()));
    ASSERT_TRUE(WriteWholeFile(file, "x"));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_DIRECTORY), ProtectFolder(file.c_str()));
}

// Wine's own list for every folder (owned by the user who runs the program; SYSTEM and that
// user full control, Everyone read) reads as only administrators', as a list of the installing
// user's own must.
TEST_F(FolderTest, ReadsTheListEmptinessAndIdentityOfAFolder) {
    std::u16string folder = Join(Scratch, u"Folder"), other = Join(Scratch, u"Other");
    ASSERT_EQ(0u, CreateFolder(folder.c_str()));
    ASSERT_EQ(0u, CreateFolder(other.c_str()));
    FolderAccess access = {};
    ASSERT_EQ(0u, ReadFolderAccess(folder.c_str(), &access));
    std::string entries;
    for (int i = 0; i < access.Count; ++i)
        entries += " " + std::to_string(access.Entries[i].Sid) +
                   (access.Entries[i].Deny ? " denied " : " allowed ") +
                   std::to_string(access.Entries[i].Mask) + " scope " +
                   std::to_string(access.Entries[i].Scope);
    EXPECT_GT(access.Count, 0) << "owner " << access.Owner << ":" << entries;
    EXPECT_EQ(0, OthersMayChangeFolder(&access)) << "owner " << access.Owner << ":" << entries;
    // Control: the same list, with the installing user taken for anybody else, is open to others.
    FolderAccess anybody = access;
    anybody.Owner = anybody.Owner == InstallingUserSid ? OtherSid : anybody.Owner;
    for (int i = 0; i < anybody.Count; ++i)
        anybody.Entries[i].Sid =
            anybody.Entries[i].Sid == InstallingUserSid ? OtherSid : anybody.Entries[i].Sid;
    EXPECT_EQ(1, OthersMayChangeFolder(&anybody));
    EXPECT_EQ(static_cast<unsigned long>(ERROR_FILE_NOT_FOUND),
              ReadFolderAccess(Join(Scratch, u"missing").c_str(), &access));

    EXPECT_EQ(1, FolderIsEmpty(folder.c_str()));
    ASSERT_EQ(0u, CreateFolder(Join(other, u"sub").c_str()));
    EXPECT_EQ(0, FolderIsEmpty(other.c_str()));

    std::u16string otherSpelling = folder;
    for (char16_t& unit : otherSpelling)
        unit = unit >= u'a' && unit <= u'z' ? unit - u'a' + u'A' : unit;
    EXPECT_EQ(1, SameFolder(folder.c_str(), (otherSpelling + u"\\.").c_str()));
    EXPECT_EQ(0, SameFolder(folder.c_str(), other.c_str()));
    EXPECT_EQ(0, SameFolder(folder.c_str(), Join(Scratch, u"missing").c_str()));
}

TEST(SpecialFolderTest, FindsExistingFoldersAndEmptiesThePathForAnUnknownOne) {
    for (int csidl : {CsidlProgramFiles, CsidlPersonal, CsidlCommonPrograms, CsidlDesktopDirectory}) {
        char16_t path[PathUnits];
        ASSERT_EQ(0, GetSpecialFolder(csidl, path)) << "CSIDL " << csidl;
        EXPECT_TRUE(FolderExists(path)) << "CSIDL " << csidl;
    }
    char16_t path[PathUnits] = u"stale";
    EXPECT_EQ(-1, GetSpecialFolder(0x7f, path));
    EXPECT_EQ(0, path[0]);
}

// ---- Checked folders, against the links that tests/windows/plant-links.sh plants ------------

class CheckedFolderTest : public testing::Test {
  protected:
    void SetUp() override {
        Seam = Join(UnixPathOnWine(PLANTED_LINKS), u"seam");
        Folder = Join(Seam, u"folder");
        Victims = Join(UnixPathOnWine(PLANTED_LINKS), u"victims");
        ASSERT_TRUE(FileExists(Join(Folder, u"kept.txt"))) << "no planted links in " << PLANTED_LINKS;
        CheckOutcome outcome = CheckFailed;
        // The control of every refusal below: the plain folder passes, named as it was composed.
        Checked = OpenCheckedFolder((Folder + u"\\").c_str(), &outcome);
        ASSERT_NE(nullptr, Checked);
        EXPECT_EQ(CheckPassed, outcome);
        EXPECT_EQ(Folder, CheckedFolderPath(Checked));
    }
    void TearDown() override { CloseCheckedFolder(Checked); }

    std::string ReadChild(PlatformFile* file) {
        std::string content;
        unsigned char piece[64];
        long got = 0;
        while ((got = ReadFileBytes(file, piece, sizeof piece)) > 0)
            content.append(reinterpret_cast<char*>(piece), static_cast<size_t>(got));
        return content;
    }

    std::u16string Seam, Folder, Victims;
    CheckedFolder* Checked = nullptr;
};

TEST_F(CheckedFolderTest, RefusesAFolderReachedThroughALink) {
    std::u16string link = Join(Seam, u"folder-link");
    std::string content;
    // Control: by its path the link leads into the folder.
    ASSERT_TRUE(ReadWholeFile(Join(link, u"kept.txt"), &content));
    EXPECT_EQ("kept", content);
    CheckOutcome outcome = CheckPassed;
    EXPECT_EQ(nullptr, OpenCheckedFolder(link.c_str(), &outcome));
    EXPECT_EQ(CheckRedirected, outcome);
    EXPECT_EQ(nullptr, OpenCheckedFolder(Join(Seam, u"missing").c_str(), &outcome));
    EXPECT_EQ(CheckMissing, outcome);
    // A drive's root passes, held as "C:" like every final path.
    CheckedFolder* root = OpenCheckedFolder(u"C:\\", &outcome);
    ASSERT_NE(nullptr, root);
    EXPECT_EQ(u"C:", std::u16string(CheckedFolderPath(root)));
    CloseCheckedFolder(root);
}

TEST_F(CheckedFolderTest, OpensAndDeletesOnlyAPlainChildOfOneName) {
    struct Case {
        const char16_t* Name;
        CheckOutcome Expected;
        std::string Content; // read by path: the planted link works
    } cases[] = {
        {u"plain.txt", CheckPassed, "plain"},
        {u"linked.txt", CheckRedirected, "victim"}, // a link to a file outside the folder
        {u"second.txt", CheckRedirected, "second"}, // a second name of a file outside it
        {u"missing.txt", CheckMissing, ""},
    };
    for (const Case& c : cases) {
        std::u16string path = Join(Folder, c.Name);
        SCOPED_TRACE(std::string(path.begin(), path.end()));
        std::string content;
        EXPECT_EQ(c.Expected != CheckMissing, ReadWholeFile(path, &content));
        EXPECT_EQ(c.Content, content);
        CheckOutcome outcome = CheckFailed;
        PlatformFile* file = OpenCheckedChild(Checked, c.Name, &outcome);
        EXPECT_EQ(c.Expected, outcome);
        ASSERT_EQ(c.Expected == CheckPassed, file != nullptr);
        if (file != nullptr) {
            EXPECT_EQ(c.Content, ReadChild(file));
            CloseReadFile(file);
        }
        EXPECT_EQ(c.Expected == CheckRedirected ? CheckRedirected : 0, DeleteCheckedName(Checked, c.Name));
        // A refused name is left as it was, and so is what it leads to.
        content.clear();
        EXPECT_EQ(c.Expected == CheckRedirected, ReadWholeFile(path, &content));
        EXPECT_EQ(c.Expected == CheckRedirected ? c.Content : "", content);
    }
    std::string victim;
    ASSERT_TRUE(ReadWholeFile(Join(Victims, u"victim.txt"), &victim));
    EXPECT_EQ("victim", victim);
    ASSERT_TRUE(ReadWholeFile(Join(Victims, u"second.txt"), &victim));
    EXPECT_EQ("second", victim);
}

TEST_F(CheckedFolderTest, CreatesOnlyNewNamesAndRenamesOverALinkWithoutFollowingIt) {
    std::string content;
    // Control: by its path the link leads to the file outside.
    ASSERT_TRUE(ReadWholeFile(Join(Folder, u"replaced.txt"), &content));
    EXPECT_EQ("replaced victim", content);
    EXPECT_EQ(nullptr, CreateCheckedChild(Checked, u"kept.txt"));
    EXPECT_EQ(nullptr, CreateCheckedChild(Checked, u"replaced.txt"));
    ASSERT_TRUE(ReadWholeFile(Join(Folder, u"kept.txt"), &content));
    EXPECT_EQ("kept", content);

    PlatformFile* file = CreateCheckedChild(Checked, u"new.tmp");
    ASSERT_NE(nullptr, file);
    const unsigned char written[] = {'w', 'r', 'i', 't', 't', 'e', 'n'};
    EXPECT_EQ(0, WriteFileBytes(file, written, sizeof written));
    EXPECT_EQ(0, FlushCheckedChild(file));
    EXPECT_EQ(0, MoveCheckedChildOver(file, Checked, u"replaced.txt"));
    EXPECT_EQ(0, CloseWrittenFile(file));
    EXPECT_FALSE(FileExists(Join(Folder, u"new.tmp")));
    ASSERT_TRUE(ReadWholeFile(Join(Folder, u"replaced.txt"), &content));
    EXPECT_EQ("written", content);
    ASSERT_TRUE(ReadWholeFile(Join(Victims, u"replaced.txt"), &content));
    EXPECT_EQ("replaced victim", content) << "the link was followed";

    file = CreateCheckedChild(Checked, u"deleted.tmp");
    ASSERT_NE(nullptr, file);
    EXPECT_TRUE(FileExists(Join(Folder, u"deleted.tmp")));
    EXPECT_EQ(0, DeleteCheckedChild(file));
    EXPECT_FALSE(FileExists(Join(Folder, u"deleted.tmp")));
}
} // namespace
