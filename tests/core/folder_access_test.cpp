// Who may change a folder, decided over summaries of the access lists that matter.
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/folder_access.h"

namespace {
constexpr unsigned ThisFolder = AppliesToFolder;
constexpr unsigned FilesOnly = InheritedByFiles; // inherit-only, for the files made there
constexpr unsigned FolderAndFiles = AppliesToFolder | InheritedByFiles;
constexpr unsigned FromParent = FolderAndFiles | InheritedEntry;
constexpr uint32_t ReadExecute = FileGenericRead | FileGenericExecute;
constexpr uint32_t Modify = 0x1301bf;

struct AccessCase {
    std::string Name;
    AccessSid Owner;
    std::vector<AccessEntry> Entries;
    int OthersMayChange;
    int Unrestricted = 0;
};

const AccessCase Cases[] = {
    {"drive root: users change what is made in it, and add folders to it",
     TrustedInstallerSid,
     {{AdministratorsSid, 0, FileAllAccess, FolderAndFiles},
      {SystemSid, 0, FileAllAccess, FolderAndFiles},
      {UsersSid, 0, ReadExecute, FolderAndFiles},
      {AuthenticatedUsersSid, 0, Modify, FilesOnly},
      {AuthenticatedUsersSid, 0, AppendDataRight, ThisFolder}},
     1},
    {"a folder made in the drive root",
     AdministratorsSid,
     {{AdministratorsSid, 0, FileAllAccess, FromParent},
      {SystemSid, 0, FileAllAccess, FromParent},
      {UsersSid, 0, ReadExecute, FromParent},
      {AuthenticatedUsersSid, 0, Modify, FromParent}},
     1},
    {"Program Files, with Creator Owner's full control over what it creates",
     TrustedInstallerSid,
     {{TrustedInstallerSid, 0, FileAllAccess, ThisFolder},
      {TrustedInstallerSid, 0, MapGenericFileRights(GenericAllRight), 0},
      {SystemSid, 0, Modify, ThisFolder},
      {SystemSid, 0, MapGenericFileRights(GenericAllRight), FilesOnly},
      {AdministratorsSid, 0, Modify, ThisFolder},
      {AdministratorsSid, 0, MapGenericFileRights(GenericAllRight), FilesOnly},
      {UsersSid, 0, ReadExecute, ThisFolder},
      {UsersSid, 0, MapGenericFileRights(GenericReadRight | GenericExecuteRight), FilesOnly},
      {CreatorOwnerSid, 0, MapGenericFileRights(GenericAllRight), FilesOnly},
      {OtherSid, 0, ReadExecute, ThisFolder}, // all application packages
      {OtherSid, 0, MapGenericFileRights(GenericReadRight | GenericExecuteRight), FilesOnly}},
     0},
    {"a folder of another user",
     OtherSid,
     {{SystemSid, 0, FileAllAccess, FromParent},
      {AdministratorsSid, 0, FileAllAccess, FromParent},
      {OtherSid, 0, FileAllAccess, FromParent}},
     1},
    {"Everyone full control", AdministratorsSid, {{EveryoneSid, 0, FileAllAccess, FolderAndFiles}}, 1},
    {"the setup's own list, and the installing user's full control",
     AdministratorsSid,
     {{SystemSid, 0, FileAllAccess, FolderAndFiles},
      {AdministratorsSid, 0, FileAllAccess, FolderAndFiles},
      {UsersSid, 0, 0x1200a9, FolderAndFiles},
      {InstallingUserSid, 0, FileAllAccess, FolderAndFiles}},
     0},
    {"an empty list: nobody may do anything", AdministratorsSid, {}, 0},
    {"no list at all: everybody may do anything", AdministratorsSid, {}, 1, 1},
    {"an inherited deny ahead of the inherited allow",
     AdministratorsSid,
     {{EveryoneSid, 1, ChangingRights, FromParent},
      {AdministratorsSid, 0, FileAllAccess, FromParent},
      {AuthenticatedUsersSid, 0, Modify, FromParent}},
     0},
    {"an allow set here ahead of an inherited deny",
     AdministratorsSid,
     {{UsersSid, 0, WriteDataRight, ThisFolder},
      {EveryoneSid, 1, ChangingRights, FromParent},
      {AuthenticatedUsersSid, 0, Modify, FromParent}},
     1},
    {"the protected list, owned by another user",
     OtherSid,
     {{SystemSid, 0, FileAllAccess, FolderAndFiles}},
     1},
};

class FolderAccessTest : public ::testing::TestWithParam<AccessCase> {};

TEST_P(FolderAccessTest, OthersMayChangeOnlyWhereTheListLetsThem) {
    const AccessCase& c = GetParam();
    FolderAccess access = {};
    access.Owner = c.Owner;
    access.Unrestricted = c.Unrestricted;
    for (const AccessEntry& entry : c.Entries)
        access.Entries[access.Count++] = entry;
    EXPECT_EQ(c.OthersMayChange, OthersMayChangeFolder(&access)) << c.Name;
}

INSTANTIATE_TEST_SUITE_P(Shapes, FolderAccessTest, ::testing::ValuesIn(Cases));
} // namespace
