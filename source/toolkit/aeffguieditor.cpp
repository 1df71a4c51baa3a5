#include "toolkit/aeffguieditor.h"

#include "shell/audioeffectx.h"
#include "toolkit/cframe.h"
#include "toolkit/displayscale.h"
#include "toolkit/idleclock.h"

long AEffGUIEditor::knobMode = 0;

namespace {
const unsigned long kIdleWait = 4;        // ms to wait when called early
const unsigned long kIdleSlack = 50;      // ms before the due time that still counts
const unsigned long kIdleInterval = 100;  // ms between two rounds of idle work
}  // namespace

AEffGUIEditor::AEffGUIEditor(AudioEffect* effect) : AEffEditor(effect) {
    rect.top = rect.left = rect.bottom = rect.right = 0;
    scaledRect = rect;
    if (effect)
        effect->setEditor(this);
}

AEffGUIEditor::~AEffGUIEditor() {}

int AEffGUIEditor::getScale() {
    if (scale == 0)
        scale = displayscale::forEditor();
    return scale;
}

bool AEffGUIEditor::getRect(ERect** r) {
    const int s = getScale();
    scaledRect.top = VstInt16(rect.top * s);
    scaledRect.left = VstInt16(rect.left * s);
    scaledRect.bottom = VstInt16(rect.bottom * s);
    scaledRect.right = VstInt16(rect.right * s);
    if (r)
        *r = &scaledRect;
    return true;
}

bool AEffGUIEditor::open(void* ptr) {
    systemWindow = ptr;
    getScale();
    return true;
}

void AEffGUIEditor::idle() {
    if (inIdleStuff)
        return;
    if (frame)
        frame->idle();
}

bool AEffGUIEditor::onKeyDown(VstKeyCode& keyCode) {
    return frame && frame->onKeyDown(keyCode) > 0;
}

bool AEffGUIEditor::onKeyUp(VstKeyCode& /*keyCode*/) {
    return false;
}

bool AEffGUIEditor::setKnobMode(VstInt32 mode) {
    knobMode = mode;
    return true;
}

void AEffGUIEditor::beginEdit(long index) {
    if (effect)
        static_cast<AudioEffectX*>(effect)->beginEdit(VstInt32(index));
}

void AEffGUIEditor::endEdit(long index) {
    if (effect)
        static_cast<AudioEffectX*>(effect)->endEdit(VstInt32(index));
}

void AEffGUIEditor::doIdleStuff() {
    unsigned long now = IdleClock::now();
    if (long(nextIdle - now) > 0) {
        IdleClock::sleep(kIdleWait);
        now = IdleClock::now();
        if (long(nextIdle - now) > long(kIdleSlack))
            return;
    }
    if (frame) {
        frame->idle();
        frame->dispatchOnePaint();
    }
    nextIdle = now + kIdleInterval;
    inIdleStuff = true;
    if (effect)
        effect->masterIdle();
    inIdleStuff = false;
}
