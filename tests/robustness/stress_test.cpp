// Many instances processing on two threads while a third changes parameters
// and plays notes, the way a busy host session does. Parameter stores are
// plain by design; the point is that nothing crashes or turns non-finite.
// The work is counted, not timed, so a slow or loaded machine runs the same
// test, only longer.
#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <limits>
#include <random>
#include <thread>
#include <vector>

#include "plugininstance.h"

using trs::host::EventList;
using trs::host::PluginInstance;

TEST(Stress, ThirtyTwoInstancesTwoAudioThreadsOneControlThread) {
    auto first = PluginInstance::load(TRS_PLUGIN_PATH);
    ASSERT_TRUE(first) << first.message;
    std::vector<std::unique_ptr<PluginInstance>> fx;
    fx.push_back(std::move(first.plugin));
    while (fx.size() < 32) {
        auto r = PluginInstance::create(fx[0]->module());
        ASSERT_TRUE(r) << r.message;
        fx.push_back(std::move(r.plugin));
    }
    for (auto& p : fx) {
        p->setSampleRate(48000);
        p->setBlockSize(256);
        p->open();
        p->resume();
    }

    constexpr long kPasses = 40;  // over each thread's 16 instances
    constexpr long kMinChanges = 2000;
    std::atomic<bool> stop{false};
    std::atomic<long> blocks{0}, nonFinite{0}, changes{0};
    auto audio = [&](size_t first, unsigned seed) {
        const VstInt32 n = 256;
        std::mt19937 rng(seed);
        std::uniform_real_distribution<float> level(-1.5f, 1.5f);
        std::vector<float> in0(n), in1(n), out0(n), out1(n);
        float* ins[2] = {in0.data(), in1.data()};
        float* outs[2] = {out0.data(), out1.data()};
        // Audio goes on until the control thread has had its say too.
        for (long pass = 0; pass < kPasses || changes < kMinChanges; ++pass) {
            for (size_t k = first; k < fx.size(); k += 2) {
                for (VstInt32 i = 0; i < n; i++) {
                    in0[i] = level(rng);
                    in1[i] = level(rng);
                }
                if (rng() % 50 == 0)
                    in0[rng() % n] = std::numeric_limits<float>::quiet_NaN();
                AEffect* e = fx[k]->effect();
                e->processReplacing(e, ins, outs, n);
                for (VstInt32 i = 0; i < n; i++)
                    nonFinite += !std::isfinite(out0[i]) + !std::isfinite(out1[i]);
                blocks++;
            }
        }
    };
    auto control = [&]() {
        std::mt19937 rng(7);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        // Event lists are built up front: building allocates.
        std::vector<EventList> lists(16);
        for (size_t i = 0; i < lists.size(); i++) {
            lists[i].addMidi(0, 0x90, (uint8_t)(30 + 5 * i), 100);
            lists[i].addMidi(10, (uint8_t)(i % 3 ? 0x80 : 0xB0), (uint8_t)(i % 3 ? 30 + 5 * i : 123), 0);
            lists[i].events();
        }
        while (!stop) {
            PluginInstance& p = *fx[rng() % fx.size()];
            AEffect* e = p.effect();
            e->setParameter(e, (VstInt32)(rng() % 18), unit(rng));
            if (rng() % 4 == 0)
                e->dispatcher(e, effProcessEvents, 0, 0, lists[rng() % lists.size()].events(), 0);
            changes++;
        }
    };
    std::thread a(audio, 0, 1u), b(audio, 1, 2u), c(control);
    a.join();
    b.join();
    stop = true;
    c.join();
    std::printf("%ld blocks of 256 frames, %ld parameter changes\n", blocks.load(), changes.load());
    EXPECT_GE(blocks.load(), 2 * kPasses * 16);
    EXPECT_GE(changes.load(), kMinChanges);
    EXPECT_EQ(nonFinite.load(), 0);
    for (auto& p : fx)
        EXPECT_EQ(p->close(), 1);
}
