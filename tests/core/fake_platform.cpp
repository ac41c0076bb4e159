// The platform half of the recording fake: files and folders in memory, special folders,
// an in-memory registry and shortcuts that are only recorded.
#include "fake_platform.h"

#include "core/removal_plan.h"

#include <algorithm>

struct PlatformFile {
    std::u16string Path;
    size_t Position; // of the next byte read
};

struct CheckedFolder {
    std::u16string Path;
};

namespace {
std::string RootName(RegistryRoot root) {
    return root == LocalMachineRoot ? "HKLM" : "HKCU";
}

FakeRegistryValue* FindValue(const std::string& root, const std::string& key, const std::string& name) {
    for (FakeRegistryValue& value : Fake.Registry)
        if (value.Root == root && value.Key == key && value.Name == name)
            return &value;
    return nullptr;
}
} // namespace

void DeleteLeftoverFiles(const char16_t* folder) {
    RecordCall("DeleteLeftoverFiles", {Utf8(folder)});
    std::u16string prefix = std::u16string(folder) + u"\\";
    for (auto it = Fake.Files.begin(); it != Fake.Files.end();) {
        bool inFolder = it->first.compare(0, prefix.size(), prefix) == 0 &&
                        it->first.find(u'\\', prefix.size()) == std::u16string::npos;
        if (inFolder && IsLeftoverName(it->first.c_str() + prefix.size()))
            it = Fake.Files.erase(it);
        else
            ++it;
    }
}

void DeleteTargetFile(const char16_t* path) {
    RecordCall("DeleteTargetFile", {Utf8(path)});
    Fake.Files.erase(path);
}

void PauseMilliseconds(unsigned milliseconds) {
    RecordCall("PauseMilliseconds", {std::to_string(milliseconds)});
}

PlatformFile* OpenFileForWriting(const char16_t* path) {
    RecordCall("OpenFileForWriting", {Utf8(path)});
    if (Fake.UnopenableFiles.count(path) != 0)
        return nullptr;
    Fake.Files[path].clear();
    ++Fake.OpenFiles;
    return new PlatformFile{path, 0};
}

int WriteFileBytes(PlatformFile* file, const unsigned char* bytes, size_t count) {
    RecordCall("WriteFileBytes", {Utf8(file->Path), std::to_string(count)});
    if (Fake.FailingWriteFiles.count(file->Path) != 0)
        return -1;
    std::vector<unsigned char>& content = Fake.Files[file->Path];
    content.insert(content.end(), bytes, bytes + count);
    return 0;
}

int CloseWrittenFile(PlatformFile* file) {
    RecordCall("CloseWrittenFile", {Utf8(file->Path)});
    int result = Fake.FailingCloseFiles.count(file->Path) != 0 ? -1 : 0;
    --Fake.OpenFiles;
    delete file;
    return result;
}

int CheckReplaceable(const char16_t* path) {
    RecordCall("CheckReplaceable", {Utf8(path)});
    return Fake.InUseFiles.count(path) != 0 ? -1 : 0;
}

int MoveFileOver(const char16_t* from, const char16_t* to) {
    RecordCall("MoveFileOver", {Utf8(from), Utf8(to)});
    if (Fake.RefusedMoves.count(to) != 0 || Fake.Files.count(from) == 0)
        return -1;
    Fake.Files[to] = Fake.Files[from];
    Fake.Files.erase(from);
    return 0;
}

PlatformFile* OpenFileForReading(const char16_t* path, int* missing) {
    RecordCall("OpenFileForReading", {Utf8(path)});
    *missing = Fake.Files.count(path) == 0 ? 1 : 0;
    if (*missing || Fake.UnreadableFiles.count(path) != 0)
        return nullptr;
    ++Fake.OpenFiles;
    return new PlatformFile{path, 0};
}

long ReadFileBytes(PlatformFile* file, unsigned char* bytes, size_t count) {
    const std::vector<unsigned char>& content = Fake.Files[file->Path];
    // Never more than a few bytes at a time, as a reader must expect from any file.
    size_t piece = std::min({count, content.size() - file->Position, size_t{7}});
    std::copy(content.begin() + file->Position, content.begin() + file->Position + piece, bytes);
    file->Position += piece;
    return static_cast<long>(piece);
}

void CloseReadFile(PlatformFile* file) {
    RecordCall("CloseReadFile", {Utf8(file->Path)});
    --Fake.OpenFiles;
    delete file;
}

unsigned long CreateFolder(const char16_t* path) {
    RecordCall("CreateFolder", {Utf8(path)});
    auto injected = Fake.FolderErrors.find(path);
    if (injected != Fake.FolderErrors.end()) {
        if (injected->second == ErrorAlreadyExists) // it is there, and opens as a folder
            Fake.Folders.insert(path);
        return injected->second;
    }
    if (!Fake.Folders.insert(path).second)
        return ErrorAlreadyExists;
    return 0;
}

