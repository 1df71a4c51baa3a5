#include "fuzzsupport.h"

#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>

#if defined(__SSE__)
#include <xmmintrin.h>
#endif

AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

namespace trsfuzz {

namespace {

VstIntPtr VSTCALLBACK host(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    switch (opcode) {
        case audioMasterVersion:
            return 2400;
        case audioMasterGetSampleRate:
            return 44100;
        case audioMasterGetBlockSize:
            return 512;
        default:
            return 0;
    }
}

void checkMode(unsigned int before) {
#if defined(__SSE__)
    if (_mm_getcsr() != before)
        fail("floating-point mode not restored");
#else
    (void)before;
#endif
}

unsigned int mode() {
#if defined(__SSE__)
    return _mm_getcsr();
#else
    return 0;
#endif
}

void checkText(const char* text, size_t size) {
    if (!std::memchr(text, 0, size))
        fail("text not terminated within the buffer");
}

}  // namespace

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "fuzz: %s\n", what);
    std::abort();
}

float anyFloat(FuzzedDataProvider& in) {
    static const float special[] = {std::numeric_limits<float>::quiet_NaN(),
                                    -std::numeric_limits<float>::quiet_NaN(),
                                    std::numeric_limits<float>::infinity(),
                                    -std::numeric_limits<float>::infinity(),
                                    FLT_MAX,
                                    -FLT_MAX,
                                    FLT_MIN,
                                    1e-40f,
                                    -1e-45f,
                                    0.0f,
                                    -0.0f,
                                    1.0f,
                                    -1.0f,
                                    0.5f,
                                    1e30f,
                                    -1e20f,
                                    44100.0f,
                                    48000.0f,
                                    1.0f / 3,
                                    2.0f};
    switch (in.ConsumeIntegralInRange<int>(0, 3)) {
        case 0:
            return special[in.ConsumeIntegralInRange<size_t>(0, sizeof special / sizeof *special - 1)];
        case 1:
            return in.ConsumeFloatingPointInRange<float>(-1.0f, 1.0f);
        case 2:
            return in.ConsumeFloatingPoint<float>();
        default: {
            const uint32_t bits = in.ConsumeIntegral<uint32_t>();
            float f;
            std::memcpy(&f, &bits, sizeof f);
            return f;
        }
    }
}

VstInt32 anyIndex(FuzzedDataProvider& in) {
    static const VstInt32 special[] = {0, 1, 17, 18, 19, -1, 127, 128, 255, 256, INT32_MAX, INT32_MIN, 0x7FFF};
    if (in.ConsumeBool())
        return special[in.ConsumeIntegralInRange<size_t>(0, sizeof special / sizeof *special - 1)];
    return in.ConsumeIntegral<VstInt32>();
}

VstIntPtr anyValue(FuzzedDataProvider& in) {
    static const VstIntPtr special[] = {0, 1, -1, 2, 15, 16, 64, 512, 4096, INT32_MAX, INT32_MIN, (VstIntPtr)1 << 40};
    if (in.ConsumeBool())
        return special[in.ConsumeIntegralInRange<size_t>(0, sizeof special / sizeof *special - 1)];
    return in.ConsumeIntegral<VstIntPtr>();
}

VstEvents* EventBlock::build(FuzzedDataProvider& in) {
    const size_t n = in.ConsumeIntegralInRange<size_t>(0, 8);
    midi.assign(n, VstMidiEvent{});
    sysex.assign(n, VstMidiSysexEvent{});
    other.assign(n, VstEvent{});
    dumps.assign(n, {});
    list.assign(sizeof(VstEvents) + n * sizeof(VstEvent*), 0);
    auto* events = reinterpret_cast<VstEvents*>(list.data());
    VstEvent** entries = events->events;  // numEvents of them, not two
    for (size_t i = 0; i < n; i++) {
        VstEvent* e = nullptr;
        switch (in.ConsumeIntegralInRange<int>(0, 4)) {
            case 0:
            case 1: {
                VstMidiEvent& m = midi[i];
                m.type = kVstMidiType;
                m.byteSize = sizeof m;
                m.deltaFrames = in.ConsumeIntegral<VstInt32>();
                static const unsigned char statuses[] = {0x80, 0x90, 0xB0, 0x9F, 0x8F, 0xF0, 0xFF, 0x00};
                m.midiData[0] = (char)(in.ConsumeBool() ? statuses[in.ConsumeIntegralInRange<int>(0, 7)]
                                                        : in.ConsumeIntegral<unsigned char>());
                m.midiData[1] = (char)in.ConsumeIntegral<unsigned char>();
                m.midiData[2] = (char)in.ConsumeIntegral<unsigned char>();
                m.midiData[3] = (char)in.ConsumeIntegral<unsigned char>();
                e = reinterpret_cast<VstEvent*>(&m);
                break;
            }
            case 2: {
                VstMidiSysexEvent& s = sysex[i];
                dumps[i] = in.ConsumeBytes<char>(in.ConsumeIntegralInRange<size_t>(0, 64));
                s.type = kVstSysExType;
                s.byteSize = sizeof s;
                s.dumpBytes = (VstInt32)dumps[i].size();
                s.sysexDump = dumps[i].empty() ? nullptr : dumps[i].data();
                e = reinterpret_cast<VstEvent*>(&s);
                break;
            }
            case 3: {
                VstEvent& o = other[i];
                o.type = in.ConsumeIntegral<VstInt32>();
                o.byteSize = in.ConsumeIntegral<VstInt32>();
                for (char& c : o.data)
                    c = (char)in.ConsumeIntegral<unsigned char>();
                e = &o;
                break;
            }
            default:
                break;  // a null entry
        }
        entries[i] = e;
    }
    events->numEvents = (VstInt32)n;
    return events;
}

