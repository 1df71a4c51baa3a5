// A knob drawn from a film strip of equally tall frames, top to bottom.
#pragma once

#include "toolkit/ccontrol.h"

enum KnobMode { kCircularMode = 0, kRelativCircularMode = 1, kLinearMode = 2 };

class CAnimKnob : public CControl {
public:
    CAnimKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* strip, const CPoint& offset);

    void draw(CDrawContext* context) override;
    int getNumSubPixmaps() const { return subPixmaps; }
    // The strip frame the current value shows.
    int frameIndex() const;

    CMouseEventResult onMouseDown(CPoint& where, long buttons) override;
    CMouseEventResult onMouseMoved(CPoint& where, long buttons) override;
    CMouseEventResult onMouseUp(CPoint& where, long buttons) override;

private:
    // Clockwise from straight up, in degrees, -180 to 180.
    double angleAt(const CPoint& where) const;
    void follow(const CPoint& where, long buttons);

    CPoint offset;
    int heightOfOneImage;
    int subPixmaps;
    long mode = kCircularMode;
    CPoint lastPoint;
    double lastAngle = 0;
};
