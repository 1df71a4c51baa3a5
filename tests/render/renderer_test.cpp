// The render loop against a probe plug-in that logs its host's calls, and
// against Tresselin itself.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "parametersetting.h"
#include "plugininstance.h"
#include "renderer.h"
#include "rendererror.h"
#include "transport.h"
#include "testsupport.h"

using namespace trs::render;
using trs::host::PluginInstance;

namespace {

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string l; std::getline(in, l);)
        out.push_back(l);
    return out;
}

ScheduledEvent event(int64_t frame, uint8_t status, uint8_t d1, uint8_t d2) {
    ScheduledEvent e;
    e.frame = frame;
    e.bytes[0] = status;
    e.bytes[1] = d1;
    e.bytes[2] = d2;
    return e;
}

// Renders through a freshly loaded probe; returns its log, without the
// time queries unless asked for.
std::vector<std::string> probeRender(const AudioBuffer& input, const RenderJob& job, RenderStats* stats = nullptr,
                                     bool withTime = false) {
    trstest::TempDir dir;
    const std::string log = dir.file("probe.log");
    setenv("TRS_PROBE_LOG", log.c_str(), 1);
    {
        auto loaded = PluginInstance::load(TRS_PROBE_PLUGIN);
        unsetenv("TRS_PROBE_LOG");
        if (!loaded)
            throw std::runtime_error(loaded.message);
        loaded.plugin->open();
        Renderer renderer(*loaded.plugin);
        BufferSource source(input);
        BufferSink sink(2, input.sampleRate);
        const RenderStats s = renderer.run(source, sink, job);
        if (stats)
            *stats = s;
        loaded.plugin->close();
    }
    auto all = lines(trstest::readText(log));
    if (!withTime)
        all.erase(std::remove_if(all.begin(), all.end(), [](const std::string& l) { return l.rfind("time ", 0) == 0; }),
                  all.end());
    return all;
}

AudioBuffer silence(int channels, size_t frames, double rate = 48000.0) {
    AudioBuffer b;
    b.sampleRate = rate;
    b.channels.assign(static_cast<size_t>(channels), std::vector<float>(frames, 0.0f));
    return b;
}

std::unique_ptr<PluginInstance> loadTresselin() {
    auto r = PluginInstance::load(TRS_TRESSELIN_PLUGIN);
    if (!r)
        throw std::runtime_error(r.message);
    r.plugin->open();
    return std::move(r.plugin);
}

AudioBuffer renderTresselin(const AudioBuffer& input, RenderJob job,
                            const std::vector<std::pair<std::string, float>>& settings) {
    auto fx = loadTresselin();
    for (const auto& s : settings)
        job.parameters.emplace_back(findParameter(*fx, s.first), s.second);
    job.nullForMissingInputs = true;
    return renderBuffer(*fx, input, job);
}

const std::vector<std::pair<std::string, float>> kTracking = {
    {"OSC.Amt", 0.95f}, {"Osc.KeyTrack", 1.0f}, {"Fil.KeyTrack", 1.0f}, {"CutOff", 0.5f}, {"Resonance", 0.6f}};

}  // namespace

TEST(Renderer, DrivesThePluginInHostOrderSplittingBlocksAtEvents) {
    RenderJob job;
    job.blockSize = 512;
    job.parameters = {{1, 0.25f}, {0, 0.5f}};
    job.events = {event(0, 0x90, 60, 100), event(511, 0x80, 60, 0), event(512, 0x90, 62, 1), event(1000, 0xB0, 123, 0),
                  event(1300, 0x90, 1, 1)};
    RenderStats stats;
    const auto log = probeRender(silence(2, 1200), job, &stats);
    const std::vector<std::string> expected = {
        "open",           "rate 48000",       "block 512",         "param 1 0.25",       "param 0 0.5",
        "resume",         "events 1",         "midi 0 90 60 100",  "process 511 stereo", "events 1",
        "midi 0 80 60 0", "process 1 stereo", "events 1",          "midi 0 90 62 1",     "process 488 stereo",
        "events 1",       "midi 0 b0 123 0",  "process 24 stereo", "process 176 stereo", "suspend",
        "close",
    };
    EXPECT_EQ(log, expected);
    EXPECT_EQ(stats.frames, 1200);
    EXPECT_EQ(stats.blocks, 5);
    EXPECT_EQ(stats.eventsDelivered, 4u);
    EXPECT_EQ(stats.eventsDropped, 1u);  // at frame 1300, after the end
}

TEST(Renderer, MonoInputGoesInWithANullSecondChannelOnlyWhenAsked) {
    RenderJob job;
    job.blockSize = 100;
    job.nullForMissingInputs = true;
    auto log = probeRender(silence(1, 100), job);
    EXPECT_NE(std::find(log.begin(), log.end(), "process 100 mono"), log.end());
    job.nullForMissingInputs = false;
    log = probeRender(silence(1, 100), job);
    EXPECT_NE(std::find(log.begin(), log.end(), "process 100 stereo"), log.end());
}

