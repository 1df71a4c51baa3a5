// Files and plug-ins made by others: a MIDI file written by csvmidi, and a
// VST 2.4 plug-in packaged by Debian.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>

#include "testsupport.h"

using trs::render::AudioBuffer;
using trstest::readSound;
using trstest::runTool;
using trstest::TempDir;
using trstest::ToolRun;

namespace {

struct Delivered {
    long frame;
    std::string bytes;
};

// The MIDI events the probe received, at their frame in the whole render.
std::vector<Delivered> deliveredEvents(const std::string& log) {
    std::vector<Delivered> out;
    std::istringstream in(log);
    long blockStart = 0;
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string kind;
        words >> kind;
        if (kind == "process") {
            long frames = 0;
            words >> frames;
            blockStart += frames;
        } else if (kind == "midi" || kind == "sysex") {
            long delta = 0;
            words >> delta;
            std::string rest;
            std::getline(words, rest);
            out.push_back({blockStart + delta, (kind == "sysex" ? "sysex " : "") + rest.substr(1)});
        }
    }
    return out;
}

}  // namespace

TEST(Interop, MidiFileFromCsvmidiArrivesAtTheRightFrames) {
    TempDir dir;
    ASSERT_EQ(trstest::runShell("command -v csvmidi >/dev/null"), 0) << "csvmidi (Debian package midicsv) is missing";
    // 480 ticks a beat; 120 BPM, then 240 BPM from tick 960 (1.0 s).
    std::ofstream(dir.file("song.csv")) << "0, 0, Header, 1, 2, 480\n"
                                           "1, 0, Start_track\n"
                                           "1, 0, Title_t, \"probe\"\n"
                                           "1, 0, Time_signature, 3, 2, 24, 8\n"
                                           "1, 0, Tempo, 500000\n"
                                           "1, 960, Tempo, 250000\n"
                                           "1, 960, End_track\n"
                                           "2, 0, Start_track\n"
                                           "2, 0, Note_on_c, 0, 60, 100\n"
                                           "2, 100, System_exclusive, 3, 126, 1, 247\n"
                                           "2, 480, Note_off_c, 0, 60, 0\n"
                                           "2, 960, Note_on_c, 9, 64, 90\n"
                                           "2, 1440, Note_off_c, 9, 64, 0\n"
                                           "2, 1920, Control_c, 0, 123, 0\n"
                                           "2, 1920, End_track\n"
                                           "0, 0, End_of_file\n";
    ASSERT_EQ(trstest::runShell("csvmidi '" + dir.file("song.csv") + "' '" + dir.file("song.mid") + "'"), 0);

    AudioBuffer silence;
    silence.sampleRate = 44100;
    silence.channels.assign(2, std::vector<float>(2 * 44100, 0.0f));
    trstest::writeSound(dir.file("in.wav"), silence);
    const ToolRun run = runTool({dir.file("in.wav"), "-o", dir.file("out.wav"), "--plugin", TRS_PROBE_PLUGIN, "--midi",
                                 dir.file("song.mid"), "--block", "512"},
                                "TRS_PROBE_LOG='" + dir.file("probe.log") + "' ");
    ASSERT_EQ(run.code, 0) << run.err;

    const auto events = deliveredEvents(trstest::readText(dir.file("probe.log")));
    const std::vector<std::pair<long, std::string>> expected = {
        {0, "90 60 100"},               // 0 s
        {4594, "sysex 4 f0 7e 01 f7"},  // tick 100: 0.104 s
        {22050, "80 60 0"},             // 0.5 s
        {44100, "99 64 90"},            // 1.0 s, channel 10
        {55125, "89 64 0"},             // 1.25 s: one beat at 240 BPM
        {66150, "b0 123 0"},            // 1.5 s
    };
    ASSERT_EQ(events.size(), expected.size()) << trstest::readText(dir.file("probe.log"));
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(events[i].frame, expected[i].first) << i;
        EXPECT_EQ(events[i].bytes, expected[i].second) << i;
    }
    // The time the plug-in is told where a part starts at 1.5 s: 240 BPM,
    // quarter 4, in the 3/4 bar that starts at quarter 3.
    EXPECT_TRUE(trstest::readText(dir.file("probe.log")).find("\ntime 66150 44100 240 4 3 3/4 2e02\n") !=
                std::string::npos);
}

TEST(Interop, NotesAtOneInstantEndBeforeTheyStart) {
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(1.0));
    // The same key ends and starts again at 0.25 s, given in that order and
    // in the other.
    for (const auto& notes :
         {std::vector<std::string>{"0:60:0.25", "0.25:60:0.5"}, std::vector<std::string>{"0.25:60:0.5", "0:60:0.25"}}) {
        std::vector<std::string> args = {dir.file("in.wav"), "-o", dir.file("out.wav"), "--plugin", TRS_PROBE_PLUGIN};
        for (const auto& n : notes)
            args.insert(args.end(), {"--note", n});
        const ToolRun run = runTool(args, "TRS_PROBE_LOG='" + dir.file("probe.log") + "' ");
        ASSERT_EQ(run.code, 0) << run.err;
        const auto events = deliveredEvents(trstest::readText(dir.file("probe.log")));
        ASSERT_EQ(events.size(), 4u);
        EXPECT_EQ(events[1].frame, 11025);
        EXPECT_EQ(events[1].bytes, "80 60 0");
        EXPECT_EQ(events[2].frame, 11025);
        EXPECT_EQ(events[2].bytes, "90 60 100");
    }
}