unsigned long CreateProtectedFolder(const char16_t* path) {
    RecordCall("CreateProtectedFolder", {Utf8(path)});
    auto injected = Fake.FolderErrors.find(path);
    if (injected != Fake.FolderErrors.end())
        return injected->second;
    return Fake.Folders.insert(path).second ? 0 : ErrorAlreadyExists;
}

unsigned long ProtectFolder(const char16_t* path) {
    RecordCall("ProtectFolder", {Utf8(path)});
    Fake.Files.insert(Fake.FilesAddedWhileProtecting.begin(), Fake.FilesAddedWhileProtecting.end());
    auto injected = Fake.ProtectErrors.find(path);
    return injected != Fake.ProtectErrors.end() ? injected->second : 0;
}

unsigned long ReadFolderAccess(const char16_t* path, FolderAccess* access) {
    RecordCall("ReadFolderAccess", {Utf8(path)});
    auto listed = Fake.FolderAccessLists.find(path);
    if (listed != Fake.FolderAccessLists.end()) {
        *access = listed->second;
        return 0;
    }
    *access = FolderAccess{AdministratorsSid, 0, 3, {}};
    const unsigned scope = AppliesToFolder | InheritedByFiles;
    access->Entries[0] = {SystemSid, 0, FileAllAccess, scope};
    access->Entries[1] = {AdministratorsSid, 0, FileAllAccess, scope};
    access->Entries[2] = {UsersSid, 0, 0x1200a9, scope};
    return 0;
}

int FolderIsEmpty(const char16_t* path) {
    RecordCall("FolderIsEmpty", {Utf8(path)});
    std::u16string prefix = std::u16string(path) + u"\\";
    auto within = [&](const std::u16string& name) { return name.compare(0, prefix.size(), prefix) == 0; };
    for (const auto& file : Fake.Files)
        if (within(file.first))
            return 0;
    for (const std::u16string& folder : Fake.Folders)
        if (within(folder))
            return 0;
    return 1;
}

int SameFolder(const char16_t* a, const char16_t* b) {
    RecordCall("SameFolder", {Utf8(a), Utf8(b)});
    return Fake.Folders.count(a) != 0 && std::u16string(a) == b;
}

int GetSpecialFolder(int csidl, char16_t* path) {
    RecordCall("GetSpecialFolder", {std::to_string(csidl)});
    path[0] = 0;
    auto folder = Fake.SpecialFolders.find(csidl);
    if (folder == Fake.SpecialFolders.end() || folder->second.size() >= static_cast<size_t>(PathUnits))
        return -1;
    folder->second.copy(path, folder->second.size());
    path[folder->second.size()] = 0;
    return 0;
}

int WriteRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, const char16_t* text) {
    RecordCall("WriteRegistryString", {RootName(root), Utf8(key), Utf8(name), Utf8(text)});
    if (Fake.FailingRegistryWrites.count(CountCalls("WriteRegistryString")) != 0)
        return -1;
    FakeRegistryValue* value = FindValue(RootName(root), Utf8(key), Utf8(name));
    if (value != nullptr)
        value->Text = text;
    else
        Fake.Registry.push_back(FakeRegistryValue{RootName(root), Utf8(key), Utf8(name), text});
    return 0;
}

int ReadRegistryString(RegistryRoot root, const char16_t* key, const char16_t* name, char16_t* buffer,
                       unsigned bufferBytes) {
    RecordCall("ReadRegistryString", {RootName(root), Utf8(key), Utf8(name), std::to_string(bufferBytes)});
    const FakeRegistryValue* value = FindValue(RootName(root), Utf8(key), Utf8(name));
    if (value == nullptr)
        return -1;
    if ((value->Text.size() + 1) * sizeof(char16_t) > bufferBytes) {
        // The system leaves the buffer's content undefined when the value does not fit.
        for (unsigned i = 0; i < bufferBytes / sizeof(char16_t); ++i)
            buffer[i] = u'?';
        return -1;
    }
    value->Text.copy(buffer, value->Text.size());
    buffer[value->Text.size()] = 0;
    return 0;
}

int32_t CreateShellLink(const char16_t* target, const char16_t* arguments, const char16_t* linkFile,
                        const char16_t* description, int showCommand, const char16_t* workingDirectory,
                        const char16_t* iconPath, int iconIndex) {
    RecordCall("CreateShellLink",
               {Utf8(target), Utf8(arguments), Utf8(linkFile), Utf8(description), std::to_string(showCommand),
                Utf8(workingDirectory), Utf8(iconPath), std::to_string(iconIndex)});
    int32_t checked = CheckShellLinkArguments(target, arguments, linkFile, description, showCommand,
                                              workingDirectory, iconPath, iconIndex);
    return checked != 0 ? checked : Fake.ShellLinkResult;
}

