// The frame's window under Windows: a child of the host's window that shows
// the frame's buffer on WM_PAINT and feeds it the mouse. The host's message
// loop drives it; our idle work only asks for repaints.
#pragma once

#include "toolkit/platformwindow.h"

struct HWND__;
struct HINSTANCE__;

class CFrame;

class Win32Window : public PlatformWindow {
public:
    // Null if the parent is not a window.
    static PlatformWindow* create(CFrame& frame, void* parent);
    ~Win32Window() override;

    void processEvents() override;
    void dispatchOnePaint() override;
    void flush(const std::vector<CRect>& region) override;

    // Our window, for tests.
    HWND__* handle() const;

    // The module whose resources and window class we use: the library's
    // hInstance, or the module holding this code when that is not set.
    static HINSTANCE__* module();

    struct Impl;

private:
    explicit Win32Window(Impl* impl);
    // Destroys the window if it still exists and undoes what create did.
    static void release(Impl* impl);
    Impl* impl;
};
