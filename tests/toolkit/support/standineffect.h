// A small effect for the editor tests: eighteen stored parameters, display
// texts that name their instance, editor forwarding like the real effect, and
// a host callback that records every request.
#pragma once

#include <string>
#include <vector>

#include "shell/audioeffectx.h"

struct HostCall {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    float opt;
};

class StandInEffect : public AudioEffectX {
public:
    static const int kNumParams = 18;

    explicit StandInEffect(const std::string& name = "A");

    void processReplacing(float**, float**, VstInt32) override {}
    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    // Applies a whole set of values in ascending order, as a program change does.
    void loadProgram(const float values[kNumParams]);
    void masterIdle() override;

    AEffEditor* editorObject() { return editor; }
    // Store values in steps of 1/64, so that an echo differs from what was sent.
    bool quantise = false;
    int masterIdleCalls = 0;
    // Called from masterIdle, to see what the host may do in that moment.
    void (*onMasterIdle)(StandInEffect*) = nullptr;

    // Every request sent through the host callback, from every instance.
    static std::vector<HostCall>& calls();
    // The calls of this instance with the given opcode.
    std::vector<HostCall> callsOf(VstInt32 opcode);

private:
    std::string name;
    float values[kNumParams];
};
