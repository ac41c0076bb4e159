// Shortcut files written through the shell-link object and read back through it.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "core/platform.h"
#include "core/product.h"
#include "core/win_text.h"
#include "test_support.h"

namespace {
// What a shortcut file holds, as the shell-link object reads it back.
struct ShortcutContent {
    std::u16string Target;
    std::u16string Arguments;
    std::u16string Description;
    int ShowCommand;
    std::u16string WorkingDirectory;
    std::u16string IconPath;
    int IconIndex;
};

// The show command as stored in the shortcut file's fixed-size header: a 32-bit value after
// the header size, the class id, the flags, the attributes, three timestamps, the size and the
// icon index.
int ShowCommandInFile(const std::u16string& linkFile) {
    constexpr size_t ShowCommandOffset = 4 + 16 + 4 + 4 + 3 * 8 + 4 + 4;
    std::string bytes;
    if (!ReadWholeFile(linkFile, &bytes) || bytes.size() < ShowCommandOffset + 4)
        return -1;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes.data()) + ShowCommandOffset;
    return p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24;
}

// Loads the file through IPersistFile; false when it is not a shortcut the shell can read.
bool LoadShortcut(const std::u16string& linkFile, ShortcutContent* content) {
    IShellLinkW* link = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&link))))
        return false;
    IPersistFile* persist = nullptr;
    bool loaded = SUCCEEDED(link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist))) &&
                  SUCCEEDED(persist->Load(WideText(linkFile.c_str()), STGM_READ));
    if (loaded) {
        wchar_t text[MAX_PATH * 2];
        text[0] = 0;
        link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH);
        content->Target = FromWide(text);
        text[0] = 0;
        link->GetArguments(text, MAX_PATH);
        content->Arguments = FromWide(text);
        text[0] = 0;
        link->GetDescription(text, MAX_PATH);
        content->Description = FromWide(text);
        // Wine's Load doesn't restore the show command (it always reads back 1) although
        // Save writes it; the file's header holds it at a fixed place.
        content->ShowCommand = ShowCommandInFile(linkFile);
        text[0] = 0;
        link->GetWorkingDirectory(text, MAX_PATH);
        content->WorkingDirectory = FromWide(text);
        text[0] = 0;
        content->IconIndex = -1;
        link->GetIconLocation(text, MAX_PATH, &content->IconIndex);
        content->IconPath = FromWide(text);
    }
    if (persist != nullptr)
        persist->Release();
    link->Release();
    return loaded;
}

class ShellLinkTest : public testing::Test {
  protected:
    static void SetUpTestSuite() { CoInitialize(nullptr); }
    static void TearDownTestSuite() { CoUninitialize(); }
    void SetUp() override {
        Scratch = MakeScratchFolder();
        ProgramFolder = Join(Scratch, u"Corvale");
        DocumentsFolder = Join(Scratch, ProductInfo.DocumentsFolderName);
        MainProgram = Join(ProgramFolder, ProductInfo.MainProgramFile);
        ASSERT_EQ(0u, CreateFolder(ProgramFolder.c_str()));
        ASSERT_EQ(0u, CreateFolder(DocumentsFolder.c_str()));
        ASSERT_TRUE(WriteWholeFile(MainProgram, "MZ"));
    }
    void TearDown() override { RemoveTree(Scratch); }
    // The three shortcuts of an installation share everything but their place and target.
    int32_t CreateInstalledShortcut(const std::u16string& linkFile, const std::u16string& target,
                                    const char16_t* description, const std::u16string& workingDirectory) {
        return CreateShellLink(target.c_str(), u"", linkFile.c_str(), description, ShowNormal,
                               workingDirectory.c_str(), u"", 0);
    }
    std::u16string Scratch, ProgramFolder, DocumentsFolder, MainProgram;
};

