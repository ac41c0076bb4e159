// The installation run as a whole, against the recording fake: the order of every platform
// call, the data it carries, the position of every progress tick, and each failure exit.
#include <algorithm>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/install_run.h"
#include "core/product_names.h"
#include "core/payload_format.h"
#include "core/removal_plan.h"
#include "fake_platform.h"
#include "wizard/wizard_state.h"

namespace {
const std::string StartMenu = "C:\\ProgramData\\Microsoft\\Windows\\Start Menu\\Programs";
const std::string Desktop = "C:\\users\\tester\\Desktop";
const std::string RegistryFailure = "Couldn't update Windows registry!";
const std::string Congratulation =
    "Congratulations!\n\nYou've successfuly installed Corvale on your computer.\n"
    "Thank you for choosing Wendrake Software.\n\n"
    "Visit Corvale's website for updates and news:";
// The installed files and their failure messages are written out here as a second opinion on
// the tables: a file added to the tables is added here too.
const char* const FileNames[] = {"corvale.exe", "readme.txt", "uninst_corvale.exe", "uninstall.dll",
                                 "sample.mpl"};
static_assert(sizeof FileNames / sizeof FileNames[0] == PayloadCount, "FileNames lists every installed file");

struct Choices {
    std::string Program = "C:\\Program Files\\Corvale";
    std::string Documents = "C:\\users\\tester\\Documents\\Zadir Oduve";
    int ProgramWanted = 1;
    int DocumentsWanted = 1;
    // What the run asks of an existing program folder before it uses it; none for a new one.
    std::vector<std::string> ProgramFolderChecks;
};

std::string Call(const std::string& name, const std::vector<std::string>& arguments = {}) {
    std::string text = name + "(";
    for (size_t i = 0; i < arguments.size(); ++i)
        text += (i > 0 ? "|" : "") + arguments[i];
    return text + ")";
}

const std::string& FolderOf(const Choices& choices, int row) {
    return InstalledFiles[row].Folder == ProgramFolderTarget ? choices.Program : choices.Documents;
}

std::string Target(const Choices& choices, int row) {
    return FolderOf(choices, row) + "\\" + FileNames[row];
}

// Where a row's file is written before it is moved over its target.
std::string Temporary(const Choices& choices, int row) {
    return FolderOf(choices, row) + "\\~crv.tmp";
}

long CodedTotal() {
    long total = 0;
    for (const PayloadEntry& entry : PayloadTable)
        total += PayloadSize(entry.Blob, PayloadBlobBytes(entry));
    return total;
}

// The recorded calls as text: file writes left out (their chunking is the decoder's
// affair), ticks inside an open file left out and counted in extractionTicks, every other
// tick shown as "Tick".
std::vector<std::string> Recorded(int* extractionTicks = nullptr) {
    std::vector<std::string> lines;
    int openFiles = 0, ticks = 0;
    for (const FakeCall& call : Fake.Calls) {
        if (call.Name == "OpenFileForWriting" || call.Name == "CreateCheckedChild")
            ++openFiles;
        if (call.Name == "CloseWrittenFile" || call.Name == "DeleteCheckedChild")
            --openFiles;
        if (call.Name == "StepIt" && openFiles > 0)
            ++ticks;
        else if (call.Name == "StepIt")
            lines.push_back("Tick");
        else if (call.Name != "WriteFileBytes")
            lines.push_back(Call(call.Name, call.Arguments));
    }
    if (extractionTicks != nullptr)
        *extractionTicks = ticks;
    return lines;
}

// A folder is made (the program folder with its own access list, then checked when it
// existed), and a temporary file left in it by an ended run removed, where it fits, and the
// files an uninstallation left to be removed at restart.
void AddFolder(std::vector<std::string>* lines, const std::string& folder,
               const char* create = "CreateFolder", const std::vector<std::string>& checks = {}) {
    lines->push_back(Call(create, {folder}));
    lines->insert(lines->end(), checks.begin(), checks.end());
    if (folder.size() + 9 <= PathUnits - 1)
        lines->push_back(Call("DeleteTargetFile", {folder + "\\~crv.tmp"}));
    lines->push_back(Call("DeleteLeftoverFiles", {folder}));
}

// The documents folder is made, then opened checked once: the temporary file and the
// leftovers go through it.
void AddCheckedFolder(std::vector<std::string>* lines, const std::string& folder) {
    lines->insert(lines->end(), {Call("CreateFolder", {folder}), Call("OpenCheckedFolder", {folder}),
                                 Call("DeleteCheckedName", {folder + "\\~crv.tmp"}),
                                 Call("DeleteCheckedLeftovers", {folder})});
}

// The sample in the documents folder is first compared with the payload (a changed one is
// kept), then written and moved over by handle, all through the checked folder.
void AddExtraction(std::vector<std::string>* lines, const Choices& c, int row) {
    const std::string target = Target(c, row), temporary = Temporary(c, row);
    if (row == 4) {
        lines->insert(lines->end(),
                      {Call("OpenCheckedChild", {target}), Call("PauseMilliseconds", {"100"}),
                       Call("CreateCheckedChild", {temporary}), Call("FlushCheckedChild", {temporary}),
                       Call("MoveCheckedChildOver", {temporary, target}),
                       Call("CloseWrittenFile", {target})});
        return;
    }
    lines->insert(lines->end(),
                  {Call("PauseMilliseconds", {"100"}), Call("CheckReplaceable", {target}),
                   Call("OpenFileForWriting", {temporary}), Call("CloseWrittenFile", {temporary}),
                   Call("MoveFileOver", {temporary, target})});
}

void AddWrite(std::vector<std::string>* lines, const char* root, const std::string& key, const char* name,
              const std::string& data, bool tick = true) {
    lines->push_back(Call("WriteRegistryString", {root, key, name, data}));
    if (tick)
        lines->push_back("Tick");
}

void AddShortcut(std::vector<std::string>* lines, int csidl, const std::string& link,
                 const std::string& target, const std::string& description,
                 const std::string& workingDirectory) {
    lines->push_back(Call("GetSpecialFolder", {std::to_string(csidl)}));
    lines->push_back(
        Call("CreateShellLink", {target, "", link, description, "1", workingDirectory, "", "0"}));
}

// Everything a successful run does, in order, written out from what the installation must do.
std::vector<std::string> ExpectedRun(const Choices& c) {
    const std::string& p = c.Program;
    const std::string& d = c.Documents;
    const std::string program = p + "\\corvale.exe";
    const std::string uninstall = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvale";
    const std::string docType = "SOFTWARE\\Classes\\Corvale.Doc";
    std::vector<std::string> e = {
        Call("SavePageFields"),        Call("DestroyPageControls"),
        Call("ShowInstallingCaption"), Call("ShowBusyCursor"),
        Call("CreateProgressBar"),     Call("SetRange", {std::to_string(CodedTotal() / 256)}),
        Call("SetStep", {"1"}),        "Tick",
    };
    AddFolder(&e, p, "CreateProtectedFolder", c.ProgramFolderChecks);
    e.push_back("Tick");
    for (int row = 0; row < 4; ++row)
        AddExtraction(&e, c, row);
    AddCheckedFolder(&e, d);
    AddExtraction(&e, c, 4);
    e.push_back("Tick");
    AddWrite(&e, "HKLM", "SOFTWARE\\Corvale", "AppPath", p);
    AddWrite(&e, "HKLM", "SOFTWARE\\Corvale", "Version", CORVALE_PRODUCT_VERSION);
    AddWrite(&e, "HKLM", uninstall, "DisplayName", "Corvale");
    AddWrite(&e, "HKLM", uninstall, "UninstallString", "\"" + p + "\\uninst_corvale.exe\"");
    AddWrite(&e, "HKLM", uninstall, "Version", CORVALE_PRODUCT_VERSION);
    AddWrite(&e, "HKLM", uninstall, "DisplayVersion", CORVALE_PRODUCT_VERSION);
    AddWrite(&e, "HKLM", uninstall, "DisplayIcon", program + ",0");
    AddWrite(&e, "HKLM", uninstall, "Publisher", "Wendrake Software");
    AddWrite(&e, "HKLM", docType, "", "Ruroz Udid");
    AddWrite(&e, "HKLM", docType + "\\shell", "", "open");
    AddWrite(&e, "HKLM", docType + "\\shell\\open", "", "Open file in Corvale");
    AddWrite(&e, "HKLM", docType + "\\shell\\open\\command", "", "\"" + program + "\" \"%1\"");
    AddWrite(&e, "HKLM", "SOFTWARE\\Classes\\.mpl", "", "Corvale.Doc", false);
    AddWrite(&e, "HKCU", "SOFTWARE\\Corvale", "DocPath", d);
    AddWrite(&e, "HKCU", "SOFTWARE\\Corvale", "FirstRun", "Yes");
    AddShortcut(&e, 23, StartMenu + "\\Corvale.lnk", program, "Corvale", p);
    e.push_back("Tick");
    if (c.ProgramWanted == 1)
        AddShortcut(&e, 16, Desktop + "\\Corvale.lnk", program, "Corvale", p);
    e.push_back("Tick");
    if (c.DocumentsWanted == 1)
        AddShortcut(&e, 16, Desktop + "\\Zadir Oduve.lnk", d, "Zadir Oduve", d);
    e.push_back("Tick");
    e.insert(e.end(), {Call("RemoveProgressDisplay"), Call("ShowStatusText", {Congratulation}),
                       Call("ShowWebSiteButton"), Call("ShowCloseButton")});
    return e;
}

// A failed run: the successful run up to the `nth` line that is `last` or a call named `last`,
// and `extra` lines after it, then the `cleanup` lines and the failure exit with message.
std::vector<std::string> FailedRun(const std::vector<std::string>& run, const std::string& last, int extra,
                                   const std::string& message, int nth = 1,
                                   const std::vector<std::string>& cleanup = {}) {
    std::vector<std::string> e;
    for (size_t i = 0; i < run.size(); ++i) {
        e.push_back(run[i]);
        bool match = run[i] == last || run[i].compare(0, last.size() + 1, last + "(") == 0;
        if (match && --nth == 0) {
            for (int k = 1; k <= extra; ++k)
                e.push_back(run[i + k]);
            break;
        }
    }
    e.insert(e.end(), cleanup.begin(), cleanup.end());
    e.insert(e.end(),
             {Call("RemoveProgressDisplay"), Call("ShowStatusText", {message}), Call("ShowCloseButton")});
    return e;
}

// The file the Windows side packed for row: line row of its list.
std::vector<unsigned char> OriginalPayload(int row) {
    std::ifstream list(CORE_TEST_PACKED_LIST);
    std::string path;
    for (int line = 0; line <= row; ++line)
        std::getline(list, path);
    std::ifstream file(path, std::ios::binary);
    return std::vector<unsigned char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

class InstallRunTest : public ::testing::Test {
  protected:
    void SetUp() override { ResetFake(); }

    void Run() {
        Fake.ProgramFolderEdit = Utf16(Chosen.Program);
        Fake.DocumentsFolderEdit = Utf16(Chosen.Documents);
        Fake.ProgramShortcutCheck = Chosen.ProgramWanted;
        Fake.DocumentsShortcutCheck = Chosen.DocumentsWanted;
        InstallRun();
    }

    void ExpectFailedEndState() {
        EXPECT_EQ(0, WizardState.InstallFinished);
        EXPECT_EQ(nullptr, WizardState.ProgressBar);
        EXPECT_EQ(nullptr, WizardState.PageControls[104 - FirstPageControlId]);
        EXPECT_NE(nullptr, WizardState.CloseButton);
        EXPECT_EQ(0, CountCalls("ShowWebSiteButton"));
    }

    Choices Chosen;
};
} // namespace

// ---- The successful run -------------------------------------------------------------------

class InstallRunChoicesTest : public InstallRunTest,
                              public ::testing::WithParamInterface<std::pair<int, int>> {};

TEST_P(InstallRunChoicesTest, CallsDataAndTicksInOrder) {
    Chosen.ProgramWanted = GetParam().first;
    Chosen.DocumentsWanted = GetParam().second;
    Run();
    int extractionTicks = 0;
    EXPECT_EQ(ExpectedRun(Chosen), Recorded(&extractionTicks));

    uint64_t expectedTicks = 0;
    for (const PayloadEntry& entry : PayloadTable) {
        uint64_t ticks = 0;
        ASSERT_EQ(0, CheckPayload(entry.Blob, PayloadBlobBytes(entry), nullptr, &ticks));
        expectedTicks += ticks;
    }
    EXPECT_EQ(static_cast<int>(expectedTicks), extractionTicks);
    EXPECT_EQ(static_cast<int>(expectedTicks + RunOwnTicks), CountCalls("StepIt"));

    EXPECT_EQ(1, WizardState.InstallFinished);
    EXPECT_EQ(nullptr, WizardState.ProgressBar);
    for (WindowHandle slot : WizardState.PageControls)
        EXPECT_EQ(nullptr, slot);
    EXPECT_NE(nullptr, WizardState.StatusText);
    EXPECT_NE(nullptr, WizardState.CloseButton);
    EXPECT_EQ(0, Fake.OpenFiles);
    EXPECT_EQ(0, Fake.OpenFolders);
}

INSTANTIATE_TEST_SUITE_P(BothShortcutChoices, InstallRunChoicesTest,
                         ::testing::Values(std::make_pair(1, 1), std::make_pair(1, 0), std::make_pair(0, 1),
                                           std::make_pair(0, 0)));

TEST_F(InstallRunTest, OnlyAChoiceOfExactlyOneCounts) {
    Chosen.ProgramWanted = 2;
    Chosen.DocumentsWanted = -1;
    Run();
    EXPECT_EQ(1, CountCalls("CreateShellLink"));
    EXPECT_EQ(1, WizardState.InstallFinished);
}

TEST_F(InstallRunTest, ExtractedFilesEqualTheProjectPayloads) {
    Run();
    for (int row = 0; row < PayloadCount; ++row) {
        std::vector<unsigned char> original = OriginalPayload(row);
        ASSERT_FALSE(original.empty()) << FileNames[row] << " not found beside the build";
        EXPECT_TRUE(Fake.Files.at(Utf16(Target(Chosen, row))) == original) << FileNames[row];
    }
}

TEST_F(InstallRunTest, BarEndsWithinItsRange) {
    Run();
    long range = CodedTotal() / 256;
    uint64_t position = RunOwnTicks;
    for (const PayloadEntry& entry : PayloadTable) {
        uint64_t ticks = 0;
        ASSERT_EQ(0, CheckPayload(entry.Blob, PayloadBlobBytes(entry), nullptr, &ticks));
        position += ticks;
    }
    EXPECT_EQ(range, Fake.RangeMaximum);
    EXPECT_EQ(1, Fake.Step);
    EXPECT_LE(static_cast<long>(position), range);
    // The fake bar stops at its maximum like a real one; equality shows it never had to.
    EXPECT_EQ(static_cast<int>(position), Fake.Position);
}

TEST_F(InstallRunTest, ExistingFoldersAreUsedAndOtherFilesLeftAlone) {
    Fake.Folders = {Utf16(Chosen.Program), Utf16(Chosen.Documents)};
    std::u16string other = Utf16(Chosen.Program + "\\notes.txt");
    Fake.Files[other] = {'k', 'e', 'e', 'p'};
    Fake.Files[Utf16(Target(Chosen, 0))] = {'o', 'l', 'd'};
    Fake.Files[Utf16(Temporary(Chosen, 0))] = {'c', 'u', 't'}; // left by a run that was ended
    Fake.Files[Utf16(Chosen.Program + "\\~crv1.tmp")] = {'k'};
    Run();
    EXPECT_EQ(1, WizardState.InstallFinished);
    EXPECT_EQ(0u, Fake.Files.count(Utf16(Temporary(Chosen, 0))));
    EXPECT_EQ(1u, Fake.Files.count(Utf16(Chosen.Program + "\\~crv1.tmp")));
    EXPECT_EQ((std::vector<unsigned char>{'k', 'e', 'e', 'p'}), Fake.Files.at(other));
    EXPECT_EQ(OriginalPayload(0).size(), Fake.Files.at(Utf16(Target(Chosen, 0))).size());
}

TEST_F(InstallRunTest, FolderEndingInBackslashGivesDoubledBackslashes) {
    Chosen.Program = "D:\\Apps\\";
    Run();
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
    std::vector<FakeCall> writes = CallsNamed("WriteRegistryString");
    ASSERT_EQ(15u, writes.size());
    EXPECT_EQ("D:\\Apps\\", writes[0].Arguments[3]);
    EXPECT_EQ("\"D:\\Apps\\\\uninst_corvale.exe\"", writes[3].Arguments[3]);
    EXPECT_EQ("D:\\Apps\\\\corvale.exe,0", writes[6].Arguments[3]);
    EXPECT_EQ("\"D:\\Apps\\\\corvale.exe\" \"%1\"", writes[11].Arguments[3]);
    EXPECT_EQ(1u, Fake.Files.count(u"D:\\Apps\\\\corvale.exe"));
}

// ---- Failures that stop the run -------------------------------------------------------------

TEST_F(InstallRunTest, ProgramFolderThatCannotBeCreated) {
    Fake.FolderErrors[Utf16(Chosen.Program)] = 3;
    Run();
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), Call("CreateProtectedFolder", {Chosen.Program}), 0,
                        "Couldn't create folder C:\\Program Files\\Corvale\nError: 3"),
              Recorded());
    ExpectFailedEndState();
}

