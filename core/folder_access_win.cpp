// Folder access lists on Win32: the program folder's own list, set when the folder is made or
// taken over, and the summary of an existing folder's list that the run decides on.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>
#include <shlobj.h>

#include "platform.h"
#include "registry_table.h"
#include "text.h"
#include "win_text.h"

namespace {
// A failure must never read as success, even if the system left no code behind.
unsigned long LastError() {
    DWORD error = GetLastError();
    return error != ERROR_SUCCESS ? error : ERROR_CAN_NOT_COMPLETE;
}

// TrustedInstaller, the service account that owns the system's own files; not one of the
// well-known SIDs that IsWellKnownSid knows.
struct {
    BYTE Revision, SubAuthorityCount;
    SID_IDENTIFIER_AUTHORITY Authority;
    DWORD SubAuthority[6];
} TrustedInstaller = {SID_REVISION,
                      6,
                      {SECURITY_NT_AUTHORITY},
                      {80, 956008885, 3418522649u, 1831038044, 1853292631, 2271478464u}};

const struct {
    WELL_KNOWN_SID_TYPE Type;
    AccessSid Kind;
} KnownSids[] = {
    {WinLocalSystemSid, SystemSid},
    {WinBuiltinAdministratorsSid, AdministratorsSid},
    {WinAuthenticatedUserSid, AuthenticatedUsersSid},
    {WinBuiltinUsersSid, UsersSid},
    {WinWorldSid, EveryoneSid},
    {WinInteractiveSid, InteractiveSid},
    {WinCreatorOwnerSid, CreatorOwnerSid},
};

// The token's user with room for the longest SID.
union TokenUserBuffer {
    TOKEN_USER User;
    BYTE Bytes[sizeof(TOKEN_USER) + SECURITY_MAX_SID_SIZE];
};

AccessSid KindOfSid(PSID sid, PSID user) {
    if (sid == nullptr || !IsValidSid(sid))
        return OtherSid;
    if (user != nullptr && EqualSid(sid, user))
        return InstallingUserSid;
    if (EqualSid(sid, &TrustedInstaller))
        return TrustedInstallerSid;
    for (const auto& known : KnownSids)
        if (IsWellKnownSid(sid, known.Type))
            return known.Kind;
    return OtherSid;
}

unsigned long Summarise(PSID owner, PACL list, PSID user, FolderAccess* access) {
    access->Owner = KindOfSid(owner, user);
    access->Unrestricted = list == nullptr;
    access->Count = 0;
    for (DWORD i = 0; list != nullptr && i < list->AceCount; ++i) {
        ACE_HEADER* header;
        if (!GetAce(list, i, reinterpret_cast<void**>(&header)))
            return LastError();
        // Every entry type begins with its header and its mask; the plain and callback types
        // follow them with the SID.
        const ACCESS_ALLOWED_ACE* entry = reinterpret_cast<const ACCESS_ALLOWED_ACE*>(header);
        PSID sid = const_cast<DWORD*>(&entry->SidStart);
        int deny = 0;
        switch (header->AceType) {
        case ACCESS_ALLOWED_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_ACE_TYPE:
            break;
        case ACCESS_DENIED_ACE_TYPE:
            deny = 1;
            break;
        case ACCESS_ALLOWED_OBJECT_ACE_TYPE:
        case ACCESS_ALLOWED_CALLBACK_OBJECT_ACE_TYPE:
            sid = nullptr; // whoever it names, it is taken as an outsider's
            break;
        default:
            // A conditional or object deny may not apply: leaving it out can only make the
            // folder look more open than it is.
            continue;
        }
        if (access->Count == AccessEntryCapacity)
            return ERROR_INSUFFICIENT_BUFFER;
        AccessEntry& summary = access->Entries[access->Count++];
        summary.Sid = KindOfSid(sid, user);
        summary.Deny = deny;
        summary.Mask = MapGenericFileRights(entry->Mask);
        summary.Scope = ((header->AceFlags & INHERIT_ONLY_ACE) == 0 ? AppliesToFolder : 0) |
                        ((header->AceFlags & OBJECT_INHERIT_ACE) != 0 ? InheritedByFiles : 0) |
                        ((header->AceFlags & INHERITED_ACE) != 0 ? InheritedEntry : 0);
    }
    return 0;
}

#ifdef CORVALE_TEST_EXPOSED_FOLDERS
// A test build: every folder outside Program Files reports what a folder made in the root of
// a system drive inherits there, where every signed-in user may change files. Wine keeps no
// access lists of its own, so the existing-folder tests get their exposed folders this way.
const AccessEntry DriveRootChild[] = {
    {AdministratorsSid, 0, FileAllAccess, AppliesToFolder | InheritedByFiles | InheritedEntry},
    {SystemSid, 0, FileAllAccess, AppliesToFolder | InheritedByFiles | InheritedEntry},
    {UsersSid, 0, FileGenericRead | FileGenericExecute, AppliesToFolder | InheritedByFiles | InheritedEntry},
    {AuthenticatedUsersSid, 0, 0x1301bf, AppliesToFolder | InheritedByFiles | InheritedEntry}, // Modify
};

int UnderProgramFiles(const char16_t* path) {
    char16_t programFiles[PathUnits];
    if (GetSpecialFolder(CsidlProgramFiles, programFiles) != 0)
        return 0;
    int length = TextLength(programFiles);
    return TextLength(path) > length && path[length] == u'\\' &&
           CompareStringOrdinal(WideText(path), length, WideText(programFiles), length, TRUE) == CSTR_EQUAL;
}

void ExposeOutsideProgramFiles(const char16_t* path, FolderAccess* access) {
    if (UnderProgramFiles(path))
        return;
    access->Owner = AdministratorsSid;
    access->Unrestricted = 0;
    access->Count = 0;
    for (const AccessEntry& entry : DriveRootChild)
        access->Entries[access->Count++] = entry;
}
#else
void ExposeOutsideProgramFiles(const char16_t*, FolderAccess*) {}
#endif

// Runs with ProtectedFolderDescriptor parsed; 0 or the system error code.
template <typename Use> unsigned long WithProtectedDescriptor(Use use) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(WideText(ProtectedFolderDescriptor),
                                                              SDDL_REVISION_1, &descriptor, nullptr))
        return LastError();
    unsigned long error = use(descriptor);
    LocalFree(descriptor);
    return error;
}
} // namespace

