// What the end-to-end cases share: the setup's expected texts, ids, styles and sizes, the
// driver's command line, and the steps the cases are made of (tests/e2e/driver_win.cpp).
#pragma once

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "progress_probe_win.h"
#include "setup_probe_win.h"

// ---- What the setup must show and leave behind ------------------------------------------

// The window's title and class name: "Corvale v." VERSION " Installation".
inline constexpr wchar_t WindowClassPrefix[] = L"Corvale v.";
inline constexpr wchar_t WindowClassSuffix[] = L" Installation";
inline constexpr wchar_t QuitCaption[] = L"Corvale";
inline constexpr wchar_t QuitQuestion[] = L"Are you sure to quit?";
inline constexpr wchar_t Congratulation[] =
    L"Congratulations!\n\nYou've successfuly installed Corvale on your computer.\n"
    L"Thank you for choosing Wendrake Software.\n\n"
    L"Visit Corvale's website for updates and news:";
inline constexpr wchar_t ProgramFolderName[] = L"Corvale";
inline constexpr wchar_t DocumentsFolderName[] = L"Zadir Oduve";
inline constexpr wchar_t ApplicationKey[] = L"SOFTWARE\\Corvale";
inline constexpr wchar_t UninstallKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Corvale";
inline constexpr wchar_t DocumentClassKey[] = L"SOFTWARE\\Classes\\Corvale.Doc";
inline constexpr wchar_t ExtensionKey[] = L"SOFTWARE\\Classes\\.mpl";
inline constexpr wchar_t MainProgramFile[] = L"corvale.exe";
inline constexpr wchar_t UninstallerFile[] = L"uninst_corvale.exe";

struct PayloadFile {
    const wchar_t* Name;
    bool InDocumentsFolder;
};
inline constexpr PayloadFile PayloadFiles[] = {
    {L"corvale.exe", false},   {L"readme.txt", false}, {L"uninst_corvale.exe", false},
    {L"uninstall.dll", false}, {L"sample.mpl", true},
};

// Control ids of the window.
enum : int {
    LicenceTextId = 101,
    AgreeId = 102,
    DeclineId = 103,
    PageCaptionId = 104,
    ProgramFolderId = 105,
    ProgramBrowseId = 106,
    ProgramShortcutId = 107,
    DocumentsCaptionId = 108,
    DocumentsFolderId = 109,
    DocumentsBrowseId = 110,
    DocumentsShortcutId = 111,
    BackId = 112,
    InstallId = 113,
    CancelId = 114,
    WebSiteId = 116,
    CloseId = 200,
    StatusTextId = 250,
};

// Styles of the control kinds.
inline constexpr DWORD LabelStyle = 0x50000000;
inline constexpr DWORD PushStyle = 0x50010000;
inline constexpr DWORD DefaultPushStyle = 0x50010001;
inline constexpr DWORD CheckboxStyle = 0x50010003;
inline constexpr DWORD FolderEditStyle = 0x50010080;
inline constexpr DWORD LicenceViewStyle = 0x50200804;
inline constexpr DWORD IconLabelStyle = 0x50000803;
inline constexpr DWORD ClientEdge = 0x200;

// Sizes at the DPI steps, as the window must come out (independent of any scaling code).
struct DpiStep {
    int Dpi;
    int WindowWidth, WindowHeight;
    int ButtonWidth, ButtonHeight;
    const wchar_t* LogoText;
    int LogoWidth, LogoHeight;
};
inline constexpr DpiStep DpiSteps[] = {
    {96, 572, 384, 88, 27, L"#1020", 120, 41},    {108, 644, 432, 99, 31, L"#1020", 120, 41},
    {109, 650, 436, 100, 31, L"#1021", 150, 52},  {110, 656, 440, 101, 31, L"#1021", 150, 52},
    {120, 715, 480, 110, 34, L"#1021", 150, 52},  {132, 787, 528, 121, 38, L"#1021", 150, 52},
    {133, 793, 532, 122, 38, L"#1022", 180, 62},  {144, 858, 576, 132, 41, L"#1022", 180, 62},
    {168, 1001, 672, 154, 48, L"#1022", 180, 62}, {169, 1007, 676, 155, 48, L"#1023", 240, 83},
    {192, 1144, 768, 176, 54, L"#1023", 240, 83},
};

