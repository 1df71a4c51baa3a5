// A view with a value from 0 to 1, a tag, a reset value and a listener.
#pragma once

#include "toolkit/cview.h"

class CBitmap;
class CControlListener;

class CControl : public CView {
public:
    CControl(const CRect& size, CControlListener* listener, long tag, CBitmap* background);
    ~CControl() override;

    // Only stores: safe from any thread, the frame draws the change at idle.
    virtual void setValue(float v) { value = v; }
    float getValue() const { return value; }
    void setDefaultValue(float v) { defaultValue = v; }
    float getDefaultValue() const { return defaultValue; }
    float getMin() const { return vmin; }
    float getMax() const { return vmax; }
    long getTag() const { return tag; }
    void setTag(long t) { tag = t; }
    CControlListener* getListener() const { return listener; }
    CBitmap* getBackground() const { return background; }

    bool isDirty() const override { return dirty || value != drawnValue; }
    void drawn() override;

    void beginEdit();
    void endEdit();

protected:
    void bounceValue();
    // Ctrl with the left button: back to the reset value, reported if it moved.
    bool checkDefaultValue(long buttons);
    // Tells the listener, then lets the host breathe while the mouse is held.
    void reportChange();

    CControlListener* listener;
    long tag;
    float value = 0.f;
    float drawnValue = -1.f;
    float defaultValue = 0.5f;
    float vmin = 0.f, vmax = 1.f;
    CBitmap* background;
};
