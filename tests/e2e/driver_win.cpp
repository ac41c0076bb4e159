// The end-to-end driver: starts the setup in this Wine prefix (or on Windows), drives its
// window from outside with Win32 calls and reads back what the installation left behind.
//
//   e2e-driver.exe CASE --setup PATH [--dpi N] [--website HOST] [--version X.Y.Z]
//                       [--shots DIR|none] [--licence PATH] [--payload FILE=PATH ...]
//                       [--wow64 yes|no]
//
// Paths may be Unix paths: Wine's drive Z: reaches them.
//
// The exit code is the number of failed checks of the case (capped at 255).
#include <windows.h>
#include <objbase.h>
#include <shlobj.h>

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include <string>
#include <vector>

#include "../../core/install_run.h"
#include "../../core/payload_format.h"
#include "checks_win.h"
#include "progress_probe_win.h"
#include "readback_win.h"
#include "driver_steps_win.h"
#include "setup_probe_win.h"

DriverArgs Args;

namespace {

bool ParseArgs(int argc, wchar_t** argv) {
    if (argc < 2)
        return false;
    Args.Case = argv[1];
    for (int i = 2; i + 1 < argc; i += 2) {
        std::wstring option = argv[i], value = argv[i + 1];
        if (option == L"--setup")
            Args.Setup = WindowsPath(value);
        else if (option == L"--website")
            Args.WebSiteHost = value;
        else if (option == L"--version")
            Args.Version = value;
        else if (option == L"--shots")
            Args.Shots = value == L"none" ? std::wstring() : WindowsPath(value);
        else if (option == L"--licence")
            Args.Licence = WindowsPath(value);
        else if (option == L"--planted")
            Args.Planted = WindowsPath(value);
        else if (option == L"--planted-control")
            Args.PlantedControl = WindowsPath(value);
        else if (option == L"--progress-probe")
            Args.ProgressProbe = WindowsPath(value);
        else if (option == L"--blobs")
            Args.Blobs = WindowsPath(value);
        else if (option == L"--setup-in-place")
            Args.SetupInPlace = WindowsPath(value);
        else if (option == L"--dpi")
            Args.Dpi = _wtoi(value.c_str());
        else if (option == L"--wow64")
            Args.Wow64 = value == L"yes";
        else if (option == L"--payload" && value.find(L'=') != std::wstring::npos) {
            Args.PayloadNames.push_back(value.substr(0, value.find(L'=')));
            Args.PayloadPaths.push_back(WindowsPath(value.substr(value.find(L'=') + 1)));
        } else {
            fprintf(stderr, "unknown option %s\n", Utf8(option).c_str());
            return false;
        }
    }
    return (argc % 2) == 0;
}

} // namespace

const DpiStep* CurrentStep() {
    for (const DpiStep& step : DpiSteps)
        if (step.Dpi == Args.Dpi)
            return &step;
    return nullptr;
}

std::wstring PayloadSource(const wchar_t* name) {
    for (size_t i = 0; i < Args.PayloadNames.size(); ++i)
        if (Args.PayloadNames[i] == name)
            return Args.PayloadPaths[i];
    return std::wstring();
}

// ---- Steps the cases are made of -----------------------------------------------------------

// The smallest integer not below dpi * v / 96, the window's layout scaling.
int Scaled(int value) {
    return (Args.Dpi * value + 95) / 96;
}

std::string Describe(const char* format, ...) {
    char text[256];
    va_list arguments;
    va_start(arguments, format);
    vsnprintf(text, sizeof text, format, arguments);
    va_end(arguments);
    return text;
}

bool Launch(SetupRun& run) {
    return Launch(run, Args.Setup);
}

bool Launch(SetupRun& run, const std::wstring& setupPath) {
    // The driver shares the setup's kind: under WOW64 exactly when the group's prefix is the
    // 64-bit one.
    BOOL wow64 = FALSE;
    IsWow64Process(GetCurrentProcess(), &wow64);
    ExpectInt(Args.Wow64 ? "driver runs under WOW64" : "driver runs without WOW64", Args.Wow64,
              wow64 != FALSE);
    if (!ExpectTrue(StartSetup(run, setupPath), "setup process started"))
        return false;
    const std::wstring windowClass = WindowClassPrefix + Args.Version + WindowClassSuffix;
    if (!ExpectTrue(WaitForMainWindow(run, windowClass), "main window found by its class name")) {
        DWORD code;
        if (WaitExit(run, code, 0))
            Note("the setup ended with exit code %lu", code);
        return false;
    }
    ExpectText("window title", windowClass, Text(run.Window));
    return true;
}