TEST_F(InstallRunTest, AlreadyExistsIsNoFailure) {
    Fake.FolderErrors[Utf16(Chosen.Program)] = ErrorAlreadyExists;
    Fake.FolderErrors[Utf16(Chosen.Documents)] = ErrorAlreadyExists;
    Run();
    Chosen.ProgramFolderChecks = {Call("ReadFolderAccess", {Chosen.Program})};
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
}

// ---- Existing program folders that others can change -------------------------------------

namespace {
const std::string ExposedFolder = "C:\\Apps\\Corvale";
const std::string ExposedMessage =
    "ERROR: Can't install into folder:\n\n" + ExposedFolder +
    "\n\nUsers who are not administrators can change files there, and it holds files "
    "that are not Corvale's.\nRun the setup again and choose another folder.";
} // namespace

class ExposedFolderTest : public InstallRunTest {
  protected:
    void SetUp() override {
        InstallRunTest::SetUp();
        Chosen.Program = ExposedFolder;
        Fake.Folders.insert(Utf16(ExposedFolder));
        FolderAccess everyone = {AdministratorsSid, 0, 1, {}};
        everyone.Entries[0] = {EveryoneSid, 0, FileAllAccess, AppliesToFolder | InheritedByFiles};
        Fake.FolderAccessLists[Utf16(ExposedFolder)] = everyone;
    }

