#include "payload_probe_win.h"

#include <objbase.h>
#include <objidl.h>
#include <shlobj.h>

#include "tests/e2e/readback_win.h"

bool CopyInto(const std::wstring& source, const std::wstring& folder, const wchar_t* name) {
    return CopyFileW(source.c_str(), (folder + L"\\" + name).c_str(), FALSE) != 0;
}

bool MakeFolders(const std::wstring& path) {
    // Every component in turn; existing ones are fine.
    for (size_t at = path.find(L'\\', 3); at != std::wstring::npos; at = path.find(L'\\', at + 1))
        CreateDirectoryW(path.substr(0, at).c_str(), nullptr);
    return CreateDirectoryW(path.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

void RemoveTree(const std::wstring& folder) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            std::wstring name = found.cFileName;
            if (name == L"." || name == L"..")
                continue;
            std::wstring path = folder + L"\\" + name;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(folder.c_str());
}

namespace {

void CollectCopies(const std::wstring& folder, std::vector<std::wstring>& copies) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((folder + L"corvale-uninstall-*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return;
    do
        copies.push_back(folder + found.cFileName);
    while (FindNextFileW(search, &found));
    FindClose(search);
}

} // namespace

std::wstring OnDriveZ(const char* unixPath) {
    std::wstring path = L"Z:";
    for (const char* p = unixPath; *p != 0; ++p)
        path += *p == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(*p));
    return path;
}

Installation PlanInstallation(const std::wstring& root) {
    Installation install;
    install.ProgramFolder = root + L"\\Program Files\\Corvale";
    install.DocumentsFolder = root + L"\\Documents\\Zadir Oduve";
    install.MainProgram = install.ProgramFolder + L"\\corvale.exe";
    install.Uninstaller = install.ProgramFolder + L"\\uninst_corvale.exe";
    install.Sample = install.DocumentsFolder + L"\\sample.mpl";
    std::wstring startMenu = SpecialFolder(CSIDL_COMMON_PROGRAMS),
                 desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    install.StartMenuLink = startMenu + L"\\Corvale.lnk";
    install.DesktopLink = desktop + L"\\Corvale.lnk";
    install.DocumentsLink = desktop + L"\\Zadir Oduve.lnk";
    return install;
}

bool WriteRegistryText(HKEY root, const std::wstring& key, const std::wstring& name,
                       const std::wstring& text) {
    return RegSetKeyValueW(root, key.c_str(), name.c_str(), REG_SZ, text.c_str(),
                           static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

bool RegistryKeyExists(HKEY root, const std::wstring& key, REGSAM view) {
    HKEY opened;
    if (RegOpenKeyExW(root, key.c_str(), 0, KEY_QUERY_VALUE | view, &opened) != ERROR_SUCCESS)
        return false;
    RegCloseKey(opened);
    return true;
}

bool CreateShortcut(const std::wstring& link, const std::wstring& target,
                    const std::wstring& workingDirectory) {
    IShellLinkW* shellLink = nullptr;
    if (FAILED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                reinterpret_cast<void**>(&shellLink))))
        return false;
    shellLink->SetPath(target.c_str());
    shellLink->SetWorkingDirectory(workingDirectory.c_str());
    shellLink->SetShowCmd(SW_SHOWNORMAL);
    IPersistFile* file = nullptr;
    bool saved = SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&file))) &&
                 SUCCEEDED(file->Save(link.c_str(), TRUE));
    if (file != nullptr)
        file->Release();
    shellLink->Release();
    return saved;
}

bool FolderExists(const std::wstring& path) {
    DWORD attributes = GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

void RemoveInstallation(const Installation& install) {
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ApplicationKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, UninstallKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, DocumentClassKey);
    RegDeleteTreeW(HKEY_LOCAL_MACHINE, ExtensionKey);
    RegDeleteTreeW(HKEY_CURRENT_USER, ApplicationKey);
    DeleteFileW(install.StartMenuLink.c_str());
    DeleteFileW(install.DesktopLink.c_str());
    DeleteFileW(install.DocumentsLink.c_str());
    RemoveTree(install.ProgramFolder);
    RemoveTree(install.DocumentsFolder);
}

std::vector<std::wstring> TemporaryLibraryCopies() {
    std::vector<std::wstring> copies;
    wchar_t temporary[MAX_PATH] = L"", windows[MAX_PATH] = L"";
    if (GetTempPathW(MAX_PATH, temporary))
        CollectCopies(temporary, copies);
    if (GetWindowsDirectoryW(windows, MAX_PATH))
        CollectCopies(std::wstring(windows) + L"\\Temp\\", copies);
    return copies;
}

bool StartProgram(SetupRun& run, const std::wstring& program, const std::wstring& arguments) {
    run = SetupRun{};
    return StartProcess(program.c_str(),
                        L"\"" + program + L"\"" + (arguments.empty() ? L"" : L" " + arguments), run.Process);
}

long RunToEnd(const std::wstring& program, const std::wstring& arguments) {
    SetupRun run;
    if (!StartProgram(run, program, arguments))
        return -1;
    DWORD code = 0;
    bool ended = WaitExit(run, code);
    EndSetup(run);
    return ended ? static_cast<long>(code) : -1;
}

long RunCommandLine(const std::wstring& line) {
    SetupRun run = {};
    if (!StartProcess(nullptr, line, run.Process))
        return -1;
    DWORD code = 0;
    bool ended = WaitExit(run, code);
    EndSetup(run);
    return ended ? static_cast<long>(code) : -1;
}

HWND FindProcessMessageBox(DWORD processId, const std::wstring& caption, DWORD timeout) {
    SetupRun probe = {};
    probe.Process.dwProcessId = processId;
    return FindMessageBox(probe, caption, timeout);
}

bool PressButton(HWND box, int buttonId) {
    return PostClick(GetDlgItem(box, buttonId));
}
