// The engine seen from inside: parameter curves, programs and key tracking,
// checked against values worked out by hand.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "tests/effect/inspector.h"

namespace {

std::string display(Tresselin& fx, int index) {
    char text[64] = "untouched";
    fx.getParameterDisplay(index, text);
    return text;
}

std::string label(Tresselin& fx, int index) {
    char text[64] = "untouched";
    fx.getParameterLabel(index, text);
    return text;
}

void sendMidi(Tresselin& fx, unsigned char status, unsigned char d1, unsigned char d2) {
    VstMidiEvent midi{};
    midi.type = kVstMidiType;
    midi.byteSize = sizeof midi;
    midi.midiData[0] = (char)status;
    midi.midiData[1] = (char)d1;
    midi.midiData[2] = (char)d2;
    VstEvents list{};
    list.numEvents = 1;
    list.events[0] = reinterpret_cast<VstEvent*>(&midi);
    EXPECT_EQ(fx.processEvents(&list), 1);
}

uint32_t bits(float f) {
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

}  // namespace

TEST(Engine, ConstructorSettings) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    EXPECT_EQ(bits(in.shaperDrive()), 0x3F866667u);
    EXPECT_FALSE(in.shaperFold());
    EXPECT_EQ(in.headroom(0), 3.0f);
    EXPECT_EQ(in.headroom(1), 3.0f);
    EXPECT_EQ(in.oscAmount(), 0.0f);
    EXPECT_EQ(in.noiseAmount(), 0.0f);
    EXPECT_EQ(in.oscFrequency(), NoteTable::instance().frequencies[25]);
    EXPECT_EQ(in.heldNote(), -1);
}

TEST(Engine, NoteParameterAndItsTexts) {
    Tresselin fx(nullptr);
    EXPECT_EQ(fx.getParameter(1), 0.2f);
    EXPECT_EQ(label(fx, 1), "C#1");
    EXPECT_EQ(display(fx, 1), "34.64782");
    fx.setParameter(1, 1.0f);
    EXPECT_EQ(label(fx, 1), "G9");
    EXPECT_EQ(display(fx, 1), "12543.85");
    fx.setParameter(1, 0.0f);
    EXPECT_EQ(label(fx, 1), "C-1");
    EXPECT_EQ(display(fx, 1), "8.175799");
    // The note index is computed in double: the float nearest 25/127 lies just
    // below it and gives note 24, where a float product would round up to 25.
    fx.setParameter(1, 25.0f / 127.0f);
    EXPECT_EQ(label(fx, 1), "C1");
}

TEST(Engine, FilterTypeDisplays) {
    Tresselin fx(nullptr);
    const struct {
        float v;
        const char* text;
    } cases[] = {{0.0f, "LP"}, {0.43f, "LP"}, {0.44f, "HP"}, {0.77f, "BP"}, {1.0f, "BP"}};
    for (const auto& c : cases) {
        fx.setParameter(7, c.v);
        EXPECT_EQ(display(fx, 7), c.text) << c.v;
    }
}

TEST(Engine, CurvesAndDepthDisplays) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setParameter(0, 0.5f);
    EXPECT_NEAR(in.oscAmount(), 0.0066929, 1e-7);
    EXPECT_EQ(display(fx, 0), "0.006692");
    EXPECT_EQ(label(fx, 0), "amount");
    fx.setParameter(3, 1.0f);
    EXPECT_EQ(in.noiseAmount(), 0.25f);
    fx.setParameter(12, 0.0f);
    EXPECT_EQ(display(fx, 12), "-1.00000");
    EXPECT_EQ(label(fx, 12), "-/+");
    fx.setParameter(13, 1.0f);
    EXPECT_EQ(display(fx, 13), "1000.000");
    fx.setParameter(6, 1.0f);
    EXPECT_NEAR(in.resonance(0), 0.9138, 1e-4);
    EXPECT_EQ(in.resonance(0), in.resonance(1));
    fx.setParameter(6, 0.0f);
    EXPECT_EQ(in.resonance(1), 0.0f);
}

TEST(Engine, OutOfRangeIndexChangesNothing) {
    Tresselin fx(nullptr);
    fx.setParameter(18, 0.7f);
    fx.setParameter(-1, 0.7f);
    EXPECT_EQ(fx.getParameter(18), 0.0f);
    EXPECT_EQ(fx.getParameter(-1), 0.0f);
    char text[16] = "untouched";
    fx.getParameterName(18, text);
    fx.getParameterLabel(-5, text);
    fx.getParameterDisplay(99, text);
    EXPECT_STREQ(text, "untouched");
}

