// Stand-in for the library that accompanies the uninstaller.
#include <windows.h>

extern "C" __declspec(dllexport) int CorvaleUninstallVersion() {
    return 273;
}

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
