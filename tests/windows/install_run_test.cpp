// The installation run on the real files, registry and shell link, with the recording fake
// of the window side. The registry roots are redirected into a key of the tests' own, so
// the prefix's real installation keys stay as they were.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include "core/install_run.h"
#include "core/win_text.h"
#include "test_support.h"
#include "tests/core/fake_platform.h"
#include "wizard/wizard_state.h"

namespace {
// Not the registry tests' key: the two programs may run at once.
const wchar_t RedirectKey[] = L"SOFTWARE\\CorvaleInstallRunTests";
const char16_t ProductKey[] = u"SOFTWARE\\Corvale";

// The text the run showed last.
std::u16string ShownStatus() {
    std::vector<FakeCall> shown = CallsNamed("ShowStatusText");
    return shown.empty() ? u"" : Utf16(shown.back().Arguments[0]);
}

std::u16string Format(const char16_t* format, const std::u16string& text) {
    std::u16string out;
    for (const char16_t* f = format; *f != 0; ++f) {
        if (f[0] == u'%' && f[1] == u's') {
            out += text;
            ++f;
        } else {
            out += *f;
        }
    }
    return out;
}

class InstallRunTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }

    void SetUp() override {
        Scratch = MakeScratchFolder();
        ProgramFolder = Join(Scratch, u"Корвале");
        DocumentsFolder = Join(Scratch, u"Документы");
        RegDeleteTreeW(HKEY_CURRENT_USER, RedirectKey);
        // Both roots are redirected before the run, so nothing it writes reaches the real ones.
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(RedirectKey) + L"\\Machine").c_str(), 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &Machine, nullptr));
        ASSERT_EQ(ERROR_SUCCESS,
                  RegCreateKeyExW(HKEY_CURRENT_USER, (std::wstring(RedirectKey) + L"\\User").c_str(), 0,
                                  nullptr, 0, KEY_ALL_ACCESS, nullptr, &User, nullptr));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_LOCAL_MACHINE, Machine));
        ASSERT_EQ(ERROR_SUCCESS, RegOverridePredefKey(HKEY_CURRENT_USER, User));
        Redirected = true;
        char16_t folder[PathUnits];
        ASSERT_EQ(0, GetSpecialFolder(CsidlCommonPrograms, folder));
        StartMenuShortcut = Join(folder, ProductInfo.ProgramShortcutFile);
        StartMenuShortcutExisted = FileExists(StartMenuShortcut);
    }

    void TearDown() override {
        if (Process != nullptr) {
            TerminateProcess(Process, 0);
            WaitForSingleObject(Process, 10000);
            CloseHandle(Process);
        }
        if (Job != nullptr)
            CloseHandle(Job);
        if (Redirected) {
            RegOverridePredefKey(HKEY_LOCAL_MACHINE, nullptr);
            RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
        }
        RegCloseKey(Machine);
        RegCloseKey(User);
        RegDeleteTreeW(HKEY_CURRENT_USER, RedirectKey);
        // The start-menu shortcut goes to the prefix's real folder; leave it as it was found.
        if (!StartMenuShortcutExisted)
            DeleteFileW(WideText(StartMenuShortcut.c_str()));
        RemoveTree(Scratch);
    }

    // The folder page as the user left it: the two folders, no desktop shortcuts.
    void Run() {
        ResetFake();
        Fake.ProgramFolderEdit = ProgramFolder;
        Fake.DocumentsFolderEdit = DocumentsFolder;
        Fake.ProgramShortcutCheck = 0;
        Fake.DocumentsShortcutCheck = 0;
        InstallRun();
    }

    // True when the redirected registry holds no value of the product's keys.
    bool RegistryUntouched() {
        char16_t text[PathUnits];
        return ReadRegistryString(LocalMachineRoot, ProductKey, u"AppPath", text, FolderBufferBytes) != 0 &&
               ReadRegistryString(CurrentUserRoot, ProductKey, u"DocPath", text, FolderBufferBytes) != 0;
    }

    // Starts a copy of a program that keeps running, from the program folder, as the installed
    // program it stands for.
    void StartRunningCopy(const std::u16string& image) {
        std::u16string command = u"\"" + image + u"\"";
        STARTUPINFOW startup = {};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process = {};
        ASSERT_TRUE(CreateProcessW(WideText(image.c_str()), WideText(&command[0]), nullptr, nullptr, FALSE,
                                   CREATE_NO_WINDOW | CREATE_SUSPENDED, nullptr,
                                   WideText(ProgramFolder.c_str()), &startup, &process));
        Process = process.hProcess;
        // In a job that ends it with the test program, should the test stop half-way.
        Job = CreateJobObjectW(nullptr, nullptr);
        JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits = {};
        limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
        SetInformationJobObject(Job, JobObjectExtendedLimitInformation, &limits, sizeof limits);
        AssignProcessToJobObject(Job, Process);
        ResumeThread(process.hThread);
        CloseHandle(process.hThread);
        // The image is mapped, and so locked, from process creation on; the pause only makes
        // sure the stand-in is really up and running before the run meets it.
        WaitForSingleObject(Process, 500);
        DWORD code = 0;
        ASSERT_TRUE(GetExitCodeProcess(Process, &code));
        ASSERT_EQ(static_cast<DWORD>(STILL_ACTIVE), code) << "the stand-in program must keep running";
    }

    std::u16string Scratch, ProgramFolder, DocumentsFolder, StartMenuShortcut;
    bool StartMenuShortcutExisted = false;
    HKEY Machine = nullptr, User = nullptr;
    bool Redirected = false;
    HANDLE Process = nullptr;
    HANDLE Job = nullptr;
};