TEST(Engine, BadValuesAreDroppedOrClamped) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setParameter(1, std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(fx.getParameter(1), 0.2f);
    EXPECT_EQ(label(fx, 1), "C#1");
    fx.setParameter(1, 7.0f);
    EXPECT_EQ(fx.getParameter(1), 1.0f);
    EXPECT_EQ(label(fx, 1), "G9");
    fx.setParameter(7, -3.0f);
    EXPECT_EQ(in.filterMode(), 0);
    fx.setParameter(6, -1.0f);  // a logarithm of a negative number would poison the filters
    EXPECT_EQ(in.resonance(0), 0.0f);
    fx.setParameter(0, std::numeric_limits<float>::infinity());
    EXPECT_EQ(fx.getParameter(0), 1.0f);
    EXPECT_EQ(in.oscAmount(), 1.0f);
}

TEST(Engine, ProgramKeepsEachValue) {
    Tresselin fx(nullptr);
    fx.setParameter(3, 0.7f);
    fx.setParameter(4, 0.2f);
    fx.setProgram(0);
    EXPECT_EQ(fx.getParameter(3), 0.7f);
    EXPECT_EQ(fx.getParameter(4), 0.2f);
    fx.setProgram(-1);
    fx.setProgram(1);
    EXPECT_EQ(fx.getProgram(), 0);
}

TEST(Engine, ProgramNames) {
    Tresselin fx(nullptr);
    char text[64];
    fx.getProgramName(text);
    EXPECT_STREQ(text, "Init 1");
    EXPECT_TRUE(fx.getProgramNameIndexed(0, 0, text));
    EXPECT_STREQ(text, "Init");
    std::strcpy(text, "untouched");
    EXPECT_FALSE(fx.getProgramNameIndexed(0, 1, text));
    EXPECT_FALSE(fx.getProgramNameIndexed(0, -1, text));
    EXPECT_STREQ(text, "untouched");

    char name[] = "Pad";
    fx.setProgramName(name);
    fx.getProgramName(text);
    EXPECT_STREQ(text, "Pad");
    char init[] = "Init";
    fx.setProgramName(init);
    fx.getProgramName(text);
    EXPECT_STREQ(text, "Init 1");

    char longName[] = "A name far longer than the twenty-four the field holds";
    fx.setProgramName(longName);
    fx.getProgramName(text);
    EXPECT_EQ(std::strlen(text), 23u);
    EXPECT_EQ(std::string(text), std::string(longName, 23));
}

TEST(Engine, SampleRateMustBePositiveAndFinite) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setSampleRate(48000.0f);
    const float bad[] = {0.0f, -44100.0f, std::numeric_limits<float>::quiet_NaN(),
                         std::numeric_limits<float>::infinity()};
    for (float rate : bad)
        fx.setSampleRate(rate);
    EXPECT_EQ(fx.getSampleRate(), 48000.0f);
    EXPECT_EQ(in.moduleRate(), 48000.0f);
}

TEST(KeyTracking, OscillatorLandsOnTheNote) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setParameter(17, 1.0f);
    sendMidi(fx, 0x90, 69, 100);
    EXPECT_EQ(in.oscKeyOffset(), (float)(440.0 - (double)NoteTable::instance().frequencies[25]));
    EXPECT_EQ((float)(in.oscFrequency() + (double)in.oscKeyOffset()), 440.0f);
    EXPECT_EQ(in.filterKeyOffset(), 0.0f);  // no filter tracking asked for
}

TEST(KeyTracking, FilterOffsetIsTheDistanceInNyquistUnits) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setSampleRate(48000.0f);
    fx.setParameter(5, 0.5f);
    fx.setParameter(16, 1.0f);
    sendMidi(fx, 0x90, 69, 1);
    const double c = in.cutoffHz();
    EXPECT_NEAR(in.filterKeyOffset(), 2.0 * (440.0 - c) / 48000.0, 1e-6);
    EXPECT_EQ(in.oscKeyOffset(), 0.0f);
}