unsigned long CreateProtectedFolder(const char16_t* path) {
    return WithProtectedDescriptor([path](PSECURITY_DESCRIPTOR descriptor) -> unsigned long {
        SECURITY_ATTRIBUTES attributes = {sizeof attributes, descriptor, FALSE};
        return CreateDirectoryW(WideText(path), &attributes) ? 0 : LastError();
    });
}

unsigned long ProtectFolder(const char16_t* path) {
    // The folder is opened as itself, never through a link at its name, and held without
    // delete sharing, so that it can't be renamed and replaced while its list is set.
    HANDLE folder = CreateFileW(WideText(path), READ_CONTROL | WRITE_DAC | WRITE_OWNER,
                                FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return LastError();
    BY_HANDLE_FILE_INFORMATION information;
    unsigned long error = GetFileInformationByHandle(folder, &information) ? 0 : LastError();
    if (error == 0 && (information.dwFileAttributes &
                       (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) != FILE_ATTRIBUTE_DIRECTORY)
        error = ERROR_DIRECTORY;
    if (error == 0)
        error = WithProtectedDescriptor([folder](PSECURITY_DESCRIPTOR descriptor) -> unsigned long {
            PSID owner = nullptr;
            PACL list = nullptr;
            BOOL defaulted = FALSE, present = FALSE;
            if (!GetSecurityDescriptorOwner(descriptor, &owner, &defaulted) ||
                !GetSecurityDescriptorDacl(descriptor, &present, &list, &defaulted))
                return LastError();
            // Administrators become the owner too: an owner may rewrite the list at any time.
            return SetSecurityInfo(folder, SE_FILE_OBJECT,
                                   OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION |
                                       PROTECTED_DACL_SECURITY_INFORMATION,
                                   owner, nullptr, list, nullptr);
        });
    CloseHandle(folder);
    return error;
}

unsigned long ReadFolderAccess(const char16_t* path, FolderAccess* access) {
    TokenUserBuffer user;
    HANDLE token;
    if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &token))
        return LastError();
    DWORD bytes = 0;
    BOOL known = GetTokenInformation(token, TokenUser, &user, sizeof user, &bytes);
    unsigned long error = known ? 0 : LastError();
    CloseHandle(token);
    if (error != 0)
        return error;
    // A link at the folder's name is judged by its own list, not its target's: whoever may
    // change the link may point it elsewhere once the setup is done.
    HANDLE folder = CreateFileW(
        WideText(path), READ_CONTROL, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
        OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (folder == INVALID_HANDLE_VALUE)
        return LastError();
    PSID owner = nullptr;
    PACL list = nullptr;
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    error = GetSecurityInfo(folder, SE_FILE_OBJECT, OWNER_SECURITY_INFORMATION | DACL_SECURITY_INFORMATION,
                            &owner, nullptr, &list, nullptr, &descriptor);
    CloseHandle(folder);
    if (error != ERROR_SUCCESS)
        return error;
    error = Summarise(owner, list, user.User.User.Sid, access);
    LocalFree(descriptor);
    if (error == 0)
        ExposeOutsideProgramFiles(path, access);
    return error;
}

int FolderIsEmpty(const char16_t* path) {
    char16_t pattern[PathUnits];
    if (FormatText(pattern, PathUnits, FolderFileFormat, path, u"*") < 0)
        return 0;
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(WideText(pattern), &found);
    if (search == INVALID_HANDLE_VALUE)
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    int empty = 1;
    do {
        const wchar_t* name = found.cFileName;
        if (!(name[0] == L'.' && (name[1] == 0 || (name[1] == L'.' && name[2] == 0))))
            empty = 0;
    } while (empty && FindNextFileW(search, &found));
    FindClose(search);
    return empty;
}

namespace {
int IdentityOf(const char16_t* path, BY_HANDLE_FILE_INFORMATION* information) {
    HANDLE handle = CreateFileW(WideText(path), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return -1;
    BOOL known = GetFileInformationByHandle(handle, information);
    CloseHandle(handle);
    return known ? 0 : -1;
}
} // namespace

int SameFolder(const char16_t* a, const char16_t* b) {
    BY_HANDLE_FILE_INFORMATION first, second;
    return IdentityOf(a, &first) == 0 && IdentityOf(b, &second) == 0 &&
           first.dwVolumeSerialNumber == second.dwVolumeSerialNumber &&
           first.nFileIndexHigh == second.nFileIndexHigh && first.nFileIndexLow == second.nFileIndexLow;
}