TEST_F(InstallRunTest, StopsAtAProgramFolderWhoseParentIsMissingHavingWrittenNothing) {
    std::u16string parent = Join(Scratch, u"Missing");
    ProgramFolder = Join(parent, u"Корвале");
    Run();
    EXPECT_EQ(u"Couldn't create folder " + ProgramFolder + u"\nError: 3", ShownStatus());
    EXPECT_EQ(1, CountCalls("ShowCloseButton"));
    EXPECT_EQ(0, WizardState.InstallFinished);
    EXPECT_FALSE(FolderExists(parent));
    EXPECT_FALSE(FolderExists(DocumentsFolder));
    EXPECT_TRUE(RegistryUntouched());
    if (!StartMenuShortcutExisted) {
        EXPECT_FALSE(FileExists(StartMenuShortcut));
    }
}

TEST_F(InstallRunTest, StopsAtTheMainProgramWhileACopyOfItRunsAndLeavesItsFile) {
    ASSERT_EQ(0u, CreateFolder(ProgramFolder.c_str()));
    std::u16string mainProgram = Join(ProgramFolder, ProductInfo.MainProgramFile);
    std::u16string standIn = UnixPathOnWine(HOLD_OPEN_PROGRAM);
    ASSERT_TRUE(CopyFileW(WideText(standIn.c_str()), WideText(mainProgram.c_str()), FALSE));
    std::string oldImage;
    ASSERT_TRUE(ReadWholeFile(mainProgram, &oldImage));
    StartRunningCopy(mainProgram);

    Run();
    EXPECT_EQ(Format(InstalledFiles[0].FailureFormat, mainProgram), ShownStatus());
    EXPECT_EQ(0, WizardState.InstallFinished);
    std::string image;
    ASSERT_TRUE(ReadWholeFile(mainProgram, &image));
    EXPECT_TRUE(oldImage == image) << "the running copy's file must stay as it was";
    EXPECT_FALSE(FileExists(Join(ProgramFolder, TemporaryFileName)));
    EXPECT_FALSE(FileExists(Join(ProgramFolder, ProductInfo.ReadmeFile)));
    EXPECT_FALSE(FolderExists(DocumentsFolder));
    EXPECT_TRUE(RegistryUntouched());

    // Control: with the copy ended, the same run replaces the file and finishes.
    TerminateProcess(Process, 0);
    WaitForSingleObject(Process, 10000);
    CloseHandle(Process);
    Process = nullptr;
    Run();
    EXPECT_EQ(1, WizardState.InstallFinished) << Utf8(ShownStatus());
    std::string original;
    ASSERT_TRUE(ReadPayloadOriginal(0, &original));
    ASSERT_TRUE(ReadWholeFile(mainProgram, &image));
    EXPECT_TRUE(original == image);
    char16_t stored[PathUnits];
    ASSERT_EQ(0, ReadRegistryString(LocalMachineRoot, ProductKey, u"AppPath", stored, FolderBufferBytes));
    EXPECT_EQ(ProgramFolder, stored);
    EXPECT_TRUE(FileExists(StartMenuShortcut));
}

