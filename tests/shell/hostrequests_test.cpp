// Every request the base sends to the host: its arguments, how the answer
// becomes the result, and the default without a host.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "testeffect.h"

namespace {

struct Call {
    AEffect* effect;
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
};

std::vector<Call> calls;
VstIntPtr answer = 0;

VstIntPtr VSTCALLBACK recordingHost(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
    calls.push_back({e, opcode, index, value, ptr, opt});
    return answer;
}

char dummyText[] = "text";
void* const kPtr = dummyText;

struct RequestCase {
    const char* name;
    std::function<VstIntPtr(AudioEffectX&)> call;  // result as an integer
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;
    float opt;
    VstIntPtr resultFor5;  // result when the host answers 5
    VstIntPtr resultFor0;  // result when the host answers 0
};

VstIntPtr asInt(const void* p) {
    return reinterpret_cast<VstIntPtr>(p);
}

const std::vector<RequestCase>& requestCases() {
    static const std::vector<RequestCase> cases = {
        {"getMasterVersion", [](AudioEffectX& e) { return e.getMasterVersion(); }, 1, 0, 0, nullptr, 0, 5, 1},
        {"getCurrentUniqueId", [](AudioEffectX& e) { return e.getCurrentUniqueId(); }, 2, 0, 0, nullptr, 0, 5, 0},
        {"masterIdle",
         [](AudioEffectX& e) {
             e.masterIdle();
             return VstIntPtr(0);
         },
         3, 0, 0, nullptr, 0, 0, 0},
        {"isInputConnected", [](AudioEffectX& e) { return VstIntPtr(e.isInputConnected(3)); }, 4, 3, 0, nullptr, 0, 0,
         1},
        {"isOutputConnected", [](AudioEffectX& e) { return VstIntPtr(e.isOutputConnected(2)); }, 4, 2, 1, nullptr, 0, 0,
         1},
        {"wantEvents",
         [](AudioEffectX& e) {
             e.wantEvents(1);
             return VstIntPtr(0);
         },
         6, 0, 1, nullptr, 0, 0, 0},
        {"getTimeInfo", [](AudioEffectX& e) { return asInt(e.getTimeInfo(0x202)); }, 7, 0, 0x202, nullptr, 0, 5, 0},
        {"tempoAt", [](AudioEffectX& e) { return VstIntPtr(e.tempoAt(99)); }, 10, 0, 99, nullptr, 0, 5, 0},
        {"getNumAutomatableParameters", [](AudioEffectX& e) { return VstIntPtr(e.getNumAutomatableParameters()); }, 11,
         0, 0, nullptr, 0, 5, 0},
        {"getParameterQuantization", [](AudioEffectX& e) { return VstIntPtr(e.getParameterQuantization()); }, 12, 0, 0,
         nullptr, 0, 5, 0},
        {"ioChanged", [](AudioEffectX& e) { return VstIntPtr(e.ioChanged()); }, 13, 0, 0, nullptr, 0, 1, 0},
        {"needIdle", [](AudioEffectX& e) { return VstIntPtr(e.needIdle()); }, 14, 0, 0, nullptr, 0, 1, 0},
        {"sizeWindow", [](AudioEffectX& e) { return VstIntPtr(e.sizeWindow(640, 480)); }, 15, 640, 480, nullptr, 0, 1,
         0},
        {"getInputLatency", [](AudioEffectX& e) { return VstIntPtr(e.getInputLatency()); }, 18, 0, 0, nullptr, 0, 5, 0},
        {"getOutputLatency", [](AudioEffectX& e) { return VstIntPtr(e.getOutputLatency()); }, 19, 0, 0, nullptr, 0, 5,
         0},
        {"getPreviousPlug", [](AudioEffectX& e) { return asInt(e.getPreviousPlug(4)); }, 20, 0, 0, nullptr, 0, 5, 0},
        {"getNextPlug", [](AudioEffectX& e) { return asInt(e.getNextPlug(4)); }, 21, 0, 0, nullptr, 0, 5, 0},
        {"willProcessReplacing", [](AudioEffectX& e) { return VstIntPtr(e.willProcessReplacing()); }, 22, 0, 0, nullptr,
         0, 5, 0},
        {"getCurrentProcessLevel", [](AudioEffectX& e) { return VstIntPtr(e.getCurrentProcessLevel()); }, 23, 0, 0,
         nullptr, 0, 5, 0},
        {"getAutomationState", [](AudioEffectX& e) { return VstIntPtr(e.getAutomationState()); }, 24, 0, 0, nullptr, 0,
         5, 0},
        {"offlineStart",
         [](AudioEffectX& e) { return VstIntPtr(e.offlineStart(static_cast<VstAudioFile*>(kPtr), 3, 2)); }, 25, 2, 3,
         kPtr, 0, 1, 0},
        {"offlineRead",
         [](AudioEffectX& e) { return VstIntPtr(e.offlineRead(static_cast<VstOfflineTask*>(kPtr), 4, true)); }, 26, 1,
         4, kPtr, 0, 1, 0},
        {"offlineWrite",
         [](AudioEffectX& e) { return VstIntPtr(e.offlineWrite(static_cast<VstOfflineTask*>(kPtr), 4)); }, 27, 0, 4,
         kPtr, 0, 1, 0},
        {"offlineGetCurrentPass", [](AudioEffectX& e) { return VstIntPtr(e.offlineGetCurrentPass()); }, 28, 0, 0,
         nullptr, 0, 1, 0},
        {"offlineGetCurrentMetaPass", [](AudioEffectX& e) { return VstIntPtr(e.offlineGetCurrentMetaPass()); }, 29, 0,
         0, nullptr, 0, 1, 0},
        {"setOutputSamplerate",
         [](AudioEffectX& e) {
             e.setOutputSamplerate(22050.0f);
             return VstIntPtr(0);
         },
         30, 0, 0, nullptr, 22050.0f, 0, 0},
        {"getOutputSpeakerArrangement", [](AudioEffectX& e) { return asInt(e.getOutputSpeakerArrangement()); }, 31, 0,
         0, nullptr, 0, 5, 0},
        {"getHostVendorString", [](AudioEffectX& e) { return VstIntPtr(e.getHostVendorString(dummyText)); }, 32, 0, 0,
         kPtr, 0, 1, 0},
        {"getHostProductString", [](AudioEffectX& e) { return VstIntPtr(e.getHostProductString(dummyText)); }, 33, 0, 0,
         kPtr, 0, 1, 0},
        {"getHostVendorVersion", [](AudioEffectX& e) { return VstIntPtr(e.getHostVendorVersion()); }, 34, 0, 0, nullptr,
         0, 5, 0},
        {"hostVendorSpecific", [](AudioEffectX& e) { return e.hostVendorSpecific(8, 9, kPtr, 1.5f); }, 35, 8, 9, kPtr,
         1.5f, 5, 0},
        {"canHostDo", [](AudioEffectX& e) { return VstIntPtr(e.canHostDo(dummyText)); }, 37, 0, 0, kPtr, 0, 1, 0},
        {"getHostLanguage", [](AudioEffectX& e) { return VstIntPtr(e.getHostLanguage()); }, 38, 0, 0, nullptr, 0, 5, 0},
        {"openWindow", [](AudioEffectX& e) { return asInt(e.openWindow(static_cast<VstWindow*>(kPtr))); }, 39, 0, 0,
         kPtr, 0, 5, 0},
        {"closeWindow", [](AudioEffectX& e) { return VstIntPtr(e.closeWindow(static_cast<VstWindow*>(kPtr))); }, 40, 0,
         0, kPtr, 0, 1, 0},
        {"getDirectory", [](AudioEffectX& e) { return asInt(e.getDirectory()); }, 41, 0, 0, nullptr, 0, 5, 0},
        {"updateDisplay", [](AudioEffectX& e) { return VstIntPtr(e.updateDisplay()); }, 42, 0, 0, nullptr, 0, 1, 0},
        {"beginEdit", [](AudioEffectX& e) { return VstIntPtr(e.beginEdit(6)); }, 43, 6, 0, nullptr, 0, 1, 0},
        {"endEdit", [](AudioEffectX& e) { return VstIntPtr(e.endEdit(6)); }, 44, 6, 0, nullptr, 0, 1, 0},
        {"openFileSelector",
         [](AudioEffectX& e) { return VstIntPtr(e.openFileSelector(static_cast<VstFileSelect*>(kPtr))); }, 45, 0, 0,
         kPtr, 0, 1, 0},
        {"closeFileSelector",
         [](AudioEffectX& e) { return VstIntPtr(e.closeFileSelector(static_cast<VstFileSelect*>(kPtr))); }, 46, 0, 0,
         kPtr, 0, 1, 0},
        {"getChunkFile", [](AudioEffectX& e) { return VstIntPtr(e.getChunkFile(kPtr)); }, 48, 0, 0, kPtr, 0, 1, 0},
        {"getInputSpeakerArrangement", [](AudioEffectX& e) { return asInt(e.getInputSpeakerArrangement()); }, 49, 0, 0,
         nullptr, 0, 5, 0},
    };
    return cases;
}

class HostRequests : public ::testing::Test {
protected:
    void SetUp() override {
        calls.clear();
        answer = 0;
    }
};

TEST_F(HostRequests, EachSendsOneRequestWithItsArgumentsAndMapsTheAnswer) {
    TestEffect effect(recordingHost, false);
    for (const auto& c : requestCases()) {
        for (VstIntPtr a : {VstIntPtr(5), VstIntPtr(0)}) {
            calls.clear();
            answer = a;
            const VstIntPtr result = c.call(effect);
            ASSERT_EQ(calls.size(), 1u) << c.name;
            const Call& got = calls[0];
            EXPECT_EQ(got.effect, effect.getAeffect()) << c.name;
            EXPECT_EQ(got.opcode, c.opcode) << c.name;
            EXPECT_EQ(got.index, c.index) << c.name;
            EXPECT_EQ(got.value, c.value) << c.name;
            EXPECT_EQ(got.ptr, c.ptr) << c.name;
            EXPECT_EQ(got.opt, c.opt) << c.name;
            EXPECT_EQ(result, a == 5 ? c.resultFor5 : c.resultFor0) << c.name << " answer " << a;
        }
    }
}

TEST_F(HostRequests, WithoutAHostEachAnswersItsDefault) {
    TestEffect effect(nullptr, false);
    for (const auto& c : requestCases()) {
        // Defaults: 1 for the version, "connected" for pins, else 0/false/null.
        VstIntPtr expected = 0;
        if (c.opcode == audioMasterVersion || c.opcode == audioMasterPinConnected)
            expected = 1;
        EXPECT_EQ(c.call(effect), expected) << c.name;
    }
}

TEST_F(HostRequests, NullSelectorsAndPathsAreNotSent) {
    TestEffect effect(recordingHost, false);
    calls.clear();
    answer = 1;
    EXPECT_FALSE(effect.openFileSelector(nullptr));
    EXPECT_FALSE(effect.closeFileSelector(nullptr));
    EXPECT_FALSE(effect.getChunkFile(nullptr));
    EXPECT_TRUE(calls.empty());
}

TEST_F(HostRequests, SetParameterAutomatedAppliesThenTellsTheHost) {
    TestEffect effect(recordingHost, false);
    calls.clear();
    effect.setParameterAutomated(2, 0.75f);
    EXPECT_EQ(effect.getParameter(2), 0.75f);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].opcode, audioMasterAutomate);
    EXPECT_EQ(calls[0].index, 2);
    EXPECT_EQ(calls[0].opt, 0.75f);

    TestEffect lonely(nullptr, false);
    lonely.setParameterAutomated(1, 0.25f);
    EXPECT_EQ(lonely.getParameter(1), 0.25f);
}

