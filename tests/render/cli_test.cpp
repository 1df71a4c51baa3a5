// tresselin-render run as a user runs it: real files in, real files out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>

#include "testsupport.h"

namespace fs = std::filesystem;
using trs::render::AudioBuffer;
using trstest::readSound;
using trstest::rms;
using trstest::runTool;
using trstest::TempDir;
using trstest::ToolRun;

namespace {

int lineCount(const std::string& s) { return static_cast<int>(std::count(s.begin(), s.end(), '\n')); }

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

void writeText(const std::string& path, const std::string& text) { std::ofstream(path) << text; }

size_t firstDifference(const std::vector<float>& a, const std::vector<float>& b) {
    const auto m = std::mismatch(a.begin(), a.end(), b.begin());
    return static_cast<size_t>(m.first - a.begin());
}

}  // namespace

TEST(Cli, DemoRendersEightSecondsOfStereoAndSaysWhere) {
    TempDir dir;
    // Default output path, relative to where the tool runs.
    const ToolRun run = runTool({"--demo"}, "cd '" + dir.path + "' && ");
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_EQ(run.err, "");  // no progress bar when stderr is not a terminal
    EXPECT_TRUE(contains(run.out, "wrote:    out/tresselin-demo.wav")) << run.out;
    EXPECT_TRUE(contains(run.out, "x real time")) << run.out;
    EXPECT_TRUE(contains(run.out, "CutOff = ")) << run.out;

    SF_INFO info{};
    const AudioBuffer out = readSound(dir.file("out/tresselin-demo.wav"), &info);
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.channels, 2);
    EXPECT_EQ(info.frames, 8 * 44100);
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    // The loop's second bar (2-4 s) is quiet, its third (4-6 s) loud: the
    // output follows.
    const double quiet = rms(out.channels[0], 88200, 2 * 88200);
    const double loud = rms(out.channels[0], 2 * 88200, 3 * 88200);
    EXPECT_GT(quiet, 0.005);
    EXPECT_GT(loud, 1.5 * quiet);
    for (const auto& ch : out.channels)
        for (float v : ch)
            ASSERT_TRUE(std::isfinite(v));

    // The same demo with the plug-in's defaults sounds different: the demo
    // settings are in effect.
    const ToolRun plain = runTool({"--demo", "-o", dir.file("plain.wav"), "--set", "OSC.Amt=0", "--set",
                                   "Noise.Amt=0", "--set", "Dry=1", "--set", "CutOff=1", "--set", "EF2.Cutoff=0.5"});
    ASSERT_EQ(plain.code, 0) << plain.err;
    const AudioBuffer dry = readSound(dir.file("plain.wav"));
    EXPECT_NE(dry.channels, out.channels);
}

TEST(Cli, ProgressBarOnlyOnATerminal) {
    TempDir dir;
    if (trstest::runShell("command -v script >/dev/null") != 0)
        GTEST_SKIP() << "no 'script' to give the tool a terminal";
    const std::string log = dir.file("tty.txt");
    const std::string command = std::string("'") + TRS_RENDER_TOOL + "' --demo -o '" + dir.file("d.wav") + "'";
    ASSERT_EQ(trstest::runShell("script -qec \"" + command + "\" '" + log + "' >/dev/null 2>&1 </dev/null"), 0);
    const std::string screen = trstest::readText(log);
    EXPECT_TRUE(contains(screen, "100%")) << screen;
    EXPECT_TRUE(contains(screen, "[####")) << screen;
}

