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
        {"0:69", 0.0, 69, 0.5},  {"1.5:A3:0.25", 1.5, 57, 0.25}, {"2:C4", 2.0, 60, 0.5},     {"0:C#4:1", 0.0, 61, 1.0},
        {"0:Db4", 0.0, 61, 0.5}, {"0:c-1", 0.0, 0, 0.5},         {"3e-1:G9", 0.3, 127, 0.5}, {"0:127:2", 0.0, 127, 2.0},
        {"0:H4", 0.0, 71, 0.5},  {"0:h3", 0.0, 59, 0.5},         {"0:Hb3", 0.0, 58, 0.5},    {"1e9:0", 1e9, 0, 0.5},
    };
    for (const auto& c : cases) {
        const NoteOption n = NoteOption::parse(c.text);
        EXPECT_DOUBLE_EQ(n.start, c.start) << c.text;
        EXPECT_EQ(n.note, c.note) << c.text;
        EXPECT_DOUBLE_EQ(n.length, c.length) << c.text;
    }
}

TEST(NoteOption, RejectsWhatIsNotANote) {
    struct Bad {
        const char* text;
        const char* message;
    };
    for (const Bad& c : {Bad{"", "no ':'"}, Bad{"1", "no ':'"}, Bad{"x:60", "time 'x'"}, Bad{"-1:60", "from 0 up"},
                         Bad{"1:128", "note '128'"}, Bad{"1:I4", "note 'I4'"}, Bad{"1:A", "note 'A'"},
                         Bad{"1:60:0", "positive"}, Bad{"1:60:-2", "positive"}, Bad{"1:60:abc", "positive"},
                         Bad{"nan:60", "not a number"}, Bad{"inf:60", "not a number"}, Bad{"1:G#9", "note"},
                         Bad{"1::0.5", "note ''"}, Bad{"1e400:60", "time '1e400' is too large"},
                         Bad{"1.1e9:60", "too large"}, Bad{"0:60:1e400", "length '1e400' is too large"}}) {
        try {
            NoteOption::parse(c.text);
            ADD_FAILURE() << c.text << " accepted";
        } catch (const RenderError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.text << ": " << e.what();
        }
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
    for (const Bad& c :
         {Bad{"CutOff", "expected NAME=VALUE"}, Bad{"=0.5", "no parameter name"}, Bad{"CutOff=", "no value after '='"},
          Bad{"18=", "no value after '='"}, Bad{"CutOff=1e400", "value 1e400 is outside 0..1"},
          Bad{"CutOff=-1e400", "outside 0..1"}, Bad{"CutOff=high", "not a number"}, Bad{"CutOff=0.5x", "not a number"},
          Bad{"CutOff=1.01", "outside 0..1"}, Bad{"CutOff=-0.1", "outside 0..1"}, Bad{"CutOff=nan", "not a number"},
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
                                         "0.5:A3", "--midi=x.mid", "--block", "256", "--bits", "24", "--plugin", "p.so",
                                         "--dither=none", "-q"});
    EXPECT_EQ(o.inputs, std::vector<std::string>{"in.wav"});
    EXPECT_EQ(o.output, "out.wav");
    ASSERT_EQ(o.settings.size(), 2u);
    EXPECT_EQ(o.settings[1].key, "6");
    ASSERT_EQ(o.notes.size(), 1u);
    EXPECT_EQ(o.notes[0].note, 57);
    EXPECT_EQ(o.midiFile, "x.mid");
    EXPECT_EQ(o.blockSize, 256);
    EXPECT_EQ(o.bits, 24);
    EXPECT_EQ(o.plugin, "p.so");
    EXPECT_EQ(o.dither, Dither::None);
    EXPECT_TRUE(o.quiet);
    EXPECT_EQ(RenderOptions::parse({"a", "-o", "b"}).dither, Dither::Default);

    // After --, names that look like options are files.
    const auto dashed = RenderOptions::parse({"-o", "out.wav", "--", "-in.wav"});
    EXPECT_EQ(dashed.inputs, std::vector<std::string>{"-in.wav"});
    EXPECT_EQ(dashed.output, "out.wav");
    EXPECT_TRUE(RenderOptions::parse({"--list", "--help"}).help);

    // The help text is made from the same declarations as the parser.
    const std::string help = RenderOptions::usage();
    for (const char* option : {"--output FILE", "--plugin PATH", "--set NAME=VALUE", "--midi FILE.mid", "--note",
                               "--block N", "--bits 16|24|32", "--dither none|tpdf", "--demo", "--list", "--quiet",
                               "--help", "--version", ".flac, .w64, .rf64, .caf, .ogg, .au", "--jobs N", "--format EXT",
                               "--preset FILE.fxp", "--save-preset FILE.fxp", "INPUT..."})
        EXPECT_NE(help.find(option), std::string::npos) << option;
    EXPECT_EQ(help.rfind("usage: tresselin-render", 0), 0u) << help;

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
        {{"a.wav", "b.wav"}, "2 input files need an output directory (-o DIR/)"},
        {{"--demo", "in.wav"}, "--demo makes its own input"},
        {{"--frobnicate"}, "unknown option '--frobnicate'"},
        {{"in.wav", "-o", "x", "-z"}, "unknown option '-z'"},
        {{"in.wav", "-o"}, "option --output needs a value"},
        {{"in.wav", "-o", "x", "--set"}, "option --set needs a value"},
        {{"in.wav", "-o", "x", "-o", "y"}, "option --output given more than once"},
        {{"in.wav", "-o", "x", "--block", "1", "--block=2"}, "option --block given more than once"},
        {{"in.wav", "--output="}, "option --output needs a value"},
        {{"in.wav", "-o", ""}, "needs a file name"},
        {{"--", "in.wav", "-o", "x"}, "3 input files need an output directory"},
        {{"in.wav", "-o", "x", "-j", "0"}, "-j '0' is not a whole number from 1 to 32"},
        {{"a", "b", "-o", "d/", "--format", "mp3"}, "--format 'mp3': not a format the tool writes"},
        {{"a", "b", "-o", "d/", "--format", "x/.wav"}, "--format 'x/.wav'"},
        {{"a", "-o", "b", "--preset", ""}, "option --preset needs a file name"},
        {{"in.wav", "-o", "x", "--dither", "rect"}, "--dither 'rect': must be none or tpdf"},
        {{"in.wav", "-o", "x", "--block", "0"}, "--block '0'"},
        {{"in.wav", "-o", "x", "--block", "99999999"}, "--block"},
        {{"in.wav", "-o", "x", "--block", "12k"}, "--block '12k'"},
        {{"in.wav", "-o", "x", "--bits", "20"}, "16, 24 or 32"},
        {{"in.wav", "-o", "x", "--set", "Dry=2"}, "outside 0..1"},
        {{"in.wav", "-o", "x", "--note", "1:300"}, "bad --note"},
        {{"in.wav", "-o", "x", "--midi", "a.mid", "--midi", "b.mid"}, "only one --midi"},
        {{"--demo=yes"}, "option --demo takes no value"},
        {{"--list=1"}, "option --list takes no value"},
    };
    for (const auto& c : cases) {
        const std::string message = errorOf(c.args);
        EXPECT_NE(message.find(c.message), std::string::npos) << "got: " << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
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
