#include "testeffect.h"

#include <cstring>
#include <new>
#include <stdexcept>

#include "shell/valuetext.h"
#include "testeditor.h"

using namespace trstest;

namespace {

const char* const kParamNames[kNumParams] = {"Gain", "Alpha", "Beta", "Gamma"};

}  // namespace

TestEffect::TestEffect(audioMasterCallback audioMaster, bool withEditor) : AudioEffectX(audioMaster, 1, kNumParams) {
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('T', 'r', 's', 'T'));
    canProcessReplacing();
    if (withEditor) {
        ownEditor = new (std::nothrow) TestEditor(this);
        editor = ownEditor;
    }
    requestMidi();
}

TestEffect::~TestEffect() {
    hostVendorSpecific(kMarkDestroy, 0, nullptr, 0);
}

void TestEffect::requestMidi() {
    char text[] = "receiveVstMidiEvent";
    if ((cEffect.flags & effFlagsIsSynth) || canDo(text) == 1)
        wantEvents(1);
}

void TestEffect::open() {
    hostVendorSpecific(kMarkOpen, 0, nullptr, 0);
}
void TestEffect::close() {
    hostVendorSpecific(kMarkClose, 0, nullptr, 0);
}
void TestEffect::suspend() {
    hostVendorSpecific(kMarkSuspend, 0, nullptr, 0);
}

void TestEffect::resume() {
    hostVendorSpecific(kMarkResume, 0, nullptr, 0);
    requestMidi();
}

void TestEffect::setSampleRate(float rate) {
    AudioEffectX::setSampleRate(rate);
    sampleRateCalls++;
    hostVendorSpecific(kMarkSetSampleRate, 0, nullptr, rate);
}

void TestEffect::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (sampleFrames == kThrowFrames)
        throw std::runtime_error("test: process");
    const double gain = 2.0 * static_cast<double>(values[0]);
    for (int ch = 0; ch < 2; ++ch) {
        const float* in = inputs ? inputs[ch] : nullptr;
        float* out = outputs ? outputs[ch] : nullptr;
        if (!out)
            continue;
        for (VstInt32 i = 0; i < sampleFrames; ++i)
            out[i] = in ? static_cast<float>(static_cast<double>(in[i]) * gain) : 0.0f;
    }
}

VstInt32 TestEffect::processEvents(VstEvents* events) {
    for (VstInt32 i = 0; i < events->numEvents; ++i) {
        const VstEvent* ev = events->events[i];
        if (!ev)
            continue;
        eventCount++;
        if (ev->type == kVstMidiType) {
            const auto* midi = reinterpret_cast<const VstMidiEvent*>(ev);
            lastMidi = static_cast<unsigned char>(midi->midiData[0]) |
                       static_cast<unsigned char>(midi->midiData[1]) << 8 |
                       static_cast<unsigned char>(midi->midiData[2]) << 16;
        } else if (ev->type == kVstSysExType) {
            const auto* sysex = reinterpret_cast<const VstMidiSysexEvent*>(ev);
            lastSysexBytes = sysex->dumpBytes;
            lastSysexSum = 0;
            for (VstInt32 b = 0; b < sysex->dumpBytes; ++b)
                lastSysexSum += static_cast<unsigned char>(sysex->sysexDump[b]);
        }
    }
    return 1;
}

void TestEffect::setParameter(VstInt32 index, float value) {
    if (index == kThrowIndex)
        throw std::runtime_error("test: setParameter");
    if (index >= 0 && index < kNumParams)
        values[index] = value;
}

float TestEffect::getParameter(VstInt32 index) {
    if (index == kThrowIndex)
        throw std::runtime_error("test: getParameter");
    return index >= 0 && index < kNumParams ? values[index] : 0.0f;
}

void TestEffect::getParameterName(VstInt32 index, char* text) {
    trs::copyText(text, index >= 0 && index < kNumParams ? kParamNames[index] : "", kVstMaxParamStrLen);
}

void TestEffect::getParameterLabel(VstInt32 index, char* text) {
    trs::copyText(text, index == 0 ? "dB" : "", kVstMaxParamStrLen);
}

void TestEffect::getParameterDisplay(VstInt32 index, char* text) {
    if (index == 0)
        dB2string(2.0f * values[0], text, kVstMaxParamStrLen);
    else
        float2string(getParameter(index), text, kVstMaxParamStrLen);
}

void TestEffect::setProgram(VstInt32 program) {
    AudioEffectX::setProgram(program);
    hostVendorSpecific(kMarkSetProgram, program, nullptr, 0);
}

void TestEffect::setProgramName(char* name) {
    trs::copyText(programName, name, kVstMaxProgNameLen - 1);
}

void TestEffect::getProgramName(char* name) {
    trs::copyText(name, programName, kVstMaxProgNameLen - 1);
}

VstInt32 TestEffect::getChunk(void** data, bool /*isPreset*/) {
    *data = values;
    return static_cast<VstInt32>(sizeof(values));
}

bool TestEffect::getEffectName(char* name) {
    trs::copyText(name, "TrsTest", kVstMaxEffectNameLen - 1);
    return true;
}

bool TestEffect::getVendorString(char* text) {
    trs::copyText(text, "Tresselin tests", kVstMaxVendorStrLen - 1);
    return true;
}

bool TestEffect::getProductString(char* text) {
    trs::copyText(text, "Shell test effect", kVstMaxProductStrLen - 1);
    return true;
}

VstInt32 TestEffect::canDo(char* text) {
    return std::strcmp(text, "receiveVstMidiEvent") == 0 ? 1 : -1;
}

VstIntPtr TestEffect::vendorSpecific(VstInt32 lArg, VstIntPtr /*lArg2*/, void* /*ptrArg*/, float /*floatArg*/) {
    switch (lArg) {
        case kQueryEventCount:
            return eventCount;
        case kQueryLastMidi:
            return lastMidi;
        case kQueryLastSysexBytes:
            return lastSysexBytes;
        case kQueryLastSysexSum:
            return lastSysexSum;
        case kQueryThrow:
            throw std::runtime_error("test: vendorSpecific");
        default:
            return 0;
    }
}
