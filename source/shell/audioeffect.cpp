#include "shell/audioeffect.h"

#include <cstring>

#include "shell/recordentries.h"
#include "shell/valuetext.h"

TrsModuleHandle hInstance = nullptr;

AudioEffect::AudioEffect(audioMasterCallback audioMaster, VstInt32 numPrograms, VstInt32 numParams)
    : audioMaster(audioMaster),
      editor(nullptr),
      sampleRate(44100.0f),
      blockSize(1024),
      numPrograms(numPrograms),
      numParams(numParams),
      curProgram(0) {
    std::memset(&cEffect, 0, sizeof(cEffect));
    cEffect.flags = effFlagsCanReplacing;
    cEffect.magic = kEffectMagic;
    cEffect.dispatcher = trs::dispatchEntry;
    cEffect.process = trs::processEntry;
    cEffect.setParameter = trs::setParameterEntry;
    cEffect.getParameter = trs::getParameterEntry;
    cEffect.processReplacing = trs::processReplacingEntry;
    cEffect.processDoubleReplacing = trs::processDoubleReplacingEntry;
    cEffect.numPrograms = numPrograms;
    cEffect.numParams = numParams;
    cEffect.numInputs = 1;
    cEffect.numOutputs = 2;
    cEffect.ioRatio = 1.0f;
    cEffect.object = this;
    cEffect.uniqueID = fourCharCode('N', 'o', 'E', 'f');
    cEffect.version = 1;
}

AudioEffect::~AudioEffect() {
    delete editor;
}

void AudioEffect::setEditor(AEffEditor* newEditor) {
    editor = newEditor;
    setFlag(effFlagsHasEditor, newEditor != nullptr);
}

VstIntPtr AudioEffect::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    // As in AudioEffectX::dispatcher: a pointer the host hands in to be read
    // or filled is never followed when null (`ptr ? ... : 0`), and a yes or
    // no is answered by dispatchAnswer. Editor opcodes answer 0 with no editor.
    char* const text = static_cast<char*>(ptr);
    switch (static_cast<uint32_t>(opcode)) {
        case effOpen:
            open();
            return 0;
        case effClose:
            close();
            return 0;
        case effSetProgram:
            // Negative programs are refused too: the bank has no entry below 0.
            if (value >= 0 && value < numPrograms)
                setProgram(static_cast<VstInt32>(value));
            return 0;
        case effGetProgram:
            return getProgram();
        case effSetProgramName:
            if (ptr)
                setProgramName(text);
            return 0;
        case effGetProgramName:
            if (ptr)
                getProgramName(text);
            return 0;
        case effGetParamLabel:
            if (ptr)
                getParameterLabel(index, text);
            return 0;
        case effGetParamDisplay:
            if (ptr)
                getParameterDisplay(index, text);
            return 0;
        case effGetParamName:
            if (ptr)
                getParameterName(index, text);
            return 0;
        case effSetSampleRate:
            setSampleRate(opt);
            return 0;
        case effSetBlockSize:
            // A size of zero or less, or one no VstInt32 holds, would reach
            // every effect that sizes buffers by it; keep the one we have.
            if (value > 0 && value <= 0x7FFFFFFF)
                setBlockSize(static_cast<VstInt32>(value));
            return 0;
        case effMainsChanged:
            if (value == 0)
                suspend();
            else
                resume();
            return 0;
        case effEditGetRect:
            return editor && ptr ? dispatchAnswer(editor->getRect(static_cast<ERect**>(ptr))) : 0;
        case effEditOpen:
            // The parent window goes on as it is: the editor decides what a
            // null parent means (no window of its own), not the dispatcher.
            return editor ? dispatchAnswer(editor->open(ptr)) : 0;
        case effEditClose:
            if (editor)
                editor->close();
            return 0;
        case effEditIdle:
            if (editor)
                editor->idle();
            return 0;
        case effIdentify:
            return fourCharCode('N', 'v', 'E', 'f');
        case effGetChunk:
            return ptr ? getChunk(static_cast<void**>(ptr), index != 0) : 0;
        case effSetChunk:
            return ptr ? setChunk(ptr, static_cast<VstInt32>(value), index != 0) : 0;
        default:
            return 0;
    }
}

void AudioEffect::setParameterAutomated(VstInt32 index, float value) {
    // Applied first, so the value holds even with no host to tell.
    setParameter(index, value);
    callHost(audioMasterAutomate, index, 0, nullptr, value);
}

VstInt32 AudioEffect::getMasterVersion() {
    const VstIntPtr answer = callHost(audioMasterVersion);
    return answer ? static_cast<VstInt32>(answer) : 1;
}

VstInt32 AudioEffect::getCurrentUniqueId() {
    return static_cast<VstInt32>(callHost(audioMasterCurrentId));
}

void AudioEffect::masterIdle() {
    callHost(audioMasterIdle);
}

bool AudioEffect::isInputConnected(VstInt32 input) {
    return callHost(audioMasterPinConnected, input, 0) == 0;
}

bool AudioEffect::isOutputConnected(VstInt32 output) {
    return callHost(audioMasterPinConnected, output, 1) == 0;
}

void AudioEffect::dB2string(float value, char* text, VstInt32 maxLen) {
    trs::decibelsToText(value, text, maxLen);
}

void AudioEffect::Hz2string(float samples, char* text, VstInt32 maxLen) {
    trs::periodToHzText(samples, getSampleRate(), text, maxLen);
}

void AudioEffect::ms2string(float samples, char* text, VstInt32 maxLen) {
    trs::samplesToMsText(samples, getSampleRate(), text, maxLen);
}

void AudioEffect::float2string(float value, char* text, VstInt32 maxLen) {
    trs::floatToText(value, text, maxLen);
}

void AudioEffect::int2string(VstInt32 value, char* text, VstInt32 maxLen) {
    trs::intToText(value, text, maxLen);
}
