// Reading back what an installation left on the machine: registry values, files, shortcut
// files, special folders. Each reader reports what it found and checks nothing itself.
#pragma once

#include <windows.h>

#include <string>

struct RegistryValue {
    LONG Result; // ERROR_SUCCESS when the value was read
    DWORD Type;
    DWORD Bytes;       // stored size, terminator included
    std::wstring Text; // the stored units up to the first NUL
};

// view: 0, or KEY_WOW64_32KEY / KEY_WOW64_64KEY to read another view of the registry.
RegistryValue ReadRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name,
                                REGSAM view = 0);
// Number of values in a key; -1 when the key can't be opened.
int CountRegistryValues(HKEY root, const std::wstring& key);

bool ReadWholeFile(const std::wstring& path, std::string& bytes);
// Creates or replaces the file with exactly these bytes.
bool WriteText(const std::wstring& path, const std::string& bytes);
bool FileExists(const std::wstring& path);

struct ShellLinkFields {
    HRESULT Result; // of loading the file
    std::wstring Target;
    std::wstring Arguments;
    std::wstring WorkingDirectory;
    std::wstring Description;
    std::wstring IconPath;
    int IconIndex;
    int ShowCommand; // from the file's header
    DWORD Flags;     // the header's SLDF_ flags (SLDF_HAS_ICONLOCATION and the like)
};

// Loads a .lnk file through IShellLinkW and IPersistFile::Load. COM must be initialised.
ShellLinkFields ReadShellLink(const std::wstring& path);

// SHGetSpecialFolderPathW without creating the folder; empty when it fails.
std::wstring SpecialFolder(int csidl);

// A Unix path as Wine's drive Z: sees it ("/a/b" -> "Z:\a\b"); other paths unchanged.
std::wstring WindowsPath(const std::wstring& path);
