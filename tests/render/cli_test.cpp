// tresselin-render run as a user runs it: real files in, real files out.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <csignal>
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

int lineCount(const std::string& s) {
    return static_cast<int>(std::count(s.begin(), s.end(), '\n'));
}

bool contains(const std::string& haystack, const std::string& needle) {
    return haystack.find(needle) != std::string::npos;
}

void writeText(const std::string& path, const std::string& text) {
    std::ofstream(path) << text;
}

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
    const ToolRun plain = runTool({"--demo", "-o", dir.file("plain.wav"), "--set", "OSC.Amt=0", "--set", "Noise.Amt=0",
                                   "--set", "Dry=1", "--set", "CutOff=1", "--set", "EF2.Cutoff=0.5"});
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
    const std::vector<std::string> common = {dir.file("in.wav"), "--set", "CutOff=0.3",     "--set",   "6=0.8", "--set",
                                             "OSC.Amt=0.95",     "--set", "osc.keytrack=1", "--block", "256"};
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

TEST(Cli, IntegerSamplesAreRoundedDitheredAtSixteenBitsAndClipsAreCounted) {
    TempDir dir;
    AudioBuffer loud = trstest::steppedSine(0.5);
    for (auto& ch : loud.channels)
        for (float& v : ch)
            v *= 4.0f;  // well past full scale
    trstest::writeSound(dir.file("in.wav"), loud);
    ASSERT_EQ(runTool({dir.file("in.wav"), "-o", dir.file("f.wav"), "-q"}).code, 0);
    const AudioBuffer f = readSound(dir.file("f.wav"));
    size_t beyond = 0;
    for (const auto& ch : f.channels)
        for (float v : ch)
            beyond += std::fabs(v) >= 1.0f;
    ASSERT_GT(beyond, 1000u);
    struct Case {
        int bits;
        std::string dither;  // as given; empty for the default
        bool dithered;
    };
    for (const Case& c : {Case{16, "none", false}, Case{24, "", false}, Case{16, "", true}, Case{24, "tpdf", true}}) {
        const std::string out = dir.file("i" + std::to_string(c.bits) + c.dither + ".wav");
        std::vector<std::string> args = {dir.file("in.wav"), "-o", out, "--bits", std::to_string(c.bits)};
        if (!c.dither.empty())
            args.insert(args.end(), {"--dither", c.dither});
        const ToolRun run = runTool(args);
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(contains(run.out, "TPDF dither"), c.dithered) << run.out;
        SF_INFO info{};
        const AudioBuffer i = readSound(out, &info);
        EXPECT_EQ(info.format, SF_FORMAT_WAV | (c.bits == 16 ? SF_FORMAT_PCM_16 : SF_FORMAT_PCM_24));
        const double scale = c.bits == 16 ? 32768.0 : 8388608.0;
        size_t clipped = 0, off = 0;
        for (size_t ch = 0; ch < 2; ++ch)
            for (size_t k = 0; k < f.channels[ch].size(); ++k) {
                const double exact = f.channels[ch][k] * scale;
                const double step = std::floor(exact + 0.5);  // nearest, not truncated
                const double got = i.channels[ch][k] * scale;
                if (step >= scale || step < -scale) {
                    ++clipped;
                    ASSERT_EQ(got, step < 0 ? -scale : scale - 1) << c.bits << " bits, frame " << k;
                } else if (!c.dithered) {
                    ASSERT_EQ(got, step) << c.bits << " bits, frame " << k << ", exact " << exact;
                } else {
                    ASSERT_LE(std::fabs(got - exact), 1.5) << c.bits << " bits, frame " << k;
                    off += got != step;
                }
            }
        // Dither moves a good share of samples off the nearest step.
        if (c.dithered) {
            EXPECT_GT(off, f.channels[0].size() / 4) << c.bits;
        }
        // Dither pushes a few more over the edge: the count is of what was written.
        EXPECT_TRUE(contains(run.err, "tresselin-render: warning: ")) << run.err;
        if (!c.dithered) {
            EXPECT_TRUE(contains(run.err, "warning: " + std::to_string(clipped) + " samples clipped")) << run.err;
        }
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    }
}

