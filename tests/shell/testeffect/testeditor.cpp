#include "testeditor.h"

#include "testeffect.h"
#include "testprotocol.h"

TestEditor::TestEditor(TestEffect* effect) : AEffEditor(effect), owner(effect) {
    effect->setEditor(this);
}

void TestEditor::report(int marker, VstIntPtr value, float opt) {
    owner->hostVendorSpecific(marker, value, nullptr, opt);
}

bool TestEditor::getRect(ERect** r) {
    *r = &rect;
    return true;
}

bool TestEditor::open(void* ptr) {
    AEffEditor::open(ptr);
    report(trstest::kMarkEditOpen, reinterpret_cast<VstIntPtr>(ptr));
    return true;
}

void TestEditor::close() {
    AEffEditor::close();
    report(trstest::kMarkEditClose);
}

void TestEditor::idle() {
    idleCount++;
    report(trstest::kMarkEditIdle);
}

bool TestEditor::onKeyDown(VstKeyCode& keyCode) {
    lastKey = keyCode;
    report(trstest::kMarkKeyDown, keyCode.character, static_cast<float>(keyCode.virt * 1000 + keyCode.modifier));
    return true;
}

bool TestEditor::onKeyUp(VstKeyCode& keyCode) {
    lastKey = keyCode;
    report(trstest::kMarkKeyUp, keyCode.character, static_cast<float>(keyCode.virt * 1000 + keyCode.modifier));
    return true;
}

bool TestEditor::setKnobMode(VstInt32 mode) {
    knobMode = mode;
    report(trstest::kMarkKnobMode, mode);
    return true;
}