    void AddFile(const char* name) { Fake.Files[Utf16(ExposedFolder + "\\" + name)] = {'x'}; }

    const std::string ReadAccess = Call("ReadFolderAccess", {ExposedFolder});
    const std::string LookInside = Call("FolderIsEmpty", {ExposedFolder});
    const std::string Protect = Call("ProtectFolder", {ExposedFolder});
    const std::string ReadRecorded =
        Call("ReadRegistryString", {"HKLM", "SOFTWARE\\Corvale", "AppPath", "520"});
    const std::string Compare = Call("SameFolder", {ExposedFolder, ExposedFolder});
};

TEST_F(ExposedFolderTest, AnotherProgramsFolderIsRefusedBeforeAnythingIsWritten) {
    AddFile("other.exe");
    Run();
    Chosen.ProgramFolderChecks = {ReadAccess, LookInside, ReadRecorded};
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), ReadRecorded, 0, ExposedMessage), Recorded());
    ExpectFailedEndState();
    EXPECT_EQ(1u, Fake.Files.size());
    EXPECT_TRUE(Fake.Registry.empty());
}

TEST_F(ExposedFolderTest, AnEmptyFolderIsProtectedAndUsed) {
    Run();
    Chosen.ProgramFolderChecks = {ReadAccess, LookInside, Protect, LookInside};
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
}

