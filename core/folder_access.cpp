#include "folder_access.h"

#include <initializer_list>

namespace {
int IsAdministrator(AccessSid sid) {
    return sid == SystemSid || sid == AdministratorsSid || sid == TrustedInstallerSid ||
           sid == InstallingUserSid;
}

// Every signed-in user holds Everyone, Authenticated Users and Users; one may hold Interactive
// too, or any other account's or group's identity. Two stand-ins cover every combination:
// the entries that reach a user of both extras reach one of the two stand-ins first.
enum Outsider { InteractiveOutsider, OtherOutsider };

int Reaches(const AccessEntry& entry, Outsider outsider) {
    switch (entry.Sid) {
    case EveryoneSid:
    case AuthenticatedUsersSid:
    case UsersSid:
        return 1;
    case InteractiveSid:
        return outsider == InteractiveOutsider;
    case OtherSid:
        // "Other" lumps many accounts together: a deny may speak of another one than the
        // allow it would seem to cancel, so only allows count.
        return outsider == OtherOutsider && entry.Deny == 0;
    default:
        return 0; // administrators, and Creator Owner (see below)
    }
}

// Whether the outsider gets a changing right on the folder itself (scope AppliesToFolder) or
// on a file created in it (InheritedByFiles). Creator Owner is skipped on both: on the folder
// it matches nobody, and on a new file it stands for its creator, who needed the right to add
// a file first, which this same walk finds for the folder.
int OutsiderMayChange(const FolderAccess* access, unsigned scope, Outsider outsider) {
    uint32_t decided = 0, granted = 0;
    for (int i = 0; i < access->Count; ++i) {
        const AccessEntry& entry = access->Entries[i];
        if ((entry.Scope & scope) == 0 || !Reaches(entry, outsider))
            continue;
        uint32_t rights = entry.Mask & ChangingRights & ~decided;
        decided |= rights;
        if (entry.Deny == 0)
            granted |= rights;
    }
    return granted != 0;
}
} // namespace

uint32_t MapGenericFileRights(uint32_t mask) {
    const struct {
        uint32_t Generic, File;
    } map[] = {{GenericAllRight, FileAllAccess},
               {GenericExecuteRight, FileGenericExecute},
               {GenericWriteRight, FileGenericWrite},
               {GenericReadRight, FileGenericRead}};
    for (const auto& right : map)
        if (mask & right.Generic)
            mask = (mask & ~right.Generic) | right.File;
    return mask;
}

int OthersMayChangeFolder(const FolderAccess* access) {
    if (access->Unrestricted || !IsAdministrator(access->Owner))
        return 1;
    for (unsigned scope : {AppliesToFolder, InheritedByFiles})
        for (Outsider outsider : {InteractiveOutsider, OtherOutsider})
            if (OutsiderMayChange(access, scope, outsider))
                return 1;
    return 0;
}
