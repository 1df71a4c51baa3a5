// The frame's window under X11: a child of the host's window on a display
// connection of our own, fed from the host's idle calls.
#pragma once

#include "toolkit/platformwindow.h"

class CFrame;

class X11Window : public PlatformWindow {
public:
    // Null if there is no display or the parent is unusable.
    static PlatformWindow* create(CFrame& frame, void* parent);
    ~X11Window() override;

    void processEvents() override;
    void dispatchOnePaint() override;
    void flush(const std::vector<CRect>& region) override;
    void* systemWindow() const override;

    // Our window's id, for tests.
    unsigned long windowId() const;

private:
    struct Impl;
    explicit X11Window(Impl* impl);
    void handle(void* event);

    Impl* impl;
};
