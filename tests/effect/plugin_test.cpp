// Tresselin.so as a host sees it: the record, the requests it sends, the
// answers to the dispatcher, and the audio it makes.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "tools/host/plugininstance.h"

using trs::host::EventList;
using trs::host::PluginInstance;

namespace {

std::unique_ptr<PluginInstance> loadTresselin() {
    auto loaded = PluginInstance::load(TRS_PLUGIN_PATH);
    EXPECT_TRUE(loaded) << loaded.message;
    return std::move(loaded.plugin);
}

std::vector<float> ramp(int frames, float scale) {
    std::vector<float> v(frames);
    for (int i = 0; i < frames; i++)
        v[i] = scale * (float)((i * 37) % 101 - 50) / 50.0f;
    return v;
}

// Frequency from the rising zero crossings, interpolated between samples.
double measuredPitch(const std::vector<float>& s, int from, double rate) {
    double first = -1, last = -1;
    int count = 0;
    for (size_t i = from + 1; i < s.size(); i++) {
        if (s[i - 1] < 0.0f && s[i] >= 0.0f) {
            const double t = (double)(i - 1) + s[i - 1] / (double)(s[i - 1] - s[i]);
            if (first < 0)
                first = t;
            last = t;
            count++;
        }
    }
    return count > 1 ? (count - 1) * rate / (last - first) : 0.0;
}

std::vector<float> renderSilence(PluginInstance& fx, int frames) {
    std::vector<float> in(frames, 0.0f), outL(frames), outR(frames);
    for (int start = 0; start < frames; start += 512)
        fx.process({in.data() + start, in.data() + start}, {outL.data() + start, outR.data() + start},
                   std::min(512, frames - start));
    return outL;
}

}  // namespace

TEST(TresselinRecord, AfterCreation) {
    auto fx = loadTresselin();
    ASSERT_TRUE(fx);
    const AEffect* e = fx->effect();
    EXPECT_EQ(e->magic, kEffectMagic);
    EXPECT_EQ(e->numPrograms, 1);
    EXPECT_EQ(e->numParams, 18);
    EXPECT_EQ(e->numInputs, 2);
    EXPECT_EQ(e->numOutputs, 2);
    EXPECT_EQ(e->flags, TRS_EXPECTED_FLAGS);
    EXPECT_EQ(e->ioRatio, 1.0f);
    EXPECT_EQ(e->uniqueID, 0x54727335);
    EXPECT_EQ(e->version, 1);
    EXPECT_EQ(e->initialDelay, 0);
    EXPECT_NE(e->object, nullptr);
    EXPECT_NE(e->processReplacing, nullptr);
}

TEST(TresselinRecord, MidiRequests) {
    auto fx = loadTresselin();
    ASSERT_TRUE(fx);
    const auto all = fx->requests();
    ASSERT_FALSE(all.empty());
    EXPECT_EQ(all.front().opcode, audioMasterVersion);
    EXPECT_EQ(all.front().effect, nullptr);
    auto midi = fx->requestsWith(audioMasterWantMidi);
    ASSERT_EQ(midi.size(), 1u);
    EXPECT_EQ(midi[0].value, 1);
    EXPECT_EQ(midi[0].effect, fx->effect());
    fx->suspend();
    EXPECT_EQ(fx->countRequests(audioMasterWantMidi), 1u);
    fx->resume();
    fx->resume();
    EXPECT_EQ(fx->countRequests(audioMasterWantMidi), 3u);
}

