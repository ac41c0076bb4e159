// Who may change the folder under the Windows folder's Temp that the uninstaller runs its
// library copy and its moved image from: SYSTEM and Administrators, for the folder and
// everything made in it, with nothing inherited from Temp, where every user may create files.
#pragma once

constexpr char16_t TemporaryFolderAccess[] = u"D:P(A;OICI;FA;;;SY)(A;OICI;FA;;;BA)";
