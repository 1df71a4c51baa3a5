// The editor base for effects: reports the size, drives the frame at idle,
// forwards the controls' edit gestures to the effect and keeps the host
// alive while a control follows the mouse.
#pragma once

#include "shell/aeffeditor.h"
#include "toolkit/vstguieditorinterface.h"

class AudioEffect;
class CFrame;

class AEffGUIEditor : public AEffEditor, public VSTGUIEditorInterface {
public:
    explicit AEffGUIEditor(AudioEffect* effect);
    ~AEffGUIEditor() override;

    // The effect calls this after each of its own parameter changes.
    virtual void setParameter(VstInt32 /*index*/, float /*value*/) {}

    bool getRect(ERect** rect) override;
    bool open(void* ptr) override;
    void idle() override;
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool setKnobMode(VstInt32 mode) override;

    void beginEdit(long index) override;
    void endEdit(long index) override;
    void doIdleStuff() override;
    long getKnobMode() const override { return knobMode; }
    CFrame* getFrame() const override { return frame; }

    // Window pixels per layout pixel, 1 or 2: decided on the first size
    // query or open, and kept for the editor's life so that the size a host
    // was told stays true.
    int getScale();

    // The ticks before which doIdleStuff skips its work (tests look at it).
    unsigned long nextIdleDue() const { return nextIdle; }

protected:
    ERect rect;  // the layout's size; hosts are told it times the scale
    CFrame* frame = nullptr;

private:
    ERect scaledRect;
    int scale = 0;
    bool inIdleStuff = false;
    unsigned long nextIdle = 0;
    static long knobMode;  // the host sets it once for every knob of the process
};