// Posts a click and waits for a control of the next page.
bool Advance(SetupRun& run, int buttonId, int awaitedId, const char* what) {
    if (!ExpectTrue(PostClick(run, buttonId), Describe("click %d posted", buttonId).c_str()))
        return false;
    bool arrived = WaitForControl(run, awaitedId) != nullptr && WaitUntilIdle(run);
    return ExpectTrue(arrived, what);
}

void ExpectControl(const SetupRun& run, int id, const wchar_t* className, const std::wstring& text,
                   DWORD style, DWORD exStyle, int x, int y, int width, int height) {
    HWND control = Control(run, id);
    if (!ExpectTrue(control != nullptr, Describe("control %d exists", id).c_str()))
        return;
    ExpectText(Describe("class of %d", id).c_str(), className, ClassOf(control));
    ExpectText(Describe("text of %d", id).c_str(), text, Text(control));
    ExpectHex(Describe("style of %d", id).c_str(), style, Style(control));
    ExpectHex(Describe("extended style of %d", id).c_str(), exStyle, ExStyle(control));
    RECT rect = Rect(control);
    ExpectInt(Describe("left of %d", id).c_str(), x, rect.left);
    ExpectInt(Describe("top of %d", id).c_str(), y, rect.top);
    ExpectInt(Describe("width of %d", id).c_str(), width, rect.right - rect.left);
    ExpectInt(Describe("height of %d", id).c_str(), height, rect.bottom - rect.top);
}

// A control placed by its layout numbers (96-DPI units), each scaled on its own.
void ExpectLaidOut(const SetupRun& run, int id, const wchar_t* className, const std::wstring& text,
                   DWORD style, DWORD exStyle, int x, int y, int width, int height) {
    ExpectControl(run, id, className, text, style, exStyle, Scaled(x), Scaled(y), Scaled(width),
                  Scaled(height));
}

void ExpectFocus(const SetupRun& run, int id) {
    HWND focus = Focus(run);
    ExpectInt(Describe("focus on %d", id).c_str(), id, focus ? GetDlgCtrlID(focus) : -1);
}

void ExpectNoPageControls(const SetupRun& run) {
    int present = 0;
    for (int id = LicenceTextId; id <= CancelId; ++id)
        present += Control(run, id) != nullptr;
    ExpectInt("page controls 101 to 114 left", 0, present);
}

// Window size and place, the standard button and the logo at the prefix's DPI.
void ExpectWindowGeometry(const SetupRun& run) {
    const DpiStep* step = CurrentStep();
    if (!ExpectTrue(step != nullptr, Describe("sizes known for %d DPI", Args.Dpi).c_str()))
        return;
    RECT window, desktop;
    GetWindowRect(run.Window, &window);
    GetWindowRect(GetDesktopWindow(), &desktop);
    int width = window.right - window.left, height = window.bottom - window.top;
    ExpectInt("window width", step->WindowWidth, width);
    ExpectInt("window height", step->WindowHeight, height);
    ExpectInt("window centred: left", (desktop.right - desktop.left - width) / 2, window.left);
    ExpectInt("window centred: top", (desktop.bottom - desktop.top - height) / 2, window.top);
    // The system adds WS_CLIPSIBLINGS and WS_BORDER (completing WS_CAPTION) to every
    // overlapped window; the rest is what the window was created with.
    ExpectHex("window style", 0x10480000, Style(run.Window) & ~(WS_CLIPSIBLINGS | WS_BORDER));

    RECT agree = Rect(Control(run, AgreeId));
    ExpectInt("button width (Agree)", step->ButtonWidth, agree.right - agree.left);
    ExpectInt("button height (Agree)", step->ButtonHeight, agree.bottom - agree.top);

    HWND logo;
    ExpectInt("icon labels without id", 1, FindIconLabels(run, &logo));
    ExpectText("logo resource", step->LogoText, Text(logo));
    ExpectHex("logo style", IconLabelStyle, Style(logo));
    RECT place = Rect(logo);
    ExpectInt("logo width", step->LogoWidth, place.right - place.left);
    ExpectInt("logo height", step->LogoHeight, place.bottom - place.top);
    // The logo's centre (its hotspot) lies on the scaled anchor point (119, 297).
    ExpectInt("logo left", Scaled(119) - step->LogoWidth / 2, place.left);
    ExpectInt("logo top", Scaled(297) - step->LogoHeight / 2, place.top);
}

