// Shortcut files through the shell's shell-link object. COM must be initialised on the
// calling thread; each interface is released before the call returns.
//
// The desktop belongs to the user, who could put a link at the shortcut's name or make the
// folder one: IPersistFile::Save would write through either. The object is saved into
// memory instead, and the bytes go through the folder's checked handles: a new ~crv.tmp,
// flushed, renamed over the shortcut's name by its handle.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform.h"
#include "shell_link_ids_win.h"
#include "text.h"
#include "win_text.h"

namespace {
// The COM form of a Win32 error, for the failures that COM itself doesn't report.
constexpr int32_t ResultPathNotFound = static_cast<int32_t>(0x80070003);

int32_t WriteLinkFile(const char16_t* linkFile, const unsigned char* bytes, size_t count) {
    char16_t folderPath[PathUnits] = {};
    int end = CopyText(folderPath, PathUnits, linkFile);
    while (end > 0 && folderPath[end - 1] != u'\\')
        --end;
    if (end <= 1)
        return ResultInvalidArgument; // no folder to check it against
    folderPath[end - 1] = 0;
    const char16_t* name = linkFile + end;
    CheckOutcome outcome = CheckFailed;
    CheckedFolder* folder = OpenCheckedFolder(folderPath, &outcome);
    if (folder == nullptr)
        return outcome == CheckRedirected ? ResultReachedThroughLink
               : outcome == CheckMissing  ? ResultPathNotFound
                                          : E_FAIL;
    // A ~crv.tmp that an ended run left goes first; one that is a link stays, and so does the
    // shortcut.
    int cleared = DeleteCheckedName(folder, TemporaryFileName);
    PlatformFile* file = cleared == 0 ? CreateCheckedChild(folder, TemporaryFileName) : nullptr;
    int32_t result = cleared == CheckRedirected ? ResultReachedThroughLink : E_FAIL;
    if (file != nullptr) {
        if (WriteFileBytes(file, bytes, count) == 0 && FlushCheckedChild(file) == 0 &&
            MoveCheckedChildOver(file, folder, name) == 0)
            result = CloseWrittenFile(file) == 0 ? S_OK : E_FAIL;
        else
            DeleteCheckedChild(file);
    }
    CloseCheckedFolder(folder);
    return result;
}

// Saves the object into memory and writes those bytes as linkFile.
int32_t SaveLink(IShellLinkW* link, const char16_t* linkFile) {
    IPersistStream* persist = nullptr;
    HRESULT result = link->QueryInterface(PersistStreamInterface, reinterpret_cast<void**>(&persist));
    if (FAILED(result))
        return result;
    IStream* stream = nullptr;
    result = CreateStreamOnHGlobal(nullptr, TRUE, &stream);
    if (SUCCEEDED(result)) {
        result = persist->Save(stream, TRUE);
        ULARGE_INTEGER size = {};
        LARGE_INTEGER start = {};
        HGLOBAL memory = nullptr;
        if (SUCCEEDED(result))
            result = stream->Seek(start, STREAM_SEEK_CUR, &size);
        if (SUCCEEDED(result))
            result = GetHGlobalFromStream(stream, &memory);
        const unsigned char* bytes =
            SUCCEEDED(result) ? static_cast<unsigned char*>(GlobalLock(memory)) : nullptr;
        if (bytes != nullptr) {
            result = WriteLinkFile(linkFile, bytes, static_cast<size_t>(size.QuadPart));
            GlobalUnlock(memory);
        } else if (SUCCEEDED(result)) {
            result = E_OUTOFMEMORY;
        }
        stream->Release();
    }
    persist->Release();
    return result;
}
} // namespace

int32_t CreateShellLink(const char16_t* target, const char16_t* arguments, const char16_t* linkFile,
                        const char16_t* description, int showCommand, const char16_t* workingDirectory,
                        const char16_t* iconPath, int iconIndex) {
    int32_t checked = CheckShellLinkArguments(target, arguments, linkFile, description, showCommand,
                                              workingDirectory, iconPath, iconIndex);
    if (checked != 0)
        return checked;
    IShellLinkW* link = nullptr;
    HRESULT result = CoCreateInstance(ShellLinkClass, nullptr, CLSCTX_INPROC_SERVER, ShellLinkInterface,
                                      reinterpret_cast<void**>(&link));
    if (FAILED(result))
        return result;
    // The setters' results don't decide anything: only creating, querying and saving do.
    link->SetPath(WideText(target));
    link->SetArguments(WideText(arguments));
    if (description[0] != 0)
        link->SetDescription(WideText(description));
    if (showCommand != 0)
        link->SetShowCmd(showCommand);
    if (workingDirectory[0] != 0)
        link->SetWorkingDirectory(WideText(workingDirectory));
    if (iconPath[0] != 0)
        link->SetIconLocation(WideText(iconPath), iconIndex);
    result = SaveLink(link, linkFile);
    link->Release();
    return result;
}
