// What the command line accepts and how notes land on frames.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "eventschedule.h"
#include "noteoption.h"
#include "parametersetting.h"
#include "renderoptions.h"
#include "rendererror.h"

using namespace trs::render;

namespace {

std::string errorOf(const std::vector<std::string>& args) {
    try {
        RenderOptions::parse(args);
    } catch (const RenderError& e) {
        return e.what();
    }
    return "(accepted)";
}

}  // namespace

TEST(NoteOption, AcceptsNumbersNamesAndLengths) {
    struct Case {
        const char* text;
        double start;
        int note;
        double length;
    };
    const Case cases[] = {
        {"0:69", 0.0, 69, 0.5},       {"1.5:A3:0.25", 1.5, 57, 0.25}, {"2:C4", 2.0, 60, 0.5},
        {"0:C#4:1", 0.0, 61, 1.0},    {"0:Db4", 0.0, 61, 0.5},        {"0:c-1", 0.0, 0, 0.5},
        {"3e-1:G9", 0.3, 127, 0.5},   {"0:127:2", 0.0, 127, 2.0},
    };
    for (const auto& c : cases) {
        const NoteOption n = NoteOption::parse(c.text);
        EXPECT_DOUBLE_EQ(n.start, c.start) << c.text;
        EXPECT_EQ(n.note, c.note) << c.text;
        EXPECT_DOUBLE_EQ(n.length, c.length) << c.text;
    }
}

TEST(NoteOption, RejectsWhatIsNotANote) {
    for (const char* bad : {"", "1", "x:60", "-1:60", "1:128", "1:H4", "1:A", "1:60:0", "1:60:-2", "1:60:abc",
                            "nan:60", "1:G#9", "1::0.5"}) {
        EXPECT_THROW(NoteOption::parse(bad), RenderError) << bad;
    }
}

TEST(ParameterSetting, TakesNameOrIndexAndAUnitValue) {
    const auto a = ParameterSetting::parse("CutOff=0.3");
    EXPECT_EQ(a.key, "CutOff");
    EXPECT_FLOAT_EQ(a.value, 0.3f);
    const auto b = ParameterSetting::parse("6=1");
    EXPECT_EQ(b.key, "6");
    EXPECT_FLOAT_EQ(b.value, 1.0f);
    EXPECT_FLOAT_EQ(ParameterSetting::parse("Dry = 0").value, 0.0f);

    struct Bad {
        const char* text;
        const char* message;
    };
    for (const Bad& c : {Bad{"CutOff", "expected NAME=VALUE"}, Bad{"=0.5", "no parameter name"},
                         Bad{"CutOff=", "not a number"}, Bad{"CutOff=high", "not a number"},
                         Bad{"CutOff=0.5x", "not a number"}, Bad{"CutOff=1.01", "outside 0..1"},
                         Bad{"CutOff=-0.1", "outside 0..1"}, Bad{"CutOff=nan", "not a number"},
                         Bad{"CutOff=inf", "not a number"}}) {
        try {
            ParameterSetting::parse(c.text);
            ADD_FAILURE() << c.text << " accepted";
        } catch (const RenderError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.text << ": " << e.what();
        }
    }
}

TEST(RenderOptions, ReadsAFullCommandLine) {
    const auto o = RenderOptions::parse({"in.wav", "-o", "out.wav", "--set", "CutOff=0.3", "--set=6=0.8", "--note",
                                         "0.5:A3", "--midi", "x.mid", "--block", "256", "--bits", "24", "--plugin",
                                         "p.so", "-q"});
    EXPECT_EQ(o.input, "in.wav");
    EXPECT_EQ(o.output, "out.wav");
    ASSERT_EQ(o.settings.size(), 2u);
    EXPECT_EQ(o.settings[1].key, "6");
    ASSERT_EQ(o.notes.size(), 1u);
    EXPECT_EQ(o.notes[0].note, 57);
    EXPECT_EQ(o.midiFile, "x.mid");
    EXPECT_EQ(o.blockSize, 256);
    EXPECT_EQ(o.bits, 24);
    EXPECT_EQ(o.plugin, "p.so");
    EXPECT_TRUE(o.quiet);

    const auto d = RenderOptions::parse({"--demo"});
    EXPECT_TRUE(d.demo);
    EXPECT_EQ(d.output, "out/tresselin-demo.wav");
    EXPECT_EQ(RenderOptions::parse({"--bits", "32", "a", "-o", "b"}).bits, 32);
    EXPECT_EQ(RenderOptions::parse({"a", "-o", "b"}).bits, 0);
}

