// Orders in which real hosts drive a plug-in, each rendered through the host
// library and held against a render in the plain order: rate, block size,
// parameters, resume, then 512-frame blocks. The plug-in keeps no per-block
// state and does nothing on suspend or resume, so every one of these orders
// must give the plain render's samples exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <thread>
#include <vector>

#include "plugininstance.h"

namespace {

using trs::host::PluginInstance;
using trs::host::PluginModule;

constexpr float kRate = 48000.0f;
constexpr int kFrames = 3 * 8192;  // a whole number of blocks of every size used

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t n = 0) : left(n, 0.0f), right(n, 0.0f) {}
    bool operator==(const Stereo& o) const { return left == o.left && right == o.right; }
};

// Integer noise under two tones whose level jumps every 3000 frames, so the
// followers, the generators and the filters all move.
const Stereo& input() {
    static const Stereo in = [] {
        Stereo s(kFrames);
        uint32_t x = 12345;
        for (int n = 0; n < kFrames; ++n) {
            x = x * 1664525u + 1013904223u;
            const float noise = static_cast<float>(static_cast<int32_t>(x) >> 8) / 8388608.0f;
            const float level = (n / 3000) % 2 ? 0.05f : 0.5f;
            s.left[n] = level * (std::sin(n * 0.031f) + 0.2f * noise);
            s.right[n] = level * (std::sin(n * 0.047f) - 0.2f * noise);
        }
        return s;
    }();
    return in;
}

// Oscillator and noise on and modulated, a resonant band-pass filter swept by
// follower 2: the settings under which shared or reset state would show.
const std::vector<std::pair<int, float>> kBusy = {{0, 0.7f},  {1, 0.4f},  {2, 0.6f},  {3, 0.6f}, {4, 0.3f},
                                                  {5, 0.5f},  {6, 0.7f},  {7, 0.9f},  {9, 0.8f}, {10, 0.7f},
                                                  {12, 0.8f}, {13, 0.7f}, {14, 0.8f}, {15, 0.6f}};
const std::vector<std::pair<int, float>> kQuiet = {{5, 0.3f}, {6, 0.2f}, {12, 0.3f}, {15, 0.9f}};

std::unique_ptr<PluginInstance> load() {
    auto r = PluginInstance::load(TRS_PLUGIN_PATH);
    EXPECT_TRUE(r) << r.message;
    return std::move(r.plugin);
}

void setAll(PluginInstance& fx, const std::vector<std::pair<int, float>>& params) {
    for (auto [index, value] : params)
        fx.setParameter(index, value);
}

// Renders frames [from, to) of the input in blocks of the given size.
void renderRange(PluginInstance& fx, Stereo& out, int from, int to, int block) {
    Stereo& in = const_cast<Stereo&>(input());  // the plug-in only reads it
    for (int at = from; at < to; at += block) {
        const int n = std::min(block, to - at);
        fx.process({in.left.data() + at, in.right.data() + at}, {out.left.data() + at, out.right.data() + at}, n);
    }
}

void prepare(PluginInstance& fx, const std::vector<std::pair<int, float>>& params, int block = 512) {
    fx.open();
    fx.setSampleRate(kRate);
    fx.setBlockSize(block);
    setAll(fx, params);
    fx.resume();
}

Stereo plainRender(const std::vector<std::pair<int, float>>& params) {
    auto fx = load();
    Stereo out(kFrames);
    if (!fx)
        return out;
    prepare(*fx, params);
    renderRange(*fx, out, 0, kFrames, 512);
    return out;
}

const Stereo& busyReference() {
    static const Stereo r = plainRender(kBusy);
    return r;
}

bool allFinite(const Stereo& s) {
    for (size_t i = 0; i < s.left.size(); ++i)
        if (!std::isfinite(s.left[i]) || !std::isfinite(s.right[i]))
            return false;
    return true;
}

double energy(const Stereo& s) {
    double e = 0;
    for (size_t i = 0; i < s.left.size(); ++i)
        e += static_cast<double>(s.left[i]) * s.left[i] + static_cast<double>(s.right[i]) * s.right[i];
    return e;
}

// The plain render itself must be worth comparing against.
TEST(HostOrder, ReferenceRenderIsFiniteAudible) {
    const Stereo& ref = busyReference();
    EXPECT_TRUE(allFinite(ref));
    EXPECT_GT(energy(ref), 1.0);
    EXPECT_NE(ref.left, input().left);
}

TEST(HostOrder, MainsOffBeforeAnyResume) {
    auto fx = load();
    ASSERT_TRUE(fx);
    fx->dispatch(effMainsChanged, 0, 0);
    prepare(*fx, kBusy);
    Stereo out(kFrames);
    renderRange(*fx, out, 0, kFrames, 512);
    EXPECT_TRUE(out == busyReference());
}

TEST(HostOrder, TwoResumesWithoutSuspend) {
    auto fx = load();
    ASSERT_TRUE(fx);
    const size_t midiRequests = fx->countRequests(audioMasterWantMidi);
    prepare(*fx, kBusy);
    fx->resume();
    // Each resume asks for MIDI again; neither may touch the audio state.
    EXPECT_EQ(fx->countRequests(audioMasterWantMidi), midiRequests + 2);
    Stereo out(kFrames);
    renderRange(*fx, out, 0, kFrames / 2, 512);
    fx->resume();
    renderRange(*fx, out, kFrames / 2, kFrames, 512);
    EXPECT_TRUE(out == busyReference());
}

