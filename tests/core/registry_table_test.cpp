// The registry table executed on its own, and the two reads that bring the folders back.
#include <string>

#include <gtest/gtest.h>

#include "core/install_run.h"
#include "core/registry_table.h"
#include "core/text.h"
#include "fake_platform.h"
#include "wizard/wizard_state.h"

namespace {
// The write of a value, found by its name or its data's format.
const RegistryWrite* WriteOf(const char16_t* valueName, const char16_t* dataFormat = nullptr) {
    for (const RegistryWrite& write : RegistryWriteTable)
        if (TextEqual(write.ValueName, valueName) && (dataFormat == nullptr || TextEqual(write.DataFormat, dataFormat)))
            return &write;
    return nullptr;
}

class RegistryTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ResetFake();
        SetProgramFolder(u"C:\\Program Files\\Corvale");
    }
    void SetProgramFolder(const std::u16string& folder) {
        Program = folder;
        MainProgram = folder + u"\\corvale.exe";
        Inputs.ProgramFolder = Program.c_str();
        Inputs.MainProgramPath = MainProgram.c_str();
    }
    std::u16string Program, MainProgram;
    std::u16string Documents = u"D:\\Docs\\Zadir Oduve";
    InstallInputs Inputs = {nullptr, Documents.c_str(), nullptr, 1, 1};
    ProgressSink Sink{};
};

// Fills a folder buffer with a marker that a read must not leave behind.
void Scribble(char16_t* folder) {
    for (int i = 0; i < PathUnits; ++i)
        folder[i] = u'#';
}
} // namespace

TEST_F(RegistryTableTest, EveryWriteAndItsStep) {
    EXPECT_EQ(0, WriteRegistryTable(&Inputs, &Sink));
    EXPECT_EQ(RegistryWriteCount, CountCalls("WriteRegistryString"));
    EXPECT_EQ(RegistryStepCount(), CountCalls("StepIt"));
}

TEST_F(RegistryTableTest, ValueThatDoesNotFitFailsItsWriteAndStops) {
    // 241 units: "\uninst_corvale.exe" and the quotes make the uninstall command 262 units.
    SetProgramFolder(u"C:\\" + std::u16string(238, u'f'));
    EXPECT_EQ(-1, WriteRegistryTable(&Inputs, &Sink));
    EXPECT_EQ(3, CountCalls("WriteRegistryString")); // the fourth is not attempted
    EXPECT_EQ(4, CountCalls("StepIt"));              // but it steps like a failed write
    // Control: 240 units fit.
    ResetFake();
    SetProgramFolder(u"C:\\" + std::u16string(237, u'f'));
    EXPECT_EQ(0, WriteRegistryTable(&Inputs, &Sink));
}

TEST_F(RegistryTableTest, MissingMainProgramPathFailsTheOpenCommand) {
    Inputs.MainProgramPath = nullptr;
    EXPECT_EQ(-1, WriteRegistryTable(&Inputs, &Sink));
    EXPECT_EQ(11, CountCalls("WriteRegistryString"));
    EXPECT_EQ(12, CountCalls("StepIt"));
}

TEST_F(RegistryTableTest, KeyBuiltOnAMissingPreviousKeyIsNotComposed) {
    char16_t key[PathUnits], data[PathUnits];
    // Write 10 ("%s\shell") would otherwise land on "\shell" at the root.
    const RegistryWrite* shell = WriteOf(u"", u"open");
    ASSERT_NE(nullptr, shell);
    EXPECT_EQ(-1, ComposeRegistryWrite(shell, &Inputs, u"", key, data));
    EXPECT_EQ(0, key[0]);
    EXPECT_EQ(0, ComposeRegistryWrite(shell, &Inputs, u"SOFTWARE\\Classes\\Corvale.Doc", key,
                                      data));
    EXPECT_EQ(std::u16string(u"SOFTWARE\\Classes\\Corvale.Doc\\shell"), key);
    EXPECT_EQ(std::u16string(u"open"), data);
}

TEST_F(RegistryTableTest, FailedDataKeepsTheKeyForTheNextWrite) {
    char16_t key[PathUnits], data[PathUnits];
    std::u16string tooLong = u"C:\\" + std::u16string(238, u'f');
    Inputs.ProgramFolder = tooLong.c_str();
    EXPECT_EQ(-1, ComposeRegistryWrite(WriteOf(u"UninstallString"), &Inputs,
                                       u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvale",
                                       key, data));
    EXPECT_EQ(std::u16string(u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvale"), key);
    EXPECT_EQ(0, data[0]);
}

// ---- The remembered folders -----------------------------------------------------------------

TEST_F(RegistryTableTest, ReadsBackWhatTheWritesStored) {
    ASSERT_EQ(0, WriteRegistryTable(&Inputs, &Sink));
    char16_t folder[PathUnits];
    Scribble(folder);
    EXPECT_EQ(0, ReadRememberedFolder(RememberedProgramFolder, folder));
    EXPECT_EQ(Program, folder);
    Scribble(folder);
    EXPECT_EQ(0, ReadRememberedFolder(RememberedDocumentsFolder, folder));
    EXPECT_EQ(Documents, folder);
    std::vector<FakeCall> reads = CallsNamed("ReadRegistryString");
    ASSERT_EQ(2u, reads.size());
    EXPECT_EQ((std::vector<std::string>{"HKLM", "SOFTWARE\\Corvale", "AppPath", "520"}), reads[0].Arguments);
    EXPECT_EQ((std::vector<std::string>{"HKCU", "SOFTWARE\\Corvale", "DocPath", "520"}), reads[1].Arguments);
}

TEST_F(RegistryTableTest, FailedReadLeavesAnEmptyFolder) {
    char16_t folder[PathUnits];
    Scribble(folder);
    EXPECT_EQ(-1, ReadRememberedFolder(RememberedProgramFolder, folder));
    EXPECT_EQ(0, folder[0]);
    Scribble(folder);
    EXPECT_EQ(-1, ReadRememberedFolder(7, folder));
    EXPECT_EQ(0, folder[0]);
    EXPECT_EQ(1, CountCalls("ReadRegistryString"));
}

TEST_F(RegistryTableTest, StoredFolderLargerThanTheBufferIsRefused) {
    Fake.Registry.push_back({"HKLM", "SOFTWARE\\Corvale", "AppPath", std::u16string(PathUnits, u'x')});
    Fake.Registry.push_back({"HKCU", "SOFTWARE\\Corvale", "DocPath", std::u16string(PathUnits - 1, u'y')});
    char16_t folder[PathUnits];
    EXPECT_EQ(-1, ReadRememberedFolder(RememberedProgramFolder, folder));
    EXPECT_EQ(0, folder[0]);
    EXPECT_EQ(0, ReadRememberedFolder(RememberedDocumentsFolder, folder));
    EXPECT_EQ(std::u16string(PathUnits - 1, u'y'), folder);
}

TEST_F(RegistryTableTest, ANewRunProposesTheFoldersOfTheLastInstallation) {
    Fake.ProgramFolderEdit = u"E:\\Finance\\Corvale";
    Fake.DocumentsFolderEdit = u"E:\\Finance\\Zadir Oduve";
    InstallRun();
    ASSERT_EQ(1, WizardState.InstallFinished);
    char16_t folder[PathUnits];
    ReadRememberedFolder(RememberedProgramFolder, folder);
    EXPECT_EQ(Fake.ProgramFolderEdit, folder);
    ReadRememberedFolder(RememberedDocumentsFolder, folder);
    EXPECT_EQ(Fake.DocumentsFolderEdit, folder);
}
