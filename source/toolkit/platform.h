// What each platform backend provides (x11/ or win32/, one picked in
// CMakeLists.txt): the native window behind PlatformWindow, the clock
// behind IdleClock and the screen density behind the editor's scale.
#pragma once

class CFrame;
class PlatformWindow;

namespace platform {

// A child window of parent that shows the frame; null if there is no
// display or the parent is unusable.
PlatformWindow* createWindow(CFrame& frame, void* parent);

// The screen's dots per inch as the desktop sets them for applications, or 0
// where that cannot be learnt (no display).
double systemDpi();

unsigned long nowMs();
void sleepMs(unsigned long ms);

}  // namespace platform