TEST(Cli, RendersAWavWithSettingsAndNotes) {
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(2.0));
    const std::vector<std::string> common = {dir.file("in.wav"), "--set",       "CutOff=0.3", "--set",
                                             "6=0.8",            "--set",       "OSC.Amt=0.95", "--set",
                                             "osc.keytrack=1",   "--block",     "256"};
    auto withNotes = common;
    withNotes.insert(withNotes.end(), {"-o", dir.file("notes.wav"), "--note", "0.5:A4:1", "--note", "1.6:40"});
    auto without = common;
    without.insert(without.end(), {"-o", dir.file("plain.wav")});

    const ToolRun a = runTool(withNotes);
    ASSERT_EQ(a.code, 0) << a.err;
    EXPECT_TRUE(contains(a.out, "CutOff = ")) << a.out;
    EXPECT_TRUE(contains(a.out, " Hz")) << a.out;
    EXPECT_TRUE(contains(a.out, "Resonance = ")) << a.out;
    EXPECT_TRUE(contains(a.out, "Osc.KeyTrack = 1")) << a.out;  // name matched ignoring case
    EXPECT_TRUE(contains(a.out, "midi:     4 events")) << a.out;
    ASSERT_EQ(runTool(without).code, 0);

    SF_INFO info{};
    const AudioBuffer n = readSound(dir.file("notes.wav"), &info);
    const AudioBuffer p = readSound(dir.file("plain.wav"));
    EXPECT_EQ(info.samplerate, 44100);
    EXPECT_EQ(info.frames, 2 * 44100);
    // The first note (frame 22050) is sent before the block of 256 it falls in.
    EXPECT_EQ(firstDifference(n.channels[0], p.channels[0]) / 256, 22050u / 256);
    EXPECT_EQ(firstDifference(n.channels[0], p.channels[0]) / 256 * 256, 22016u);
}

TEST(Cli, WritesIntegerSamplesOnRequestClippedNotWrapped) {
    TempDir dir;
    AudioBuffer loud = trstest::steppedSine(0.5);
    for (auto& ch : loud.channels)
        for (float& v : ch)
            v *= 4.0f;  // well past full scale
    trstest::writeSound(dir.file("in.wav"), loud);
    ASSERT_EQ(runTool({dir.file("in.wav"), "-o", dir.file("f.wav"), "-q"}).code, 0);
    const AudioBuffer f = readSound(dir.file("f.wav"));
    for (int bits : {16, 24}) {
        const std::string out = dir.file("i" + std::to_string(bits) + ".wav");
        const ToolRun run = runTool({dir.file("in.wav"), "-o", out, "--bits", std::to_string(bits), "-q"});
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(run.out, "");
        SF_INFO info{};
        const AudioBuffer i = readSound(out, &info);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24));
        const double step = bits == 16 ? 1.0 / 32768 : 1.0 / 8388608;
        for (size_t k = 0; k < f.channels[0].size(); ++k) {
            const double expect = std::clamp<double>(f.channels[0][k], -1.0, 1.0 - step);
            ASSERT_NEAR(i.channels[0][k], expect, 1.01 * step) << bits << " bits, frame " << k;
        }
    }
}

TEST(Cli, ReadsMonoFlacAndAiffAtTheirOwnRate) {
    TempDir dir;
    trstest::writeSound(dir.file("mono.flac"), trstest::steppedSine(1.0, 48000.0, 1), SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    trstest::writeSound(dir.file("st.aiff"), trstest::steppedSine(1.0, 22050.0), SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    for (const auto& [in, rate] : std::map<std::string, int>{{"mono.flac", 48000}, {"st.aiff", 22050}}) {
        const ToolRun run = runTool({dir.file(in), "-o", dir.file(in + ".wav"), "--set", "OSC.Amt=0.9"});
        ASSERT_EQ(run.code, 0) << run.err;
        SF_INFO info{};
        const AudioBuffer out = readSound(dir.file(in + ".wav"), &info);
        EXPECT_EQ(info.samplerate, rate) << in;
        EXPECT_EQ(info.channels, 2) << in;
        EXPECT_EQ(info.frames, rate) << in;
        EXPECT_GT(rms(out.channels[1]), 0.01) << in;
    }
    // Mono in: both outputs carry the same signal.
    const AudioBuffer m = readSound(dir.file("mono.flac.wav"));
    EXPECT_EQ(m.channels[0], m.channels[1]);
}

TEST(Cli, TakesTheFirstTwoOfMoreChannelsAndSaysSo) {
    TempDir dir;
    AudioBuffer four = trstest::steppedSine(0.5, 44100.0, 4);
    AudioBuffer two = four;
    two.channels.resize(2);
    trstest::writeSound(dir.file("four.wav"), four);
    trstest::writeSound(dir.file("two.wav"), two);
    const ToolRun run = runTool({dir.file("four.wav"), "-o", dir.file("a.wav")});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "has 4 channels; rendering the first two")) << run.out;
    ASSERT_EQ(runTool({dir.file("two.wav"), "-o", dir.file("b.wav"), "-q"}).code, 0);
    EXPECT_EQ(readSound(dir.file("a.wav")).channels, readSound(dir.file("b.wav")).channels);
}

