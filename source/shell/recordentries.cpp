#include "shell/recordentries.h"

#include "shell/audioeffect.h"

namespace trs {

namespace {

AudioEffect* effectOf(AEffect* e) {
    return e ? static_cast<AudioEffect*>(e->object) : nullptr;
}

}  // namespace

VstIntPtr VSTCALLBACK dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
    AudioEffect* effect = effectOf(e);
    if (!effect)
        return 0;
    if (opcode == effClose) {
        try {
            effect->dispatcher(opcode, index, value, ptr, opt);
        } catch (...) {
        }
        // The host gives up the record here whatever close() did, so the
        // object must go either way.
        delete effect;
        return 1;
    }
    try {
        return effect->dispatcher(opcode, index, value, ptr, opt);
    } catch (...) {
        return 0;
    }
}

void VSTCALLBACK processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) {
        try {
            effect->process(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void VSTCALLBACK setParameterEntry(AEffect* e, VstInt32 index, float value) {
    if (AudioEffect* effect = effectOf(e)) {
        try {
            effect->setParameter(index, value);
        } catch (...) {
        }
    }
}

float VSTCALLBACK getParameterEntry(AEffect* e, VstInt32 index) {
    if (AudioEffect* effect = effectOf(e)) {
        try {
            return effect->getParameter(index);
        } catch (...) {
        }
    }
    return 0;
}

void VSTCALLBACK processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) {
        try {
            effect->processReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

void VSTCALLBACK processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs, VstInt32 sampleFrames) {
    if (AudioEffect* effect = effectOf(e)) {
        try {
            effect->processDoubleReplacing(inputs, outputs, sampleFrames);
        } catch (...) {
        }
    }
}

}  // namespace trs