TEST_F(ExposedFolderTest, TheEarlierInstallationIsProtectedAndUsed) {
    AddFile("corvale.exe");
    Fake.Registry.push_back({"HKLM", "SOFTWARE\\Corvale", "AppPath", Utf16(ExposedFolder)});
    Run();
    Chosen.ProgramFolderChecks = {ReadAccess, LookInside, ReadRecorded, Compare, Protect};
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
    // Control: the same folder, recorded nowhere, is another program's.
    ResetFake();
    SetUp();
    AddFile("corvale.exe");
    Run();
    EXPECT_EQ(ExposedMessage, CallsNamed("ShowStatusText").back().Arguments[0]);
}

TEST_F(ExposedFolderTest, AFileAddedWhileTheListIsSetIsRefused) {
    Fake.FilesAddedWhileProtecting[Utf16(ExposedFolder + "\\version.dll")] = {'x'};
    Run();
    Chosen.ProgramFolderChecks = {ReadAccess, LookInside, Protect, LookInside};
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), LookInside, 0, ExposedMessage, 2), Recorded());
}

TEST_F(ExposedFolderTest, AListThatCannotBeSetFailsTheFolder) {
    Fake.ProtectErrors[Utf16(ExposedFolder)] = 5;
    Run();
    Chosen.ProgramFolderChecks = {ReadAccess, LookInside, Protect};
    EXPECT_EQ(
        FailedRun(ExpectedRun(Chosen), Protect, 0, "Couldn't create folder " + ExposedFolder + "\nError: 5"),
        Recorded());
}

