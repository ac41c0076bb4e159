// Who may change the files of a folder: a summary of the folder's access list, read by the
// platform (ReadFolderAccess in platform.h), and the decision over it. The setup runs
// elevated; a program folder that others can change lets them replace the programs that the
// next administrator starts, so such a folder is protected or refused before it is used.
#pragma once

#include <stdint.h>

// The access list the setup gives a program folder: owned by Administrators; SYSTEM and
// Administrators full control, Users read and execute; nothing inherited from the parent
// (P), so a drive root's right of every signed-in user to change files does not reach it;
// inherited by the files and subfolders made in it (OICI). AI marks the list as one that
// takes part in automatic inheritance, as Windows writes it.
constexpr char16_t ProtectedFolderDescriptor[] =
    u"O:BAD:PAI(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)(A;OICI;0x1200a9;;;BU)";

// Who may change the folder under the Windows folder's Temp that the uninstaller runs its
// library copy and its moved image from: SYSTEM and Administrators, for the folder and
// everything made in it, with nothing inherited from Temp, where every user may create files.
constexpr char16_t TemporaryFolderAccess[] = u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";

// The kinds of account an access entry can speak of. The first four count as administrators:
// SYSTEM, Administrators, TrustedInstaller and the user who runs the setup, who is one.
enum AccessSid {
    SystemSid,
    AdministratorsSid,
    TrustedInstallerSid,
    InstallingUserSid,
    AuthenticatedUsersSid,
    UsersSid,
    EveryoneSid,
    InteractiveSid,
    CreatorOwnerSid, // stands for whoever creates a file; matches nobody on the folder itself
    OtherSid,        // any other account or group: not an administrator
};

// File rights of an access mask, as the file system defines them.
constexpr uint32_t WriteDataRight = 0x2;    // on a folder: add a file
constexpr uint32_t AppendDataRight = 0x4;   // on a folder: add a subfolder
constexpr uint32_t DeleteChildRight = 0x40; // delete any file in the folder
constexpr uint32_t DeleteRight = 0x10000;
constexpr uint32_t WriteDacRight = 0x40000;
constexpr uint32_t WriteOwnerRight = 0x80000;
// Each of these lets its holder put other bytes where the setup's files are.
constexpr uint32_t ChangingRights =
    WriteDataRight | AppendDataRight | DeleteChildRight | DeleteRight | WriteDacRight | WriteOwnerRight;

constexpr uint32_t GenericAllRight = 0x10000000;
constexpr uint32_t GenericExecuteRight = 0x20000000;
constexpr uint32_t GenericWriteRight = 0x40000000;
constexpr uint32_t GenericReadRight = 0x80000000;
constexpr uint32_t FileAllAccess = 0x1f01ff;
constexpr uint32_t FileGenericRead = 0x120089;
constexpr uint32_t FileGenericWrite = 0x120116;
constexpr uint32_t FileGenericExecute = 0x1200a0;

// Where an entry applies, and whether it came from the parent.
constexpr unsigned AppliesToFolder = 1;  // not inherit-only: it speaks of the folder itself
constexpr unsigned InheritedByFiles = 2; // object-inherit: files created in the folder get it
constexpr unsigned InheritedEntry = 4;   // inherited from the parent rather than set here

struct AccessEntry {
    AccessSid Sid;
    int Deny;       // 1 for an access-denied entry, 0 for an access-allowed one
    uint32_t Mask;  // generic rights already mapped to file rights (MapGenericFileRights)
    unsigned Scope; // AppliesToFolder, InheritedByFiles, InheritedEntry
};

constexpr int AccessEntryCapacity = 64;

struct FolderAccess {
    AccessSid Owner;  // the owner may rewrite the list, whatever it says
    int Unrestricted; // 1: the folder has no access list at all, which lets everyone in
    int Count;        // entries in list order
    AccessEntry Entries[AccessEntryCapacity];
};

// The mask with the four generic rights replaced by the file rights they stand for.
uint32_t MapGenericFileRights(uint32_t mask);

// 1 when anyone but an administrator may add, change or delete files in the folder, or
// change the folder's list or owner; 0 when only administrators may. Entries are taken in
// the list's order: per right, the first entry that applies to an account and speaks of the
// right decides. A deny for Everyone, Authenticated Users or Users holds for every
// non-administrator; one for another account only for that account.
int OthersMayChangeFolder(const FolderAccess* access);
