// Non-finite and absurd input from the host or the audio: the effect must
// neither pass it on nor keep it in its state.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <limits>

#include "dsp/moogfilter.h"
#include "shell/recordentries.h"
#include "testeffect.h"

using namespace trs::robust;

namespace {

const float kInf = std::numeric_limits<float>::infinity();
const float kNaN = std::numeric_limits<float>::quiet_NaN();

void expectFiniteState(Tresselin& fx) {
    for (const auto& [name, value] : TresselinInspector(fx).stateFloats())
        EXPECT_TRUE(std::isfinite(value)) << name << " = " << value;
}

// Frames [from, to) replaced by a mix of NaN (quiet and signalling, either
// sign) and infinities, sometimes on one channel only.
Stereo withBurst(Stereo s, size_t from, size_t to, bool zeros) {
    uint32_t signallingBits = 0x7FA00000u;
    float signalling;
    std::memcpy(&signalling, &signallingBits, sizeof signalling);
    const float bad[] = {kNaN, -kNaN, kInf, -kInf, signalling};
    for (size_t i = from; i < to; i++) {
        const float b = zeros ? 0.0f : bad[i % 5];
        s.left[i] = b;
        if (i % 7 != 3)
            s.right[i] = zeros ? 0.0f : bad[(i / 5) % 5];
    }
    return s;
}

}  // namespace

// A NaN or infinity in must act exactly like a zero sample: the output is
// bit for bit what the same input with zeros there gives.
TEST(NonFiniteInput, ActsAsSilenceBitForBit) {
    for (bool busy : {false, true}) {
        auto burst = makeEffect();
        auto zeros = makeEffect();
        if (busy) {
            busyPatch(*burst);
            busyPatch(*zeros);
        }
        const Stereo clean = tones(3 * 4096);
        const Stereo outBurst = process(*burst, withBurst(clean, 4096, 5120, false));
        const Stereo outZeros = process(*zeros, withBurst(clean, 4096, 5120, true));
        EXPECT_EQ(countNonFinite(outBurst), 0u) << "busy " << busy;
        EXPECT_EQ(std::memcmp(outBurst.left.data(), outZeros.left.data(), clean.frames() * sizeof(float)), 0);
        EXPECT_EQ(std::memcmp(outBurst.right.data(), outZeros.right.data(), clean.frames() * sizeof(float)), 0);
        expectFiniteState(*burst);
    }
}

// After a burst the effect sounds like a fresh one within one 4096-frame block.
TEST(NonFiniteInput, LevelReturnsToFreshInstanceWithinOneBlock) {
    auto fx = makeEffect();
    busyPatch(*fx);
    process(*fx, tones(4096));
    Stereo allBad(4096);
    for (size_t i = 0; i < 4096; i++) {
        allBad.left[i] = i % 2 ? kNaN : kInf;
        allBad.right[i] = i % 3 ? -kInf : kNaN;
    }
    EXPECT_EQ(countNonFinite(process(*fx, allBad)), 0u);

    auto fresh = makeEffect();
    busyPatch(*fresh);
    const Stereo after = tones(4096, 8192);
    const Stereo a = process(*fx, after);
    const Stereo b = process(*fresh, after);
    EXPECT_EQ(countNonFinite(a), 0u);
    for (auto ch : {&Stereo::left, &Stereo::right}) {
        const double ra = rms(a.*ch, 2048, 4096), rb = rms(b.*ch, 2048, 4096);
        EXPECT_GT(rb, 0.05);
        EXPECT_NEAR(ra / rb, 1.0, 0.1) << ra << " vs fresh " << rb;
    }
    expectFiniteState(*fx);
}

