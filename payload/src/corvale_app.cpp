// Stand-in for the Corvale application: one window saying what it is.
#include <windows.h>

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    MessageBoxW(nullptr, L"Corvale 2.7.3", L"Corvale", MB_OK | MB_ICONINFORMATION);
    return 0;
}
