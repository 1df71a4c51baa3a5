// What each platform backend provides (x11/ or win32/, one picked in
// CMakeLists.txt): the native window behind PlatformWindow and the clock
// behind IdleClock.
#pragma once

class CFrame;
class PlatformWindow;

namespace platform {

// A child window of parent that shows the frame; null if there is no
// display or the parent is unusable.
PlatformWindow* createWindow(CFrame& frame, void* parent);

unsigned long nowMs();
void sleepMs(unsigned long ms);

}  // namespace platform