// Finite but enormous samples may saturate; they must not leave the filters
// (or anything else) stuck, nor come out as infinity.
TEST(HugeInput, FiltersRecoverAndOutputStaysFinite) {
    for (bool busy : {false, true}) {
        auto fx = makeEffect();
        if (busy)
            busyPatch(*fx);
        fx->setParameter(14, 1.0f);  // all of the input into the filters
        process(*fx, tones(4096));
        Stereo huge(4096);
        const float values[] = {FLT_MAX, -FLT_MAX, 1e30f, -3e38f, 1e20f, FLT_MAX};
        for (size_t i = 0; i < huge.frames(); i++) {
            huge.left[i] = values[i % 6];
            huge.right[i] = values[(i + 1 + i / 64) % 6];
        }
        EXPECT_EQ(countNonFinite(process(*fx, huge)), 0u) << "busy " << busy;
        expectFiniteState(*fx);

        auto fresh = makeEffect();
        if (busy)
            busyPatch(*fresh);
        fresh->setParameter(14, 1.0f);
        const Stereo after = tones(4096, 8192);
        const Stereo a = process(*fx, after);
        const Stereo b = process(*fresh, after);
        EXPECT_EQ(countNonFinite(a), 0u);
        for (auto ch : {&Stereo::left, &Stereo::right}) {
            const double ra = rms(a.*ch, 2048, 4096), rb = rms(b.*ch, 2048, 4096);
            EXPECT_NEAR(ra / rb, 1.0, 0.1) << "busy " << busy << ": " << ra << " vs fresh " << rb;
        }
        for (int c = 0; c < 2; c++)
            EXPECT_LT(std::fabs(TresselinInspector(*fx).filterStage4(c)), 10.0f);
    }
}

// A stage that leaves the float range sends the filter back to rest: from
// then on it plays exactly like a filter whose stages were cleared by hand.
TEST(HugeInput, FilterStagesReturnToRest) {
    for (float bad : {kNaN, kInf, -kInf, 1e30f, -FLT_MAX}) {
        MoogFilter hit, cleared;
        for (MoogFilter* f : {&hit, &cleared}) {
            f->setCutoff(0.6f);
            f->setResonance(0.9f);
        }
        for (int i = 0; i < 300; i++) {
            float a = (float)std::sin(i * 0.05), b = a;
            hit.processFrame(&a);
            cleared.processFrame(&b);
        }
        float x = bad, zero = 0.0f;
        hit.processFrame(&x);
        cleared.processFrame(&zero);
        cleared.reset();
        EXPECT_EQ(x, 0.0f) << bad;
        for (float s : {hit.stage0, hit.stage1, hit.stage2, hit.stage3, hit.stage4})
            EXPECT_EQ(s, 0.0f) << bad;
        for (int i = 0; i < 500; i++) {
            float a = (float)std::sin(i * 0.07), b = a;
            hit.processFrame(&a);
            cleared.processFrame(&b);
            ASSERT_EQ(a, b) << bad << " frame " << i;
        }
    }
}

// A cutoff glide handed a non-finite target recovers once the target does.
TEST(HugeInput, CutoffGlideRecoversFromNonFiniteTarget) {
    MoogFilter f;
    f.setCutoff(0.5f);
    float x = 0.1f;
    f.cutoffModulation = kNaN;
    f.processFrame(&x);
    f.cutoffModulation = kInf;
    f.processFrame(&x);
    f.cutoffModulation = 0.0f;
    for (int i = 0; i < 2000; i++)
        f.processFrame(&x);
    EXPECT_TRUE(std::isfinite(f.smoother.state));
    EXPECT_NEAR(f.smoother.state, f.normalizedCutoff, 1e-4);
}