TEST_F(ShellLinkTest, SavesTheInstallationsThreeShortcutsAsTheShellReadsThem) {
    std::u16string startMenu = Join(Scratch, u"Start Menu");
    std::u16string desktop = Join(Scratch, u"Рабочий стол");
    ASSERT_EQ(0u, CreateFolder(startMenu.c_str()));
    ASSERT_EQ(0u, CreateFolder(desktop.c_str()));
    struct Expected {
        std::u16string LinkFile, Target, Description, WorkingDirectory;
    } shortcuts[] = {
        {Join(startMenu, ProductInfo.ProgramShortcutFile), MainProgram, ProductInfo.ProductName,
         ProgramFolder},
        {Join(desktop, ProductInfo.ProgramShortcutFile), MainProgram, ProductInfo.ProductName, ProgramFolder},
        {Join(desktop, ProductInfo.DocumentsShortcutFile), DocumentsFolder, ProductInfo.DocumentsFolderName,
         DocumentsFolder},
    };
    for (const Expected& shortcut : shortcuts) {
        SCOPED_TRACE(std::string(shortcut.LinkFile.begin(), shortcut.LinkFile.end()));
        ASSERT_EQ(0, CreateInstalledShortcut(shortcut.LinkFile, shortcut.Target, shortcut.Description.c_str(),
                                             shortcut.WorkingDirectory));
        ShortcutContent content;
        ASSERT_TRUE(LoadShortcut(shortcut.LinkFile, &content));
        EXPECT_EQ(shortcut.Target, content.Target);
        EXPECT_EQ(u"", content.Arguments);
        EXPECT_EQ(shortcut.Description, content.Description);
        EXPECT_EQ(ShowNormal, content.ShowCommand);
        EXPECT_EQ(shortcut.WorkingDirectory, content.WorkingDirectory);
        EXPECT_EQ(u"", content.IconPath);
        EXPECT_EQ(0, content.IconIndex);
    }
}

TEST_F(ShellLinkTest, SetsOnlyWhatIsGiven) {
    std::u16string linkFile = Join(Scratch, u"bare.lnk");
    // No description, no show command, no working directory, an index without an icon path.
    ASSERT_EQ(0, CreateShellLink(MainProgram.c_str(), u"/first", linkFile.c_str(), u"", 0, u"", u"", 5));
    ShortcutContent content;
    ASSERT_TRUE(LoadShortcut(linkFile, &content));
    EXPECT_EQ(u"/first", content.Arguments);
    EXPECT_EQ(u"", content.Description);
    EXPECT_EQ(SW_SHOWNORMAL, content.ShowCommand) << "the object's default show state";
    EXPECT_EQ(u"", content.WorkingDirectory);
    EXPECT_EQ(u"", content.IconPath);
    EXPECT_EQ(0, content.IconIndex);

    // Control: the same fields given are stored, so their absence above is not the reader's.
    std::u16string icon = Join(ProgramFolder, u"corvale.ico");
    ASSERT_EQ(0, CreateShellLink(MainProgram.c_str(), u"", linkFile.c_str(), u"Описание", SW_SHOWMINNOACTIVE,
                                 ProgramFolder.c_str(), icon.c_str(), 5));
    ASSERT_TRUE(LoadShortcut(linkFile, &content));
    EXPECT_EQ(u"", content.Arguments) << "empty arguments replace the earlier ones";
    EXPECT_EQ(u"Описание", content.Description);
    EXPECT_EQ(SW_SHOWMINNOACTIVE, content.ShowCommand);
    EXPECT_EQ(ProgramFolder, content.WorkingDirectory);
    EXPECT_EQ(icon, content.IconPath);
    EXPECT_EQ(5, content.IconIndex);
}

TEST_F(ShellLinkTest, RefusesBadArgumentsWithoutWritingAnything) {
    std::u16string linkFile = Join(Scratch, u"refused.lnk");
    const char16_t* target = MainProgram.c_str();
    const char16_t* link = linkFile.c_str();
    EXPECT_EQ(ResultInvalidArgument, CreateShellLink(u"", u"", link, u"d", 1, u"", u"", 0));
    EXPECT_EQ(ResultInvalidArgument, CreateShellLink(nullptr, u"", link, u"d", 1, u"", u"", 0));
    EXPECT_EQ(ResultInvalidArgument, CreateShellLink(target, u"", u"", u"d", 1, u"", u"", 0));
    EXPECT_EQ(ResultInvalidArgument, CreateShellLink(target, u"", link, u"d", -1, u"", u"", 0));
    EXPECT_EQ(ResultInvalidArgument, CreateShellLink(target, u"", link, u"d", 1, u"", u"", -1));
    EXPECT_EQ(ResultInvalidArgument, CreateShellLink(target, nullptr, link, u"d", 1, u"", u"", 0));
    EXPECT_FALSE(FileExists(linkFile));
    // Control: the same call with valid arguments writes the file.
    EXPECT_EQ(0, CreateShellLink(target, u"", link, u"d", 1, u"", u"", 0));
    EXPECT_TRUE(FileExists(linkFile));
}