TEST(Cli, ListsNameVendorVersionAndEveryParameter) {
    const ToolRun run = runTool({"--list", "--set", "CutOff=0", "--set", "FilterType=1"});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "name:     Tresselin\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "vendor:   Orv.VST.Tresselin v0.5 BETA\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "version:  1\n")) << run.out;
    EXPECT_TRUE(contains(run.out, "parameters (18,")) << run.out;
    const char* names[] = {"OSC.Amt",    "OSC.Note",   "OSC.Wave",   "Noise.Amt",    "Noise.Color", "CutOff",
                           "Resonance",  "FilterType", "EF1.Smooth", "EF1.Osc.AM",   "EF1.Noise.AM", "EF2.Smooth",
                           "EF2.Cutoff", "EF2.OSC.FM", "Dry2Filter", "Dry",          "Fil.KeyTrack", "Osc.KeyTrack"};
    for (int i = 0; i < 18; ++i) {
        std::ostringstream prefix;
        prefix << "\n  " << std::setw(3) << i << "  " << names[i] << " ";
        EXPECT_TRUE(contains(run.out, prefix.str())) << names[i];
    }
    EXPECT_TRUE(contains(run.out, "C#1\n")) << run.out;  // OSC.Note's label is its note name
    EXPECT_TRUE(contains(run.out, "BP")) << run.out;
    EXPECT_FALSE(contains(run.out, "22050.00")) << "CutOff=0 not applied";
}

