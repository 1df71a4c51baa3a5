// A two-state switch; its bitmap holds both faces stacked, the top one for value 0.
#pragma once

#include "toolkit/ccontrol.h"

enum ButtonStyle { kPreListenerUpdate = 1 << 0, kPostListenerUpdate = 1 << 1 };

class COnOffButton : public CControl {
public:
    COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background,
                 long style = kPostListenerUpdate);

    void draw(CDrawContext* context) override;
    CMouseEventResult onMouseDown(CPoint& where, long buttons) override;

private:
    long style;
};
