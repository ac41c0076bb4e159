// Registry key formats and value names that the setup writes and the installed programs
// (corvale.exe, the uninstaller) read or remove: spelled here once for both.
#pragma once

constexpr char16_t ApplicationKeyFormat[] = u"SOFTWARE\\%s";
constexpr char16_t UninstallKeyFormat[] = u"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\%s";
constexpr char16_t ClassesKeyFormat[] = u"SOFTWARE\\Classes\\%s";
constexpr char16_t UninstallCommandValue[] = u"UninstallString";
constexpr char16_t AppPathValue[] = u"AppPath";
constexpr char16_t DocPathValue[] = u"DocPath";
constexpr char16_t FirstRunValue[] = u"FirstRun";
constexpr char16_t FirstRunPending[] = u"Yes";
