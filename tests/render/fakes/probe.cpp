// A plug-in that tells what its host did: every call it receives is written,
// one line each, to the file named by TRS_PROBE_LOG. Audio passes through,
// each output channel from the input of the same index (or input 0 where
// that input is null). With TRS_PROBE_HOLD set, the first block creates the
// file it names and then never returns, so a test can interrupt a render that
// is certainly under way, however fast the machine. TRS_PROBE_MODE makes it
// misbehave in its first block: "segv", "bus", "fpe", "abrt" raise that
// signal, "exit" calls exit(3), "nan" gives NaN and infinities among the
// samples. TRS_PROBE_INPUTS / TRS_PROBE_OUTPUTS change its channel counts.
// Every block it asks the host for the time and logs the answer.
#include <csignal>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include <string>

#include <unistd.h>

#include "shell/vstinterface.h"
#include "timeinfo.h"

namespace {

const char* const kNames[] = {"Gain", "Alpha", "Beta"};
constexpr int kParams = 3;

struct Probe {
    AEffect record{};
    audioMasterCallback host = nullptr;
    bool misbehaved = false;
    std::FILE* log = nullptr;
    float values[kParams] = {1.0f, 0.0f, 0.0f};
};

Probe* probeOf(AEffect* e) {
    return static_cast<Probe*>(e->object);
}

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
                if (ev->type == kVstSysExType) {
                    const auto* x = reinterpret_cast<const VstMidiSysexEvent*>(ev);
                    char hex[3 * 64 + 1] = "";
                    for (int k = 0; k < x->dumpBytes && k < 64; ++k)
                        std::snprintf(hex + 3 * k, 4, " %02x", x->sysexDump[k] & 0xFF);
                    note(e, "sysex %d %d%s", x->deltaFrames, x->dumpBytes, hex);
                }
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

void logTime(AEffect* e) {
    const auto* t = reinterpret_cast<const VstTimeInfo*>(probeOf(e)->host(e, audioMasterGetTime, 0, ~0, nullptr, 0.0f));
    if (!t) {
        note(e, "time none");
        return;
    }
    note(e, "time %.0f %g %g %g %g %d/%d %x", t->samplePos, t->sampleRate, t->tempo, t->ppqPos, t->barStartPos,
         t->timeSigNumerator, t->timeSigDenominator, static_cast<unsigned>(t->flags));
}

void misbehaveIfAsked(Probe* p, float** outputs, VstInt32 frames) {
    const char* mode = std::getenv("TRS_PROBE_MODE");
    if (!mode || p->misbehaved)
        return;
    p->misbehaved = true;
    const std::string m = mode;
    if (m == "segv")
        std::raise(SIGSEGV);
    else if (m == "bus")
        std::raise(SIGBUS);
    else if (m == "fpe")
        std::raise(SIGFPE);
    else if (m == "abrt")
        std::abort();
    else if (m == "exit")
        std::exit(3);
    else if (m == "nan" && frames >= 3) {
        outputs[0][0] = std::nanf("");
        outputs[0][1] = INFINITY;
        outputs[p->record.numOutputs - 1][2] = -INFINITY;
    }
}

void VSTCALLBACK processReplacing(AEffect* e, float** inputs, float** outputs, VstInt32 frames) {
    Probe* p = probeOf(e);
    const int ins = p->record.numInputs;
    note(e, "process %d %s", frames, ins > 1 && inputs[1] ? "stereo" : "mono");
    logTime(e);
    holdIfAsked();
    const float gain = p->values[0];
    for (int c = 0; c < p->record.numOutputs; ++c) {
        const float* in = ins == 0                        ? nullptr
                          : inputs[c < ins ? c : ins - 1] ? inputs[c < ins ? c : ins - 1]
                                                          : inputs[0];
        for (VstInt32 i = 0; i < frames; ++i)
            outputs[c][i] = in ? in[i] * gain : 0.0f;
    }
    misbehaveIfAsked(p, outputs, frames);
}

int envNumber(const char* name, int fallback) {
    const char* v = std::getenv(name);
    return v ? std::atoi(v) : fallback;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    Probe* p = new Probe;
    p->host = host;
    AEffect& r = p->record;
    r.magic = kEffectMagic;
    r.dispatcher = dispatch;
    r.setParameter = setParameter;
    r.getParameter = getParameter;
    r.processReplacing = processReplacing;
    r.numPrograms = 1;
    r.numParams = kParams;
    r.numInputs = envNumber("TRS_PROBE_INPUTS", 2);
    r.numOutputs = envNumber("TRS_PROBE_OUTPUTS", 2);
    r.flags = effFlagsCanReplacing;
    r.uniqueID = fourCharCode('T', 'r', 'P', 'r');
    r.object = p;
    if (const char* path = std::getenv("TRS_PROBE_LOG"))
        p->log = std::fopen(path, "w");
    return &r;
}
