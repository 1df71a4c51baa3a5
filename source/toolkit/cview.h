// Anything a frame holds and draws: a rectangle in frame coordinates.
#pragma once

#include "toolkit/cbuttons.h"
#include "toolkit/crect.h"

class CDrawContext;
class CFrame;

class CView {
public:
    explicit CView(const CRect& size) : size(size) {}
    virtual ~CView() {}

    const CRect& getViewSize() const { return size; }
    CFrame* getFrame() const { return frame; }
    void setFrame(CFrame* f) { frame = f; }

    virtual void draw(CDrawContext* context) = 0;
    virtual bool isDirty() const { return dirty; }
    virtual void setDirty(bool state = true) { dirty = state; }
    // The frame calls this once the view's current state is on screen.
    virtual void drawn() { dirty = false; }

    virtual CMouseEventResult onMouseDown(CPoint& /*where*/, long /*buttons*/) { return kMouseEventNotHandled; }
    virtual CMouseEventResult onMouseMoved(CPoint& /*where*/, long /*buttons*/) { return kMouseEventNotHandled; }
    virtual CMouseEventResult onMouseUp(CPoint& /*where*/, long /*buttons*/) { return kMouseEventNotHandled; }

    // Draws the view into the frame's buffer now, rather than at the next idle.
    void invalid();

protected:
    CRect size;
    CFrame* frame = nullptr;
    bool dirty = false;

private:
    CView(const CView&) = delete;
    CView& operator=(const CView&) = delete;
};