TEST(Renderer, RejectsBlockSizesOutsideItsRange) {
    auto fx = loadTresselin();
    Renderer renderer(*fx);
    const AudioBuffer in = silence(2, 10);
    for (int block : {0, -5, RenderJob::kMaxBlock + 1}) {
        RenderJob job;
        job.blockSize = block;
        BufferSource source(in);
        BufferSink sink(2, in.sampleRate);
        EXPECT_THROW(renderer.run(source, sink, job), RenderError) << block;
    }
}

TEST(Renderer, TresselinRendersAreRepeatableAndIndependentOfBlockSizeWithoutEvents) {
    const AudioBuffer in = trstest::steppedSine(1.0);
    RenderJob a;
    a.blockSize = 512;
    RenderJob b;
    b.blockSize = 37;
    const auto first = renderTresselin(in, a, kTracking);
    const auto again = renderTresselin(in, a, kTracking);
    const auto odd = renderTresselin(in, b, kTracking);
    ASSERT_EQ(first.channels.size(), 2u);
    ASSERT_EQ(first.frames(), in.frames());
    EXPECT_EQ(first.channels, again.channels);
    EXPECT_EQ(first.channels, odd.channels);
    EXPECT_GT(trstest::rms(first.channels[0]), 0.01);
}

TEST(Renderer, ANoteActsFromItsOwnFrame) {
    const AudioBuffer in = trstest::steppedSine(0.5);
    RenderJob plain;
    RenderJob noted;
    noted.events = {event(5000, 0x90, 81, 100)};  // in the block starting at 4608
    const auto without = renderTresselin(in, plain, kTracking);
    const auto with = renderTresselin(in, noted, kTracking);
    for (int c = 0; c < 2; ++c) {
        const auto& x = without.channels[static_cast<size_t>(c)];
        const auto& y = with.channels[static_cast<size_t>(c)];
        EXPECT_TRUE(std::equal(x.begin(), x.begin() + 5000, y.begin())) << "changed before the note";
        EXPECT_FALSE(std::equal(x.begin() + 5000, x.begin() + 5008, y.begin() + 5000)) << "no change at the note";
    }
}

TEST(Renderer, AnswersTheTimeForEachPartAndPassesSysexOn) {
    RenderJob job;
    job.blockSize = 1000;
    ScheduledEvent sysex;
    sysex.frame = 1500;
    sysex.sysex = {0xF0, 0x7E, 0x7F, 0x09, 0x01, 0xF7};
    job.events = {sysex};
    // 90 BPM; 6/8 from quarter 1.5 on.
    job.tempo = {{0.0, 0.0, 90.0}};
    job.meter = {{0.0, 4, 4}, {1.5, 6, 8}};
    std::vector<std::string> times;
    for (const auto& l : probeRender(silence(2, 3000, 48000.0), job, nullptr, true))
        if (l.rfind("time ", 0) == 0 || l.rfind("sysex ", 0) == 0)
            times.push_back(l);
    // 48000 frames a second, 1.5 quarters a second: 1000 frames are 1/32 of
    // a quarter... flags: playing, ppq, tempo, bars, time signature (+changed).
    const std::vector<std::string> expected = {
        "time 0 48000 90 0 0 4/4 2e03",         "time 1000 48000 90 0.03125 0 4/4 2e02",
        "sysex 0 6 f0 7e 7f 09 01 f7",          "time 1500 48000 90 0.046875 0 4/4 2e02",
        "time 2000 48000 90 0.0625 0 4/4 2e02",
    };
    EXPECT_EQ(times, expected);

    // Further on: bars of 6/8 (3 quarters) counted from quarter 1.5.
    Transport t(48000.0, job.tempo, job.meter);
    t.moveTo(48000 * 3);  // quarter 4.5
    EXPECT_DOUBLE_EQ(t.info()->ppqPos, 4.5);
    EXPECT_DOUBLE_EQ(t.info()->barStartPos, 4.5);
    EXPECT_EQ(t.info()->timeSigNumerator, 6);
    t.moveTo(48000 * 3 - 1);
    EXPECT_DOUBLE_EQ(t.info()->barStartPos, 1.5);
    Transport plainTime(44100.0, {}, {});
    plainTime.moveTo(44100 * 5);  // 10 quarters at 120 BPM: bar 3 of 4/4 starts at 8
    EXPECT_DOUBLE_EQ(plainTime.info()->tempo, 120.0);
    EXPECT_DOUBLE_EQ(plainTime.info()->barStartPos, 8.0);
}
