// Shortcut files through the shell's shell-link object and its IPersistFile. COM must be
// initialised on the calling thread; each interface is released before the call returns.
#include <windows.h>
#include <objidl.h>
#include <shlobj.h>

#include "platform.h"
#include "shell_link_ids_win.h"
#include "win_text.h"

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
    IPersistFile* persist = nullptr;
    result = link->QueryInterface(PersistFileInterface, reinterpret_cast<void**>(&persist));
    if (FAILED(result)) {
        link->Release();
        return result;
    }
    // Save writes or replaces the file; it creates no missing folder.
    result = persist->Save(WideText(linkFile), TRUE);
    persist->Release();
    link->Release();
    return result;
}