TEST(TresselinDispatcher, TextsAndAnswers) {
    auto fx = loadTresselin();
    ASSERT_TRUE(fx);
    EXPECT_EQ(fx->effectName(), "Tresselin");
    EXPECT_EQ(fx->vendorString(), "Orv.VST.Tresselin v0.5 BETA");
    EXPECT_EQ(fx->productString(), "Tresselin v0.5 BETA");
    EXPECT_EQ(fx->vendorVersion(), 1);
    EXPECT_EQ(fx->dispatch(effGetPlugCategory), kPlugCategEffect);
    EXPECT_EQ(fx->dispatch(effGetNumMidiInputChannels), 1);
    EXPECT_EQ(fx->canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(fx->canDo("offline"), -1);
    EXPECT_EQ(fx->programName(), "Init 1");

    VstIntPtr answer = -7;
    EXPECT_EQ(fx->queryText(effGetProgramNameIndexed, 0, 0, &answer), "Init");
    EXPECT_EQ(answer, 1);
    fx->queryText(effGetProgramNameIndexed, 1, 0, &answer);
    EXPECT_EQ(answer, 0);
    fx->queryText(effGetProgramNameIndexed, -1, 0, &answer);
    EXPECT_EQ(answer, 0);

    void* chunk = nullptr;
    EXPECT_EQ(fx->dispatch(effGetChunk, 0, 0, &chunk), 10);
    ASSERT_NE(chunk, nullptr);
    EXPECT_STREQ(static_cast<const char*>(chunk), "Test Data");
    EXPECT_EQ(fx->dispatch(effSetChunk, 0, 10, chunk), 0);

    const char* names[] = {"OSC.Amt",    "OSC.Note",   "OSC.Wave",   "Noise.Amt",  "Noise.Color",  "CutOff",
                           "Resonance",  "FilterType", "EF1.Smooth", "EF1.Osc.AM", "EF1.Noise.AM", "EF2.Smooth",
                           "EF2.Cutoff", "EF2.OSC.FM", "Dry2Filter", "Dry",        "Fil.KeyTrack", "Osc.KeyTrack"};
    for (int i = 0; i < 18; i++)
        EXPECT_EQ(fx->parameterName(i), names[i]);
    EXPECT_EQ(fx->parameterName(18), "");
    EXPECT_EQ(fx->parameterLabel(1), "C#1");
    EXPECT_EQ(fx->parameterDisplay(1), "34.64782");
    EXPECT_EQ(fx->parameterDisplay(5), "22050.00");
    EXPECT_EQ(fx->parameterLabel(5), "Hz");
    EXPECT_EQ(fx->parameterDisplay(2), "sin");
    fx->setParameter(2, 0.2f);
    EXPECT_EQ(fx->parameterDisplay(2), "sin-tri");
    fx->setParameter(7, 0.44f);
    EXPECT_EQ(fx->parameterDisplay(7), "HP");
    fx->setParameter(3, 0.7f);
    fx->setProgram(0);
    EXPECT_EQ(fx->getParameter(3), 0.7f);
    EXPECT_EQ(fx->getParameter(18), 0.0f);
}

TEST(TresselinAudio, SecondChannelVariants) {
    const int frames = 3000;
    const auto in = ramp(frames, 0.7f);
    std::vector<float> refL(frames), refR(frames);
    {
        auto fx = loadTresselin();
        fx->process({(float*)in.data(), (float*)in.data()}, {refL.data(), refR.data()}, frames);
    }
    {  // a null second input measures and processes the first input alone
        auto fx = loadTresselin();
        std::vector<float> l(frames), r(frames);
        fx->process({(float*)in.data(), nullptr}, {l.data(), r.data()}, frames);
        EXPECT_EQ(l, refL);
        EXPECT_EQ(r, refR);
    }
    {  // a null second output still leaves the first intact
        auto fx = loadTresselin();
        std::vector<float> l(frames);
        fx->process({(float*)in.data(), (float*)in.data()}, {l.data(), nullptr}, frames);
        EXPECT_EQ(l, refL);
    }
    {  // in place: the inputs are read before the outputs are written
        auto fx = loadTresselin();
        std::vector<float> l = in, r = in;
        fx->process({l.data(), r.data()}, {l.data(), r.data()}, frames);
        EXPECT_EQ(l, refL);
        EXPECT_EQ(r, refR);
    }
}

TEST(TresselinAudio, NothingToDoLeavesBuffersAlone) {
    auto fx = loadTresselin();
    std::vector<float> in(64, 0.5f), l(64, 9.0f), r(64, 9.0f);
    for (int frames : {0, -1, -512})
        fx->process({in.data(), in.data()}, {l.data(), r.data()}, frames);
    fx->process({nullptr, in.data()}, {l.data(), r.data()}, 64);
    fx->process({in.data(), in.data()}, {nullptr, r.data()}, 64);
    fx->processReplacing(nullptr, nullptr, 64);
    EXPECT_EQ(l, std::vector<float>(64, 9.0f));
    EXPECT_EQ(r, std::vector<float>(64, 9.0f));
}

TEST(TresselinAudio, DryAndWetAddUp) {
    // The dry share is added after the processed path, so output(Dry 1) minus
    // output(Dry 0) is the input itself, up to float rounding.
    const int frames = 4096;
    const auto inL = ramp(frames, 0.6f), inR = ramp(frames, -0.3f);
    std::vector<float> wetL(frames), wetR(frames), allL(frames), allR(frames);
    auto dry0 = loadTresselin();
    dry0->setParameter(15, 0.0f);
    dry0->process({(float*)inL.data(), (float*)inR.data()}, {wetL.data(), wetR.data()}, frames);
    auto dry1 = loadTresselin();
    dry1->process({(float*)inL.data(), (float*)inR.data()}, {allL.data(), allR.data()}, frames);
    double wetEnergy = 0;
    for (int i = 0; i < frames; i++) {
        EXPECT_NEAR(allL[i] - wetL[i], inL[i], 1e-6);
        EXPECT_NEAR(allR[i] - wetR[i], inR[i], 1e-6);
        wetEnergy += wetL[i] * wetL[i];
    }
    EXPECT_GT(wetEnergy, 1.0);  // the processed half is really there
}

TEST(TresselinAudio, KeyTrackedPitch) {
    auto fx = loadTresselin();
    fx->setParameter(0, 1.0f);   // OSC.Amt
    fx->setParameter(17, 1.0f);  // Osc.KeyTrack
    fx->resume();
    const double rate = 44100.0;

    EventList on;
    on.addMidi(0, 0x90, 69, 100);
    fx->processEvents(on);
    auto out = renderSilence(*fx, 44100);
    EXPECT_NEAR(measuredPitch(out, 4410, rate), 249 * rate / 25000, 0.01);  // 439.236 Hz: whole table steps

    EventList off;
    off.addMidi(0, 0x80, 69, 0);
    fx->processEvents(off);
    out = renderSilence(*fx, 88200);
    const double setPitch = 19 * rate / 25000;  // C#1, 34.648 Hz, plays 19 steps per sample
    EXPECT_NEAR(measuredPitch(out, 8820, rate), setPitch, 0.01);

    fx->processEvents(on);
    renderSilence(*fx, 4410);
    EventList panic;
    panic.addMidi(0, 0xB5, 123, 0);
    fx->processEvents(panic);
    out = renderSilence(*fx, 88200);
    EXPECT_NEAR(measuredPitch(out, 8820, rate), setPitch, 0.01);
}