void ExpectLicencePage(const SetupRun& run) {
    // The licence is 7-bit text: each byte is one UTF-16 unit in the edit.
    std::string bytes;
    std::wstring licence;
    if (!Args.Licence.empty() && ExpectTrue(ReadWholeFile(Args.Licence, bytes), "licence text file readable"))
        licence.assign(bytes.begin(), bytes.end());
    else
        licence = Text(run, LicenceTextId);
    ExpectTrue(licence.size() > 1000, "licence text is long");
    ExpectLaidOut(run, LicenceTextId, L"Edit", licence, LicenceViewStyle, ClientEdge, 15, 15, 534, 228);
    ExpectLaidOut(run, AgreeId, L"Button", L"Agree", DefaultPushStyle, 0, 364, 307, 88, 27);
    ExpectLaidOut(run, DeclineId, L"Button", L"Decline", PushStyle, 0, 460, 307, 88, 27);
    ExpectFocus(run, AgreeId);
}

void ExpectFolderPage(const SetupRun& run, const std::wstring& programFolder,
                      const std::wstring& documentsFolder) {
    ExpectLaidOut(run, PageCaptionId, L"Static", L"Choose Program folder:", LabelStyle, 0, 50, 52, 450, 30);
    ExpectLaidOut(run, ProgramFolderId, L"Edit", programFolder, FolderEditStyle, ClientEdge, 50, 77, 460, 22);
    ExpectLaidOut(run, ProgramBrowseId, L"Button", L"...", PushStyle, 0, 515, 77, 25, 22);
    ExpectLaidOut(run, ProgramShortcutId, L"Button", L"Create Program shortcut on Desktop", CheckboxStyle, 0,
                  50, 102, 450, 30);
    ExpectLaidOut(run, DocumentsCaptionId, L"Static", L"Choose Documents folder:", LabelStyle, 0, 50, 160,
                  450, 30);
    ExpectLaidOut(run, DocumentsFolderId, L"Edit", documentsFolder, FolderEditStyle, ClientEdge, 50, 185, 460,
                  22);
    ExpectLaidOut(run, DocumentsBrowseId, L"Button", L"...", PushStyle, 0, 515, 185, 25, 22);
    ExpectLaidOut(run, DocumentsShortcutId, L"Button", L"Create Documents shortcut on Desktop", CheckboxStyle,
                  0, 50, 210, 450, 30);
    ExpectLaidOut(run, BackId, L"Button", L"< Back", PushStyle, 0, 268, 307, 88, 27);
    ExpectLaidOut(run, InstallId, L"Button", L"Install", DefaultPushStyle, 0, 364, 307, 88, 27);
    ExpectLaidOut(run, CancelId, L"Button", L"Cancel", PushStyle, 0, 460, 307, 88, 27);
    ExpectInt("program shortcut ticked", BST_CHECKED, CheckState(Control(run, ProgramShortcutId)));
    ExpectInt("documents shortcut ticked", BST_CHECKED, CheckState(Control(run, DocumentsShortcutId)));
    int start, end;
    Selection(Control(run, ProgramFolderId), start, end);
    ExpectInt("program folder selected from", 0, start);
    ExpectInt("program folder selected to", static_cast<long long>(programFolder.size()), end);
    ExpectFocus(run, ProgramFolderId);
}

// Posts Install and waits for the end of the run: the Close button.
bool Install(SetupRun& run) {
    return Advance(run, InstallId, CloseId, "installation ended with the Close button");
}

void ExpectSuccessPage(const SetupRun& run) {
    ExpectLaidOut(run, StatusTextId, L"Static", Congratulation, LabelStyle, 0, 60, 50, 450, 100);
    ExpectLaidOut(run, WebSiteId, L"Button", Args.WebSiteHost, PushStyle, 0, 60, 163, 320, 30);
    ExpectLaidOut(run, CloseId, L"Button", L"Close", DefaultPushStyle, 0, 460, 307, 88, 27);
    ExpectFocus(run, CloseId);
    ExpectTrue(GetNextDlgTabItem(run.Window, Control(run, WebSiteId), FALSE) == Control(run, CloseId),
               "Tab goes from the web-site button to Close");
    ExpectNoPageControls(run);
    HWND logo;
    ExpectInt("logo still shown", 1, FindIconLabels(run, &logo));
}

// Close ends the process with exit code 0.
void CloseSetup(SetupRun& run) {
    PostClick(run, CloseId);
    DWORD code;
    if (ExpectTrue(WaitExit(run, code), "setup ended after Close"))
        ExpectInt("exit code after Close", 0, code);
}

