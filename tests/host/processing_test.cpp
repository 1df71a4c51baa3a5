// Parameters, audio blocks and MIDI events through the host library.
#include <gtest/gtest.h>

#include <vector>

#include "testhost.h"

namespace {

using namespace testhost;
using namespace trstest;
using trs::host::EventList;

TEST(Parameters, SetGetNameLabelDisplay) {
    auto p = loadTestPlugin();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->numParameters(), kNumParams);
    EXPECT_EQ(p->parameterName(0), "Gain");
    EXPECT_EQ(p->parameterName(3), "Gamma");
    EXPECT_EQ(p->parameterName(99), "");
    EXPECT_EQ(p->parameterLabel(0), "dB");
    EXPECT_EQ(p->parameterDisplay(0), "0.000000");  // gain 0.5 -> amplitude 1 -> 0 dB
    p->setParameter(1, 0.7f);
    EXPECT_EQ(p->getParameter(1), 0.7f);
    EXPECT_EQ(p->parameterDisplay(1), "0.699999");
    p->setParameter(0, 0.0f);
    EXPECT_EQ(p->parameterDisplay(0), "-oo");
    p->setParameter(-1, 1.0f);  // absorbed
    EXPECT_EQ(p->getParameter(-1), 0.0f);
}

TEST(Processing, ReplacingWithAnyChannelsAndNullPointers) {
    auto p = loadTestPlugin();
    ASSERT_TRUE(p);
    p->setParameter(0, 0.25f);  // gain 0.5
    const VstInt32 n = 64;
    std::vector<float> inL(n), inR(n), outL(n, 9.0f), outR(n, 9.0f), spare(n, 9.0f);
    for (VstInt32 i = 0; i < n; ++i) {
        inL[i] = static_cast<float>(i);
        inR[i] = -static_cast<float>(i);
    }
    p->process({inL.data(), inR.data()}, {outL.data(), outR.data()}, n);
    for (VstInt32 i = 0; i < n; ++i) {
        EXPECT_EQ(outL[i], 0.5f * static_cast<float>(i));
        EXPECT_EQ(outR[i], -0.5f * static_cast<float>(i));
    }
    // A missing input channel gives silence; a missing output is skipped;
    // channels beyond the effect's own are left alone.
    p->process({nullptr, inR.data(), inL.data()}, {outL.data(), nullptr, spare.data()}, n);
    for (VstInt32 i = 0; i < n; ++i) {
        EXPECT_EQ(outL[i], 0.0f);
        EXPECT_EQ(spare[i], 9.0f);
    }
    // The accumulating and double entries do nothing in the base.
    std::fill(outL.begin(), outL.end(), 3.0f);
    p->processAccumulating({inL.data(), inR.data()}, {outL.data(), outR.data()}, n);
    EXPECT_EQ(outL[10], 3.0f);
    std::vector<double> d(n, 4.0);
    p->processDouble({d.data(), d.data()}, {d.data(), d.data()}, n);
    EXPECT_EQ(d[10], 4.0);
}

TEST(Midi, EventListReachesTheEffect) {
    auto p = loadTestPlugin();
    ASSERT_TRUE(p);
    EventList list;
    list.addMidi(0, 0x90, 60, 100);
    list.addSysex(5, {0xF0, 0x01, 0x02, 0xF7});
    list.addMidi(7, 0x80, 61, 0x7F);
    EXPECT_EQ(p->processEvents(list), 1);
    EXPECT_EQ(p->dispatch(effVendorSpecific, kQueryEventCount), 3);
    EXPECT_EQ(p->dispatch(effVendorSpecific, kQueryLastMidi), 0x80 | 61 << 8 | 0x7F << 16);
    EXPECT_EQ(p->dispatch(effVendorSpecific, kQueryLastSysexBytes), 4);
    EXPECT_EQ(p->dispatch(effVendorSpecific, kQueryLastSysexSum), 0xF0 + 1 + 2 + 0xF7);

    // The list itself, as the plug-in sees it.
    VstEvents* ev = list.events();
    ASSERT_EQ(ev->numEvents, 3);
    EXPECT_EQ(ev->events[0]->type, kVstMidiType);
    EXPECT_EQ(ev->events[1]->type, kVstSysExType);
    EXPECT_EQ(ev->events[1]->deltaFrames, 5);
    EXPECT_EQ(reinterpret_cast<VstMidiSysexEvent*>(ev->events[1])->sysexDump[3], static_cast<char>(0xF7));

    list.clear();
    EXPECT_EQ(p->processEvents(list), 1);  // an empty list is fine
    EXPECT_EQ(p->dispatch(effVendorSpecific, kQueryEventCount), 3);
}

TEST(HostAnswers, ConfiguredAnswersAndOverrides) {
    HostConfig c;
    c.answers[audioMasterWantMidi] = 1;
    auto p = loadTestPlugin(c);
    ASSERT_TRUE(p);
    auto midi = p->requestsWith(audioMasterWantMidi);
    ASSERT_EQ(midi.size(), 1u);
    EXPECT_EQ(midi[0].answer, 1);
    auto asked = p->requestsWith(audioMasterCanDo);
    ASSERT_EQ(asked.size(), 2u);
    EXPECT_EQ(asked[0].text, kCanDoThrowInCreate);
    EXPECT_EQ(asked[0].answer, 0);
}

}  // namespace
