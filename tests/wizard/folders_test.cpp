#include <gtest/gtest.h>

#include <string>

#include "core/platform.h"
#include "core/text.h"
#include "wizard/folders.h"
#include "wizard/layout.h"
#include "wizard/wizard_state.h"

// ---- The few platform calls the folder defaults reach, faked ------------------------------

namespace {

struct FakeValue {
    bool Present;
    std::u16string Text;
};

struct FakeRegistry {
    FakeValue AppPath;          // HKLM SOFTWARE\Corvale
    FakeValue DocPath;          // HKCU SOFTWARE\Corvale
    std::u16string Special[64]; // special folders by CSIDL; empty means the lookup fails
    int Reads;
} Fake;

} // namespace

int ReadRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, char16_t* buffer,
                       unsigned bufferBytes) {
    ++Fake.Reads;
    if (!TextEqual(key, u"SOFTWARE\\Corvale"))
        return -1;
    const FakeValue* value = nullptr;
    if (root == LocalMachineRoot && TextEqual(name, u"AppPath"))
        value = &Fake.AppPath;
    if (root == CurrentUserRoot && TextEqual(name, u"DocPath"))
        value = &Fake.DocPath;
    if (value == nullptr || !value->Present || (value->Text.size() + 1) * sizeof(char16_t) > bufferBytes)
        return -1;
    value->Text.copy(buffer, value->Text.size());
    buffer[value->Text.size()] = 0;
    return 0;
}

int GetSpecialFolder(int csidl, char16_t* path) {
    path[0] = 0;
    if (Fake.Special[csidl].empty())
        return -1;
    return CopyText(path, PathUnits, Fake.Special[csidl].c_str()) < 0 ? -1 : 0;
}

// Linked in with the registry table but never reached by the folder code.
int WriteRegistryString(RegistryRoot, const char16_t*, const char16_t*, const char16_t*) {
    return -1;
}
void ProgressStepIt(ProgressSink*) {}

