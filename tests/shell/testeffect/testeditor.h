// A windowless editor that records what the dispatcher hands it.
#pragma once

#include "shell/aeffeditor.h"

class TestEffect;

class TestEditor : public AEffEditor {
public:
    explicit TestEditor(TestEffect* effect);

    bool getRect(ERect** rect) override;
    bool open(void* ptr) override;
    void close() override;
    void idle() override;
    bool onKeyDown(VstKeyCode& keyCode) override;
    bool onKeyUp(VstKeyCode& keyCode) override;
    bool setKnobMode(VstInt32 mode) override;

    VstKeyCode lastKey{};
    VstInt32 knobMode = -1;
    int idleCount = 0;

private:
    void report(int marker, VstIntPtr value = 0, float opt = 0);

    TestEffect* owner;
    ERect rect{0, 0, 120, 200};
};
