#include "toolkit/platformwindow.h"

#if defined(__linux__)
#include "toolkit/x11/x11window.h"
#endif

namespace {

PlatformWindow* nativeWindow(CFrame& frame, void* parent)
{
#if defined(__linux__)
    return X11Window::create(frame, parent);
#else
    (void)frame;
    (void)parent;
    return nullptr;
#endif
}

PlatformWindow::Factory current = nativeWindow;

}  // namespace

void PlatformWindow::setFactory(Factory factory) { current = factory ? factory : nativeWindow; }

PlatformWindow* PlatformWindow::create(CFrame& frame, void* parent)
{
    return parent ? current(frame, parent) : nullptr;
}