TEST(KeyTracking, LastNotePriorityAndReleases) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setParameter(17, 1.0f);
    sendMidi(fx, 0x80, 60, 0);  // a release before any note
    EXPECT_EQ(in.oscKeyOffset(), 0.0f);

    sendMidi(fx, 0x90, 60, 90);
    sendMidi(fx, 0x90, 64, 90);
    const float on64 = in.oscKeyOffset();
    sendMidi(fx, 0x80, 60, 0);
    EXPECT_EQ(in.oscKeyOffset(), on64);
    EXPECT_EQ(in.heldNote(), 64);
    sendMidi(fx, 0x80, 64, 0);
    EXPECT_EQ(in.oscKeyOffset(), 0.0f);
    EXPECT_EQ(in.heldNote(), 64);

    sendMidi(fx, 0x99, 60, 90);  // channel 10 acts like channel 1
    EXPECT_NE(in.oscKeyOffset(), 0.0f);
    sendMidi(fx, 0x90, 60, 0);  // velocity 0 is a release
    EXPECT_EQ(in.oscKeyOffset(), 0.0f);
}

TEST(KeyTracking, Controllers) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setParameter(17, 1.0f);
    for (unsigned char cc : {123, 126}) {
        sendMidi(fx, 0x90, 50, 90);
        sendMidi(fx, 0xB0, 64, 127);  // sustain: ignored
        EXPECT_NE(in.oscKeyOffset(), 0.0f);
        sendMidi(fx, 0xBF, cc, 0);
        EXPECT_EQ(in.oscKeyOffset(), 0.0f) << int(cc);
    }
    sendMidi(fx, 0x90, 50, 90);
    sendMidi(fx, 0xB0, 123 | 0x80, 0);  // a controller byte with its high bit set matches nothing
    EXPECT_NE(in.oscKeyOffset(), 0.0f);
}

TEST(KeyTracking, ListsWithSysexAndNulls) {
    Tresselin fx(nullptr);
    TresselinInspector in(fx);
    fx.setParameter(17, 1.0f);
    char dump[] = {(char)0xF0, 0x7E, (char)0xF7};
    VstMidiSysexEvent sysex{};
    sysex.type = kVstSysExType;
    sysex.dumpBytes = 3;
    sysex.sysexDump = dump;
    VstMidiEvent note{};
    note.type = kVstMidiType;
    note.midiData[0] = (char)0x90;
    note.midiData[1] = 72;
    note.midiData[2] = 80;
    struct {
        VstInt32 numEvents;
        VstIntPtr reserved;
        VstEvent* events[3];
    } list{3, 0, {reinterpret_cast<VstEvent*>(&sysex), nullptr, reinterpret_cast<VstEvent*>(&note)}};
    EXPECT_EQ(fx.processEvents(reinterpret_cast<VstEvents*>(&list)), 1);
    EXPECT_EQ(in.heldNote(), 72);
    EXPECT_EQ(fx.processEvents(nullptr), 1);
}

TEST(Identity, TextsAndAnswers) {
    Tresselin fx(nullptr);
    char text[64];
    EXPECT_TRUE(fx.getEffectName(text));
    EXPECT_STREQ(text, "Tresselin");
    EXPECT_TRUE(fx.getVendorString(text));
    EXPECT_STREQ(text, "Orv.VST.Tresselin v0.5 BETA");
    EXPECT_TRUE(fx.getProductString(text));
    EXPECT_STREQ(text, "Tresselin v0.5 BETA");
    for (const char* yes : {"receiveVstEvents", "receiveVstMidiEvent", "midiProgramNames"}) {
        std::strcpy(text, yes);
        EXPECT_EQ(fx.canDo(text), 1) << yes;
    }
    for (const char* no : {"", "sendVstMidiEvent", "receiveVstEvents "}) {
        std::strcpy(text, no);
        EXPECT_EQ(fx.canDo(text), -1) << no;
    }
    void* chunk = nullptr;
    EXPECT_EQ(fx.getChunk(&chunk, false), 10);
    EXPECT_STREQ(static_cast<const char*>(chunk), "Test Data");
}

