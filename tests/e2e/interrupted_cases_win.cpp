// End-to-end cases of a reinstallation that is ended part-way, as a power cut, Task Manager
// or logging off would end it: the progress probe ends the setup at chosen steps of its bar,
// inside each file, between files, in the registry and in the shortcut phase. After every
// stop each installed file must be its old version or its new one, whole.
//
// The old installation is the packed payload with one byte changed in each program's DOS
// stub (the programs still run); the setup under test installs the packed payload over it.
#include <windows.h>
#include <shlobj.h>

#include <string>
#include <vector>

#include "../../core/registry_table.h"
#include "checks_win.h"
#include "driver_steps_win.h"
#include "readback_win.h"
#include "setup_probe_win.h"

namespace {

constexpr int FileCount = sizeof PayloadFiles / sizeof PayloadFiles[0];
const wchar_t TemporaryFile[] = L"~crv.tmp";

struct Versions {
    std::string Old[FileCount], New[FileCount];
};

std::wstring PathOf(int file) {
    return (PayloadFiles[file].InDocumentsFolder ? DefaultDocumentsFolder() : DefaultProgramFolder()) +
           L"\\" + PayloadFiles[file].Name;
}

bool IsProgram(int file) {
    std::wstring name = PayloadFiles[file].Name;
    return name.size() > 4 &&
           (name.compare(name.size() - 4, 4, L".exe") == 0 || name.compare(name.size() - 4, 4, L".dll") == 0);
}

bool LoadVersions(Versions& versions) {
    for (int file = 0; file < FileCount; ++file) {
        std::string& bytes = versions.New[file];
        if (!ExpectTrue(ReadWholeFile(PayloadSource(PayloadFiles[file].Name), bytes),
                        Describe("payload %s readable", Utf8(PayloadFiles[file].Name).c_str()).c_str()))
            return false;
        versions.Old[file] = bytes;
        size_t stub = bytes.find("This program cannot be run in DOS mode");
        if (IsProgram(file) && !ExpectTrue(stub != std::string::npos, "DOS stub found"))
            return false;
        if (IsProgram(file))
            versions.Old[file][stub] = 't';
    }
    return true;
}

// The installed files as an older release left them.
bool PlaceOldVersions(const Versions& versions) {
    bool placed = true;
    for (int file = 0; file < FileCount; ++file)
        placed = WriteText(PathOf(file), versions.Old[file]) && placed;
    return ExpectTrue(placed, "old versions placed");
}

// Each file is the version expected: the new one where `isNew` says so, else the old one.
void ExpectVersions(const Versions& versions, const char* when, const std::vector<bool>& isNew) {
    for (int file = 0; file < FileCount; ++file) {
        std::string bytes;
        bool read = ReadWholeFile(PathOf(file), bytes);
        const std::string& expected = isNew[file] ? versions.New[file] : versions.Old[file];
        ExpectTrue(read && bytes == expected,
                   Describe("%s: %s is its %s version, whole (%zu bytes, expected %zu)", when,
                            Utf8(PayloadFiles[file].Name).c_str(), isNew[file] ? "new" : "old", bytes.size(),
                            expected.size())
                       .c_str());
    }
}

// The old corvale.exe still shows the installed sample ledger.
void ExpectOldProgramOpensTheSample(const char* when) {
    // Without the first-run greeting, whose box would stand before the window.
    HKEY key;
    if (RegCreateKeyExW(HKEY_CURRENT_USER, ApplicationKey, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key,
                        nullptr) == ERROR_SUCCESS) {
        RegSetValueExW(key, L"FirstRun", 0, REG_SZ, reinterpret_cast<const BYTE*>(L"No"),
                       3 * sizeof(wchar_t));
        RegCloseKey(key);
    }
    std::wstring program = PathOf(0), sample = PathOf(FileCount - 1);
    std::wstring command = L"\"" + program + L"\" \"" + sample + L"\"";
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    SetupRun corvale = {};
    if (!ExpectTrue(CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                                   &startup, &corvale.Process),
                    Describe("%s: old corvale.exe started", when).c_str()))
        return;
    if (ExpectTrue(WaitForMainWindow(corvale, L"Corvale.LedgerWindow"),
                   Describe("%s: its window", when).c_str())) {
        const int HeaderId = 100; // the ledger's name and the file's path, once it was read
        std::wstring header;
        for (DWORD start = GetTickCount(); GetTickCount() - start < 10000; Sleep(50)) {
            header = Text(corvale, HeaderId);
            if (header.find(L'\n') != std::wstring::npos)
                break;
        }
        size_t line = header.find(L'\n');
        ExpectTrue(line != std::wstring::npos && line > 0 && header.substr(line + 1) == sample,
                   Describe("%s: old corvale.exe shows sample.mpl", when).c_str());
    }
    TerminateProcess(corvale.Process.hProcess, 0);
    EndSetup(corvale);
}