TEST(Cli, NonFiniteSamplesAreWrittenAsSilenceAndCountedInEveryFormat) {
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.1));
    for (const char* name : {"f.wav", "i.wav", "x.flac", "x.aiff", "x.ogg"}) {
        std::vector<std::string> args = {dir.file("in.wav"), "-o", dir.file(name), "--plugin", TRS_PROBE_PLUGIN, "-q"};
        if (std::string(name) == "i.wav")
            args.insert(args.end(), {"--bits", "16"});
        const ToolRun run = runTool(args, "TRS_PROBE_MODE=nan ");
        ASSERT_EQ(run.code, 0) << name << ": " << run.err;
        EXPECT_EQ(run.err,
                  "tresselin-render: warning: the plug-in gave 3 samples that are not numbers (NaN or "
                  "infinite); they were written as 0\n")
            << name;
        const AudioBuffer out = readSound(dir.file(name));
        for (const auto& ch : out.channels)
            for (float v : ch)
                ASSERT_TRUE(std::isfinite(v)) << name;
        if (std::string(name) != "x.ogg") {  // lossy: near 0, not 0
            EXPECT_EQ(out.channels[0][0], 0.0f) << name;
            EXPECT_EQ(out.channels[0][1], 0.0f) << name;
            EXPECT_EQ(out.channels[1][2], 0.0f) << name;
        }
    }
}

TEST(Cli, TheOutputFormatFollowsTheExtension) {
    TempDir dir;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(0.1));
    struct Case {
        const char* name;
        std::vector<std::string> extra;
        int format;  // 0: refused
        const char* message;
    };
    const std::vector<Case> cases = {
        {"a.wav", {}, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "WAV 32-bit float"},
        {"a.WAV", {"--bits", "24"}, SF_FORMAT_WAV | SF_FORMAT_PCM_24, "WAV 24-bit"},
        {"noextension", {}, SF_FORMAT_WAV | SF_FORMAT_FLOAT, "WAV 32-bit float"},
        {"a.aif", {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "AIFF 32-bit float"},
        {"a.aiff", {"--bits", "16"}, SF_FORMAT_AIFF | SF_FORMAT_PCM_16, "AIFF 16-bit, TPDF dither"},
        {"a.aifc", {}, SF_FORMAT_AIFF | SF_FORMAT_FLOAT, "AIFF 32-bit float"},
        {"a.flac", {}, SF_FORMAT_FLAC | SF_FORMAT_PCM_24, "FLAC 24-bit"},
        {"b.flac", {"--bits", "16"}, SF_FORMAT_FLAC | SF_FORMAT_PCM_16, "FLAC 16-bit, TPDF dither"},
        {"a.w64", {}, SF_FORMAT_W64 | SF_FORMAT_FLOAT, "Wave64 32-bit float"},
        {"a.rf64", {}, SF_FORMAT_RF64 | SF_FORMAT_FLOAT, "RF64 32-bit float"},
        {"a.caf", {}, SF_FORMAT_CAF | SF_FORMAT_FLOAT, "CAF 32-bit float"},
        {"a.ogg", {}, SF_FORMAT_OGG | SF_FORMAT_VORBIS, "Ogg Vorbis"},
        {"a.au", {}, SF_FORMAT_AU | SF_FORMAT_FLOAT, "AU 32-bit float"},
        {"a.mp3", {}, 0, "cannot write '.mp3' files (known: .wav, .aif"},
        {"a.txt", {}, 0, "cannot write '.txt' files"},
        {"c.flac", {"--bits", "32"}, 0, "FLAC holds no float samples"},
        {"b.ogg", {"--bits", "16"}, 0, "Ogg Vorbis has no sample size"},
    };
    for (const auto& c : cases) {
        std::vector<std::string> args = {dir.file("in.wav"), "-o", dir.file(c.name)};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        const ToolRun run = runTool(args);
        if (c.format == 0) {
            EXPECT_EQ(run.code, 1) << c.name;
            EXPECT_TRUE(contains(run.err, c.message)) << run.err;
            EXPECT_FALSE(fs::exists(dir.file(c.name))) << c.name;
            continue;
        }
        ASSERT_EQ(run.code, 0) << c.name << ": " << run.err;
        EXPECT_TRUE(contains(run.out, std::string(", ") + c.message + ")")) << run.out;
        SF_INFO info{};
        readSound(dir.file(c.name), &info);
        EXPECT_EQ(info.format, c.format) << c.name;
        EXPECT_EQ(info.frames, 4410) << c.name;
    }
}