// A close request (Decline, Cancel) asks the question; OK ends the process with exit code 0.
void QuitThroughQuestion(SetupRun& run, int buttonId) {
    PostClick(run, buttonId);
    HWND box = FindMessageBox(run, QuitCaption);
    if (!ExpectTrue(box != nullptr, Describe("question box after %d, owned by the window", buttonId).c_str()))
        return;
    ExpectText("question", QuitQuestion, MessageBoxText(box));
    ExpectTrue(GetDlgItem(box, IDCANCEL) != nullptr, "question offers Cancel");
    PostClick(GetDlgItem(box, IDOK));
    DWORD code;
    if (ExpectTrue(WaitExit(run, code), "setup ended after OK"))
        ExpectInt("exit code after OK", 0, code);
}

// Asks the harness for a screenshot of the window and waits until it is taken.
void Screenshot(const SetupRun& run, const char* page, HWND shown) {
    if (Args.Shots.empty())
        return;
    WaitUntilIdle(run);
    Sleep(300); // the X surface catches up with the last paint
    RECT window;
    GetWindowRect(shown ? shown : run.Window, &window);
    wchar_t name[64];
    swprintf(name, 64, L"%hs-%d", page, Args.Dpi);
    std::wstring request = Args.Shots + L"\\" + name + L".want", draft = request + L".part";
    // Written whole, then renamed: the harness never reads half a request.
    FILE* file = _wfopen(draft.c_str(), L"w");
    if (file) {
        fprintf(file, "%ldx%ld+%ld+%ld\n", window.right - window.left, window.bottom - window.top,
                window.left, window.top);
        fclose(file);
    }
    if (!ExpectTrue(file && MoveFileExW(draft.c_str(), request.c_str(), MOVEFILE_REPLACE_EXISTING),
                    Describe("screenshot %s requested", Utf8(name).c_str()).c_str()))
        return;
    DWORD start = GetTickCount();
    while (FileExists(request) && GetTickCount() - start < 15000)
        Sleep(50);
    ExpectTrue(!FileExists(request), Describe("screenshot %s taken", Utf8(name).c_str()).c_str());
}

void ExpectRegistryText(HKEY root, const std::wstring& key, const std::wstring& name,
                        const std::wstring& expected) {
    RegistryValue value = ReadRegistryValue(root, key, name);
    std::string where = Utf8((root == HKEY_LOCAL_MACHINE ? L"HKLM\\" : L"HKCU\\") + key + L" : " +
                             (name.empty() ? L"(default)" : name));
    if (!ExpectInt((where + " read").c_str(), ERROR_SUCCESS, value.Result))
        return;
    ExpectInt((where + " type").c_str(), REG_SZ, value.Type);
    ExpectInt((where + " bytes").c_str(), static_cast<long long>((expected.size() + 1) * sizeof(wchar_t)),
              value.Bytes);
    ExpectText((where + " text").c_str(), expected, value.Text);
}

// The values of an installation into these two folders, and nothing else beside them.
void ExpectRegistry(const std::wstring& program, const std::wstring& documents) {
    std::wstring shellKey = std::wstring(DocumentClassKey) + L"\\shell";
    std::wstring mainProgram = program + L"\\" + MainProgramFile;
    ExpectRegistryText(HKEY_LOCAL_MACHINE, ApplicationKey, L"AppPath", program);
    ExpectRegistryText(HKEY_LOCAL_MACHINE, ApplicationKey, L"Version", Args.Version);
    ExpectRegistryText(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayName", L"Corvale");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, UninstallKey, L"UninstallString",
                       L"\"" + program + L"\\" + UninstallerFile + L"\"");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, UninstallKey, L"Version", Args.Version);
    ExpectRegistryText(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayVersion", Args.Version);
    ExpectRegistryText(HKEY_LOCAL_MACHINE, UninstallKey, L"DisplayIcon", mainProgram + L",0");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, UninstallKey, L"Publisher", L"Wendrake Software");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, DocumentClassKey, L"", L"Ruroz Udid");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, shellKey, L"", L"open");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, shellKey + L"\\open", L"", L"Open file in Corvale");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, shellKey + L"\\open\\command", L"",
                       L"\"" + mainProgram + L"\" \"%1\"");
    ExpectRegistryText(HKEY_LOCAL_MACHINE, ExtensionKey, L"", L"Corvale.Doc");
    ExpectRegistryText(HKEY_CURRENT_USER, ApplicationKey, L"DocPath", documents);
    ExpectRegistryText(HKEY_CURRENT_USER, ApplicationKey, L"FirstRun", L"Yes");
    ExpectInt("values in HKLM application key", 2, CountRegistryValues(HKEY_LOCAL_MACHINE, ApplicationKey));
    ExpectInt("values in the uninstall key", 6, CountRegistryValues(HKEY_LOCAL_MACHINE, UninstallKey));
    ExpectInt("values in HKCU application key", 2, CountRegistryValues(HKEY_CURRENT_USER, ApplicationKey));
}