TEST(Interop, RendersThroughADebianPackagedPlugin) {
    const std::string eq = TRS_PEER_PLUGIN;
    if (!std::ifstream(eq))
        FAIL() << eq << " is missing (Debian package dpf-plugins-vst)";
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(1.0));

    const ToolRun list = runTool({"--list", "--plugin", eq});
    ASSERT_EQ(list.code, 0) << list.err;
    EXPECT_NE(list.out.find("name:     3 Band EQ"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("Master"), std::string::npos) << list.out;

    // Flat EQ at unity leaves the signal as it was; Master at its minimum
    // turns it far down.
    ASSERT_EQ(runTool({dir.file("in.wav"), "-o", dir.file("flat.wav"), "--plugin", eq, "-q"}).code, 0);
    const ToolRun quiet =
        runTool({dir.file("in.wav"), "-o", dir.file("quiet.wav"), "--plugin", eq, "--set", "Master=0"});
    ASSERT_EQ(quiet.code, 0) << quiet.err;
    EXPECT_NE(quiet.out.find("Master = -24"), std::string::npos) << quiet.out;

    const AudioBuffer in = readSound(dir.file("in.wav"));
    const AudioBuffer flat = readSound(dir.file("flat.wav"));
    const AudioBuffer low = readSound(dir.file("quiet.wav"));
    ASSERT_EQ(flat.channels.size(), 2u);
    ASSERT_EQ(flat.frames(), in.frames());
    for (int c = 0; c < 2; ++c) {
        const double level = trstest::rms(in.channels[static_cast<size_t>(c)]);
        EXPECT_NEAR(trstest::rms(flat.channels[static_cast<size_t>(c)]), level, 0.05 * level) << c;
        EXPECT_LT(trstest::rms(low.channels[static_cast<size_t>(c)]), 0.1 * level) << c;
    }
}

TEST(Interop, ASynthRetriggeredAtOneInstantKeepsTheNewNote) {
    // Kars (Debian's dpf-plugins-vst): a note off after the note on that
    // restarts the same key would silence the second note.
    const std::string kars = "/usr/lib/vst/Kars-vst.so";
    if (!std::ifstream(kars))
        FAIL() << kars << " is missing (Debian package dpf-plugins-vst)";
    TempDir dir;
    AudioBuffer silence;
    silence.sampleRate = 44100;
    silence.channels.assign(1, std::vector<float>(44100, 0.0f));
    trstest::writeSound(dir.file("in.wav"), silence);
    const ToolRun run = runTool({dir.file("in.wav"), "-o", dir.file("out.wav"), "--plugin", kars, "--note",
                                 "0.5:60:0.5", "--note", "0:60:0.5", "-q"});
    ASSERT_EQ(run.code, 0) << run.err;
    const AudioBuffer out = readSound(dir.file("out.wav"));
    const double first = trstest::rms(out.channels[0], 2205, 19845);
    const double second = trstest::rms(out.channels[0], 24255, 41895);
    EXPECT_GT(first, 0.01);
    EXPECT_GT(second, 0.3 * first) << "first " << first << ", second " << second;
}

TEST(Interop, ATempoSyncedDelayFollowsTheMidiFilesTempo) {
    // ZamDelay (Debian's zam-plugins) with Sync BPM asks the host for the
    // tempo: its echo of a click comes a beat fraction later.
    const std::string delay = "/usr/lib/vst/ZamDelay-vst.so";
    if (!std::ifstream(delay))
        FAIL() << delay << " is missing (Debian package zam-plugins)";
    TempDir dir;
    AudioBuffer click;
    click.sampleRate = 48000;
    click.channels.assign(1, std::vector<float>(96000, 0.0f));
    click.channels[0][0] = 1.0f;
    trstest::writeSound(dir.file("in.wav"), click);
    // A MIDI file with only a tempo: 100 BPM.
    const unsigned char smf[] = {'M',  'T',  'h',  'd',  0,    0,    0,    6,    0,    0,    0,
                                 1,    0x01, 0xE0, 'M',  'T',  'r',  'k',  0,    0,    0,    11,
                                 0x00, 0xFF, 0x51, 0x03, 0x09, 0x27, 0xC0, 0x00, 0xFF, 0x2F, 0x00};
    std::ofstream(dir.file("tempo.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof smf);
    const auto echoAt = [&](const std::vector<std::string>& extra) {
        std::vector<std::string> args = {dir.file("in.wav"), "-o",    dir.file("out.wav"), "--plugin", delay, "--set",
                                         "Sync BPM=1",       "--set", "Dry/Wet=1",         "-q"};
        args.insert(args.end(), extra.begin(), extra.end());
        const ToolRun run = runTool(args);
        EXPECT_EQ(run.code, 0) << run.err;
        const AudioBuffer rendered = readSound(dir.file("out.wav"));
        const auto& out = rendered.channels[0];
        size_t loudest = 0;
        for (size_t i = 1; i < out.size(); ++i)
            if (std::fabs(out[i]) > std::fabs(out[loudest]))
                loudest = i;
        return static_cast<double>(loudest);
    };
    const double at120 = echoAt({});
    const double at100 = echoAt({"--midi", dir.file("tempo.mid")});
    EXPECT_GT(at120, 100.0);
    EXPECT_NEAR(at100 / at120, 1.2, 0.01) << at120 << " " << at100;
}
