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

    // The ticks before which doIdleStuff skips its work (tests look at it).
    unsigned long nextIdleDue() const { return nextIdle; }

protected:
    ERect rect;
    CFrame* frame = nullptr;

private:
    bool inIdleStuff = false;
    unsigned long nextIdle = 0;
    static long knobMode;  // the host sets it once for every knob of the process
};