TEST_F(InstallRunTest, DocumentsFolderThatCannotBeCreated) {
    Fake.FolderErrors[Utf16(Chosen.Documents)] = 5;
    Run();
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), Call("CreateFolder", {Chosen.Documents}), 0,
                        "Couldn't create folder " + Chosen.Documents + "\nError: 5"),
              Recorded());
    ExpectFailedEndState();
}

namespace {
const char* const FailureFormats[] = {
    "ERROR: Couldn't create file:\n\n%\n\nMake sure the program is closed before updating.",
    "ERROR: Couldn't create file:\n\n%",
    "ERROR: Couldn't create file:\n%",
    "Couldn't create file:\n%",
    "ERROR: Couldn't create file:\n\n%",
};
static_assert(sizeof FailureFormats / sizeof FailureFormats[0] == PayloadCount,
              "a message for every installed file");

std::string FailureMessage(int row, const std::string& target) {
    std::string message = FailureFormats[row];
    return message.replace(message.find('%'), 1, target);
}
} // namespace

class PayloadRowFailureTest : public InstallRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(PayloadRowFailureTest, TargetInUseStopsWithTheRowsMessageBeforeAnythingIsWritten) {
    int row = GetParam();
    std::string target = Target(Chosen, row);
    Fake.InUseFiles.insert(Utf16(target));
    Run();
    // The sample is found in use when it is opened checked, for comparing and deleting.
    std::string refused = Call(row == 4 ? "OpenCheckedChild" : "CheckReplaceable", {target});
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), refused, 0, FailureMessage(row, target)), Recorded());
    ExpectFailedEndState();
}

TEST_P(PayloadRowFailureTest, RefusedMoveStopsWithTheRowsMessageAndRemovesTheTemporaryFile) {
    int row = GetParam();
    std::string target = Target(Chosen, row), temporary = Temporary(Chosen, row);
    Fake.RefusedMoves.insert(Utf16(target));
    Run();
    std::string move = row == 4 ? Call("MoveCheckedChildOver", {temporary, target})
                                : Call("MoveFileOver", {temporary, target});
    std::string removal = Call(row == 4 ? "DeleteCheckedChild" : "DeleteTargetFile", {temporary});
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), move, 0, FailureMessage(row, target), 1, {removal}), Recorded());
    EXPECT_EQ(0u, Fake.Files.count(Utf16(temporary)));
    ExpectFailedEndState();
}

INSTANTIATE_TEST_SUITE_P(EveryRow, PayloadRowFailureTest, ::testing::Range(0, PayloadCount));

// A full volume or a failing flush, in the first file of each folder.
TEST_F(InstallRunTest, FailingWriteOrCloseOfTheTemporaryFileStopsWithTheRowsMessage) {
    for (int row : {0, 4}) {
        ResetFake();
        std::string target = Target(Chosen, row), temporary = Temporary(Chosen, row);
        (row == 0 ? Fake.FailingCloseFiles : Fake.FailingWriteFiles).insert(Utf16(temporary));
        Run();
        std::string failed = Call(row == 0 ? "CloseWrittenFile" : "FlushCheckedChild", {temporary});
        std::string removal = Call(row == 0 ? "DeleteTargetFile" : "DeleteCheckedChild", {temporary});
        EXPECT_EQ(FailedRun(ExpectedRun(Chosen), failed, 0, FailureMessage(row, target), 1, {removal}),
                  Recorded());
        ExpectFailedEndState();
    }
}

