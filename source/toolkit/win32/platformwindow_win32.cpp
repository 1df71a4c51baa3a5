// The platform window seam for Windows builds (platformwindow.cpp serves the
// others): the native window is a Win32 child window.
#include "toolkit/platformwindow.h"

#include "toolkit/win32/win32window.h"

namespace {

PlatformWindow* nativeWindow(CFrame& frame, void* parent) { return Win32Window::create(frame, parent); }

PlatformWindow::Factory current = nativeWindow;

}  // namespace

void PlatformWindow::setFactory(Factory factory) { current = factory ? factory : nativeWindow; }

PlatformWindow* PlatformWindow::create(CFrame& frame, void* parent)
{
    return parent ? current(frame, parent) : nullptr;
}