TEST_F(ShellLinkTest, ReplacesAnExistingShortcutOrOtherFileOfTheSameName) {
    std::u16string linkFile = Join(Scratch, ProductInfo.ProgramShortcutFile);
    std::u16string oldTarget = Join(Scratch, u"old.exe");
    ASSERT_TRUE(WriteWholeFile(oldTarget, "MZ"));
    ASSERT_EQ(
        0, CreateShellLink(oldTarget.c_str(), u"/old", linkFile.c_str(), u"Old", 3, Scratch.c_str(), u"", 0));
    ASSERT_EQ(0, CreateInstalledShortcut(linkFile, MainProgram, ProductInfo.ProductName, ProgramFolder));
    ShortcutContent content;
    ASSERT_TRUE(LoadShortcut(linkFile, &content));
    EXPECT_EQ(MainProgram, content.Target);
    EXPECT_EQ(u"", content.Arguments);
    EXPECT_EQ(ProductInfo.ProductName, content.Description);
    EXPECT_EQ(ShowNormal, content.ShowCommand);
    EXPECT_EQ(ProgramFolder, content.WorkingDirectory);

    // A longer file that is no shortcut at all is replaced whole, not patched.
    ASSERT_TRUE(WriteWholeFile(linkFile, std::string(20000, 'x')));
    ASSERT_EQ(0, CreateInstalledShortcut(linkFile, MainProgram, ProductInfo.ProductName, ProgramFolder));
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(linkFile, &bytes));
    EXPECT_LT(bytes.size(), 20000u);
    ASSERT_TRUE(LoadShortcut(linkFile, &content));
    EXPECT_EQ(MainProgram, content.Target);
}

TEST_F(ShellLinkTest, FailsToSaveIntoAMissingFolderAndCreatesNothing) {
    std::u16string missing = Join(Scratch, u"Desktop");
    std::u16string linkFile = Join(missing, ProductInfo.ProgramShortcutFile);
    int32_t result = CreateInstalledShortcut(linkFile, MainProgram, ProductInfo.ProductName, ProgramFolder);
    EXPECT_LT(result, 0);
    EXPECT_FALSE(FolderExists(missing));
    EXPECT_FALSE(FileExists(linkFile));
}

// Links that tests/windows/plant-links.sh planted: one at the shortcut's name, and a desktop
// that is a link to another folder.
TEST_F(ShellLinkTest, ReplacesALinkAtItsNameAndLeavesADesktopReachedThroughALinkAlone) {
    const std::u16string planted = UnixPathOnWine(PLANTED_LINKS);
    const std::u16string atName = Join(Join(planted, u"desktop"), ProductInfo.ProgramShortcutFile),
                         victim = Join(Join(planted, u"victims"), u"shortcut.lnk");
    std::string content;
    // Control: by its path the name leads to the victim.
    ASSERT_TRUE(ReadWholeFile(atName, &content));
    ASSERT_EQ("victim", content);
    ASSERT_EQ(0, CreateInstalledShortcut(atName, MainProgram, ProductInfo.ProductName, ProgramFolder));
    ShortcutContent shortcut;
    ASSERT_TRUE(LoadShortcut(atName, &shortcut));
    EXPECT_EQ(MainProgram, shortcut.Target);
    ASSERT_TRUE(ReadWholeFile(victim, &content));
    EXPECT_EQ("victim", content) << "the link at the shortcut's name was followed";

    const std::u16string link = Join(planted, u"desktop-link"), target = Join(planted, u"desktop-target");
    ASSERT_TRUE(FolderExists(link)) << "control: the folder link leads somewhere";
    EXPECT_EQ(ResultReachedThroughLink,
              CreateInstalledShortcut(Join(link, ProductInfo.ProgramShortcutFile), MainProgram,
                                      ProductInfo.ProductName, ProgramFolder));
    EXPECT_FALSE(FileExists(Join(target, ProductInfo.ProgramShortcutFile)));
    EXPECT_FALSE(FileExists(Join(target, TemporaryFileName)));
}
} // namespace
