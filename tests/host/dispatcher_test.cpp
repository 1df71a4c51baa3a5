// The dispatcher as a host sees it, through the real entry point.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>

#include "testhost.h"

namespace {

using namespace testhost;
using namespace trstest;

class Dispatcher : public ::testing::Test {
protected:
    void SetUp() override {
        plugin = loadTestPlugin();
        ASSERT_TRUE(plugin);
        plugin->clearRequests();
    }
    std::unique_ptr<PluginInstance> plugin;
};

TEST_F(Dispatcher, SetProgramAcceptsOnlyExistingPrograms) {
    // A value past 32 bits exists only where VstIntPtr has them.
    const VstIntPtr wide = sizeof(VstIntPtr) > 4 ? VstIntPtr(int64_t(1) << 40) : VstIntPtr(2);
    for (VstIntPtr value : {VstIntPtr(1), VstIntPtr(-1), VstIntPtr(INT_MIN), wide})
        EXPECT_EQ(plugin->dispatch(effSetProgram, 0, value), 0) << value;
    EXPECT_TRUE(markers(*plugin).empty());
    EXPECT_EQ(plugin->program(), 0);
    plugin->setProgram(0);
    auto m = markers(*plugin);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].index, kMarkSetProgram);
    EXPECT_EQ(m[0].value, 0);
}

TEST_F(Dispatcher, MainsChangedSuspendsOrResumesWithAMidiRequest) {
    plugin->suspend();
    EXPECT_EQ(plugin->countRequests(audioMasterWantMidi), 0u);
    EXPECT_EQ(markerCodes(*plugin), (std::vector<VstInt32>{kMarkSuspend}));
    plugin->clearRequests();
    EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 1), 0);
    EXPECT_EQ(plugin->dispatch(effMainsChanged, 0, 7), 0);
    EXPECT_EQ(plugin->countRequests(audioMasterWantMidi), 2u);
    EXPECT_EQ(markerCodes(*plugin), (std::vector<VstInt32>{kMarkResume, kMarkResume}));
}

TEST_F(Dispatcher, OpenAndSampleRateReachTheEffect) {
    plugin->open();
    plugin->setSampleRate(48000.0f);
    auto m = markers(*plugin);
    ASSERT_EQ(m.size(), 2u);
    EXPECT_EQ(m[0].index, kMarkOpen);
    EXPECT_EQ(m[1].index, kMarkSetSampleRate);
    EXPECT_EQ(m[1].opt, 48000.0f);
}

TEST_F(Dispatcher, EditorOpcodesReachTheEditor) {
    ERect rect{};
    ASSERT_TRUE(plugin->editorRect(rect));
    EXPECT_EQ(rect.bottom, 120);
    EXPECT_EQ(rect.right, 200);
    int parent = 0;
    EXPECT_EQ(plugin->dispatch(effEditOpen, 0, 0, &parent), 1);
    EXPECT_EQ(plugin->dispatch(effEditIdle), 0);
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 65, 300, nullptr, 2.9f), 1);
    EXPECT_EQ(plugin->dispatch(effEditKeyUp, 66, 0x1FF, nullptr, -1.5f), 1);
    EXPECT_EQ(plugin->dispatch(effSetEditKnobMode, 0, 2), 1);
    EXPECT_EQ(plugin->dispatch(effEditClose), 0);
    auto m = markers(*plugin);
    ASSERT_EQ(m.size(), 6u);
    EXPECT_EQ(m[0].index, kMarkEditOpen);
    EXPECT_EQ(m[0].value, reinterpret_cast<VstIntPtr>(&parent));
    EXPECT_EQ(m[1].index, kMarkEditIdle);
    // The key code: character = index, virt = low byte of value,
    // modifier = opt truncated toward zero (low byte).
    EXPECT_EQ(m[2].index, kMarkKeyDown);
    EXPECT_EQ(m[2].value, 65);
    EXPECT_EQ(m[2].opt, 44 * 1000 + 2);
    EXPECT_EQ(m[3].index, kMarkKeyUp);
    EXPECT_EQ(m[3].value, 66);
    EXPECT_EQ(m[3].opt, 255 * 1000 + 255);  // -1.5 -> -1 -> 0xFF
    EXPECT_EQ(m[4].index, kMarkKnobMode);
    EXPECT_EQ(m[4].value, 2);
    EXPECT_EQ(m[5].index, kMarkEditClose);
}

