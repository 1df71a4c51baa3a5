// The seam between the frame and the operating system's window. The frame
// draws into its own buffer; a platform window shows it and feeds it input.
#pragma once

#include <vector>

#include "toolkit/crect.h"

class CFrame;

class PlatformWindow {
public:
    virtual ~PlatformWindow() {}
    // Reads the window's pending events and hands them to the frame.
    virtual void processEvents() = 0;
    // Handles one pending expose/paint request, if there is one.
    virtual void dispatchOnePaint() = 0;
    // Puts the given parts of the frame's buffer on screen.
    virtual void flush(const std::vector<CRect>& region) = 0;
    // The platform's id of our window (an X11 Window, an HWND), for hosts
    // that must be handed the editor's own window; null where there is none.
    virtual void* systemWindow() const { return nullptr; }

    using Factory = PlatformWindow* (*)(CFrame& frame, void* parent);
    // The factory in use: the platform's own unless a test set another
    // (one that returns null runs the frame headless).
    static void setFactory(Factory factory);
    static PlatformWindow* create(CFrame& frame, void* parent);
};