// ---- Command line -------------------------------------------------------------------------

struct DriverArgs {
    std::wstring Case;
    std::wstring Setup;
    std::wstring WebSiteHost = L"www.corvale.com";
    std::wstring Version = L"2.7.3"; // the product version the setup was built with
    std::wstring Shots;
    std::wstring Licence;        // the licence text file the setup carries
    std::wstring Planted;        // the marker DLL of the planted-DLL case
    std::wstring PlantedControl; // the program without DLL-search restriction
    std::wstring ProgressProbe;  // the hook DLL that counts the progress bar's messages
    std::wstring Blobs;          // the folder of the packed blobs (NAME.blob)
    std::wstring SetupInPlace;   // a test build of the setup that writes each file in place
    int Dpi = 96;
    bool Wow64 = false; // --wow64 yes: a 32-bit driver in a 64-bit prefix
    std::vector<std::wstring> PayloadNames;
    std::vector<std::wstring> PayloadPaths;
};

extern DriverArgs Args;

struct DriverCase {
    const char* Name;
    void (*Run)();
};
// The cases of tests/e2e/conformance_cases_win.cpp and tests/e2e/interrupted_cases_win.cpp.
extern const DriverCase ConformanceCases[];
extern const int ConformanceCaseCount;
extern const DriverCase InterruptedCases[];
extern const int InterruptedCaseCount;

const DpiStep* CurrentStep();
std::wstring PayloadSource(const wchar_t* name);
// The smallest integer not below dpi * v / 96, the window's layout scaling.
int Scaled(int value);
std::string Describe(const char* format, ...);

// Starts the setup and finds its window.
bool Launch(SetupRun& run);
bool Launch(SetupRun& run, const std::wstring& setupPath);
// Posts a click and waits for a control of the next page.
bool Advance(SetupRun& run, int buttonId, int awaitedId, const char* what);
void ExpectControl(const SetupRun& run, int id, const wchar_t* className, const std::wstring& text,
                   DWORD style, DWORD exStyle, int x, int y, int width, int height);
// A control placed by its layout numbers (96-DPI units), each scaled on its own.
void ExpectLaidOut(const SetupRun& run, int id, const wchar_t* className, const std::wstring& text,
                   DWORD style, DWORD exStyle, int x, int y, int width, int height);
void ExpectFocus(const SetupRun& run, int id);
void ExpectNoPageControls(const SetupRun& run);
void ExpectWindowGeometry(const SetupRun& run);
void ExpectLicencePage(const SetupRun& run);
void ExpectFolderPage(const SetupRun& run, const std::wstring& programFolder,
                      const std::wstring& documentsFolder);
// Posts Install and waits for the end of the run: the Close button.
bool Install(SetupRun& run);
// The ticks the packed blobs carry (the decoder's count), their coded total, and each file's
// ticks in payload-table order when asked.
bool BlobTicks(long long& ticks, long long& codedTotal, std::vector<long long>* fileTicks = nullptr);
// Starts the setup with the progress probe (tests/e2e/progress_probe_win.cpp) hooked into its
// GUI thread and set up as settings says, lets drive() work the window, ends the setup, and
// returns what drive() returned, with the probe's record.
bool WithProgressProbe(const ProgressProbeRecord& settings, const std::wstring& setup,
                       const std::function<bool(SetupRun&)>& drive, ProgressProbeRecord& record);
void ExpectSuccessPage(const SetupRun& run);
// Close ends the process with exit code 0.
void CloseSetup(SetupRun& run);
// A close request (Decline, Cancel) asks the question; OK ends the process with exit code 0.
void QuitThroughQuestion(SetupRun& run, int buttonId);
// Asks the harness for a screenshot of the window (or of another window of the setup, such
// as a dialog it shows) and waits until it is taken.
void Screenshot(const SetupRun& run, const char* page, HWND shown = nullptr);

void ExpectRegistry(const std::wstring& program, const std::wstring& documents);
void ExpectSameFile(const std::wstring& installed, const std::wstring& source);
void ExpectInstalledFiles(const std::wstring& program, const std::wstring& documents);
void ExpectShortcuts(const std::wstring& program, const std::wstring& documents);
std::wstring DefaultProgramFolder();
std::wstring DefaultDocumentsFolder();