TEST_F(InstallRunTest, AnEditedSampleIsKeptAndTheRunEndsAsBefore) {
    std::vector<unsigned char> edited = OriginalPayload(4);
    edited.insert(edited.end(), {'2', '0', '2', '6'});
    const std::u16string sample = Utf16(Target(Chosen, 4));
    Fake.Files[sample] = edited;
    Run();
    EXPECT_EQ(edited, Fake.Files.at(sample));
    std::vector<std::string> expected = ExpectedRun(Chosen);
    auto written = std::find(expected.begin(), expected.end(), Call("PauseMilliseconds", {"100"}));
    for (int row = 0; row < 4; ++row)
        written = std::find(written + 1, expected.end(), Call("PauseMilliseconds", {"100"}));
    // Nothing is written; the sample's ticks come all the same, outside any written file.
    uint64_t ticks = 0;
    ASSERT_EQ(0, CheckPayload(PayloadTable[4].Blob, PayloadBlobBytes(PayloadTable[4]), nullptr, &ticks));
    ASSERT_GT(ticks, 0u);
    written = expected.erase(written, written + 5);
    written = expected.insert(written, Call("CloseReadFile", {Target(Chosen, 4)}));
    expected.insert(written + 1, ticks, "Tick");
    EXPECT_EQ(expected, Recorded());
    EXPECT_EQ(1, WizardState.InstallFinished);
}

// A documents folder reached through a link, or a temporary file or sample there that is a
// link or a second name, is left alone: the run stops at it, naming it, and writes nothing
// through it.
TEST_F(InstallRunTest, LinksInTheDocumentsFolderStopTheRunAndAreLeftAlone) {
    const std::string folder = Chosen.Documents, temporary = Temporary(Chosen, 4), sample = Target(Chosen, 4);
    const std::string linkedFile =
        " is a link or another name of a file elsewhere, so the setup left it alone.\n"
        "Remove it and run the setup again.";
    struct Case {
        std::string Linked, Refused, Message;
    } cases[] = {
        {folder, Call("OpenCheckedFolder", {folder}),
         "The folder " + folder +
             " is reached through a link, so the setup left it alone.\n"
             "Run the setup again and choose another documents folder."},
        {temporary, Call("DeleteCheckedName", {temporary}), temporary + linkedFile},
        {sample, Call("OpenCheckedChild", {sample}), sample + linkedFile},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Linked);
        ResetFake();
        Fake.RedirectedPaths.insert(Utf16(c.Linked));
        if (c.Linked != folder)
            Fake.Files[Utf16(c.Linked)] = {'v'};
        Run();
        EXPECT_EQ(FailedRun(ExpectedRun(Chosen), c.Refused, 0, c.Message), Recorded());
        ExpectFailedEndState();
        EXPECT_EQ(0, Fake.OpenFolders);
        EXPECT_EQ(0, Fake.OpenFiles);
        if (c.Linked != folder) {
            EXPECT_EQ(std::vector<unsigned char>{'v'}, Fake.Files.at(Utf16(c.Linked)));
        }
    }
}

class RegistryWriteFailureTest : public InstallRunTest, public ::testing::WithParamInterface<int> {};

TEST_P(RegistryWriteFailureTest, StopRowEndsTheRunAfterItsTick) {
    int write = GetParam();
    Fake.FailingRegistryWrites.insert(write);
    Run();
    // The failing write has already stepped the bar, except a write that steps nothing.
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), "WriteRegistryString", RegistryWriteTable[write - 1].StepAfter,
                        RegistryFailure, write),
              Recorded());
    ExpectFailedEndState();
}

// The 1-based numbers of the writes whose failure stops the run, or of those it goes on after.
std::vector<int> WritesThat(RegistryFailureRule rule) {
    std::vector<int> writes;
    for (int i = 0; i < RegistryWriteCount; ++i)
        if (RegistryWriteTable[i].OnFailure == rule)
            writes.push_back(i + 1);
    return writes;
}

INSTANTIATE_TEST_SUITE_P(StopRows, RegistryWriteFailureTest, ::testing::ValuesIn(WritesThat(StopOnFailure)));

TEST_F(InstallRunTest, DocumentTypeWritesMayFailAndTheRunGoesOn) {
    std::vector<int> goOn = WritesThat(GoOnAfterFailure);
    ASSERT_FALSE(goOn.empty());
    Fake.FailingRegistryWrites.insert(goOn.begin(), goOn.end());
    Run();
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
    EXPECT_EQ(1, WizardState.InstallFinished);
    // Control: the fake did refuse them.
    EXPECT_EQ(static_cast<size_t>(RegistryWriteCount) - goOn.size(), Fake.Registry.size());
}

TEST_F(InstallRunTest, OpenCommandFailingAfterTheGoOnWritesStops) {
    std::vector<int> goOn = WritesThat(GoOnAfterFailure);
    int command = goOn.back() + 1; // the open command, right after them
    ASSERT_EQ(StopOnFailure, RegistryWriteTable[command - 1].OnFailure);
    Fake.FailingRegistryWrites.insert(goOn.begin(), goOn.end());
    Fake.FailingRegistryWrites.insert(command);
    Run();
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), "WriteRegistryString", 1, RegistryFailure, command), Recorded());
}

