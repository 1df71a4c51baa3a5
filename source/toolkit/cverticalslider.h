// A vertical slider: a handle bitmap whose top edge travels from minPos
// (value 1) down to maxPos (value 0), in frame coordinates.
#pragma once

#include "toolkit/ccontrol.h"

enum SliderStyle { kVertical = 1 << 0, kBottom = 1 << 1, kTop = 1 << 2 };

class CVerticalSlider : public CControl {
public:
    CVerticalSlider(const CRect& size, CControlListener* listener, long tag, int minPos, int maxPos, CBitmap* handle,
                    CBitmap* background, const CPoint& offset, long style = kBottom | kVertical);
    ~CVerticalSlider() override;

    void setOffsetHandle(const CPoint& p) { offsetHandle = p; }
    const CPoint& getOffsetHandle() const { return offsetHandle; }
    CBitmap* getHandle() const { return handle; }
    // Top edge of the handle for the current value.
    int handleTop() const;

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, long buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, long buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, long buttons) override;

private:
    double travel() const { return double(maxPos - minPos); }
    float valueForHandleTop(double top) const;
    double exactHandleTop() const;
    void follow(const CPoint& where, long buttons);

    int minPos, maxPos;
    CBitmap* handle;
    CPoint offset;
    CPoint offsetHandle;
    long style;
    double grab = 0;  // pointer position inside the handle while dragging
    int lastV = 0;
};
