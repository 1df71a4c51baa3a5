// A plug-in that tells what its host did: every call it receives is written,
// one line each, to the file named by TRS_PROBE_LOG. Audio passes through,
// each output channel from the input of the same index (or input 0 where
// that input is null). With TRS_PROBE_HOLD set, the first block creates the
// file it names and then never returns, so a test can interrupt a render that
// is certainly under way, however fast the machine.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <unistd.h>

#include "shell/vstinterface.h"

namespace {

const char* const kNames[] = {"Gain", "Alpha", "Beta"};
constexpr int kParams = 3;

struct Probe {
    AEffect record{};
    std::FILE* log = nullptr;
    float values[kParams] = {1.0f, 0.0f, 0.0f};
};

Probe* probeOf(AEffect* e) { return static_cast<Probe*>(e->object); }

void note(AEffect* e, const char* format, ...) __attribute__((format(printf, 2, 3)));
void note(AEffect* e, const char* format, ...) {
    std::FILE* log = probeOf(e)->log;
    if (!log)
        return;
    va_list args;
    va_start(args, format);
    std::vfprintf(log, format, args);
    va_end(args);
    std::fputc('\n', log);
}

void copyText(void* ptr, const char* text, size_t limit) {
    std::strncpy(static_cast<char*>(ptr), text, limit - 1);
    static_cast<char*>(ptr)[limit - 1] = 0;
}

VstIntPtr VSTCALLBACK dispatch(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    Probe* p = probeOf(e);
    switch (opcode) {
        case effOpen:
            note(e, "open");
            return 0;
        case effClose:
            note(e, "close");
            if (p->log)
                std::fclose(p->log);
            delete p;
            return 1;
        case effSetSampleRate:
            note(e, "rate %g", opt);
            return 0;
        case effSetBlockSize:
            note(e, "block %ld", static_cast<long>(value));
            return 0;
        case effMainsChanged:
            note(e, value ? "resume" : "suspend");
            return 0;
        case effProcessEvents: {
            const VstEvents* list = static_cast<const VstEvents*>(ptr);
            note(e, "events %d", list->numEvents);
            for (int i = 0; i < list->numEvents; ++i) {
                const VstEvent* ev = list->events[i];
                if (ev->type != kVstMidiType)
                    continue;
                const auto* m = reinterpret_cast<const VstMidiEvent*>(ev);
                note(e, "midi %d %02x %d %d", m->deltaFrames, m->midiData[0] & 0xFF, m->midiData[1], m->midiData[2]);
            }
            return 1;
        }
        case effGetParamName:
            if (index >= 0 && index < kParams)
                copyText(ptr, kNames[index], 32);
            return 0;
        case effGetParamLabel:
            if (index >= 0 && index < kParams)
                copyText(ptr, index == 0 ? "x" : "", 32);
            return 0;
        case effGetParamDisplay:
            if (index >= 0 && index < kParams)
                std::snprintf(static_cast<char*>(ptr), 32, "%.3f", p->values[index]);
            return 0;
        case effGetEffectName:
            copyText(ptr, "Probe", 32);
            return 1;
        case effGetVendorString:
            copyText(ptr, "Tresselin tests", 64);
            return 1;
        case effGetProductString:
            copyText(ptr, "Probe", 64);
            return 1;
        case effGetVendorVersion:
            return 7;
        default:
            return 0;
    }
}

void VSTCALLBACK setParameter(AEffect* e, VstInt32 index, float value) {
    note(e, "param %d %g", index, value);
    if (index >= 0 && index < kParams)
        probeOf(e)->values[index] = value;
}

float VSTCALLBACK getParameter(AEffect* e, VstInt32 index) {
    return index >= 0 && index < kParams ? probeOf(e)->values[index] : 0.0f;
}

void holdIfAsked() {
    const char* marker = std::getenv("TRS_PROBE_HOLD");
    if (!marker)
        return;
    if (std::FILE* f = std::fopen(marker, "w"))
        std::fclose(f);
    for (;;)
        pause();
}

void VSTCALLBACK processReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    note(e, "process %d %s", frames, inputs[1] ? "stereo" : "mono");
    holdIfAsked();
    const float gain = probeOf(e)->values[0];
    for (int c = 0; c < 2; ++c) {
        const float* in = inputs[c] ? inputs[c] : inputs[0];
        for (VstInt32 i = 0; i < frames; ++i)
            outputs[c][i] = in[i] * gain;
    }
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    Probe* p = new Probe;
    AEffect& r = p->record;
    r.magic = kEffectMagic;
    r.dispatcher = dispatch;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.processReplacing = processReplacing;
    r.numPrograms = 1;
    r.numParams = kParams;
    r.numInputs = 2;
    r.numOutputs = 2;
    r.flags = effFlagsCanReplacing;
    r.uniqueID = fourCharCode('T', 'r', 'P', 'r');
    r.object = p;
    if (const char* path = std::getenv("TRS_PROBE_LOG"))
        p->log = std::fopen(path, "w");
    return &r;
}
