#include "toolkit/cframe.h"

#include "toolkit/cbitmap.h"
#include "toolkit/cview.h"
#include "toolkit/platformwindow.h"
#include "toolkit/vstguieditorinterface.h"

CFrame::CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor, int scale)
    : size(size), editor(editor), context(size.width(), size.height(), scale) {
    window.reset(PlatformWindow::create(*this, parentWindow));
}

CFrame::~CFrame() {
    // The window goes first: it may still hold a pointer to this frame.
    window.reset();
    for (CView* v : views)
        delete v;
    if (background)
        background->forget();
}

void* CFrame::getSystemWindow() const {
    return window ? window->systemWindow() : nullptr;
}

void CFrame::setBackground(CBitmap* bitmap) {
    if (bitmap)
        bitmap->remember();
    if (background)
        background->forget();
    background = bitmap;
    redrawAll();
}

bool CFrame::addView(CView* view) {
    if (!view)
        return false;
    view->setFrame(this);
    views.push_back(view);
    view->setDirty(true);
    return true;
}

CView* CFrame::getView(int index) const {
    return index >= 0 && index < int(views.size()) ? views[size_t(index)] : nullptr;
}

namespace {

// Rounds toward minus infinity: a drag beyond the left or top edge gives
// negative window positions, which must not round up to the layout's 0.
int floorDiv(int a, int b) {
    return a >= 0 ? a / b : -((-a + b - 1) / b);
}

}  // namespace

CPoint CFrame::toLayout(int x, int y) const {
    const int s = getScale();
    return CPoint(floorDiv(x, s), floorDiv(y, s));
}

CRect CFrame::toLayout(const CRect& r) const {
    const int s = getScale();
    return CRect(floorDiv(r.left, s), floorDiv(r.top, s), -floorDiv(-r.right, s), -floorDiv(-r.bottom, s));
}

CRect CFrame::toWindow(const CRect& r) const {
    const int s = getScale();
    return CRect(r.left * s, r.top * s, r.right * s, r.bottom * s);
}

long CFrame::getKnobMode() const {
    return editor ? editor->getKnobMode() : 0;
}

void CFrame::redrawRect(const CRect& r) {
    const CRect area = r.intersection(CRect(0, 0, size.width(), size.height()));
    if (area.isEmpty())
        return;
    context.setClipRect(area);
    if (background)
        context.drawBitmap(*background, CRect(0, 0, size.width(), size.height()), CPoint(0, 0));
    else
        context.fillRect(area, CColor(0, 0, 0));
    for (CView* v : views) {
        if (v->getViewSize().intersects(area)) {
            v->draw(&context);
            if (area.intersection(v->getViewSize()) == v->getViewSize())
                v->drawn();
        }
    }
    context.setClipRect(CRect(0, 0, size.width(), size.height()));
    addDirty(area);
}

void CFrame::addDirty(const CRect& r) {
    // Merge with any rectangle it touches; a panel of this size never needs more.
    CRect merged = r;
    for (size_t i = 0; i < dirtyRegion.size();) {
        if (dirtyRegion[i].intersects(merged)) {
            merged = merged.unionWith(dirtyRegion[i]);
            dirtyRegion.erase(dirtyRegion.begin() + long(i));
            i = 0;
        } else {
            ++i;
        }
    }
    dirtyRegion.push_back(merged);
}

std::vector<CRect> CFrame::takeDirtyRegion() {
    std::vector<CRect> out;
    out.swap(dirtyRegion);
    return out;
}

void CFrame::flush() {
    if (window && !dirtyRegion.empty())
        window->flush(takeDirtyRegion());
}

void CFrame::idle() {
    if (window)
        window->processEvents();
    for (CView* v : views)
        if (v->isDirty())
            redrawRect(v->getViewSize());
    flush();
}

void CFrame::doIdleStuff() {
    if (editor)
        editor->doIdleStuff();
}

void CFrame::dispatchOnePaint() {
    if (window)
        window->dispatchOnePaint();
    flush();
}

long CFrame::onKeyDown(VstKeyCode& /*key*/) {
    return -1;  // none of our controls takes keys
}

void CFrame::onMouseDown(CPoint where, long buttons) {
    if (mouseView)
        return;  // a second button while one is held
    for (auto it = views.rbegin(); it != views.rend(); ++it) {
        if ((*it)->getViewSize().pointInside(where)) {
            CView* v = *it;
            if (v->onMouseDown(where, buttons) == kMouseEventHandled)
                mouseView = v;
            break;
        }
    }
    flush();
}

void CFrame::onMouseMoved(CPoint where, long buttons) {
    if (mouseView)
        mouseView->onMouseMoved(where, buttons);
}

void CFrame::onMouseUp(CPoint where, long buttons) {
    if (CView* v = mouseView) {
        mouseView = nullptr;
        v->onMouseUp(where, buttons);
    }
}