void ExpectSameFile(const std::wstring& installed, const std::wstring& source) {
    std::string installedBytes, sourceBytes;
    std::string name = Utf8(installed);
    if (!ExpectTrue(!source.empty() && ReadWholeFile(source, sourceBytes),
                    ("payload source readable for " + name).c_str()))
        return;
    if (!ExpectTrue(ReadWholeFile(installed, installedBytes), (name + " exists").c_str()))
        return;
    ExpectInt((name + " size").c_str(), static_cast<long long>(sourceBytes.size()),
              static_cast<long long>(installedBytes.size()));
    ExpectTrue(installedBytes == sourceBytes, (name + " identical to its payload source").c_str());
}

void ExpectInstalledFiles(const std::wstring& program, const std::wstring& documents) {
    for (const PayloadFile& file : PayloadFiles)
        ExpectSameFile((file.InDocumentsFolder ? documents : program) + L"\\" + file.Name,
                       PayloadSource(file.Name));
}

void ExpectShortcuts(const std::wstring& program, const std::wstring& documents) {
    std::wstring mainProgram = program + L"\\" + MainProgramFile;
    std::wstring startMenu = SpecialFolder(CSIDL_COMMON_PROGRAMS);
    std::wstring desktop = SpecialFolder(CSIDL_DESKTOPDIRECTORY);
    ExpectTrue(!startMenu.empty() && !desktop.empty(), "Start-menu and desktop folders known");
    struct Expected {
        std::wstring Link, Target, WorkingDirectory, Description;
    };
    const Expected links[] = {
        {startMenu + L"\\Corvale.lnk", mainProgram, program, L"Corvale"},
        {desktop + L"\\Corvale.lnk", mainProgram, program, L"Corvale"},
        {desktop + L"\\Zadir Oduve.lnk", documents, documents, L"Zadir Oduve"},
    };
    for (const Expected& link : links) {
        std::string name = Utf8(link.Link);
        ShellLinkFields fields = ReadShellLink(link.Link);
        if (!ExpectHex((name + " loaded").c_str(), S_OK, static_cast<unsigned long>(fields.Result)))
            continue;
        ExpectText((name + " target").c_str(), link.Target, fields.Target);
        ExpectText((name + " arguments").c_str(), L"", fields.Arguments);
        ExpectText((name + " working directory").c_str(), link.WorkingDirectory, fields.WorkingDirectory);
        ExpectText((name + " description").c_str(), link.Description, fields.Description);
        ExpectInt((name + " show command").c_str(), SW_SHOWNORMAL, fields.ShowCommand);
        ExpectText((name + " icon location").c_str(), L"", fields.IconPath);
        ExpectTrue((fields.Flags & SLDF_HAS_ICONLOCATION) == 0,
                   (name + " has no icon-location flag").c_str());
    }
}

std::wstring DefaultProgramFolder() {
    return SpecialFolder(CSIDL_PROGRAM_FILES) + L"\\" + ProgramFolderName;
}

std::wstring DefaultDocumentsFolder() {
    return SpecialFolder(CSIDL_PERSONAL) + L"\\" + DocumentsFolderName;
}