// ---- Shortcuts never fail the run -----------------------------------------------------------

TEST_F(InstallRunTest, FailingShortcutsStillEndInSuccess) {
    Fake.ShellLinkResult = static_cast<int32_t>(0x80070005);
    Run();
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
    EXPECT_EQ(1, WizardState.InstallFinished);
}

TEST_F(InstallRunTest, FailingFolderLookupSkipsThatShortcutOnly) {
    Fake.SpecialFolders.erase(CsidlCommonPrograms);
    Run();
    std::vector<std::string> expected = ExpectedRun(Chosen);
    // The Start-menu link is not attempted; its tick still follows.
    auto link =
        std::find(expected.begin(), expected.end(),
                  Call("CreateShellLink", {Chosen.Program + "\\corvale.exe", "", StartMenu + "\\Corvale.lnk",
                                           "Corvale", "1", Chosen.Program, "", "0"}));
    ASSERT_NE(expected.end(), link);
    expected.erase(link);
    EXPECT_EQ(expected, Recorded());
    EXPECT_EQ(1, WizardState.InstallFinished);
}

TEST_F(InstallRunTest, LinkPathThatDoesNotFitIsSkipped) {
    // 247 + "\Corvale.lnk" is 259 units and fits; "\Zadir Oduve.lnk" does not.
    std::string desktop = "C:\\" + std::string(244, 'd');
    Fake.SpecialFolders[CsidlDesktopDirectory] = Utf16(desktop);
    Run();
    std::vector<FakeCall> links = CallsNamed("CreateShellLink");
    ASSERT_EQ(2u, links.size());
    EXPECT_EQ(desktop + "\\Corvale.lnk", links[1].Arguments[2]);
    EXPECT_EQ(259u, Utf16(links[1].Arguments[2]).size());
    std::vector<std::string> recorded = Recorded();
    EXPECT_EQ(static_cast<long>(RunOwnTicks), std::count(recorded.begin(), recorded.end(), "Tick"));
    EXPECT_EQ(1, WizardState.InstallFinished);
}

// ---- Folders near the length of the path buffers ---------------------------------------------
// Targets add a backslash and the file name to the folder; "uninst_corvale.exe" is the longest
// program file name, so a program folder of 240 units is the longest that installs.

namespace {
std::string FolderOfLength(size_t units) {
    return "C:\\" + std::string(units - 3, 'f');
}
} // namespace

TEST_F(InstallRunTest, LongestProgramFolderFitsEveryPathAndValue) {
    Chosen.Program = FolderOfLength(240);
    Run();
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());
    EXPECT_EQ(259u, Utf16(Target(Chosen, 2)).size());
    // The registry values built from the same folder fit too, the commands with their quotes.
    std::vector<FakeCall> writes = CallsNamed("WriteRegistryString");
    ASSERT_EQ(15u, writes.size());
    EXPECT_EQ(261u, writes[3].Arguments[3].size());  // "folder\uninst_corvale.exe"
    EXPECT_EQ(254u, writes[6].Arguments[3].size());  // folder\corvale.exe,0
    EXPECT_EQ(259u, writes[11].Arguments[3].size()); // "folder\corvale.exe" "%1"
}

TEST_F(InstallRunTest, OneUnitLongerFailsTheUninstallerRowWithItsWholePath) {
    Chosen.Program = FolderOfLength(241);
    Run();
    std::string target = Target(Chosen, 2);
    ASSERT_EQ(260u, target.size());
    // Rows 1 and 2 are written; row 3 touches nothing on disk; no registry value is written.
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), Call("MoveFileOver", {Temporary(Chosen, 1), Target(Chosen, 1)}),
                        0, FailureMessage(2, target)),
              Recorded());
    ExpectFailedEndState();
}

TEST_F(InstallRunTest, ProgramFolderTooLongForTheMainProgramTouchesNoFile) {
    for (size_t length : {248, PathUnits - 1}) {
        ResetFake();
        Chosen.Program = FolderOfLength(length);
        Run();
        std::string target = Target(Chosen, 0);
        EXPECT_EQ(FailedRun(ExpectedRun(Chosen), "Tick", 0, FailureMessage(0, target), 2), Recorded());
        EXPECT_EQ(0, CountCalls("CheckReplaceable"));
    }
    // Control: one unit shorter writes the main program.
    ResetFake();
    Chosen.Program = FolderOfLength(247);
    Run();
    EXPECT_EQ(1u, Fake.Files.count(Utf16(Target(Chosen, 0))));
}

TEST_F(InstallRunTest, DocumentsFolderAroundTheBound) {
    Chosen.Documents = FolderOfLength(248);
    Run();
    EXPECT_EQ(ExpectedRun(Chosen), Recorded());

    ResetFake();
    Chosen.Documents = FolderOfLength(249);
    Run();
    EXPECT_EQ(FailedRun(ExpectedRun(Chosen), Call("CreateFolder", {Chosen.Documents}), 3,
                        FailureMessage(4, Target(Chosen, 4))),
              Recorded());
}

// ---- The outcome message ----------------------------------------------------------------------