TEST(Cli, BadInputFailsWithOneLineAndLeavesNoFileBehind) {
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.2));
    writeText(dir.file("text.wav"), "this is not audio, just text that happens to end in .wav\n");
    writeText(dir.file("text.mid"), "just some words, no MIDI in here");
    writeText(dir.file("header.mid"), "MThd but not really");
    writeText(dir.file("fake.so"), "not a shared library");
    fs::create_directory(dir.file("adir"));
    // A FLAC cut off in the middle fails part-way through the render.
    trstest::writeSound(dir.file("whole.flac"), trstest::steppedSine(3.0), SF_FORMAT_FLAC | SF_FORMAT_PCM_16);
    {
        std::ifstream whole(dir.file("whole.flac"), std::ios::binary);
        std::vector<char> bytes((std::istreambuf_iterator<char>(whole)), std::istreambuf_iterator<char>());
        std::ofstream(dir.file("cut.flac"), std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    }
    {
        // A MIDI file whose only track ends in the middle of an event.
        const unsigned char smf[] = {'M', 'T', 'h', 'd', 0, 0, 0, 6, 0, 0, 0, 1, 1, 0xE0,
                                     'M', 'T', 'r', 'k', 0, 0, 0, 3, 0x00, 0x90, 60};
        std::ofstream(dir.file("cut.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof smf);
    }
    const auto before = dir.entries();
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.wav");

    struct Case {
        std::vector<std::string> args;
        std::string message;
    };
    const std::vector<Case> cases = {
        {{dir.file("missing.wav"), "-o", out}, "does not exist"},
        {{dir.file("adir"), "-o", out}, "is a directory"},
        {{dir.file("text.wav"), "-o", out}, "not in a supported audio format"},
        {{dir.file("cut.flac"), "-o", out}, "ends early or is damaged"},
        {{in, "-o", out, "--set", "Wobble=0.5"}, "unknown parameter 'Wobble'"},
        {{in, "-o", out, "--set", "CutOff=1.5"}, "outside 0..1"},
        {{in, "-o", out, "--set", "CutOff=loud"}, "is not a number"},
        {{in, "-o", out, "--set", "18=0.5"}, "out of range"},
        {{in, "-o", out, "--midi", dir.file("text.mid")}, "not a MIDI file"},
        {{in, "-o", out, "--midi", dir.file("header.mid")}, "header longer than the file"},
        {{in, "-o", out, "--midi", dir.file("cut.mid")}, "malformed MIDI file"},
        {{in, "-o", out, "--midi", dir.file("none.mid")}, "cannot read MIDI file"},
        {{in, "-o", out, "--plugin", dir.file("fake.so")}, "is not a plug-in library"},
        {{in, "-o", out, "--plugin", TRS_NOENTRY_MODULE}, "has no VST 2.4 entry point"},
        {{in, "-o", out, "--plugin", TRS_NULLENTRY_MODULE}, "returned no effect"},
        {{in, "-o", out, "--plugin", dir.file("nowhere.so")}, "does not exist"},
        {{in, "-o", dir.file("nodir/out.wav")}, "does not exist"},
        {{in, "-o", dir.file("adir")}, "is a directory"},
        {{in, "-o", "/proc/trs-render-test.wav"}, "cannot write output"},
        {{in, "-o", dir.file("out.flac")}, "FLAC holds no float samples"},
        {{in, "-o", out, "--note", "1:C#"}, "bad --note"},
        {{in, "--output", out, "--bogus"}, "unknown option"},
    };
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.args);
        std::string shown;
        for (const auto& a : c.args)
            shown += a + " ";
        EXPECT_NE(run.code, 0) << shown;
        EXPECT_EQ(lineCount(run.err), 1) << shown << "\n" << run.err;
        EXPECT_EQ(run.err.rfind("tresselin-render: error: ", 0), 0u) << shown << "\n" << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << shown << "\n" << run.err;
        EXPECT_EQ(dir.entries(), before) << shown << ": left a file behind";
        EXPECT_TRUE(fs::is_empty(dir.file("adir"))) << shown;
    }
}

TEST(Cli, AnInterruptedRenderLeavesNoFileBehind) {
    TempDir dir;
    AudioBuffer hum = trstest::steppedSine(90.0);
    trstest::writeSound(dir.file("in.wav"), hum, SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const auto before = dir.entries();
    // One-frame blocks make the render take well over a second (10 s of
    // input took 0.3 s on the 2-core development machine).
    const std::string command = std::string("timeout -s INT 0.8 '") + TRS_RENDER_TOOL + "' '" + dir.file("in.wav") +
                                "' -o '" + dir.file("out.wav") + "' --block 1 -q";
    EXPECT_NE(trstest::runShell(command), 0) << "the render finished before it could be interrupted";
    EXPECT_EQ(dir.entries(), before);
}

TEST(Interop, PeerPluginWithOneOutputGivesAMonoFile) {
    const std::string comp = "/usr/lib/vst/ZamComp-vst.so";
    if (!std::ifstream(comp))
        FAIL() << comp << " is missing (Debian package zam-plugins)";
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.5));
    const ToolRun run = runTool({dir.file("in.wav"), "-o", dir.file("out.wav"), "--plugin", comp});
    ASSERT_EQ(run.code, 0) << run.err;
    EXPECT_TRUE(contains(run.out, "(1 ch, 44100 Hz")) << run.out;
    SF_INFO info{};
    const AudioBuffer out = readSound(dir.file("out.wav"), &info);
    EXPECT_EQ(info.channels, 1);
    EXPECT_EQ(info.frames, 22050);
    EXPECT_GT(rms(out.channels[0]), 0.01);
}
