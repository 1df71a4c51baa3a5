// The screen density under X11: the Xft.dpi resource that desktops set for
// their scaling and that Xft-drawn applications follow.
#include <X11/Xlib.h>

#include <cstdlib>

#include "toolkit/platform.h"

double platform::systemDpi() {
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return 0.0;
    const char* value = XGetDefault(display, "Xft", "dpi");
    const double dpi = value ? std::atof(value) : 0.0;
    XCloseDisplay(display);
    return dpi;
}