TEST(RenderOptions, RejectsBadCommandLines) {
    struct Case {
        std::vector<std::string> args;
        const char* message;
    };
    const std::vector<Case> cases = {
        {{}, "no input file"},
        {{"in.wav"}, "no output file"},
        {{"a.wav", "b.wav", "-o", "c.wav"}, "more than one input"},
        {{"--demo", "in.wav"}, "--demo makes its own input"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"in.wav", "-o"}, "needs a value"},
        {{"in.wav", "-o", "x", "--block", "0"}, "--block '0'"},
        {{"in.wav", "-o", "x", "--block", "99999999"}, "--block"},
        {{"in.wav", "-o", "x", "--block", "12k"}, "--block '12k'"},
        {{"in.wav", "-o", "x", "--bits", "20"}, "16, 24 or 32"},
        {{"in.wav", "-o", "x", "--set", "Dry=2"}, "outside 0..1"},
        {{"in.wav", "-o", "x", "--note", "1:300"}, "bad --note"},
        {{"in.wav", "-o", "x", "--midi", "a.mid", "--midi", "b.mid"}, "only one --midi"},
        {{"--demo=yes"}, "takes no value"},
    };
    for (const auto& c : cases) {
        const std::string message = errorOf(c.args);
        EXPECT_NE(message.find(c.message), std::string::npos) << "got: " << message;
    }
}

TEST(EventSchedule, PlacesNotesOnTheNearestFrameNoteOffsFirstAtOneFrame) {
    EventSchedule s;
    s.addNote(NoteOption::parse("1:64:0.5"));
    s.addNote(NoteOption::parse("0.25:60:0.75"));  // its off falls on the later note's on
    s.addNote(NoteOption::parse("0:60:0.25"));     // ends where the same key starts again
    MidiMessage quiet;                             // a note on of velocity 0 is a note off
    quiet.seconds = 1.0;
    quiet.bytes[0] = 0x91;
    quiet.bytes[1] = 70;
    s.add(quiet);
    const auto events = s.atRate(48000.0);
    struct Expect {
        int64_t frame;
        uint8_t status, key;
    };
    const Expect expected[] = {{0, 0x90, 60},     {12000, 0x80, 60}, {12000, 0x90, 60}, {48000, 0x80, 60},
                               {48000, 0x91, 70}, {48000, 0x90, 64}, {72000, 0x80, 64}};
    ASSERT_EQ(events.size(), std::size(expected));
    for (size_t i = 0; i < events.size(); ++i) {
        EXPECT_EQ(events[i].frame, expected[i].frame) << i;
        EXPECT_EQ(events[i].bytes[0], expected[i].status) << i;
        EXPECT_EQ(events[i].bytes[1], expected[i].key) << i;
    }

    // 1/3 s at 44100 Hz is 14700 frames exactly; 0.1/44100 s rounds to 0,
    // and the note lasts one frame rather than ending before it starts.
    EventSchedule t;
    t.addNote(NoteOption{1.0 / 3.0, 60, 0.1 / 44100.0});
    const auto r = t.atRate(44100.0);
    EXPECT_EQ(r[0].frame, 14700);
    EXPECT_EQ(r[0].bytes[0], 0x90);
    EXPECT_EQ(r[1].frame, 14701);
}