TEST(HostOrder, SetChunkWhileResumedChangesNothing) {
    auto fx = load();
    ASSERT_TRUE(fx);
    prepare(*fx, kBusy);
    Stereo out(kFrames);
    renderRange(*fx, out, 0, kFrames / 2, 512);
    // What a host restores from a session: our own chunk, and some garbage.
    void* chunk = nullptr;
    const VstIntPtr size = fx->dispatch(effGetChunk, 0, 0, &chunk);
    ASSERT_EQ(size, 10);
    ASSERT_NE(chunk, nullptr);
    std::vector<char> saved(static_cast<const char*>(chunk), static_cast<const char*>(chunk) + size);
    EXPECT_STREQ(saved.data(), "Test Data");
    EXPECT_EQ(fx->dispatch(effSetChunk, 0, size, saved.data()), 0);
    char garbage[64] = {1, 2, 3};
    EXPECT_EQ(fx->dispatch(effSetChunk, 1, sizeof garbage, garbage), 0);
    for (auto [index, value] : kBusy)
        EXPECT_EQ(fx->getParameter(index), value) << "parameter " << index;
    renderRange(*fx, out, kFrames / 2, kFrames, 512);
    EXPECT_TRUE(out == busyReference());
}

// A rate change while processing must act as it does between suspend and
// resume, the polite order, since neither of those touches the audio. (Each
// rate call steps the filters' cutoff glide once, so both orders make the
// same calls.)
TEST(HostOrder, SetSampleRateWhileResumed) {
    auto polite = load();
    auto rude = load();
    ASSERT_TRUE(polite && rude);
    prepare(*polite, kBusy);
    prepare(*rude, kBusy);
    Stereo a(kFrames), b(kFrames);
    renderRange(*polite, a, 0, kFrames / 2, 512);
    renderRange(*rude, b, 0, kFrames / 2, 512);

    polite->suspend();
    polite->setSampleRate(kRate);
    polite->resume();
    rude->setSampleRate(kRate);
    renderRange(*polite, a, kFrames / 2, 3 * kFrames / 4, 512);
    renderRange(*rude, b, kFrames / 2, 3 * kFrames / 4, 512);

    polite->suspend();
    polite->setSampleRate(44100.0f);
    polite->resume();
    rude->setSampleRate(44100.0f);
    renderRange(*polite, a, 3 * kFrames / 4, kFrames, 512);
    renderRange(*rude, b, 3 * kFrames / 4, kFrames, 512);
    EXPECT_TRUE(a == b);
    EXPECT_TRUE(allFinite(b));
    EXPECT_EQ(rude->parameterDisplay(5), polite->parameterDisplay(5));
    // And the new rate did take effect at once.
    const Stereo& ref = busyReference();
    EXPECT_FALSE(std::equal(b.left.begin() + 3 * kFrames / 4, b.left.end(), ref.left.begin() + 3 * kFrames / 4));
}

TEST(HostOrder, SuspendAndResumeFromTheAudioThread) {
    auto fx = load();
    ASSERT_TRUE(fx);
    prepare(*fx, kBusy);
    Stereo out(kFrames);
    std::thread audio([&] {
        renderRange(*fx, out, 0, kFrames / 3, 512);
        fx->suspend();
        fx->resume();
        renderRange(*fx, out, kFrames / 3, 2 * kFrames / 3, 512);
        fx->dispatch(effMainsChanged, 0, 0);
        fx->dispatch(effMainsChanged, 0, 1);
        renderRange(*fx, out, 2 * kFrames / 3, kFrames, 512);
    });
    audio.join();
    EXPECT_TRUE(out == busyReference());
}

TEST(HostOrder, QueriesBeforeOpen) {
    auto fx = load();
    ASSERT_TRUE(fx);
    EXPECT_EQ(fx->dispatch(effGetPlugCategory), 1);  // kPlugCategEffect
    fx->dispatch(effSetSampleRate, 0, 0, nullptr, kRate);
    fx->dispatch(effSetBlockSize, 0, 512);
    EXPECT_EQ(fx->dispatch(effIdentify), fourCharCode('N', 'v', 'E', 'f'));
    fx->open();
    setAll(*fx, kBusy);
    fx->resume();
    Stereo out(kFrames);
    renderRange(*fx, out, 0, kFrames, 512);
    EXPECT_TRUE(out == busyReference());
}

// Two effects from one module, driven block by block in turn: nothing may be
// shared between them but the note table.
TEST(HostOrder, TwoInstancesStayIndependent) {
    auto first = load();
    ASSERT_TRUE(first);
    auto created = PluginInstance::create(first->module());
    ASSERT_TRUE(created) << created.message;
    auto third = PluginInstance::create(first->module());
    ASSERT_TRUE(third) << third.message;
    auto& second = *created.plugin;
    prepare(*first, kBusy);
    prepare(second, kBusy);
    prepare(*third.plugin, kQuiet);
    Stereo a(kFrames), b(kFrames), c(kFrames);
    for (int at = 0; at < kFrames; at += 512) {
        renderRange(*first, a, at, at + 512, 512);
        renderRange(*third.plugin, c, at, at + 512, 512);
        renderRange(second, b, at, at + 512, 512);
    }
    EXPECT_TRUE(a == busyReference());
    EXPECT_TRUE(b == busyReference());
    EXPECT_TRUE(c == plainRender(kQuiet));
    EXPECT_FALSE(c == busyReference());
}

class LargeBlocks : public ::testing::TestWithParam<int> {};

TEST_P(LargeBlocks, EqualTo512FrameBlocks) {
    const int block = GetParam();
    auto fx = load();
    ASSERT_TRUE(fx);
    prepare(*fx, kBusy, block);
    Stereo out(kFrames);
    renderRange(*fx, out, 0, kFrames, block);
    EXPECT_TRUE(out == busyReference());
}

INSTANTIATE_TEST_SUITE_P(HostOrder, LargeBlocks, ::testing::Values(1024, 2048, 8192));

}  // namespace