// The setup to its folder page, both desktop shortcuts cleared (Wine's desktop would draw
// their icons from whatever file a stop left), then Install. With killStep the probe ends
// the setup at that step of its bar; without, the run must succeed.
bool Reinstall(const std::wstring& setup, LONG killStep) {
    ProgressProbeRecord settings = {}, record;
    settings.KillStep = killStep;
    return WithProgressProbe(
        settings, setup,
        [&](SetupRun& run) {
            if (!Advance(run, AgreeId, ProgramFolderId, "folder page after Agree"))
                return false;
            for (int id : {ProgramShortcutId, DocumentsShortcutId})
                if (!ExpectTrue(Click(run, id) && CheckState(Control(run, id)) == BST_UNCHECKED,
                                Describe("desktop shortcut %d cleared", id).c_str()))
                    return false;
            if (killStep == 0) {
                bool installed = Install(run) &&
                                 ExpectText("status after the run", Congratulation, Text(run, StatusTextId));
                CloseSetup(run);
                return installed;
            }
            DWORD code = 0;
            return ExpectTrue(PostClick(run, InstallId), "Install clicked") &&
                   ExpectTrue(WaitExit(run, code), "setup ended at its stop") &&
                   ExpectInt("exit code of the ended setup", ProgressProbeKillCode, code);
        },
        record);
}

struct Stop {
    LONG Step; // the bar's step at which the setup is ended
    int File;  // the file being written then, or -1
    std::string Where;
};

// The run's own tick that follows the write of a value (found by its name, and by its data's
// format where names repeat): the three before the registry, then one per stepping write.
int TickOfWrite(const char16_t* valueName, const char16_t* dataFormat = nullptr) {
    int tick = 3;
    for (const RegistryWrite& write : RegistryWriteTable) {
        tick += write.StepAfter;
        if (std::u16string(write.ValueName) == valueName &&
            (dataFormat == nullptr || std::u16string(write.DataFormat) == dataFormat))
            return tick;
    }
    return -1;
}

// Steps 1 and 2 come before the files, then each file's ticks, then step 3, one per
// stepping registry write and one per shortcut (RunOwnTicks in all).
std::vector<Stop> Stops(const std::vector<long long>& fileTicks, std::vector<LONG>& fileEnds) {
    std::vector<Stop> stops = {{1, -1, "at the start"}, {2, -1, "after the program folder"}};
    LONG step = 2;
    for (int file = 0; file < FileCount; ++file) {
        LONG ticks = static_cast<LONG>(fileTicks[file]);
        std::vector<LONG> points = {1, ticks};
        if (file == 0)
            points = {1, ticks / 4, ticks / 2, 3 * ticks / 4, ticks};
        else if (ticks >= 3)
            points = {1, ticks / 2, ticks};
        LONG last = 0;
        for (LONG point : points)
            if (point > last && point <= ticks) {
                stops.push_back({step + point, file,
                                 Describe("inside %s at its tick %ld of %ld",
                                          Utf8(PayloadFiles[file].Name).c_str(), point, ticks)});
                last = point;
            }
        step += ticks;
        fileEnds.push_back(step);
    }
    // The run's own ticks where its later phases stand, from the installation's tables.
    const int files = 3, shortcuts = files + RegistryStepCount();
    const struct {
        int RunTick;
        const char* Where;
    } later[] = {{files, "after the files"},
                 {files + 1, "at the first registry value"},
                 {files + RegistryStepCount() / 2, "among the registry values"},
                 {TickOfWrite(u"", RegistryText::OpenCommand), "at the open command"},
                 {TickOfWrite(DocPathValue), "at DocPath"},
                 {TickOfWrite(FirstRunValue), "at FirstRun"},
                 {shortcuts + 1, "after the Start-menu shortcut"},
                 {shortcuts + 2, "in the desktop shortcut step"}};
    for (const auto& point : later)
        stops.push_back({step + point.RunTick - 2, -1, point.Where});
    return stops;
}

// Which files a run ended at `step` has replaced: those whose every tick came before it.
std::vector<bool> ReplacedBefore(LONG step, const std::vector<LONG>& fileEnds) {
    std::vector<bool> replaced;
    for (LONG end : fileEnds)
        replaced.push_back(step > end);
    return replaced;
}

bool Prepare(Versions& versions, std::vector<Stop>& stops, std::vector<LONG>& fileEnds) {
    long long ticks, codedTotal;
    std::vector<long long> fileTicks;
    if (!LoadVersions(versions) || !BlobTicks(ticks, codedTotal, &fileTicks))
        return false;
    stops = Stops(fileTicks, fileEnds);
    Note("%zu stops, the last file ending at step %ld", stops.size(), fileEnds.back());
    return true;
}

