#include "toolkit/cverticalslider.h"

#include <algorithm>

#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"

CVerticalSlider::CVerticalSlider(const CRect& size, CControlListener* listener, long tag, int minPos, int maxPos,
                                 CBitmap* handle, CBitmap* background, const CPoint& offset, long style)
    : CControl(size, listener, tag, background),
      minPos(minPos),
      maxPos(maxPos),
      handle(handle),
      offset(offset),
      style(style) {
    if (handle)
        handle->remember();
}

CVerticalSlider::~CVerticalSlider() {
    if (handle)
        handle->forget();
}

double CVerticalSlider::exactHandleTop() const {
    float v = value < 0.f ? 0.f : (value > 1.f ? 1.f : value);
    if (style & kTop)
        return minPos + travel() * v;
    return minPos + travel() * (1.0 - v);
}

int CVerticalSlider::handleTop() const {
    float v = value < 0.f ? 0.f : (value > 1.f ? 1.f : value);
    const float share = (style & kTop) ? v : 1.f - v;
    return minPos + int(float(maxPos - minPos) * share);
}

float CVerticalSlider::valueForHandleTop(double top) const {
    if (travel() <= 0)
        return value;
    const double share = (top - minPos) / travel();
    return float((style & kTop) ? share : 1.0 - share);
}

void CVerticalSlider::draw(CDrawContext* context) {
    if (background)
        context->drawBitmap(*background, size, offset);
    if (handle) {
        const int x = size.left + offsetHandle.h;
        const int y = handleTop() + offsetHandle.v;
        // A handle offset inside the view can stick out of it; what lies
        // outside is never redrawn when the handle moves, so it is not drawn.
        const int right = std::min<int>(x + handle->getWidth(), size.right);
        const int bottom = std::min<int>(y + handle->getHeight(), size.bottom);
        context->drawBitmap(*handle, CRect(x, y, right, bottom), CPoint(0, 0));
    }
}

CMouseEventResult CVerticalSlider::onMouseDown(CPoint& where, long buttons) {
    if (!(buttons & kLButton))
        return kMouseEventNotHandled;
    if (checkDefaultValue(buttons))
        return kMouseDownEventHandledButDontNeedMovedOrUpEvents;
    beginEdit();
    lastV = where.v;
    const int handleHeight = handle ? handle->getHeight() : 0;
    const double top = exactHandleTop();
    if (where.v >= top && where.v < top + handleHeight) {
        grab = where.v - top;  // picked up the handle: no jump
    } else if (!(buttons & kShift)) {
        grab = handleHeight / 2.0;  // clicked the track: the handle comes to the pointer
        follow(where, buttons);
    }
    return kMouseEventHandled;
}

void CVerticalSlider::follow(const CPoint& where, long buttons) {
    const float old = value;
    if (buttons & kShift) {
        // Ten times finer, relative to the last position, so it never jumps.
        const double step = (where.v - lastV) / (travel() * 10.0);
        value = float(value + ((style & kTop) ? step : -step));
        bounceValue();
        grab = where.v - exactHandleTop();
    } else {
        value = valueForHandleTop(where.v - grab);
        bounceValue();
    }
    lastV = where.v;
    if (value != old)
        reportChange();
}

CMouseEventResult CVerticalSlider::onMouseMoved(CPoint& where, long buttons) {
    follow(where, buttons);
    return kMouseEventHandled;
}

CMouseEventResult CVerticalSlider::onMouseUp(CPoint& /*where*/, long /*buttons*/) {
    endEdit();
    return kMouseEventHandled;
}