TEST(Cli, ReadsMonoFlacAndAiffAtTheirOwnRate) {
    TempDir dir;
    trstest::writeSound(dir.file("mono.flac"), trstest::steppedSine(1.0, 48000.0, 1),
                        SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
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
    const char* names[] = {"OSC.Amt",    "OSC.Note",   "OSC.Wave",   "Noise.Amt",  "Noise.Color",  "CutOff",
                           "Resonance",  "FilterType", "EF1.Smooth", "EF1.Osc.AM", "EF1.Noise.AM", "EF2.Smooth",
                           "EF2.Cutoff", "EF2.OSC.FM", "Dry2Filter", "Dry",        "Fil.KeyTrack", "Osc.KeyTrack"};
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
        std::ofstream(dir.file("cut.flac"), std::ios::binary)
            .write(bytes.data(), static_cast<std::streamsize>(bytes.size() / 2));
    }
    {
        // A MIDI file whose only track ends in the middle of an event.
        const unsigned char smf[] = {'M',  'T', 'h', 'd', 0,   0, 0, 6, 0, 0,    0,    1, 1,
                                     0xE0, 'M', 'T', 'r', 'k', 0, 0, 0, 3, 0x00, 0x90, 60};
        std::ofstream(dir.file("cut.mid"), std::ios::binary).write(reinterpret_cast<const char*>(smf), sizeof smf);
    }
    const std::string in = dir.file("in.wav");
    const std::string out = dir.file("out.wav");

    {
        // A WAV whose sample rate field says 0.
        std::string bytes = trstest::readText(in);
        const size_t fmt = bytes.find("fmt ");
        bytes.replace(fmt + 12, 4, std::string(4, '\0'));
        std::ofstream(dir.file("rate0.wav"), std::ios::binary) << bytes;
    }
    const auto before = dir.entries();
    struct Case {
        std::vector<std::string> args;
        std::string message;
        std::string env = "";
    };
    const std::string probe = TRS_PROBE_PLUGIN;
    const std::vector<Case> cases = {
        {{dir.file("missing.wav"), "-o", out}, "does not exist"},
        {{dir.file("rate0.wav"), "-o", out}, "has no usable audio (its header gives no sample rate"},
        {{in, "-o", out, "--plugin", probe}, "declares 2 audio inputs and 0 outputs", "TRS_PROBE_OUTPUTS=0 "},
        {{in, "-o", out, "--plugin", probe}, "and 100000 outputs; cannot render", "TRS_PROBE_OUTPUTS=100000 "},
        {{in, "-o", out, "--plugin", probe}, "declares -1 audio inputs", "TRS_PROBE_INPUTS=-1 "},
        {{in, "-o", out, "--set", "-1=0.5"}, "parameter index -1 is out of range"},
        {{in, "-o", out, "--set", "CutOff=1e400"}, "outside 0..1"},
        {{"-o", out, "--", "--bogus"}, "input file '--bogus' does not exist"},
        {{in, "-o", dir.file("out.mp3")}, "cannot write '.mp3' files"},
        {{in, "-o", "/dev/full"}, "No space left on device"},
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
        {{in, "-o", dir.file("out.flac"), "--bits", "32"}, "FLAC holds no float samples"},
        {{in, "-o", out, "--note", "1:C#"}, "bad --note"},
        {{in, "--output", out, "--bogus"}, "unknown option"},
    };
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.args, c.env);
        std::string shown = c.env;
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

