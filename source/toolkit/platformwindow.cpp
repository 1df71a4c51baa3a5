#include "toolkit/platformwindow.h"

#include "toolkit/platform.h"

namespace {

PlatformWindow::Factory current = platform::createWindow;

}  // namespace

void PlatformWindow::setFactory(Factory factory) {
    current = factory ? factory : platform::createWindow;
}

PlatformWindow* PlatformWindow::create(CFrame& frame, void* parent) {
    return parent ? current(frame, parent) : nullptr;
}