// ---- Checked folders: the same files and folders, each call recorded by its own name ------

namespace {
std::u16string ChildPath(const CheckedFolder* folder, const char16_t* name) {
    return folder->Path + u"\\" + name;
}

PlatformFile* OpenFakeFile(const std::u16string& path) {
    ++Fake.OpenFiles;
    return new PlatformFile{path, 0};
}

void CloseFakeFile(PlatformFile* file) {
    --Fake.OpenFiles;
    delete file;
}
} // namespace

CheckedFolder* OpenCheckedFolder(const char16_t* path, CheckOutcome* outcome) {
    RecordCall("OpenCheckedFolder", {Utf8(path)});
    *outcome = Fake.RedirectedPaths.count(path) != 0 ? CheckRedirected
               : Fake.Folders.count(path) == 0       ? CheckMissing
                                                     : CheckPassed;
    if (*outcome != CheckPassed)
        return nullptr;
    ++Fake.OpenFolders;
    return new CheckedFolder{path};
}

void CloseCheckedFolder(CheckedFolder* folder) {
    if (folder == nullptr)
        return;
    --Fake.OpenFolders;
    delete folder;
}

const char16_t* CheckedFolderPath(const CheckedFolder* folder) {
    return folder->Path.c_str();
}

PlatformFile* OpenCheckedChild(CheckedFolder* folder, const char16_t* name, CheckOutcome* outcome) {
    std::u16string path = ChildPath(folder, name);
    RecordCall("OpenCheckedChild", {Utf8(path)});
    // A file in use is refused the delete access this open asks for.
    *outcome = Fake.RedirectedPaths.count(path) != 0                                       ? CheckRedirected
               : Fake.InUseFiles.count(path) != 0 || Fake.UnreadableFiles.count(path) != 0 ? CheckFailed
               : Fake.Files.count(path) == 0                                               ? CheckMissing
                                                                                           : CheckPassed;
    return *outcome == CheckPassed ? OpenFakeFile(path) : nullptr;
}

PlatformFile* CreateCheckedChild(CheckedFolder* folder, const char16_t* name) {
    std::u16string path = ChildPath(folder, name);
    RecordCall("CreateCheckedChild", {Utf8(path)});
    if (Fake.Files.count(path) != 0 || Fake.RedirectedPaths.count(path) != 0 ||
        Fake.UnopenableFiles.count(path) != 0)
        return nullptr;
    Fake.Files[path].clear();
    return OpenFakeFile(path);
}

int FlushCheckedChild(PlatformFile* file) {
    RecordCall("FlushCheckedChild", {Utf8(file->Path)});
    return Fake.FailingWriteFiles.count(file->Path) != 0 || Fake.FailingCloseFiles.count(file->Path) != 0 ? -1
                                                                                                          : 0;
}

int MoveCheckedChildOver(PlatformFile* file, CheckedFolder* folder, const char16_t* name) {
    std::u16string target = ChildPath(folder, name);
    RecordCall("MoveCheckedChildOver", {Utf8(file->Path), Utf8(target)});
    if (Fake.RefusedMoves.count(target) != 0)
        return -1;
    Fake.Files[target] = Fake.Files[file->Path];
    Fake.Files.erase(file->Path);
    file->Path = target; // the handle follows its file
    return 0;
}

int DeleteCheckedChild(PlatformFile* file) {
    RecordCall("DeleteCheckedChild", {Utf8(file->Path)});
    Fake.Files.erase(file->Path);
    CloseFakeFile(file);
    return 0;
}

int DeleteCheckedName(CheckedFolder* folder, const char16_t* name) {
    std::u16string path = ChildPath(folder, name);
    RecordCall("DeleteCheckedName", {Utf8(path)});
    if (Fake.RedirectedPaths.count(path) != 0)
        return CheckRedirected;
    Fake.Files.erase(path);
    return 0;
}

int DeleteCheckedLeftovers(CheckedFolder* folder) {
    RecordCall("DeleteCheckedLeftovers", {Utf8(folder->Path)});
    std::u16string prefix = folder->Path + u"\\";
    int result = 0;
    for (auto it = Fake.Files.begin(); it != Fake.Files.end();) {
        bool leftover = it->first.compare(0, prefix.size(), prefix) == 0 &&
                        it->first.find(u'\\', prefix.size()) == std::u16string::npos &&
                        IsLeftoverName(it->first.c_str() + prefix.size());
        if (leftover && Fake.RedirectedPaths.count(it->first) != 0)
            result = CheckRedirected;
        if (leftover && Fake.RedirectedPaths.count(it->first) == 0)
            it = Fake.Files.erase(it);
        else
            ++it;
    }
    return result;
}
