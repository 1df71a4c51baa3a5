#include "toolkit/canimknob.h"

#include <cmath>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/cframe.h"

namespace {
// The pointer sweeps 270 degrees, from lower left over the top to lower right.
const double kSweep = 270.0;
// Pixels of linear drag for the whole range.
const double kLinearRange = 200.0;
}  // namespace

CAnimKnob::CAnimKnob(const CRect& size, CControlListener* listener, long tag, CBitmap* strip, const CPoint& offset)
    : CControl(size, listener, tag, strip),
      offset(offset),
      heightOfOneImage(size.height()),
      subPixmaps(strip && size.height() > 0 ? strip->getHeight() / size.height() : 0) {}

int CAnimKnob::frameIndex() const {
    if (subPixmaps <= 0)
        return 0;
    float v = value < 0.f ? 0.f : (value > 1.f ? 1.f : value);
    return int(std::floor(float(subPixmaps - 1) * v));
}

void CAnimKnob::draw(CDrawContext* context) {
    if (background && subPixmaps > 0)
        context->drawBitmap(*background, size, CPoint(offset.h, offset.v + frameIndex() * heightOfOneImage));
}

double CAnimKnob::angleAt(const CPoint& where) const {
    const double dx = where.h - (size.left + size.right) / 2.0;
    const double dy = where.v - (size.top + size.bottom) / 2.0;
    return std::atan2(dx, -dy) * 180.0 / M_PI;
}

CMouseEventResult CAnimKnob::onMouseDown(CPoint& where, long buttons) {
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    if (checkDefaultValue(buttons))
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    mode = frame ? frame->getKnobMode() : long(kCircularMode);
    lastPoint = where;
    lastAngle = angleAt(where);
    beginEdit();
    if (mode == kCircularMode)
        follow(where, buttons);
    return kMouseEventHandled;
}

void CAnimKnob::follow(const CPoint& where, long buttons) {
    const float old = value;
    const double fine = (buttons & kShift) ? 0.1 : 1.0;
    if (mode == kLinearMode) {
        const double delta = (where.h - lastPoint.h) + (lastPoint.v - where.v);
        value = float(value + delta * fine / kLinearRange);
    } else if (mode == kRelativCircularMode) {
        double turn = angleAt(where) - lastAngle;
        if (turn > 180)
            turn -= 360;
        else if (turn < -180)
            turn += 360;
        value = float(value + turn * fine / kSweep);
    } else {
        value = float((angleAt(where) + kSweep / 2) / kSweep);
    }
    lastPoint = where;
    lastAngle = angleAt(where);
    bounceValue();
    if (value != old)
        reportChange();
}

CMouseEventResult CAnimKnob::onMouseMoved(CPoint& where, long buttons) {
    follow(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CAnimKnob::onMouseUp(CPoint& /*where*/, long /*buttons*/) {
    endEdit();
    return kMouseEventHandled;
}
