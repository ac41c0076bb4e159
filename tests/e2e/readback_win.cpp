#include "readback_win.h"

#include <objidl.h>
#include <shlobj.h>

#include <vector>

RegistryValue ReadRegistryValue(HKEY root, const std::wstring& key, const std::wstring& name, REGSAM view) {
    RegistryValue value = {ERROR_FILE_NOT_FOUND, REG_NONE, 0, std::wstring()};
    HKEY opened;
    value.Result = RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened);
    if (value.Result != ERROR_SUCCESS)
        return value;
    value.Result = RegQueryValueExW(opened, name.c_str(), nullptr, &value.Type, nullptr, &value.Bytes);
    if (value.Result == ERROR_SUCCESS) {
        // Room for the stored bytes and a terminator of our own: the value may lack one.
        std::vector<wchar_t> data(value.Bytes / sizeof(wchar_t) + 2, L'\0');
        DWORD bytes = value.Bytes;
        value.Result = RegQueryValueExW(opened, name.c_str(), nullptr, &value.Type,
                                        reinterpret_cast<BYTE*>(data.data()), &bytes);
        value.Text = data.data();
    }
    RegCloseKey(opened);
    return value;
}

int CountRegistryValues(HKEY root, const std::wstring& key) {
    HKEY opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE, &opened) != ERROR_SUCCESS)
        return -1;
    DWORD values = 0;
    LONG result = RegQueryInfoKeyW(opened, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                                   nullptr, nullptr, nullptr, nullptr);
    RegCloseKey(opened);
    return result == ERROR_SUCCESS ? static_cast<int>(values) : -1;
}

bool ReadWholeFile(const std::wstring& path, std::string& bytes) {
    bytes.clear();
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    char chunk[65536];
    DWORD read = 0;
    bool ok = true;
    while ((ok = ReadFile(file, chunk, sizeof chunk, &read, nullptr) != 0) && read > 0)
        bytes.append(chunk, read);
    CloseHandle(file);
    return ok;
}

bool WriteText(const std::wstring& path, const std::string& bytes) {
    HANDLE file =
        CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    CloseHandle(file);
    return ok;
}

bool FileExists(const std::wstring& path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

namespace {
// The fixed header of a .lnk file: its size, class id, flags (0x14) ... show command (0x3C).
constexpr size_t LinkHeaderBytes = 0x4C;

DWORD HeaderField(const std::string& bytes, size_t offset) {
    const unsigned char* at = reinterpret_cast<const unsigned char*>(bytes.data()) + offset;
    return at[0] | at[1] << 8 | at[2] << 16 | static_cast<DWORD>(at[3]) << 24;
}
} // namespace

ShellLinkFields ReadShellLink(const std::wstring& path) {
    ShellLinkFields fields = {E_FAIL, L"", L"", L"", L"", L"", -1, -1, 0};
    IShellLinkW* link = nullptr;
    fields.Result = CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                     reinterpret_cast<void**>(&link));
    if (FAILED(fields.Result))
        return fields;
    IPersistFile* persist = nullptr;
    fields.Result = link->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist));
    if (SUCCEEDED(fields.Result)) {
        fields.Result = persist->Load(path.c_str(), STGM_READ);
        persist->Release();
    }
    if (SUCCEEDED(fields.Result)) {
        wchar_t text[INFOTIPSIZE] = L"";
        // The raw path: as stored, with no environment strings expanded and no resolving.
        if (link->GetPath(text, MAX_PATH, nullptr, SLGP_RAWPATH) == S_OK)
            fields.Target = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetArguments(text, INFOTIPSIZE)))
            fields.Arguments = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetWorkingDirectory(text, MAX_PATH)))
            fields.WorkingDirectory = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetDescription(text, INFOTIPSIZE)))
            fields.Description = text;
        text[0] = 0;
        if (SUCCEEDED(link->GetIconLocation(text, MAX_PATH, &fields.IconIndex)))
            fields.IconPath = text;
    }
    link->Release();
    // Show command and link flags come from the file's own header: Wine's shell link reads
    // the show command back as 1 whatever the file holds.
    std::string bytes;
    if (SUCCEEDED(fields.Result) && ReadWholeFile(path, bytes) && bytes.size() >= LinkHeaderBytes &&
        HeaderField(bytes, 0) == LinkHeaderBytes) {
        fields.Flags = HeaderField(bytes, 0x14);
        fields.ShowCommand = static_cast<int>(HeaderField(bytes, 0x3C));
    }
    return fields;
}

std::wstring SpecialFolder(int csidl) {
    wchar_t path[MAX_PATH] = L"";
    if (!SHGetSpecialFolderPathW(nullptr, path, csidl, FALSE))
        return std::wstring();
    return path;
}

std::wstring WindowsPath(const std::wstring& path) {
    if (path.empty() || path[0] != L'/')
        return path;
    std::wstring converted = L"Z:" + path;
    for (wchar_t& c : converted)
        if (c == L'/')
            c = L'\\';
    return converted;
}
