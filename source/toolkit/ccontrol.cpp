#include "toolkit/ccontrol.h"

#include "toolkit/cbitmap.h"
#include "toolkit/ccontrollistener.h"
#include "toolkit/cframe.h"
#include "toolkit/vstguieditorinterface.h"

CControl::CControl(const CRect& size, CControlListener* listener, long tag, CBitmap* background)
    : CView(size), listener(listener), tag(tag), background(background) {
    if (background)
        background->remember();
}

CControl::~CControl() {
    if (background)
        background->forget();
}

void CControl::drawn() {
    CView::drawn();
    drawnValue = value;
}

void CControl::beginEdit() {
    if (frame && frame->getEditor())
        frame->getEditor()->beginEdit(tag);
}

void CControl::endEdit() {
    if (frame && frame->getEditor())
        frame->getEditor()->endEdit(tag);
}

void CControl::bounceValue() {
    if (value > vmax)
        value = vmax;
    else if (value < vmin)
        value = vmin;
}

bool CControl::checkDefaultValue(long buttons) {
    if (!((buttons & kLButton) && (buttons & kControl)))
        return false;
    const float old = value;
    value = defaultValue;
    if (value != old) {
        beginEdit();
        if (listener)
            listener->valueChanged(this);
        endEdit();
    }
    return true;
}

void CControl::reportChange() {
    if (listener)
        listener->valueChanged(this);
    if (frame)
        frame->doIdleStuff();
}
