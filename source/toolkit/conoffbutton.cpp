#include "toolkit/conoffbutton.h"

#include "toolkit/cbitmap.h"
#include "toolkit/ccontrollistener.h"
#include "toolkit/cdrawcontext.h"

COnOffButton::COnOffButton(const CRect& size, CControlListener* listener, long tag, CBitmap* background, long style)
    : CControl(size, listener, tag, background), style(style) {}

void COnOffButton::draw(CDrawContext* context) {
    if (background)
        context->drawBitmap(*background, size, CPoint(0, value == 0.f ? 0 : size.height()));
}

CMouseEventResult COnOffButton::onMouseDown(CPoint& /*where*/, long buttons) {
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    value = value != 0.f ? 0.f : 1.f;
    if (style & kPostListenerUpdate)
        invalid();
    beginEdit();
    if (listener)
        listener->valueChanged(this);
    endEdit();
    if (!(style & kPostListenerUpdate))
        invalid();
    return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
}