void processBlock(FuzzedDataProvider& in, AEffect* e, VstInt32 maxFrames) {
    VstInt32 frames = in.ConsumeIntegralInRange<VstInt32>(0, maxFrames);
    const int shape = in.ConsumeIntegralInRange<int>(0, 7);
    std::vector<float> a(frames), b(frames), o0(frames, 0.0f), o1(frames, 0.0f);
    const bool noise = in.ConsumeBool();
    for (VstInt32 i = 0; i < frames; i++) {
        // Mostly ordinary audio, with bad samples sprinkled in.
        if (noise || in.remaining_bytes() == 0) {
            a[i] = (float)std::sin(i * 0.05) * 0.8f;
            b[i] = (float)std::cos(i * 0.031) * 0.6f;
        }
        if (in.remaining_bytes() && in.ConsumeIntegralInRange<int>(0, 7) == 0)
            a[i] = anyFloat(in);
        if (in.remaining_bytes() && in.ConsumeIntegralInRange<int>(0, 7) == 0)
            b[i] = anyFloat(in);
    }
    float* ins[2] = {a.data(), b.data()};
    float* outs[2] = {o0.data(), o1.data()};
    if (shape == 1)
        ins[1] = nullptr;  // mono input
    if (shape == 2)
        outs[1] = nullptr;  // one output
    if (shape == 3) {       // in place
        outs[0] = a.data();
        outs[1] = b.data();
    }
    if (shape == 4)
        frames = -frames;  // a count of zero or less does nothing
    if (shape == 5)
        frames = INT32_MIN;
    const unsigned int before = mode();
    e->processReplacing(e, ins, outs, frames);
    checkMode(before);
    for (VstInt32 i = 0; i < frames; i++) {
        if (!std::isfinite(outs[0][i]))
            fail("non-finite output on channel 1");
        if (outs[1] && !std::isfinite(outs[1][i]))
            fail("non-finite output on channel 2");
    }
    if (frames < 0)
        for (float s : o0)
            if (s != 0.0f)
                fail("a negative count wrote output");
}

void dispatchOne(FuzzedDataProvider& in, AEffect* e, EventBlock& events) {
    // Every opcode the interface knows and some it does not; effClose only at
    // the end, as it destroys the effect.
    static const VstInt32 strange[] = {-1, -100, INT32_MIN, INT32_MAX, 81, 100, 0x10000};
    VstInt32 opcode =
        in.ConsumeBool() ? in.ConsumeIntegralInRange<VstInt32>(0, 80) : strange[in.ConsumeIntegralInRange<int>(0, 6)];
    if (opcode == effClose)
        opcode = effEditIdle;
    const VstInt32 index = anyIndex(in);
    VstIntPtr value = anyValue(in);
    const float opt = anyFloat(in);

    // A heap buffer of 256 bytes, so that writes past it are caught; text
    // the host hands in is terminated within it.
    std::vector<char> buffer(256, 0);
    std::vector<char> fill = in.ConsumeBytes<char>(in.ConsumeIntegralInRange<size_t>(0, 255));
    if (!fill.empty())
        std::memcpy(buffer.data(), fill.data(), fill.size());
    buffer[255] = 0;
    void* ptr = buffer.data();
    if (in.ConsumeIntegralInRange<int>(0, 9) == 0)
        ptr = nullptr;

    switch (opcode) {
        case effProcessEvents:
            if (ptr)
                ptr = events.build(in);
            break;
        case effEditOpen:
            opcode = effEditGetRect;  // the editor is the editor fuzzer's
            break;
        case effSetChunk:
            value = in.ConsumeIntegralInRange<VstIntPtr>(0, 256);
            break;
        case effGetSpeakerArrangement:
        case effSetSpeakerArrangement: {
            // value carries a pointer for these.
            static std::vector<char> arrangement(1024);
            value = in.ConsumeBool() ? (VstIntPtr)arrangement.data() : 0;
            break;
        }
        default:
            break;
    }
    const unsigned int before = mode();
    e->dispatcher(e, opcode, index, value, ptr, opt);
    checkMode(before);
    if (ptr == buffer.data())
        checkText(buffer.data(), buffer.size());
}

AEffect* openEffect() {
    AudioEffect* effect = createEffectInstance(host);
    if (!effect)
        fail("no effect");
    AEffect* e = effect->getAeffect();
    e->dispatcher(e, effOpen, 0, 0, nullptr, 0.0f);
    return e;
}

void closeEffect(AEffect* e) {
    if (e->dispatcher(e, effClose, 0, 0, nullptr, 0.0f) != 1)
        fail("effClose did not answer 1");
}

}  // namespace trsfuzz
