// The control for the planted-DLL case: a program that loads the named DLLs by name with the
// default search order, which looks beside the executable first. Where a planted DLL's
// marker appears after this program ran, the planting works, so its absence after the setup
// ran means something.
#include <windows.h>

int wmain(int argc, wchar_t** argv) {
    int loaded = 0;
    for (int i = 1; i < argc; ++i)
        loaded += LoadLibraryW(argv[i]) != nullptr;
    return loaded;
}
