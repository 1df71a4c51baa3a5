// The screen density under Windows: the system DPI as this thread's DPI
// awareness lets it see it (96 for a host that is not DPI-aware, which
// Windows then stretches as a whole).
#include <windows.h>

#include "toolkit/platform.h"

double platform::systemDpi() {
    // GetDpiForSystem exists from Windows 10 1607 on; older systems give
    // the screen's logical pixels per inch.
    using GetDpiForSystemFn = UINT(WINAPI*)();
    if (HMODULE user32 = GetModuleHandleW(L"user32.dll")) {
        auto fn =
            reinterpret_cast<GetDpiForSystemFn>(reinterpret_cast<void*>(GetProcAddress(user32, "GetDpiForSystem")));
        if (fn)
            return double(fn());
    }
    HDC screen = GetDC(nullptr);
    if (!screen)
        return 0.0;
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return double(dpi);
}
