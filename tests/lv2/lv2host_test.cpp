// Tresselin.lv2 in a lilv host against the VST build: the golden renders,
// notes included, bit for bit, and the inputs no host should send.
#include <gtest/gtest.h>

#include <lv2/atom/atom.h>
#include <lv2/midi/midi.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <map>

#include "goldenrender.h"
#include "lilvhost.h"
#include "lv2/lv2ports.h"
#include "tools/host/plugininstance.h"

using namespace trs;
using trs::lv2test::LilvHost;
using trs::lv2test::Midi;

// Counts the allocations made while a test asks for it. Not under the
// sanitizers, which bring their own malloc.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
#define TRS_COUNT_ALLOCATIONS 1
extern "C" void* __libc_malloc(size_t);
namespace {
thread_local bool countAllocations = false;
thread_local int allocations = 0;
}  // namespace
extern "C" void* malloc(size_t n) {
    if (countAllocations)
        ++allocations;
    return __libc_malloc(n);
}
#endif

namespace {

struct Render {
    std::vector<float> left, right;
};

std::unique_ptr<LilvHost> makeHost(bool map = true) {
    std::string error;
    auto h = LilvHost::create(TRS_LV2_BUNDLE, golden::kSampleRate, map, &error);
    EXPECT_TRUE(h) << error;
    return h;
}

// A golden case through the LV2 plug-in, in the VST render's blocks: the
// controls before the first block, each note in the block holding its frame.
Render renderLv2(const golden::Case& c, bool map = true) {
    Render r;
    auto host = makeHost(map);
    if (!host)
        return r;
    std::vector<float> inL, inR;
    golden::makeInput(inL, inR);
    r.left.assign(golden::kFrames, 0.0f);
    r.right.assign(golden::kFrames, 0.0f);
    for (const auto& p : c.parameters)
        host->setControl(lv2::kFirstControl + p.first, p.second);
    size_t next = 0;
    for (int start = 0; start < golden::kFrames; start += golden::kBlock) {
        const int n = std::min(golden::kBlock, golden::kFrames - start);
        std::vector<Midi> events;
        while (next < c.notes.size() && c.notes[next].frame < start + n) {
            const auto& e = c.notes[next++];
            events.push_back({e.frame - start, {e.status, e.data1, e.data2}});
        }
        host->run(&inL[start], &inR[start], &r.left[start], &r.right[start], (uint32_t)n, events);
    }
    return r;
}

Render renderVst(const golden::Case& c) {
    Render r;
    std::string error;
    EXPECT_TRUE(golden::render(TRS_PLUGIN_PATH, c, r.left, r.right, &error)) << error;
    return r;
}

size_t differing(const Render& a, const Render& b) {
    if (a.left.size() != b.left.size())
        return std::numeric_limits<size_t>::max();
    size_t n = 0;
    for (size_t i = 0; i < a.left.size(); ++i)
        n += std::memcmp(&a.left[i], &b.left[i], 4) != 0 || std::memcmp(&a.right[i], &b.right[i], 4) != 0;
    return n;
}

const golden::Case& caseNamed(const char* name) {
    for (const auto& c : golden::cases())
        if (std::string(c.name) == name)
            return c;
    throw std::runtime_error(name);
}

}  // namespace

// Controls and notes reach the same engine as through the VST build.
TEST(Lv2Host, GoldenRendersEqualTheVstBuild) {
    for (const auto& c : golden::cases()) {
        const Render lv2 = renderLv2(c), vst = renderVst(c);
        EXPECT_EQ(differing(lv2, vst), 0u) << c.name;
    }
}

// Without urid:map the MIDI events cannot be recognised: the notes change
// nothing, and the render equals one without them.
TEST(Lv2Host, WithoutUridMapKeyTrackingIsIdle) {
    golden::Case silent = caseNamed("bandpass-keytrack");
    const Render unmapped = renderLv2(silent, false);
    silent.notes.clear();
    EXPECT_EQ(differing(unmapped, renderVst(silent)), 0u);
}

// NaN, infinities and values outside 0..1 on a control port do what the
// same values do through a VST host's setParameter.
TEST(Lv2Host, BadControlValuesActAsTheyDoInTheVstBuild) {
    const float nan = std::numeric_limits<float>::quiet_NaN(), inf = std::numeric_limits<float>::infinity();
    const std::vector<std::pair<int, float>> values = {{kCutoff, 1.7f},     {kResonance, -inf},  {kOscAmount, nan},
                                                       {kNoiseAmount, inf}, {kFilterType, 9.0f}, {kDry, -0.5f}};
    // A port holds one value and the plug-in sets changed ports in index
    // order: the VST host sets the same, once each, in the same order.
    golden::Case c = caseNamed("busy");
    std::map<int, float> merged(c.parameters.begin(), c.parameters.end());
    for (auto [index, value] : values)
        merged[index] = value;
    c.parameters.assign(merged.begin(), merged.end());
    const Render lv2 = renderLv2(c), vst = renderVst(c);
    EXPECT_EQ(differing(lv2, vst), 0u);
    for (float v : lv2.left)
        ASSERT_TRUE(std::isfinite(v));
}

class Lv2BadInput : public ::testing::Test {
protected:
    void SetUp() override {
        host = makeHost();
        ASSERT_TRUE(host);
        golden::makeInput(inL, inR);
        outL.assign(kN, 7.0f);
        outR.assign(kN, 7.0f);
    }
    static constexpr uint32_t kN = 512;
    std::unique_ptr<LilvHost> host;
    std::vector<float> inL, inR, outL, outR;
};