TEST(Chain, FirstProgramIsInputPlusShapedFilteredHalf) {
    // Rebuild the processed path from the modules alone: with the first
    // program the generators add nothing and no follower modulates.
    Tresselin fx(nullptr);
    fx.setSampleRate(44100.0f);

    MoogFilter left, right;
    WaveShaper shaper;
    TresselinInspector in(fx);
    shaper.drive = in.shaperDrive();
    shaper.fold = false;
    for (MoogFilter* f : {&left, &right}) {
        f->headroom = 3.0f;
        f->setCutoff(1.0f);
        f->setResonance(in.resonance(0));
        f->setSampleRate(44100.0f);
    }

    const int frames = 2048;
    std::vector<float> inL(frames), inR(frames), outL(frames), outR(frames);
    for (int i = 0; i < frames; i++) {
        inL[i] = (float)((i * 13) % 29 - 14) / 10.0f;
        inR[i] = (float)((i * 7) % 23 - 11) / 12.0f;
    }
    float* ins[] = {inL.data(), inR.data()};
    float* outs[] = {outL.data(), outR.data()};
    fx.processReplacing(ins, outs, frames);

    for (int i = 0; i < frames; i++) {
        float wet[2] = {(float)(0.5 * inL[i]), (float)(0.5 * inR[i])};
        shaper.processFrame(wet);
        left.processFrame(&wet[0]);
        right.processFrame(&wet[1]);
        ASSERT_EQ(outL[i], (float)((double)inL[i] + wet[0])) << i;
        ASSERT_EQ(outR[i], (float)((double)inR[i] + wet[1])) << i;
    }
}

TEST(Chain, BlockLoopMatchesTheModulesFrameByFrame) {
    // Busy settings with a held note, loud and quiet passages with bad
    // samples among them, blocks of uneven length; stereo, a missing second
    // input and a missing second output. After every block the output and
    // every field of the engine must agree bit for bit.
    const std::vector<std::pair<int, float>> setups[] = {
        {{0, 0.8f},
         {2, 0.6f},
         {3, 0.7f},
         {4, 0.4f},
         {5, 0.55f},
         {6, 0.7f},
         {7, 1.0f},
         {8, 0.03f},
         {9, 0.9f},
         {10, 0.2f},
         {11, 0.08f},
         {12, 0.9f},
         {13, 0.8f},
         {15, 0.6f},
         {16, 0.6f},
         {17, 0.9f}},
        {{0, 0.5f}, {2, 1.0f}, {3, 0.4f}, {5, 0.2f}, {6, 1.0f}, {7, 0.5f}, {12, 0.1f}, {13, 0.0f}, {14, 1.0f}},
        {},
    };
    const int frames = 4096;
    std::vector<float> inL(frames), inR(frames);
    for (int i = 0; i < frames; i++) {
        const float burst = (i / 700) % 2 ? 4.0f : 0.05f;
        inL[i] = burst * (float)((i * 13) % 29 - 14) / 14.0f;
        inR[i] = burst * (float)((i * 7) % 23 - 11) / 11.0f;
    }
    inL[900] = std::numeric_limits<float>::quiet_NaN();
    inR[1500] = std::numeric_limits<float>::infinity();
    inL[2100] = 3e38f;
    const int blocks[] = {1, 7, 512, 33, 256, 2, 1000};

    for (const auto& setup : setups) {
        for (int layout = 0; layout < 3; layout++) {  // stereo, mono input, one output
            Tresselin block(nullptr), modules(nullptr);
            for (Tresselin* fx : {&block, &modules}) {
                fx->setSampleRate(48000.0f);
                for (const auto& p : setup)
                    fx->setParameter(p.first, p.second);
                sendMidi(*fx, 0x90, 45, 100);
            }
            std::vector<float> aL(frames), aR(frames), bL(frames), bR(frames);
            for (int start = 0, b = 0; start < frames; b++) {
                const int n = std::min(blocks[b % 7], frames - start);
                float* ins[] = {inL.data() + start, layout == 1 ? nullptr : inR.data() + start};
                float* outA[] = {aL.data() + start, layout == 2 ? nullptr : aR.data() + start};
                float* outB[] = {bL.data() + start, layout == 2 ? nullptr : bR.data() + start};
                block.processReplacing(ins, outA, n);
                TresselinInspector(modules).processByModules(ins, outB, n);
                start += n;
                const auto want = TresselinInspector(modules).completeState();
                const auto got = TresselinInspector(block).completeState();
                ASSERT_EQ(got.size(), want.size());
                for (size_t i = 0; i < got.size(); i++)
                    ASSERT_EQ(got[i].second, want[i].second)
                        << got[i].first << " after frame " << start << ", layout " << layout;
            }
            ASSERT_EQ(aL, bL) << "layout " << layout;
            ASSERT_EQ(aR, bR) << "layout " << layout;
        }
    }
}