namespace {

class FolderDefaults : public ::testing::Test {
  protected:
    void SetUp() override {
        Fake = FakeRegistry{};
        Fake.Special[CsidlProgramFiles] = u"C:\\Program Files";
        Fake.Special[CsidlPersonal] = u"C:\\Users\\ann\\Documents";
        CopyText(WizardState.ProgramFolder, PathUnits, u"stale program");
        CopyText(WizardState.DocumentsFolder, PathUnits, u"stale documents");
    }
    std::u16string Program() const { return WizardState.ProgramFolder; }
    std::u16string Documents() const { return WizardState.DocumentsFolder; }
};

TEST_F(FolderDefaults, WithoutAnEarlierInstallationUseTheSpecialFolders) {
    FillProgramFolderDefault();
    FillDocumentsFolderDefault();
    EXPECT_EQ(Program(), u"C:\\Program Files\\Corvale");
    EXPECT_EQ(Documents(), u"C:\\Users\\ann\\Documents\\Zadir Oduve");
    EXPECT_EQ(Fake.Reads, 2);
}

TEST_F(FolderDefaults, TakeTheRememberedFoldersAsStored) {
    Fake.AppPath = {true, u"D:\\Apps\\Corvale Old"};
    Fake.DocPath = {true, u"E:\\Docs"};
    FillProgramFolderDefault();
    FillDocumentsFolderDefault();
    EXPECT_EQ(Program(), u"D:\\Apps\\Corvale Old");
    EXPECT_EQ(Documents(), u"E:\\Docs");
}

TEST_F(FolderDefaults, KeepAnEmptyRememberedFolder) {
    Fake.AppPath = {true, u""};
    FillProgramFolderDefault();
    EXPECT_EQ(Program(), u"");
}

TEST_F(FolderDefaults, EachFolderFallsBackOnItsOwn) {
    Fake.DocPath = {true, u"E:\\Docs"};
    FillProgramFolderDefault();
    FillDocumentsFolderDefault();
    EXPECT_EQ(Program(), u"C:\\Program Files\\Corvale");
    EXPECT_EQ(Documents(), u"E:\\Docs");
}

TEST_F(FolderDefaults, ARememberedFolderTooLongForTheBufferFallsBack) {
    Fake.AppPath = {true, std::u16string(PathUnits, u'a')};
    FillProgramFolderDefault();
    EXPECT_EQ(Program(), u"C:\\Program Files\\Corvale");
    Fake.AppPath = {true, std::u16string(PathUnits - 1, u'a')};
    FillProgramFolderDefault();
    EXPECT_EQ(Program(), std::u16string(PathUnits - 1, u'a'));
}

TEST_F(FolderDefaults, AFailedSpecialFolderLeavesABackslashAndTheName) {
    Fake.Special[CsidlPersonal].clear();
    FillDocumentsFolderDefault();
    EXPECT_EQ(Documents(), u"\\Zadir Oduve");
}

TEST_F(FolderDefaults, ACompositionThatDoesNotFitLeavesTheFolderEmpty) {
    // 251 units, a backslash and "Corvale" need 259 units plus the terminator: they fit.
    Fake.Special[CsidlProgramFiles] = std::u16string(251, u'p');
    FillProgramFolderDefault();
    EXPECT_EQ(Program().size(), 259u);
    // One unit more and the default would be cut: it is refused instead.
    Fake.Special[CsidlProgramFiles] = std::u16string(252, u'p');
    FillProgramFolderDefault();
    EXPECT_EQ(Program(), u"");
}

// ---- The picker's start folder ------------------------------------------------------------

std::u16string StartFor(const char16_t* folder, int buttonId) {
    char16_t* target =
        buttonId == ProgramBrowseButtonId ? WizardState.ProgramFolder : WizardState.DocumentsFolder;
    CopyText(target, PathUnits, folder);
    char16_t start[PathUnits];
    for (char16_t& unit : start)
        unit = u'#';
    BrowseStartFolder(start, buttonId);
    return start;
}

TEST(BrowseStartFolder, GivesTheParentOfADefaultFolder) {
    EXPECT_EQ(StartFor(u"C:\\Program Files\\Corvale", ProgramBrowseButtonId), u"C:\\Program Files");
    EXPECT_EQ(StartFor(u"C:\\Users\\ann\\Documents\\Zadir Oduve", DocumentsBrowseButtonId),
              u"C:\\Users\\ann\\Documents");
}

TEST(BrowseStartFolder, KeepsOtherFoldersUnchanged) {
    EXPECT_EQ(StartFor(u"D:\\Apps\\Money", ProgramBrowseButtonId), u"D:\\Apps\\Money");
    EXPECT_EQ(StartFor(u"", ProgramBrowseButtonId), u"");
    // The suffix is the product name for the program button and the documents folder's
    // name for any other id.
    EXPECT_EQ(StartFor(u"C:\\Program Files\\Corvale", DocumentsBrowseButtonId),
              u"C:\\Program Files\\Corvale");
    EXPECT_EQ(StartFor(u"C:\\Docs\\Zadir Oduve", 999), u"C:\\Docs");
}

TEST(BrowseStartFolder, ComparesCaseSensitively) {
    EXPECT_EQ(StartFor(u"C:\\Program Files\\CORVALE", ProgramBrowseButtonId), u"C:\\Program Files\\CORVALE");
    EXPECT_EQ(StartFor(u"C:\\Data\\zadir oduve", DocumentsBrowseButtonId), u"C:\\Data\\zadir oduve");
}

TEST(BrowseStartFolder, UsesAFolderNoLongerThanTheSuffixUnchanged) {
    EXPECT_EQ(StartFor(u"Corvale", ProgramBrowseButtonId), u"Corvale");
    EXPECT_EQ(StartFor(u"vale", ProgramBrowseButtonId), u"vale");
}

TEST(BrowseStartFolder, DropsTheUnitBeforeTheSuffixWhateverItIs) {
    EXPECT_EQ(StartFor(u"C:\\Data\\OldZadir Oduve", DocumentsBrowseButtonId), u"C:\\Data\\Ol");
    EXPECT_EQ(StartFor(u"xCorvale", ProgramBrowseButtonId), u"");
    EXPECT_EQ(StartFor(u"\\Corvale", ProgramBrowseButtonId), u"");
}

TEST(BrowseStartFolder, CopiesAWholeFullBuffer) {
    std::u16string longest(PathUnits - 1, u'f');
    EXPECT_EQ(StartFor(longest.c_str(), ProgramBrowseButtonId), longest);
}

} // namespace