TEST_F(Dispatcher, KeyModifierFromAnOutOfRangeOptIsZero) {
    EXPECT_EQ(plugin->dispatch(effEditKeyDown, 1, 2, nullptr, 1e20f), 1);
    auto m = markers(*plugin);
    ASSERT_EQ(m.size(), 1u);
    EXPECT_EQ(m[0].opt, 2 * 1000 + 0);
}

TEST(DispatcherWithoutEditor, EditorOpcodesAnswerZeroAndCallNothing) {
    auto plugin = loadTestPlugin(withoutEditor());
    ASSERT_TRUE(plugin);
    EXPECT_EQ(plugin->effect()->flags & effFlagsHasEditor, 0);
    plugin->clearRequests();
    ERect* rect = reinterpret_cast<ERect*>(0x1234);
    int parent = 0;
    EXPECT_EQ(plugin->dispatch(effEditGetRect, 0, 0, &rect), 0);
    EXPECT_EQ(rect, reinterpret_cast<ERect*>(0x1234));
    for (VstInt32 op : std::initializer_list<VstInt32>{effEditOpen, effEditClose, effEditIdle, effEditKeyDown,
                                                       effEditKeyUp, effSetEditKnobMode})
        EXPECT_EQ(plugin->dispatch(op, 65, 300, &parent, 2.9f), 0) << op;
    EXPECT_TRUE(plugin->requests().empty());
}

TEST_F(Dispatcher, FixedAnswers) {
    char dummy[64] = {};
    const struct {
        VstInt32 opcode;
        VstInt32 index;
        VstIntPtr value;
        void* ptr;
        VstIntPtr answer;
    } cases[] = {
        {effIdentify, 0, 0, nullptr, 0x4E764566},
        {effSetTotalSampleToProcess, 0, 4096, nullptr, 4096},
        {effGetVstVersion, 0, 0, nullptr, 2400},
        {effGetCurrentMidiProgram, 0, 0, dummy, -1},
        {effGetCurrentMidiProgram, 0, 0, nullptr, -1},
        {effGetNumMidiInputChannels, 0, 0, nullptr, 1},
        {effGetNumMidiOutputChannels, 0, 0, nullptr, 0},
        {effGetPlugCategory, 0, 0, nullptr, kPlugCategEffect},
        {effGetVendorVersion, 0, 0, nullptr, 7},
        {effGetTailSize, 0, 0, nullptr, 0},
        {effGetProgram, 0, 0, nullptr, 0},
        {effCanBeAutomated, 0, 0, nullptr, 1},
        {effCanBeAutomated, 17, 0, nullptr, 1},
        {effCanBeAutomated, 999, 0, nullptr, 1},
        {effCanBeAutomated, -1, 0, nullptr, 1},
        {effString2Parameter, 0, 0, dummy, 0},
        {effSetBypass, 0, 1, nullptr, 0},
        {effStartProcess, 0, 0, nullptr, 0},
        {effHasMidiProgramsChanged, 0, 0, nullptr, 0},
        {effBeginSetProgram, 0, 0, nullptr, 0},
        {effSetProcessPrecision, 0, 1, nullptr, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(plugin->dispatch(c.opcode, c.index, c.value, c.ptr), c.answer) << "opcode " << c.opcode;
}

TEST_F(Dispatcher, UnlistedOpcodesAnswerZeroAndCallNothing) {
    char dummy[64] = {};
    for (VstInt32 op :
         {9, 16, 17, 18, 20, 21, 28, 30, 31, 32, 36, 37, 43, 46, 53, 54, 55, 57, 80, 81, 1000, -1, INT_MIN, INT_MAX})
        EXPECT_EQ(plugin->dispatch(op, 1, 1, dummy, 1.0f), 0) << "opcode " << op;
    EXPECT_TRUE(plugin->requests().empty());
}

TEST_F(Dispatcher, GetSpeakerArrangementClearsBothPointers) {
    VstSpeakerArrangement dummy{};
    VstSpeakerArrangement* in = &dummy;
    VstSpeakerArrangement* out = &dummy;
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 0);
    EXPECT_EQ(in, nullptr);
    EXPECT_EQ(out, nullptr);
    // With one of them missing nothing is written at all.
    in = &dummy;
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), nullptr), 0);
    EXPECT_EQ(in, &dummy);
    out = &dummy;
    EXPECT_EQ(plugin->dispatch(effGetSpeakerArrangement, 0, 0, &out), 0);
    EXPECT_EQ(out, &dummy);
}

