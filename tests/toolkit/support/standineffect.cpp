#include "standineffect.h"

#include <cstdio>

#include "toolkit/aeffguieditor.h"

namespace {

VstIntPtr recordingHost(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr /*value*/, void* /*ptr*/,
                        float opt) {
    StandInEffect::calls().push_back({effect, opcode, index, opt});
    return opcode == audioMasterVersion ? 2400 : 1;
}

}  // namespace

StandInEffect::StandInEffect(const std::string& name) : AudioEffectX(recordingHost, 1, kNumParams), name(name) {
    for (int i = 0; i < kNumParams; ++i)
        values[i] = 0.f;
}

std::vector<HostCall>& StandInEffect::calls() {
    static std::vector<HostCall> log;
    return log;
}

std::vector<HostCall> StandInEffect::callsOf(VstInt32 opcode) {
    std::vector<HostCall> out;
    for (const HostCall& c : calls())
        if (c.effect == &cEffect && c.opcode == opcode)
            out.push_back(c);
    return out;
}

void StandInEffect::setParameter(VstInt32 index, float value) {
    if (index < 0 || index >= kNumParams)
        return;
    values[index] = quantise ? float(int(value * 64.f)) / 64.f : value;
    if (editor)
        static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}

float StandInEffect::getParameter(VstInt32 index) {
    return index >= 0 && index < kNumParams ? values[index] : 0.f;
}

void StandInEffect::getParameterDisplay(VstInt32 index, char* text) {
    std::snprintf(text, 24, "%s%d:%.3f", name.c_str(), int(index), double(getParameter(index)));
}

void StandInEffect::loadProgram(const float v[kNumParams]) {
    for (int i = 0; i < kNumParams; ++i)
        setParameter(i, v[i]);
}

void StandInEffect::masterIdle() {
    ++masterIdleCalls;
    if (onMasterIdle)
        onMasterIdle(this);
    AudioEffectX::masterIdle();
}
