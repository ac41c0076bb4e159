// Stand-in for the Corvale uninstaller.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"Corvale uninstaller", L"Corvale", MB_OK | MB_ICONINFORMATION);
    return 0;
}