// An installation, then reinstallations over old versions ended at every stop; then runs to
// the end: every file new and no temporary file left, an unchanged sample written again, an
// edited one kept.
void CaseInterruptedReinstall() {
    Versions versions;
    std::vector<Stop> stops;
    std::vector<LONG> fileEnds;
    if (!Prepare(versions, stops, fileEnds) || !ExpectTrue(Reinstall(Args.Setup, 0), "first installation"))
        return;
    ExpectTrue(stops.size() >= 20, "at least 20 stops");
    for (const Stop& stop : stops) {
        if (!PlaceOldVersions(versions) || !Reinstall(Args.Setup, stop.Step))
            return;
        std::vector<bool> replaced = ReplacedBefore(stop.Step, fileEnds);
        ExpectVersions(versions, stop.Where.c_str(), replaced);
        if (!replaced[0])
            ExpectOldProgramOpensTheSample(stop.Where.c_str());
    }

    const std::wstring program = DefaultProgramFolder(), documents = DefaultDocumentsFolder();
    const std::wstring leftover = program + L"\\" + TemporaryFile;
    PlaceOldVersions(versions);
    Reinstall(Args.Setup, stops[3].Step);
    ExpectTrue(FileExists(leftover), "a stop inside corvale.exe leaves its temporary file behind");
    // An unchanged sample, last written long ago: written again.
    HANDLE sample = CreateFileW(PathOf(FileCount - 1).c_str(), FILE_WRITE_ATTRIBUTES, 0, nullptr,
                                OPEN_EXISTING, 0, nullptr);
    FILETIME longAgo = {0, 0x01C07385}; // 2001
    ExpectTrue(sample != INVALID_HANDLE_VALUE && SetFileTime(sample, nullptr, nullptr, &longAgo),
               "sample dated 2001");
    CloseHandle(sample);
    if (!ExpectTrue(Reinstall(Args.Setup, 0), "the run after the stops"))
        return;
    std::vector<bool> allNew(FileCount, true);
    ExpectVersions(versions, "after a whole run", allNew);
    for (const std::wstring& folder : {program, documents})
        ExpectTrue(!FileExists(folder + L"\\" + TemporaryFile),
                   (Utf8(folder) + " holds no temporary file").c_str());
    WIN32_FILE_ATTRIBUTE_DATA data = {};
    ExpectTrue(GetFileAttributesExW(PathOf(FileCount - 1).c_str(), GetFileExInfoStandard, &data) &&
                   CompareFileTime(&data.ftLastWriteTime, &longAgo) > 0,
               "the unchanged sample was written again");

    // A line added to the sample, as the user's own entry: kept as it is.
    const std::string line = "2026-12-01  Winter tyres  -480.00\r\n";
    std::string unchanged;
    ExpectTrue(ReadWholeFile(PathOf(FileCount - 1), unchanged) &&
                   WriteText(PathOf(FileCount - 1), unchanged + line),
               "a line added to sample.mpl");
    if (!ExpectTrue(Reinstall(Args.Setup, 0), "the run over the edited sample"))
        return;
    std::string kept;
    ExpectTrue(ReadWholeFile(PathOf(FileCount - 1), kept) && kept == versions.New[FileCount - 1] + line,
               "the edited sample is kept as it is");
    for (int file = 0; file < FileCount - 1; ++file)
        ExpectSameFile(PathOf(file), PayloadSource(PayloadFiles[file].Name));
}

// Control: the same stops with a setup that writes each file in place must break a file at
// every stop inside a file, and only there.
void CaseInterruptedInPlaceControl() {
    Versions versions;
    std::vector<Stop> stops;
    std::vector<LONG> fileEnds;
    if (!ExpectTrue(!Args.SetupInPlace.empty(), "--setup-in-place given") ||
        !Prepare(versions, stops, fileEnds))
        return;
    for (const Stop& stop : stops) {
        if (!PlaceOldVersions(versions) || !Reinstall(Args.SetupInPlace, stop.Step))
            return;
        std::vector<bool> replaced = ReplacedBefore(stop.Step, fileEnds);
        int broken = FailuresWithin([&] { ExpectVersions(versions, stop.Where.c_str(), replaced); });
        ExpectInt(Describe("files found broken, written in place, %s", stop.Where.c_str()).c_str(),
                  stop.File >= 0 ? 1 : 0, broken);
    }
}

} // namespace

const DriverCase InterruptedCases[] = {
    {"interrupted_reinstall", CaseInterruptedReinstall},
    {"interrupted_in_place_control", CaseInterruptedInPlaceControl},
};
const int InterruptedCaseCount = sizeof InterruptedCases / sizeof InterruptedCases[0];
