// Stands in for a running copy of the installed program: like any running program, its
// image file stays locked until it ends. The test that starts it ends it.
#include <windows.h>

int main() {
    Sleep(120000);
    return 0;
}