// Values a host may send through the record's entries.
TEST(HostInput, AbsurdSettingsAreIgnoredOrLimited) {
    auto fx = makeEffect();
    AEffect* e = fx->getAeffect();
    for (float rate : {0.0f, -48000.0f, kNaN, kInf, -kInf}) {
        trs::dispatchEntry(e, effSetSampleRate, 0, 0, nullptr, rate);
        EXPECT_EQ(fx->getSampleRate(), 44100.0f) << rate;
        EXPECT_EQ(TresselinInspector(*fx).moduleRate(), 44100.0f) << rate;
    }
    for (VstIntPtr size : {(VstIntPtr)0, (VstIntPtr)-1, (VstIntPtr)INT32_MIN,
                           sizeof(VstIntPtr) > 4 ? (VstIntPtr)INTPTR_MAX : (VstIntPtr)-2}) {
        trs::dispatchEntry(e, effSetBlockSize, 0, size, nullptr, 0);
        EXPECT_EQ(fx->getBlockSize(), 1024) << size;
    }
    trs::dispatchEntry(e, effSetBlockSize, 0, 512, nullptr, 0);
    EXPECT_EQ(fx->getBlockSize(), 512);

    for (VstInt32 index = 0; index < kNumParams; index++)
        for (float v : {kNaN, kInf, -kInf, FLT_MAX, -FLT_MAX, -1.0f, 2.0f}) {
            e->setParameter(e, index, v);
            const float got = e->getParameter(e, index);
            EXPECT_TRUE(got >= 0.0f && got <= 1.0f) << index << " " << v << " -> " << got;
        }
    for (VstInt32 index : {-1, kNumParams, INT32_MAX, INT32_MIN}) {
        e->setParameter(e, index, 0.5f);
        EXPECT_EQ(e->getParameter(e, index), 0.0f);
        char text[256] = "untouched";
        trs::dispatchEntry(e, effGetParamDisplay, index, 0, text, 0);
        EXPECT_STREQ(text, "untouched");
    }
    Stereo out = process(*fx, tones(4096));
    EXPECT_EQ(countNonFinite(out), 0u);
    expectFiniteState(*fx);

    // A count of frames of zero or less leaves the buffers alone.
    float in[4] = {1, 1, 1, 1}, o[4] = {7, 7, 7, 7};
    float* ins[2] = {in, in};
    float* outs[2] = {o, o};
    for (VstInt32 n : {0, -1, INT32_MIN}) {
        e->processReplacing(e, ins, outs, n);
        for (float s : o)
            EXPECT_EQ(s, 7.0f);
    }
}

// Null entries, system-exclusive and malformed MIDI are skipped; a note
// after them still counts, and nothing leaves a non-finite offset behind.
TEST(HostInput, MalformedEventListsAreSkipped) {
    auto fx = makeEffect();
    VstMidiEvent noteOn{};
    noteOn.type = kVstMidiType;
    noteOn.byteSize = sizeof noteOn;
    noteOn.midiData[0] = (char)0x90;
    noteOn.midiData[1] = 60;
    noteOn.midiData[2] = 100;
    VstMidiEvent junk = noteOn;
    junk.midiData[0] = (char)0xF7;
    junk.midiData[1] = (char)0xFF;
    junk.midiData[2] = (char)0xFF;
    char dump[3] = {(char)0xF0, 0x7E, (char)0xF7};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.byteSize = sizeof sysex;
    sysex.dumpBytes = 3;
    sysex.sysexDump = dump;

    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[5];
    } list{5,
           0,
           {nullptr, reinterpret_cast<VstEvent*>(&sysex), reinterpret_cast<VstEvent*>(&junk), nullptr,
            reinterpret_cast<VstEvent*>(&noteOn)}};
    trs::dispatchEntry(fx->getAeffect(), effProcessEvents, 0, 0, &list, 0);
    EXPECT_EQ(TresselinInspector(*fx).heldNote(), 60);
    list.numEvents = -3;
    trs::dispatchEntry(fx->getAeffect(), effProcessEvents, 0, 0, &list, 0);
    EXPECT_EQ(trs::dispatchEntry(fx->getAeffect(), effProcessEvents, 0, 0, nullptr, 0), 0);
}

// At a sample rate far below anything real the cutoff in Hz overflows; a
// note must still leave finite key-tracking offsets.
TEST(HostInput, KeyTrackingAtAbsurdSampleRateStaysFinite) {
    auto fx = makeEffect();
    fx->setSampleRate(1.0f);
    fx->setParameter(5, 0.0f);
    fx->setParameter(16, 1.0f);
    fx->setParameter(17, 1.0f);
    VstMidiEvent noteOn{};
    noteOn.type = kVstMidiType;
    noteOn.byteSize = sizeof noteOn;
    noteOn.midiData[0] = (char)0x90;
    noteOn.midiData[1] = 100;
    noteOn.midiData[2] = 100;
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[1];
    } list{1, 0, {reinterpret_cast<VstEvent*>(&noteOn)}};
    fx->processEvents(reinterpret_cast<VstEvents*>(&list));
    expectFiniteState(*fx);
    EXPECT_EQ(countNonFinite(process(*fx, tones(2048))), 0u);
    expectFiniteState(*fx);
}
