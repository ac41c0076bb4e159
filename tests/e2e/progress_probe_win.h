// What the progress probe (progress_probe_win.cpp, a hook DLL that the driver hooks into the
// setup's GUI thread) records about the installation's progress bar, in a named shared
// memory block that the driver creates before it hooks the thread and reads afterwards.
#pragma once

#include <windows.h>

inline constexpr wchar_t ProgressProbeMemory[] = L"Local\\CorvaleE2EProgressProbe";
// The hook procedure the probe exports (undecorated: the DLL is linked with --kill-at).
inline constexpr char ProgressProbeHookName[] = "ProgressProbeHook";

struct ProgressProbeRecord {
    LONG DropStep;      // set by the driver: when not 0, the bar never receives this step
    LONG Steps;         // PBM_STEPIT sent to the bar
    LONG HiddenSteps;   // of them, sent while the bar lacked WS_VISIBLE
    LONG Paints;        // WM_PAINT sent to the bar
    LONG RangeMessages; // PBM_SETRANGE sent to the bar
    LONG RangeMaximum;  // the maximum of the last PBM_SETRANGE
    LONG StepMessages;  // PBM_SETSTEP sent to the bar
    LONG StepSize;      // the step of the last PBM_SETSTEP
    LONG FinalPosition; // PBM_GETPOS when the bar was destroyed; -1 before
    LONG KillStep;      // set by the driver: when not 0, the setup is ended at this step
    // Set by the driver: when not empty, the probe loads a DLL of this name from inside the
    // setup, once by name through the process's search order (LoadedByName) and once from
    // the setup's own folder (LoadedFromFolder): 1 loaded, 0 not found; -1 before.
    wchar_t SearchedDll[32];
    LONG LoadedByName;
    LONG LoadedFromFolder;
};

// The exit code of a setup that the probe ended, as a power cut or Task Manager would.
inline constexpr UINT ProgressProbeKillCode = 77;