TEST_F(Dispatcher, NullPointersAreNeverFollowed) {
    for (VstInt32 op : std::initializer_list<VstInt32>{effSetProgramName,
                                                       effGetProgramName,
                                                       effGetParamLabel,
                                                       effGetParamDisplay,
                                                       effGetParamName,
                                                       effEditGetRect,
                                                       effGetChunk,
                                                       effSetChunk,
                                                       effProcessEvents,
                                                       effString2Parameter,
                                                       effGetProgramNameIndexed,
                                                       effGetInputProperties,
                                                       effGetOutputProperties,
                                                       effProcessVarIo,
                                                       effGetEffectName,
                                                       effGetVendorString,
                                                       effGetProductString,
                                                       effCanDo,
                                                       effGetParameterProperties,
                                                       effGetMidiProgramName,
                                                       effGetMidiProgramCategory,
                                                       effGetMidiKeyName,
                                                       effShellGetNextPlugin,
                                                       effBeginLoadBank,
                                                       effBeginLoadProgram})
        EXPECT_EQ(plugin->dispatch(op, 0, 16, nullptr), 0) << "opcode " << op;
}

TEST_F(Dispatcher, OfflineAndSpeakerCallsNeedTheirPointers) {
    // The test effect claims all four; only a missing pointer makes it 0.
    char file[64] = {}, task[64] = {};
    VstSpeakerArrangement in{}, out{};
    EXPECT_EQ(plugin->dispatch(effOfflineNotify, 1, 1, file), 1);
    EXPECT_EQ(plugin->dispatch(effOfflineNotify, 1, 1, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effOfflinePrepare, 0, 1, task), 1);
    EXPECT_EQ(plugin->dispatch(effOfflinePrepare, 0, 1, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effOfflineRun, 0, 1, task), 1);
    EXPECT_EQ(plugin->dispatch(effOfflineRun, 0, 1, nullptr), 0);
    EXPECT_EQ(plugin->dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), &out), 1);
    EXPECT_EQ(plugin->dispatch(effSetSpeakerArrangement, 0, 0, &out), 0);
    EXPECT_EQ(plugin->dispatch(effSetSpeakerArrangement, 0, reinterpret_cast<VstIntPtr>(&in), nullptr), 0);
}

TEST_F(Dispatcher, TextsAndChunk) {
    EXPECT_EQ(plugin->effectName(), "TrsTest");
    EXPECT_EQ(plugin->vendorString(), "Tresselin tests");
    EXPECT_EQ(plugin->productString(), "Shell test effect");
    EXPECT_EQ(plugin->programName(), "Init");
    char name[] = "Renamed";
    plugin->dispatch(effSetProgramName, 0, 0, name);
    EXPECT_EQ(plugin->programName(), "Renamed");
    EXPECT_EQ(plugin->canDo("receiveVstMidiEvent"), 1);
    EXPECT_EQ(plugin->canDo("sendVstMidiEvent"), -1);

    void* chunk = nullptr;
    EXPECT_EQ(plugin->dispatch(effGetChunk, 0, 0, &chunk), 16);
    ASSERT_NE(chunk, nullptr);
    plugin->setParameter(3, 0.125f);
    EXPECT_EQ(static_cast<float*>(chunk)[3], 0.125f);
}

TEST_F(Dispatcher, NoExceptionLeavesTheModule) {
    EXPECT_EQ(plugin->dispatch(effVendorSpecific, kQueryThrow), 0);
    plugin->setParameter(kThrowIndex, 0.5f);
    EXPECT_EQ(plugin->getParameter(kThrowIndex), 0.0f);
    float buf[4] = {};
    float* ch[2] = {buf, buf};
    plugin->processReplacing(ch, ch, kThrowFrames);
    EXPECT_EQ(plugin->effectName(), "TrsTest");  // still alive and well
}

}  // namespace
