// The LV2 edition's entry points as a careless or hostile host uses them:
// instantiation with and without urid:map at any sample rate, ports left
// unconnected or reconnected, control values of every shape, runs of any
// length, and atom sequences whose events lie about their sizes and types.
// The sequence buffer holds exactly what its header claims, so reading past
// it is caught. Every output sample must be finite.
#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "fuzzsupport.h"
#include "lv2/lv2ports.h"

extern "C" const LV2_Descriptor* lv2_descriptor(uint32_t index);

namespace {

using namespace trs::lv2;

std::vector<std::string> uris;

LV2_URID map(LV2_URID_Map_Handle, const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri)
            return LV2_URID(i + 1);
    uris.push_back(uri);
    return LV2_URID(uris.size());
}

// A sequence of events whose sizes, types and times come from the input.
std::vector<uint8_t> sequence(FuzzedDataProvider& in, LV2_URID midiType) {
    std::vector<uint8_t> body;
    const LV2_Atom_Sequence_Body head{0, 0};
    body.insert(body.end(), reinterpret_cast<const uint8_t*>(&head), reinterpret_cast<const uint8_t*>(&head + 1));
    const int events = in.ConsumeIntegralInRange<int>(0, 12);
    for (int i = 0; i < events && in.remaining_bytes() > 0; ++i) {
        LV2_Atom_Event e{};
        e.time.frames = in.ConsumeBool() ? in.ConsumeIntegralInRange<int64_t>(-2, 70) : in.ConsumeIntegral<int64_t>();
        e.body.type = in.ConsumeBool() ? midiType : in.ConsumeIntegral<uint32_t>();
        const std::vector<uint8_t> data = in.ConsumeBytes<uint8_t>(in.ConsumeIntegralInRange<size_t>(0, 6));
        e.body.size = in.ConsumeBool() ? uint32_t(data.size()) : in.ConsumeIntegral<uint32_t>();  // may lie
        body.insert(body.end(), reinterpret_cast<const uint8_t*>(&e), reinterpret_cast<const uint8_t*>(&e + 1));
        body.insert(body.end(), data.begin(), data.end());
        if (in.ConsumeBool())
            body.resize((body.size() + 7) / 8 * 8, 0);
    }
    // The header's size: the truth, or less than the truth.
    uint32_t size = uint32_t(body.size());
    if (in.ConsumeBool())
        size = in.ConsumeIntegralInRange<uint32_t>(0, size);
    std::vector<uint8_t> atom(sizeof(LV2_Atom) + size);
    const LV2_Atom header{size, in.ConsumeIntegral<uint32_t>()};
    std::memcpy(atom.data(), &header, sizeof header);
    std::memcpy(atom.data() + sizeof header, body.data(), size);
    return atom;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    FuzzedDataProvider in(data, size);
    const LV2_Descriptor* d = lv2_descriptor(0);
    if (!d || lv2_descriptor(1))
        trsfuzz::fail("the bundle should hold one plug-in");

    LV2_URID_Map mapper{nullptr, map};
    const LV2_Feature mapFeature{LV2_URID__map, &mapper};
    const LV2_Feature* withMap[] = {&mapFeature, nullptr};
    const bool mapped = in.ConsumeBool();
    const LV2_URID midiType = map(nullptr, LV2_MIDI__MidiEvent);
    static const double rates[] = {44100, 48000, 1, 0, -44100, 1e12, NAN, INFINITY};
    const double rate = rates[in.ConsumeIntegralInRange<size_t>(0, 7)];
    LV2_Handle h = d->instantiate(d, rate, "/nonexistent", mapped ? withMap : nullptr);
    if (!h)
        return 0;

    constexpr uint32_t kMaxFrames = 64;
    float controls[kNumParams];
    for (int i = 0; i < kNumParams; ++i)
        controls[i] = kParams[i].defaultValue;
    std::vector<float> inL(kMaxFrames), inR(kMaxFrames), outL(kMaxFrames), outR(kMaxFrames);
    std::vector<uint8_t> atom = sequence(in, midiType);
    for (uint32_t p = 0; p < kNumPorts; ++p) {
        void* buffer = p < uint32_t(kNumParams) ? static_cast<void*>(&controls[p])
                       : p == kInputLeft        ? inL.data()
                       : p == kInputRight       ? inR.data()
                       : p == kOutputLeft       ? outL.data()
                       : p == kOutputRight      ? outR.data()
                                                : static_cast<void*>(atom.data());
        if (in.ConsumeIntegralInRange<int>(0, 15) != 0)
            d->connect_port(h, p, buffer);
    }
    d->connect_port(h, kNumPorts + in.ConsumeIntegral<uint16_t>(), controls);  // no such port
    if (d->activate)
        d->activate(h);

    for (int step = 0; step < 16 && in.remaining_bytes() > 0; ++step) {
        switch (in.ConsumeIntegralInRange<int>(0, 3)) {
            case 0:
                controls[uint32_t(trsfuzz::anyIndex(in)) % kNumParams] = trsfuzz::anyFloat(in);
                break;
            case 1:
                atom = sequence(in, midiType);
                d->connect_port(h, kMidiInput, atom.data());
                break;
            default: {
                const uint32_t frames = in.ConsumeIntegralInRange<uint32_t>(0, kMaxFrames);
                for (uint32_t i = 0; i < frames; ++i) {
                    inL[i] = in.ConsumeBool() ? trsfuzz::anyFloat(in) : std::sin(0.05f * float(i));
                    inR[i] = in.ConsumeBool() ? trsfuzz::anyFloat(in) : 0.25f;
                }
                std::fill(outL.begin(), outL.end(), 0.0f);
                std::fill(outR.begin(), outR.end(), 0.0f);
                d->run(h, frames);
                for (uint32_t i = 0; i < frames; ++i)
                    if (!std::isfinite(outL[i]) || !std::isfinite(outR[i]))
                        trsfuzz::fail("non-finite output");
                break;
            }
        }
    }
    if (d->deactivate)
        d->deactivate(h);
    d->cleanup(h);
    return 0;
}