namespace {

// ---- Cases --------------------------------------------------------------------------------

// A fresh machine: licence, default folders, installation, read-back, Close.
void CaseDefaults() {
    std::wstring program = DefaultProgramFolder(), documents = DefaultDocumentsFolder();
    // The Program Files folders as the prefix records them in its own view: a 32-bit program
    // on 64-bit Windows (WOW64) is given the 32-bit one, never the 64-bit one.
    const wchar_t windowsKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion";
    std::wstring recorded =
        ReadRegistryValue(HKEY_LOCAL_MACHINE, windowsKey, L"ProgramFilesDir", KEY_WOW64_64KEY).Text;
    std::wstring recorded32 =
        ReadRegistryValue(HKEY_LOCAL_MACHINE, windowsKey, L"ProgramFilesDir (x86)", KEY_WOW64_64KEY).Text;
    ExpectText(Args.Wow64 ? "Program Files folder: the prefix's ProgramFilesDir (x86)"
                          : "Program Files folder: the prefix's ProgramFilesDir",
               Args.Wow64 ? recorded32 : recorded, SpecialFolder(CSIDL_PROGRAM_FILES));
    if (Args.Wow64)
        ExpectTrue(!recorded.empty() && recorded != recorded32,
                   "the prefix's 64-bit Program Files is another");
    SetupRun run;
    if (Launch(run)) {
        ExpectLicencePage(run);
        ExpectWindowGeometry(run);
        Screenshot(run, "licence");
        if (Advance(run, AgreeId, ProgramFolderId, "folder page after Agree")) {
            ExpectFolderPage(run, program, documents);
            Screenshot(run, "folders");
            if (Install(run)) {
                ExpectSuccessPage(run);
                Screenshot(run, "success");
                ExpectInstalledFiles(program, documents);
                ExpectRegistry(program, documents);
                ExpectShortcuts(program, documents);
                CloseSetup(run);
            }
        }
    }
    EndSetup(run);
}

// Folders typed on one run are proposed by the next.
void CaseSecondRun() {
    const std::wstring program = L"C:\\Corvale Second", documents = L"C:\\Zadir Second";
    SetupRun run;
    if (Launch(run) && Advance(run, AgreeId, ProgramFolderId, "folder page after Agree")) {
        ExpectTrue(SetText(Control(run, ProgramFolderId), program), "program folder typed");
        ExpectTrue(SetText(Control(run, DocumentsFolderId), documents), "documents folder typed");
        if (Install(run)) {
            ExpectText("status after installing into typed folders", Congratulation, Text(run, StatusTextId));
            ExpectInstalledFiles(program, documents);
            ExpectRegistry(program, documents);
            // The shortcuts of the first installation are replaced, not left beside.
            ExpectShortcuts(program, documents);
            CloseSetup(run);
        }
    }
    EndSetup(run);
    if (Launch(run) && Advance(run, AgreeId, ProgramFolderId, "folder page of the next run")) {
        ExpectText("program folder proposed", program, Text(run, ProgramFolderId));
        ExpectText("documents folder proposed", documents, Text(run, DocumentsFolderId));
        QuitThroughQuestion(run, CancelId);
    }
    EndSetup(run);
}

// Window, button and logo at the prefix's DPI; Decline asks before quitting.
void CaseLayout() {
    SetupRun run;
    if (Launch(run)) {
        ExpectWindowGeometry(run);
        ExpectLicencePage(run);
        Screenshot(run, "licence");
        QuitThroughQuestion(run, DeclineId);
    }
    EndSetup(run);
}

// The read-back checks tell wrong values from right ones on this machine: after the default
// installation they pass for its folders and fail for others.
void CaseReadbackControls() {
    std::wstring program = DefaultProgramFolder(), documents = DefaultDocumentsFolder();
    ExpectInt("failures reading back the default installation", 0, FailuresWithin([&] {
                  ExpectInstalledFiles(program, documents);
                  ExpectRegistry(program, documents);
                  ExpectShortcuts(program, documents);
              }));
    ExpectTrue(
        FailuresWithin([&] { ExpectSameFile(program + L"\\readme.txt", PayloadSource(L"sample.mpl")); }) > 0,
        "a file compared with another payload source differs");
    ExpectTrue(FailuresWithin([&] { ExpectRegistry(program + L"x", documents + L"x"); }) >= 7,
               "registry values of other folders differ");
    ExpectTrue(FailuresWithin([&] { ExpectShortcuts(documents, program); }) >= 6,
               "shortcuts to swapped folders differ");
    // A shortcut that has an icon location and another show command reads back as such.
    std::wstring link = SpecialFolder(CSIDL_DESKTOPDIRECTORY) + L"\\e2e-control.lnk";
    IShellLinkW* shellLink = nullptr;
    IPersistFile* persist = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_IShellLinkW,
                                   reinterpret_cast<void**>(&shellLink)))) {
        shellLink->SetPath((program + L"\\" + MainProgramFile).c_str());
        shellLink->SetIconLocation((program + L"\\" + UninstallerFile).c_str(), 2);
        shellLink->SetShowCmd(SW_SHOWMINNOACTIVE);
        if (SUCCEEDED(shellLink->QueryInterface(IID_IPersistFile, reinterpret_cast<void**>(&persist)))) {
            persist->Save(link.c_str(), TRUE);
            persist->Release();
        }
        shellLink->Release();
    }
    ShellLinkFields fields = ReadShellLink(link);
    ExpectHex("control shortcut loaded", S_OK, static_cast<unsigned long>(fields.Result));
    ExpectText("control shortcut icon path", program + L"\\" + UninstallerFile, fields.IconPath);
    ExpectInt("control shortcut icon index", 2, fields.IconIndex);
    ExpectTrue((fields.Flags & SLDF_HAS_ICONLOCATION) != 0, "control shortcut has the icon-location flag");
    ExpectInt("control shortcut show command", SW_SHOWMINNOACTIVE, fields.ShowCommand);
    DeleteFileW(link.c_str());
}