TEST_F(InstallRunTest, StatusShowsWhatFitsItsBufferAndNeverACutText) {
    std::u16string longest(StatusUnits - 1, u'm');
    ShowStatus(u"%s", longest.c_str());
    std::u16string tooLong(StatusUnits, u'm');
    ShowStatus(u"%s", tooLong.c_str());
    std::vector<FakeCall> shown = CallsNamed("ShowStatusText");
    ASSERT_EQ(2u, shown.size());
    EXPECT_EQ(Utf8(longest), shown[0].Arguments[0]);
    EXPECT_EQ("%s", shown[1].Arguments[0]);
}

// ---- What the uninstaller removes ---------------------------------------------------------

namespace {
bool KeyWithin(const std::string& key, const std::string& tree) {
    return key == tree || key.compare(0, tree.size() + 1, tree + "\\") == 0;
}

std::string RootName(RegistryRoot root) {
    return root == LocalMachineRoot ? "HKLM" : "HKCU";
}
} // namespace

// Every file, value, key and link that a whole run writes is in the removal plan composed for
// its folders, and the plan holds nothing the run did not write (but the leftovers of ended
// runs). The documents folder stays: it holds the user's ledgers.
TEST_F(InstallRunTest, TheRemovalPlanCoversExactlyWhatTheRunWrote) {
    Run();
    ASSERT_EQ(1, WizardState.InstallFinished);
    RemovalPlan plan;
    ASSERT_EQ(0, ComposeRemovalPlan(Utf16(Chosen.Program).c_str(), Utf16(Chosen.Documents).c_str(), &plan));
    std::vector<int> used(plan.Count, 0);
    auto covered = [&](auto matches) {
        int found = 0;
        for (int i = 0; i < plan.Count; ++i)
            if (matches(plan.Steps[i])) {
                used[i] = 1;
                found = 1;
            }
        return found;
    };
    for (const auto& file : Fake.Files)
        EXPECT_TRUE(covered([&](const RemovalStep& s) {
            return s.Kind <= RemoveFileWhileShipped || s.Kind == RemoveLibraryStep
                       ? file.first == s.Path
                       : s.Kind == RemoveEntryAndUninstaller && file.first == s.Data;
        })) << Utf8(file.first);
    for (const FakeRegistryValue& value : Fake.Registry)
        EXPECT_TRUE(covered([&](const RemovalStep& s) {
            bool tree = s.Kind == RemoveKeyTreeStep || s.Kind == RemoveEntryAndUninstaller;
            bool one = s.Kind == RemoveValueStep ||
                       (s.Kind == RemoveValueWhileOursStep && Utf16(Utf8(s.Data)) == value.Text);
            return RootName(s.Root) == value.Root &&
                   (tree ? KeyWithin(value.Key, Utf8(s.Path))
                         : one && value.Key == Utf8(s.Path) && value.Name == Utf8(s.ValueName));
        })) << value.Root
            << "\\" << value.Key << " " << value.Name;
    for (const FakeCall& link : CallsNamed("CreateShellLink"))
        EXPECT_TRUE(covered([&](const RemovalStep& s) {
            return s.Kind == RemoveShortcutStep && link.Arguments[0] == Utf8(s.Data) &&
                   link.Arguments[2] == Utf8(Fake.SpecialFolders.at(s.Csidl) + u"\\" + s.Path);
        })) << link.Arguments[2];
    EXPECT_TRUE(covered([&](const RemovalStep& s) {
        return s.Kind == RemoveEntryAndUninstaller && Utf8(s.Data) == Chosen.Program + "\\uninst_corvale.exe";
    })) << "the program folder, with the uninstaller";
    for (int i = 0; i < plan.Count; ++i)
        EXPECT_TRUE(used[i] || plan.Steps[i].Kind == RemoveLeftoversStep)
            << "step " << i << ": " << Utf8(plan.Steps[i].Path);
    // The promise of the order: the entry, the uninstaller and its folder go together, last.
    ASSERT_GE(plan.Count, 2);
    EXPECT_EQ(RemoveProgramUnlessRunning, plan.Steps[0].Kind);
    EXPECT_EQ(RemoveEntryAndUninstaller, plan.Steps[plan.Count - 1].Kind);
}

TEST_F(InstallRunTest, ARunRemovesTheLeftoversOfItsOwnPatternOnly) {
    const std::u16string program = Utf16(Chosen.Program);
    const char16_t* names[] = {u"~crv-0.del",   u"~CRV-00c0ffee.DEL", u"~crv-.del",  u"~crv-123456789.del",
                               u"~crv-12g.del", u"~crv-1.del.txt",    u"x~crv-1.del"};
    for (const char16_t* name : names)
        Fake.Files[program + u"\\" + name] = {1};
    Run();
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(i >= 2, Fake.Files.count(program + u"\\" + names[i]) == 1) << Utf8(names[i]);
    char16_t name[PathUnits];
    ASSERT_GT(ComposeLeftoverName(name, 0xC0FFEEu), 0);
    EXPECT_EQ(u"~crv-00c0ffee.del", std::u16string(name));
    EXPECT_EQ(1, IsLeftoverName(name));
}
