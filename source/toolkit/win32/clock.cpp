// The editor's idle timing on Windows: the system tick count and Sleep.
#include <windows.h>

#include "toolkit/platform.h"

unsigned long platform::nowMs() {
    return GetTickCount();
}

void platform::sleepMs(unsigned long ms) {
    Sleep(DWORD(ms));
}
