// The progress probe: a WH_CALLWNDPROC hook procedure that the driver sets on the setup's GUI
// thread, so Windows loads this DLL into the setup. It sees every message sent to the
// installation's progress bar before the bar's procedure does, and counts them into the
// driver's shared record (progress_probe_win.h). With DropStep set it also subclasses the
// bar to swallow that one step: the driver's control that a lost step is noticed. With
// KillStep set it ends the setup at that step, as a power cut would. With SearchedDll set it
// tries to load that DLL from inside the setup.
#include <windows.h>
#include <commctrl.h>

#include "progress_probe_win.h"

namespace {

ProgressProbeRecord* Record;
WNDPROC BarProcedure;
LONG StepsSeenBySubclass;

ProgressProbeRecord* OpenRecord() {
    if (Record == nullptr) {
        HANDLE memory = OpenFileMappingW(FILE_MAP_WRITE, FALSE, ProgressProbeMemory);
        if (memory != nullptr)
            Record = static_cast<ProgressProbeRecord*>(
                MapViewOfFile(memory, FILE_MAP_WRITE, 0, 0, sizeof(ProgressProbeRecord)));
    }
    return Record;
}

bool IsProgressBar(HWND window) {
    wchar_t name[32] = L"";
    return GetClassNameW(window, name, 32) > 0 && lstrcmpW(name, PROGRESS_CLASSW) == 0;
}

LRESULT CALLBACK DroppingProcedure(HWND bar, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == PBM_STEPIT && ++StepsSeenBySubclass == Record->DropStep)
        return 0;
    return CallWindowProcW(BarProcedure, bar, message, wParam, lParam);
}

// The setup restricts the DLL search to the system folder: a DLL beside it must not load by
// name, while the same DLL asked for from that folder does.
void SearchOnce(ProgressProbeRecord* record) {
    if (record->SearchedDll[0] == 0 || record->LoadedByName != -1)
        return;
    HMODULE byName = LoadLibraryW(record->SearchedDll);
    record->LoadedByName = byName != nullptr;
    if (byName)
        FreeLibrary(byName);
    HMODULE fromFolder = LoadLibraryExW(record->SearchedDll, nullptr, LOAD_LIBRARY_SEARCH_APPLICATION_DIR);
    record->LoadedFromFolder = fromFolder != nullptr;
    if (fromFolder)
        FreeLibrary(fromFolder);
}

void Observe(const CWPSTRUCT& sent) {
    ProgressProbeRecord* record = OpenRecord();
    if (record != nullptr)
        SearchOnce(record);
    if (record == nullptr || !IsProgressBar(sent.hwnd))
        return;
    switch (sent.message) {
    case PBM_STEPIT:
        // Ended here, before the bar or anything after this step sees it.
        if (record->Steps + 1 == record->KillStep)
            TerminateProcess(GetCurrentProcess(), ProgressProbeKillCode);
        if (++record->Steps == 1 && record->DropStep != 0)
            BarProcedure = reinterpret_cast<WNDPROC>(
                SetWindowLongPtrW(sent.hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DroppingProcedure)));
        if ((GetWindowLongW(sent.hwnd, GWL_STYLE) & WS_VISIBLE) == 0)
            ++record->HiddenSteps;
        break;
    case WM_PAINT:
        ++record->Paints;
        break;
    case PBM_SETRANGE:
        ++record->RangeMessages;
        record->RangeMaximum = HIWORD(sent.lParam);
        break;
    case PBM_SETSTEP:
        ++record->StepMessages;
        record->StepSize = static_cast<LONG>(sent.wParam);
        break;
    case WM_DESTROY:
        record->FinalPosition = static_cast<LONG>(SendMessageW(sent.hwnd, PBM_GETPOS, 0, 0));
        break;
    }
}

} // namespace

extern "C" __declspec(dllexport) LRESULT CALLBACK ProgressProbeHook(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HC_ACTION)
        Observe(*reinterpret_cast<const CWPSTRUCT*>(lParam));
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