// ---- The progress bar's steps ---------------------------------------------------------------

} // namespace

bool BlobTicks(long long& ticks, long long& codedTotal, std::vector<long long>* fileTicks) {
    ticks = codedTotal = 0;
    for (const PayloadFile& file : PayloadFiles) {
        std::string blob;
        bool loaded = ReadWholeFile(Args.Blobs + L"\\" + file.Name + L".blob", blob);
        auto bytes = reinterpret_cast<const unsigned char*>(blob.data());
        uint64_t decoded, blobTicks;
        if (!ExpectTrue(loaded && CheckPayload(bytes, blob.size(), &decoded, &blobTicks) == 0,
                        Describe("blob %s read and well formed", Utf8(file.Name).c_str()).c_str()))
            return false;
        ticks += static_cast<long long>(blobTicks);
        codedTotal += PayloadSize(bytes, blob.size());
        if (fileTicks != nullptr)
            fileTicks->push_back(static_cast<long long>(blobTicks));
    }
    return true;
}

namespace {} // namespace

bool WithProgressProbe(const ProgressProbeRecord& settings, const std::wstring& setup,
                       const std::function<bool(SetupRun&)>& drive, ProgressProbeRecord& record) {
    record = ProgressProbeRecord{};
    HANDLE memory = CreateFileMappingW(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0, sizeof record,
                                       ProgressProbeMemory);
    auto* shared =
        memory ? static_cast<ProgressProbeRecord*>(MapViewOfFile(memory, FILE_MAP_WRITE, 0, 0, 0)) : nullptr;
    if (!ExpectTrue(shared != nullptr, "probe record shared"))
        return false;
    *shared = settings;
    shared->FinalPosition = -1;
    shared->LoadedByName = shared->LoadedFromFolder = -1;
    HMODULE probe = LoadLibraryW(Args.ProgressProbe.c_str());
    HOOKPROC hook = probe ? reinterpret_cast<HOOKPROC>(
                                reinterpret_cast<void*>(GetProcAddress(probe, ProgressProbeHookName)))
                          : nullptr;
    bool driven = false;
    SetupRun run;
    if (ExpectTrue(hook != nullptr, "probe loaded") && Launch(run, setup)) {
        HHOOK handle = SetWindowsHookExW(WH_CALLWNDPROC, hook, probe, run.WindowThread);
        if (ExpectTrue(handle != nullptr, "probe hooked into the setup's GUI thread"))
            driven = drive(run);
        if (handle)
            UnhookWindowsHookEx(handle);
    }
    EndSetup(run);
    record = *shared;
    UnmapViewOfFile(shared);
    CloseHandle(memory);
    if (probe)
        FreeLibrary(probe);
    return driven;
}

