// The LV2 plug-in: the VST build's effect object driven as a VST host drives
// it. Controls that changed since the last run are set between blocks, the
// run's MIDI events are delivered before the block at their frames, then the
// whole run is one processReplacing call.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <climits>
#include <cstring>
#include <new>

#include "effect/tresselin.h"
#include "lv2/lv2ports.h"

namespace {

using namespace trs::lv2;

VstIntPtr VSTCALLBACK hostCallback(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

// More events than this in one run are delivered in several lists, all
// before the block, which the effect treats as one.
constexpr int kMaxEvents = 256;

// VstEvents with room for kMaxEvents entries.
struct EventList {
    VstInt32 numEvents;
    VstIntPtr reserved;
    VstEvent* events[kMaxEvents];
};

class Lv2Effect {
public:
    Lv2Effect(double rate, const LV2_Feature* const* features);
    ~Lv2Effect() { delete effect; }
    bool ok() const { return effect != nullptr; }

    void connect(uint32_t port, void* data);
    void activate() { effect->resume(); }
    void deactivate() { effect->suspend(); }
    void run(uint32_t frames);

private:
    void applyControls();
    void deliverEvents(uint32_t frames);
    void flushEvents();

    Tresselin* effect = nullptr;
    const float* controls[kNumParams] = {};
    uint32_t applied[kNumParams];  // bits of the value the effect holds
    const float* in[2] = {};
    float* out[2] = {};
    const LV2_Atom_Sequence* midiIn = nullptr;
    LV2_URID midiEvent = 0;  // 0: no urid:map, key tracking stays idle
    VstMidiEvent midi[kMaxEvents];
    EventList list;
};

uint32_t bitsOf(float v) {
    uint32_t b;
    std::memcpy(&b, &v, sizeof b);
    return b;
}

Lv2Effect::Lv2Effect(double rate, const LV2_Feature* const* features) {
    for (const LV2_Feature* const* f = features; f && *f; ++f) {
        if (std::strcmp((*f)->URI, LV2_URID__map) == 0 && (*f)->data) {
            const auto* map = static_cast<const LV2_URID_Map*>((*f)->data);
            midiEvent = map->map(map->handle, LV2_MIDI__MidiEvent);
        }
    }
    for (int i = 0; i < kNumParams; ++i)
        applied[i] = bitsOf(kParams[i].defaultValue);
    std::memset(midi, 0, sizeof midi);
    for (int i = 0; i < kMaxEvents; ++i) {
        midi[i].type = kVstMidiType;
        midi[i].byteSize = sizeof(VstMidiEvent);
        list.events[i] = reinterpret_cast<VstEvent*>(&midi[i]);
    }
    list.numEvents = 0;
    list.reserved = 0;
    effect = new (std::nothrow) Tresselin(hostCallback);
    if (effect)
        effect->setSampleRate((float)rate);
}

void Lv2Effect::connect(uint32_t port, void* data) {
    if (port < (uint32_t)kNumParams)
        controls[port] = static_cast<const float*>(data);
    else if (port == kInputLeft || port == kInputRight)
        in[port - kInputLeft] = static_cast<const float*>(data);
    else if (port == kOutputLeft || port == kOutputRight)
        out[port - kOutputLeft] = static_cast<float*>(data);
    else if (port == kMidiInput)
        midiIn = static_cast<const LV2_Atom_Sequence*>(data);
}

void Lv2Effect::applyControls() {
    // Compared by bits, so a NaN is passed on once, as a host would send it,
    // and the effect decides what it means.
    for (int i = 0; i < kNumParams; ++i) {
        if (!controls[i])
            continue;
        const float v = *controls[i];
        if (bitsOf(v) == applied[i])
            continue;
        applied[i] = bitsOf(v);
        effect->setParameter(i, v);
    }
}

void Lv2Effect::flushEvents() {
    if (list.numEvents == 0)
        return;
    effect->processEvents(reinterpret_cast<VstEvents*>(&list));
    list.numEvents = 0;
}

void Lv2Effect::deliverEvents(uint32_t frames) {
    if (!midiIn || !midiEvent)
        return;
    // Every size is checked against what the sequence claims to hold; an
    // event that runs past it ends the reading. The last event's padding
    // need not be counted, so the position may step past the end.
    const size_t total = midiIn->atom.size;
    const auto* body = reinterpret_cast<const uint8_t*>(&midiIn->body);
    size_t at = sizeof(LV2_Atom_Sequence_Body);
    while (at + sizeof(LV2_Atom_Event) <= total) {
        const auto* event = reinterpret_cast<const LV2_Atom_Event*>(body + at);
        const uint32_t size = event->body.size;
        if (size > total - at - sizeof(LV2_Atom_Event))
            break;
        if (event->body.type == midiEvent && size >= 1 && size <= 3) {
            if (list.numEvents == kMaxEvents)
                flushEvents();
            VstMidiEvent& m = midi[list.numEvents++];
            const int64_t t = event->time.frames;
            const int64_t last = frames ? (int64_t)frames - 1 : 0;
            m.deltaFrames = (VstInt32)(t < 0 ? 0 : (t > last ? last : t));
            const auto* bytes = reinterpret_cast<const char*>(event + 1);
            for (uint32_t b = 0; b < 3; ++b)
                m.midiData[b] = b < size ? bytes[b] : 0;
        }
        at += (sizeof(LV2_Atom_Event) + size + 7) & ~(size_t)7;  // in size_t: no wrap to 0
    }
    flushEvents();
}

void Lv2Effect::run(uint32_t frames) {
    applyControls();
    deliverEvents(frames);
    if (!in[0] || !in[1] || !out[0] || !out[1]) {
        // Hosts must connect every audio port; one that did not gets silence.
        for (float* o : out)
            if (o)
                std::memset(o, 0, sizeof(float) * frames);
        return;
    }
    float* inputs[2] = {const_cast<float*>(in[0]), const_cast<float*>(in[1])};
    float* outputs[2] = {out[0], out[1]};
    // The effect sounds the same whatever the block size, so a run longer
    // than a VST block can hold is simply split.
    while (frames > 0) {
        const uint32_t n = frames > (uint32_t)INT_MAX ? (uint32_t)INT_MAX : frames;
        effect->processReplacing(inputs, outputs, (VstInt32)n);
        for (float*& p : inputs)
            p += n;
        for (float*& p : outputs)
            p += n;
        frames -= n;
    }
}

Lv2Effect* self(LV2_Handle h) {
    return static_cast<Lv2Effect*>(h);
}

LV2_Handle instantiate(const LV2_Descriptor*, double rate, const char*, const LV2_Feature* const* features) {
    auto* fx = new (std::nothrow) Lv2Effect(rate, features);
    if (fx && !fx->ok()) {
        delete fx;
        fx = nullptr;
    }
    return fx;
}

void connectPort(LV2_Handle h, uint32_t port, void* data) {
    self(h)->connect(port, data);
}
void activate(LV2_Handle h) {
    self(h)->activate();
}
void run(LV2_Handle h, uint32_t frames) {
    self(h)->run(frames);
}
void deactivate(LV2_Handle h) {
    self(h)->deactivate();
}
void cleanup(LV2_Handle h) {
    delete self(h);
}
const void* extensionData(const char*) {
    return nullptr;
}

const LV2_Descriptor kDescriptor = {kPluginUri, instantiate, connectPort, activate,
                                    run,        deactivate,  cleanup,     extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2_Descriptor* lv2_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