// Hosts must connect every audio port; one that does not gets silence.
TEST_F(Lv2BadInput, UnconnectedBuffersGiveSilence) {
    host->run(nullptr, inR.data(), outL.data(), outR.data(), kN);
    for (uint32_t i = 0; i < kN; ++i)
        ASSERT_TRUE(outL[i] == 0.0f && outR[i] == 0.0f) << i;
    host->run(inL.data(), inR.data(), outL.data(), nullptr, kN);
    for (uint32_t i = 0; i < kN; ++i)
        ASSERT_EQ(outL[i], 0.0f) << i;
    host->run(nullptr, nullptr, nullptr, nullptr, kN);
    host->runWithSequence(nullptr, inL.data(), inR.data(), outL.data(), outR.data(), kN);
    host->run(inL.data(), inR.data(), outL.data(), outR.data(), 0);
    // ... and the plug-in still works afterwards.
    host->run(inL.data(), inR.data(), outL.data(), outR.data(), kN);
    double energy = 0;
    for (float v : outL)
        energy += (double)v * v;
    EXPECT_GT(energy, 0.0);
}

// A note followed by events whose sizes run past the sequence: the note is
// kept, the rest skipped, nothing read beyond the sequence (ASan builds
// catch a read past the buffer).
TEST_F(Lv2BadInput, AtomSizesThatLieAreSkipped) {
    const uint32_t midiType = host->urid(LV2_MIDI__MidiEvent);
    auto sequenceWith = [&](uint32_t lieAt, uint32_t lie) {
        std::vector<uint64_t> buffer(8, 0);  // exactly the sequence: nothing to read beyond it
        auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(buffer.data());
        seq->atom.type = host->urid(LV2_ATOM__Sequence);
        seq->atom.size = sizeof(LV2_Atom_Sequence_Body) + 2 * 24;
        for (int e = 0; e < 2; ++e) {
            auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&seq->body) +
                                                         sizeof(LV2_Atom_Sequence_Body) + 24 * e);
            ev->time.frames = 0;
            ev->body.type = midiType;
            ev->body.size = e == (int)lieAt ? lie : 3;
            const uint8_t note[3] = {0x90, uint8_t(e ? 72 : 60), 100};
            std::memcpy(ev + 1, note, 3);
        }
        return buffer;
    };
    golden::Case c = caseNamed("bandpass-keytrack");
    c.notes = {{0, 0x90, 60, 100}};
    auto run = [&](const std::vector<uint64_t>& seq) {
        auto h = makeHost();
        for (const auto& p : c.parameters)
            h->setControl(lv2::kFirstControl + p.first, p.second);
        Render r{std::vector<float>(golden::kFrames), std::vector<float>(golden::kFrames)};
        for (int start = 0; start < golden::kFrames; start += golden::kBlock) {
            const uint32_t n = (uint32_t)std::min(golden::kBlock, golden::kFrames - start);
            std::vector<uint64_t> empty = {sizeof(LV2_Atom_Sequence_Body) | (uint64_t)h->urid(LV2_ATOM__Sequence) << 32,
                                           0};
            h->runWithSequence(start == 0 ? seq.data() : empty.data(), &inL[start], &inR[start], &r.left[start],
                               &r.right[start], n);
        }
        return r;
    };
    const Render vst = renderVst(c);
    // A sequence may end without its last event's padding: what lies in the
    // padding and beyond (here the second note) is not part of it.
    std::vector<uint64_t> unpadded = sequenceWith(2, 0);
    reinterpret_cast<LV2_Atom*>(unpadded.data())->size = sizeof(LV2_Atom_Sequence_Body) + sizeof(LV2_Atom_Event) + 3;
    EXPECT_EQ(differing(run(unpadded), vst), 0u) << "a sequence without its last padding";
    EXPECT_EQ(differing(run(sequenceWith(1, 0xFFFFFFF0u)), vst), 0u) << "a size far past the end";
    EXPECT_EQ(differing(run(sequenceWith(1, 17)), vst), 0u) << "a size just past the end";
    c.notes.clear();
    EXPECT_EQ(differing(run(sequenceWith(0, 0x7FFFFFFFu)), renderVst(c)), 0u) << "a lie in the first event";
}

// run() is the audio thread's: changed controls, notes and a full block, and
// not one allocation (the effect's and the wrapper's work included).
TEST_F(Lv2BadInput, RunDoesNotAllocate) {
#ifndef TRS_COUNT_ALLOCATIONS
    GTEST_SKIP() << "allocations are not counted under a sanitizer";
#else
    const uint32_t midiType = host->urid(LV2_MIDI__MidiEvent);
    std::vector<uint64_t> buffer(4 + 3 * 300, 0);  // more notes than one list holds
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(buffer.data());
    seq->atom.type = host->urid(LV2_ATOM__Sequence);
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body) + 300 * 24;
    for (int e = 0; e < 300; ++e) {
        auto* ev = reinterpret_cast<LV2_Atom_Event*>(reinterpret_cast<uint8_t*>(&seq->body) +
                                                     sizeof(LV2_Atom_Sequence_Body) + 24 * e);
        ev->time.frames = e % kN;
        ev->body.type = midiType;
        ev->body.size = 3;
        const uint8_t note[3] = {uint8_t(e % 2 ? 0x80 : 0x90), uint8_t(40 + e % 50), 100};
        std::memcpy(ev + 1, note, 3);
    }
    for (int block = 0; block < 20; ++block) {
        for (int i = 0; i < kNumParams; ++i)
            host->setControl(i, (float)((block * 7 + i) % 10) / 9.0f);
        allocations = 0;
        countAllocations = true;
        host->runWithSequence(seq, inL.data(), inR.data(), outL.data(), outR.data(), kN);
        countAllocations = false;
        ASSERT_EQ(allocations, 0) << "block " << block;
    }
#endif
}