TEST_F(HostRequests, UpdateSampleRateAndBlockSizeTakeOnlyPositiveAnswers) {
    TestEffect effect(recordingHost, false);
    answer = 0;
    EXPECT_EQ(effect.updateSampleRate(), 44100.0);
    answer = -5;
    EXPECT_EQ(effect.updateBlockSize(), 1024);
    answer = 48000;
    EXPECT_EQ(effect.updateSampleRate(), 48000.0);
    EXPECT_EQ(effect.getSampleRate(), 48000.0f);
    answer = 256;
    EXPECT_EQ(effect.updateBlockSize(), 256);
    // The stored rate changes without going through setSampleRate.
    EXPECT_EQ(effect.sampleRateCalls, 0);
    EXPECT_EQ(calls.back().opcode, audioMasterGetBlockSize);
}

TEST_F(HostRequests, ConstructionAsksForMidiOnceAndEveryResumeAgain) {
    TestEffect effect(recordingHost, false);
    auto wantMidi = [] {
        int n = 0;
        for (const auto& c : calls)
            if (c.opcode == audioMasterWantMidi && c.value == 1)
                n++;
        return n;
    };
    EXPECT_EQ(wantMidi(), 1);
    effect.dispatcher(effMainsChanged, 0, 0, nullptr, 0);
    EXPECT_EQ(wantMidi(), 1);
    effect.dispatcher(effMainsChanged, 0, 1, nullptr, 0);
    effect.dispatcher(effMainsChanged, 0, -3, nullptr, 0);
    EXPECT_EQ(wantMidi(), 3);
}

}  // namespace