// Whether two paths name the same file, through plain path-based opens that follow every link.
bool SameFile(const std::u16string& a, const std::u16string& b) {
    BY_HANDLE_FILE_INFORMATION information[2] = {};
    const std::u16string* paths[] = {&a, &b};
    for (int i = 0; i < 2; ++i) {
        HANDLE file = CreateFileW(WideText(paths[i]->c_str()), 0, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return false;
        GetFileInformationByHandle(file, &information[i]);
        CloseHandle(file);
    }
    return information[0].dwVolumeSerialNumber == information[1].dwVolumeSerialNumber &&
           information[0].nFileIndexHigh == information[1].nFileIndexHigh &&
           information[0].nFileIndexLow == information[1].nFileIndexLow;
}

// Documents folders that tests/windows/plant-links.sh prepared: each is, or holds, a link that
// a path-based write or delete would follow onto a file outside it.
TEST_F(InstallRunTest, LeavesLinksInTheDocumentsFolderAloneAndSaysSo) {
    const std::u16string planted = UnixPathOnWine(PLANTED_LINKS), victims = Join(planted, u"victims"),
                         target = Join(planted, u"docs-target");
    std::string shipped;
    ASSERT_TRUE(ReadPayloadOriginal(4, &shipped));
    struct Case {
        const char16_t* Folder; // the documents folder
        const char16_t* Name;   // the file in it that leads to the victim
        bool FolderIsLink;      // rather than the file
        std::u16string Victim;
        std::string Content;
    } cases[] = {
        {u"docs-temporary", TemporaryFileName, false, Join(victims, u"temporary.txt"), "victim"},
        {u"docs-sample", u"sample.mpl", false, Join(victims, u"sample.mpl"), shipped},
        {u"docs-second", u"sample.mpl", false, Join(victims, u"second.mpl"), shipped}, // a second name
        {u"docs-linked", u"sample.mpl", true, Join(target, u"sample.mpl"), shipped},
        {u"docs-linked", TemporaryFileName, true, Join(target, TemporaryFileName), "victim"},
    };
    for (const Case& c : cases) {
        DocumentsFolder = Join(planted, c.Folder);
        std::u16string linked = Join(DocumentsFolder, c.Name);
        SCOPED_TRACE(std::string(linked.begin(), linked.end()));
        // Control: a plain path-based open reaches the victim through the planted link.
        ASSERT_TRUE(SameFile(linked, c.Victim));
        Run();
        EXPECT_EQ(!c.FolderIsLink
                      ? linked +
                            u" is a link or another name of a file elsewhere, so the setup left it alone.\n"
                            u"Remove it and run the setup again."
                      : u"The folder " + DocumentsFolder +
                            u" is reached through a link, so the setup left it alone.\n"
                            u"Run the setup again and choose another documents folder.",
                  ShownStatus());
        EXPECT_EQ(0, WizardState.InstallFinished);
        EXPECT_TRUE(RegistryUntouched());
        std::string content;
        ASSERT_TRUE(ReadWholeFile(c.Victim, &content));
        EXPECT_TRUE(c.Content == content) << "the victim changed";
        EXPECT_TRUE(SameFile(linked, c.Victim)) << "the link was replaced or removed";
    }
}

#ifdef EXPOSED_FOLDER_TESTS
// ---- Existing program folders -----------------------------------------------------------------
// Built against a test build of the core in which every folder outside Program Files reads as
// one that any signed-in user may change (Wine reports its own list for every folder). The
// same cases built against the control core, which uses such folders without looking, must
// fail the refusal, and only that.

bool ShowsRefusal(const std::u16string& status, const std::u16string& folder) {
    const std::u16string start = u"ERROR: Can't install into folder:\n\n" + folder + u"\n\n";
    return status.compare(0, start.size(), start) == 0 &&
           status.find(u"Run the setup again and choose another folder.") != std::u16string::npos;
}

TEST_F(InstallRunTest, ExposedFolderWithAnotherProgramsFilesIsRefusedHavingWrittenNothing) {
    ASSERT_EQ(0u, CreateFolder(ProgramFolder.c_str()));
    ASSERT_TRUE(WriteWholeFile(Join(ProgramFolder, u"other.exe"), "MZ"));
    Run();
    EXPECT_TRUE(ShowsRefusal(ShownStatus(), ProgramFolder)) << Utf8(ShownStatus());
    EXPECT_EQ(0, WizardState.InstallFinished);
    EXPECT_FALSE(FileExists(Join(ProgramFolder, ProductInfo.MainProgramFile)));
    EXPECT_FALSE(FileExists(Join(ProgramFolder, TemporaryFileName)));
    EXPECT_FALSE(FolderExists(DocumentsFolder));
    EXPECT_TRUE(RegistryUntouched());
}

TEST_F(InstallRunTest, ExposedEmptyFolderIsUsed) {
    // Control: with one file in it, the folder is another program's.
    ASSERT_EQ(0u, CreateFolder(ProgramFolder.c_str()));
    std::u16string stray = Join(ProgramFolder, u"notes.txt");
    ASSERT_TRUE(WriteWholeFile(stray, "x"));
    Run();
    EXPECT_TRUE(ShowsRefusal(ShownStatus(), ProgramFolder)) << Utf8(ShownStatus());
    ASSERT_TRUE(DeleteFileW(WideText(stray.c_str())));
    Run();
    EXPECT_EQ(1, WizardState.InstallFinished) << Utf8(ShownStatus());
    EXPECT_TRUE(FileExists(Join(ProgramFolder, ProductInfo.MainProgramFile)));
}

TEST_F(InstallRunTest, ExposedEarlierInstallationIsUsedAgain) {
    Run();
    ASSERT_EQ(1, WizardState.InstallFinished) << Utf8(ShownStatus());
    Run();
    EXPECT_EQ(1, WizardState.InstallFinished) << Utf8(ShownStatus());
    // Control: recorded nowhere, the same files are another program's.
    HKEY product;
    ASSERT_EQ(ERROR_SUCCESS,
              RegOpenKeyExW(HKEY_LOCAL_MACHINE, WideText(ProductKey), 0, KEY_SET_VALUE, &product));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteValueW(product, L"AppPath"));
    RegCloseKey(product);
    Run();
    EXPECT_TRUE(ShowsRefusal(ShownStatus(), ProgramFolder)) << Utf8(ShownStatus());
}
#endif
} // namespace