TEST(Cli, SaysWhenTheInputIsCutShortOrAChannelIsLeftOut) {
    TempDir dir;
    trstest::writeSound(dir.file("whole.wav"), trstest::steppedSine(0.5), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const std::string bytes = trstest::readText(dir.file("whole.wav"));
    std::ofstream(dir.file("cut.wav"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    const ToolRun cut = runTool({dir.file("cut.wav"), "-o", dir.file("a.wav"), "-q"});
    ASSERT_EQ(cut.code, 0) << cut.err;
    const auto held = readSound(dir.file("a.wav")).frames();
    EXPECT_LT(held, 22050 / 2 + 100);
    EXPECT_EQ(cut.err, "tresselin-render: warning: '" + dir.file("cut.wav") +
                           "' is shorter than its header says (cut off?); rendering the " + std::to_string(held) +
                           " frames it holds\n");
    const ToolRun whole = runTool({dir.file("whole.wav"), "-o", dir.file("b.wav"), "-q"});
    EXPECT_EQ(whole.err, "");
    // A WAV streamed through a pipe, its sizes left at all ones, is whole.
    std::string streamed = bytes;
    streamed.replace(4, 4, std::string(4, '\xFF'));
    streamed.replace(streamed.find("data") + 4, 4, std::string(4, '\xFF'));
    std::ofstream(dir.file("streamed.wav"), std::ios::binary) << streamed;
    const ToolRun stream = runTool({dir.file("streamed.wav"), "-o", dir.file("c.wav"), "-q"});
    EXPECT_EQ(stream.code, 0) << stream.err;
    EXPECT_EQ(stream.err, "");
    EXPECT_EQ(readSound(dir.file("c.wav")).frames(), 22050);

    // A plug-in with one output or one input, fed two channels: a note says
    // what became of the second.
    struct Case {
        const char* inputs;
        const char* note;
        const char* outputs = "1";
    };
    for (const Case& c : {Case{"1",
                               "note: the plug-in takes 1 channel and gives one: the input's second channel is "
                               "not used, the file is mono\n"},
                          Case{"2", "note: the plug-in has one output: both input channels go in, the file is mono\n"},
                          Case{"0",
                               "note: the plug-in takes 0 channels and gives one: the input's channels are not "
                               "used, the file is mono\n"},
                          Case{"1",
                               "note: the plug-in takes 1 channel and gives 2: the input's second channel is not "
                               "used\n",
                               "2"},
                          Case{"2", "", "2"}}) {
        const ToolRun run =
            runTool({dir.file("whole.wav"), "-o", dir.file("m.wav"), "--plugin", TRS_PROBE_PLUGIN},
                    std::string("TRS_PROBE_OUTPUTS=") + c.outputs + " TRS_PROBE_INPUTS=" + c.inputs + " ");
        ASSERT_EQ(run.code, 0) << run.err;
        EXPECT_EQ(contains(run.out, "note:"), *c.note != 0) << run.out;
        EXPECT_TRUE(contains(run.out, c.note)) << run.out;
        SF_INFO info{};
        readSound(dir.file("m.wav"), &info);
        EXPECT_EQ(info.channels, std::atoi(c.outputs));
    }
}

TEST(Cli, AnInterruptedRenderLeavesNoFileBehind) {
    TempDir dir;
    TempDir scratch;
    trstest::writeSound(dir.file("in.wav"), trstest::steppedSine(1.0), SF_FORMAT_WAV | SF_FORMAT_PCM_16);
    const auto before = dir.entries();
    // The probe holds its first block until the signal comes, so the output
    // is open and half-written when it arrives.
    for (int sig : {SIGINT, SIGTERM}) {
        const std::string marker = scratch.file("rendering." + std::to_string(sig));
        const int code = trstest::interruptTool(
            {dir.file("in.wav"), "-o", dir.file("out.wav"), "--plugin", TRS_PROBE_PLUGIN, "-q"}, marker, sig);
        EXPECT_EQ(code, 128 + sig) << "signal " << sig;
        EXPECT_EQ(dir.entries(), before) << "signal " << sig;
    }
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
