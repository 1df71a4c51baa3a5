// Loading modules, the entry point and the record, and instance lifetimes.
#include <gtest/gtest.h>

#include "testhost.h"

namespace {

using namespace testhost;
using trs::host::LoadStatus;
using trs::host::PluginModule;

TEST(Loading, RecordAfterCreation) {
    auto p = loadTestPlugin();
    ASSERT_TRUE(p);
    EXPECT_EQ(p->module()->entryName(), "VSTPluginMain");
    const AEffect& r = *p->effect();
    EXPECT_EQ(r.magic, 0x56737450);
    EXPECT_EQ(r.numPrograms, 1);
    EXPECT_EQ(r.numParams, trstest::kNumParams);
    EXPECT_EQ(r.numInputs, 2);
    EXPECT_EQ(r.numOutputs, 2);
    EXPECT_EQ(r.flags, effFlagsCanReplacing | effFlagsHasEditor);
    EXPECT_EQ(r.ioRatio, 1.0f);
    EXPECT_EQ(r.uniqueID, fourCharCode('T', 'r', 's', 'T'));
    EXPECT_EQ(r.version, 1);
    EXPECT_EQ(r.initialDelay, 0);
    EXPECT_NE(r.object, nullptr);
    EXPECT_EQ(r.user, nullptr);
}

TEST(Loading, VersionQueryComesFirstWithoutARecordThenEveryRequestCarriesIt) {
    auto p = loadTestPlugin();
    ASSERT_TRUE(p);
    auto log = p->requests();
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[0].opcode, audioMasterVersion);
    EXPECT_EQ(log[0].effect, nullptr);
    EXPECT_EQ(log[0].answer, 2400);
    size_t wantMidi = 0;
    for (size_t i = 1; i < log.size(); ++i) {
        // The creation function's own capability questions precede the record.
        if (log[i].opcode == audioMasterCanDo && log[i].effect == nullptr)
            continue;
        EXPECT_EQ(log[i].effect, p->effect()) << "request " << i << " opcode " << log[i].opcode;
        if (log[i].opcode == audioMasterWantMidi) {
            EXPECT_EQ(log[i].value, 1);
            wantMidi++;
        }
    }
    EXPECT_EQ(wantMidi, 1u);
}

TEST(Loading, HostVersionZeroCreatesNothing) {
    std::vector<HostRequest> seen;
    HostConfig c;
    c.version = 0;
    c.handler = [&seen](const HostRequest& r, VstIntPtr&) {
        seen.push_back(r);
        return false;
    };
    auto r = PluginInstance::load(TRS_TEST_PLUGIN, c);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.status, LoadStatus::NoEffect);
    EXPECT_FALSE(r.message.empty());
    // Only the version question: no constructor ran to ask for MIDI.
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].opcode, audioMasterVersion);
}

TEST(Loading, AnExceptionDuringCreationBecomesANullEffect) {
    HostConfig c;
    c.canDo[trstest::kCanDoThrowInCreate] = 1;
    auto r = PluginInstance::load(TRS_TEST_PLUGIN, c);
    EXPECT_FALSE(r);
    EXPECT_EQ(r.status, LoadStatus::NoEffect);
}

TEST(Loading, BrokenModulesGiveClearErrors) {
    const struct {
        std::string path;
        LoadStatus status;
    } cases[] = {
        {"/nonexistent/Nothing.so", LoadStatus::NotLoadable},
        {TRS_THIS_DIR "/CMakeLists.txt", LoadStatus::NotLoadable},
        {TRS_FAKE_NOENTRY, LoadStatus::NoEntry},
        {TRS_FAKE_BADMAGIC, LoadStatus::BadMagic},
    };
    for (const auto& c : cases) {
        auto r = PluginInstance::load(c.path);
        EXPECT_FALSE(r) << c.path;
        EXPECT_EQ(r.status, c.status) << c.path << ": " << r.message;
        EXPECT_FALSE(r.message.empty()) << c.path;
        EXPECT_STRNE(trs::host::describe(r.status), "unknown");
    }
}

TEST(Loading, CloseRunsCloseThenDestroysTheEffect) {
    auto p = loadTestPlugin();
    ASSERT_TRUE(p);
    p->clearRequests();
    EXPECT_EQ(p->dispatch(effClose), 1);
    EXPECT_TRUE(p->isClosed());
    EXPECT_EQ(markerCodes(*p), (std::vector<VstInt32>{trstest::kMarkClose, trstest::kMarkDestroy}));
    EXPECT_EQ(p->dispatch(effGetVstVersion), 0);  // nothing reaches a closed effect
}

TEST(Loading, SeveralInstancesKeepTheirOwnRequests) {
    PluginModule::Status status;
    std::string error;
    auto module = PluginModule::open(TRS_TEST_PLUGIN, &status, &error);
    ASSERT_TRUE(module) << error;
    auto a = PluginInstance::create(module).plugin;
    auto b = PluginInstance::create(module, withoutEditor()).plugin;
    auto c = loadTestPlugin();
    ASSERT_TRUE(a && b && c);
    EXPECT_NE(a->effect(), b->effect());
    EXPECT_EQ(a->effect()->flags & effFlagsHasEditor, effFlagsHasEditor);
    EXPECT_EQ(b->effect()->flags & effFlagsHasEditor, 0);
    // Each log holds exactly its own creation: one version query, one MIDI request.
    for (auto* p : {a.get(), b.get(), c.get()}) {
        EXPECT_EQ(p->countRequests(audioMasterVersion), 1u);
        EXPECT_EQ(p->countRequests(audioMasterWantMidi), 1u);
    }
    a->clearRequests();
    b->clearRequests();
    c->clearRequests();
    b->resume();
    a->close();
    EXPECT_EQ(markerCodes(*b), (std::vector<VstInt32>{trstest::kMarkResume}));
    EXPECT_EQ(markerCodes(*a), (std::vector<VstInt32>{trstest::kMarkClose, trstest::kMarkDestroy}));
    EXPECT_TRUE(markerCodes(*c).empty());
    for (const auto& r : b->requests())
        EXPECT_EQ(r.effect, b->effect());
    // b still works after a is gone.
    EXPECT_EQ(b->effectName(), "TrsTest");
}

}  // namespace