namespace {

// A whole installation with the probe hooked into the setup's GUI thread; the record of what
// its progress bar received. dropStep != 0 makes the probe swallow that step.
bool RecordProgress(LONG dropStep, ProgressProbeRecord& record) {
    ProgressProbeRecord settings = {};
    settings.DropStep = dropStep;
    return WithProgressProbe(
        settings, Args.Setup,
        [](SetupRun& run) {
            if (!Advance(run, AgreeId, ProgramFolderId, "folder page after Agree"))
                return false;
            bool installed = Install(run);
            ExpectText("status after the installation", Congratulation, Text(run, StatusTextId));
            CloseSetup(run);
            return installed;
        },
        record);
}

// Every tick reached the one bar as one PBM_STEPIT while it was visible, and the bar stood
// at their number when it was removed: the blobs' ticks and the run's own.
void ExpectEveryStep(const ProgressProbeRecord& record, long long ticks, long long codedTotal) {
    ExpectInt("PBM_SETRANGE sent", 1, record.RangeMessages);
    ExpectInt("range maximum", codedTotal / ProgressRangeUnitBytes, record.RangeMaximum);
    ExpectInt("PBM_SETSTEP sent", 1, record.StepMessages);
    ExpectInt("step", 1, record.StepSize);
    ExpectInt("PBM_STEPIT sent: the blobs' ticks and the run's own", ticks + RunOwnTicks, record.Steps);
    ExpectInt("bar's position before its removal", record.Steps, record.FinalPosition);
    ExpectInt("steps sent while the bar was not visible", 0, record.HiddenSteps);
}

void CaseProgressSteps() {
    long long ticks, codedTotal;
    ProgressProbeRecord record;
    if (BlobTicks(ticks, codedTotal) && RecordProgress(0, record)) {
        ExpectEveryStep(record, ticks, codedTotal);
        Note("the bar received %ld steps and %ld paint messages", record.Steps, record.Paints);
    }
}

// Control: a step that the bar never receives is caught, and only that.
void CaseProgressStepsControl() {
    long long ticks, codedTotal;
    ProgressProbeRecord record;
    if (BlobTicks(ticks, codedTotal) && RecordProgress(100, record))
        ExpectInt("failures with step 100 swallowed", 1,
                  FailuresWithin([&] { ExpectEveryStep(record, ticks, codedTotal); }));
}

// Not a test: the install benchmark's measurement (scripts/bench-install.sh). The time from
// the Install click until the Close button exists, polled every millisecond.
void CaseTimedInstall() {
    SetupRun run;
    if (Launch(run) && Advance(run, AgreeId, ProgramFolderId, "folder page after Agree")) {
        LARGE_INTEGER frequency, start, end;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        if (ExpectTrue(PostClick(run, InstallId), "Install clicked")) {
            while (!Control(run, CloseId) && IsWindow(run.Window))
                Sleep(1);
            QueryPerformanceCounter(&end);
            if (ExpectText("status after the installation", Congratulation, Text(run, StatusTextId)))
                printf("install-ms %.1f\n", 1000.0 * (end.QuadPart - start.QuadPart) / frequency.QuadPart);
            CloseSetup(run);
        }
    }
    EndSetup(run);
}

const DriverCase Cases[] = {
    {"defaults", CaseDefaults},
    {"second_run", CaseSecondRun},
    {"layout", CaseLayout},
    {"readback_controls", CaseReadbackControls},
    {"progress_steps", CaseProgressSteps},
    {"progress_steps_control", CaseProgressStepsControl},
    {"timed_install", CaseTimedInstall},
};

} // namespace

int wmain(int argc, wchar_t** argv) {
    // A copy of this program that just stays running: the stand-in for a running copy of
    // the installed program. The case that starts it ends it.
    if (argc == 2 && wcscmp(argv[1], L"--hold") == 0) {
        Sleep(120000);
        return 0;
    }
    if (!ParseArgs(argc, argv) || Args.Setup.empty()) {
        fprintf(stderr, "usage: e2e-driver CASE --setup PATH [--dpi N] [--website HOST] [--version X.Y.Z] "
                        "[--shots DIR|none] "
                        "[--licence PATH] [--payload FILE=PATH ...] [--wow64 yes|no]\ncases:");
        for (const DriverCase& c : Cases)
            fprintf(stderr, " %s", c.Name);
        for (int i = 0; i < ConformanceCaseCount; ++i)
            fprintf(stderr, " %s", ConformanceCases[i].Name);
        for (int i = 0; i < InterruptedCaseCount; ++i)
            fprintf(stderr, " %s", InterruptedCases[i].Name);
        fprintf(stderr, "\n");
        return 255;
    }
    std::vector<DriverCase> all(std::begin(Cases), std::end(Cases));
    all.insert(all.end(), ConformanceCases, ConformanceCases + ConformanceCaseCount);
    all.insert(all.end(), InterruptedCases, InterruptedCases + InterruptedCaseCount);
    for (const DriverCase& c : all) {
        if (Utf8(Args.Case) != c.Name)
            continue;
        // The first line, out before anything is touched: the harness tells by it that the
        // case began.
        printf("case %s (%d DPI)\n", c.Name, Args.Dpi);
        fflush(stdout);
        CoInitialize(nullptr);
        c.Run();
        printf("case %s: %d passed, %d failed\n", c.Name, Tally.Passed, Tally.Failed);
        CoUninitialize();
        return Tally.Failed > 255 ? 255 : Tally.Failed;
    }
    fprintf(stderr, "unknown case %s\n", Utf8(Args.Case).c_str());
    return 255;
}
