// Several inputs rendered at once into a directory: each output is what a
// render of that file alone gives, a failure spoils only its own file, and
// nothing is left half-written.
#include <gtest/gtest.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <fstream>

#include "testsupport.h"

namespace fs = std::filesystem;
using trstest::readSound;
using trstest::runTool;
using trstest::TempDir;
using trstest::ToolRun;

namespace {

bool contains(const std::string& s, const std::string& part) {
    return s.find(part) != std::string::npos;
}

int lines(const std::string& s, const std::string& prefix) {
    int n = 0;
    for (size_t at = 0; at < s.size(); at = s.find('\n', at) + 1) {
        n += s.compare(at, prefix.size(), prefix) == 0;
        if (s.find('\n', at) == std::string::npos)
            break;
    }
    return n;
}

std::vector<std::string> entries(const std::string& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace

TEST(Batch, EachOutputIsTheSingleRenderOfItsInput) {
    TempDir dir;
    fs::create_directory(dir.file("in"));
    trstest::writeSound(dir.file("in/a.wav"), trstest::steppedSine(1.0));
    trstest::writeSound(dir.file("in/b.flac"), trstest::steppedSine(0.7, 48000.0, 1),
                        SF_FORMAT_FLAC | SF_FORMAT_PCM_24);
    trstest::writeSound(dir.file("in/c.aiff"), trstest::steppedSine(0.5, 22050.0), SF_FORMAT_AIFF | SF_FORMAT_PCM_16);
    trstest::writeSound(dir.file("in/d.wav"), trstest::steppedSine(0.6, 44100.0, 4));
    const std::vector<std::string> names = {"a", "b", "c", "d"};
    const std::vector<std::string> inputs = {dir.file("in/a.wav"), dir.file("in/b.flac"), dir.file("in/c.aiff"),
                                             dir.file("in/d.wav")};
    const std::vector<std::string> common = {"--set",  "CutOff=0.4", "--set",   "OSC.Amt=0.7",
                                             "--note", "0.1:A3:0.3", "--block", "300"};
    for (const auto& [jobs, format] : std::vector<std::pair<std::string, std::string>>{{"3", ""}, {"2", "flac"}}) {
        const std::string out = dir.file("out" + jobs + "/");
        auto args = inputs;
        args.insert(args.end(), {"-o", out, "-j", jobs});
        args.insert(args.end(), common.begin(), common.end());
        if (!format.empty())
            args.insert(args.end(), {"--format", format});
        const ToolRun batch = runTool(args);
        ASSERT_EQ(batch.code, 0) << batch.err;
        EXPECT_TRUE(contains(batch.out, "files:    4 into " + out + ", " + jobs + " at a time\n")) << batch.out;
        EXPECT_EQ(lines(batch.out, "["), 4) << batch.out;
        EXPECT_TRUE(contains(
            batch.out, "] " + inputs[1] + " -> " + out + "b." + (format.empty() ? "wav" : format) + ": 0.70 s in "))
            << batch.out;
        const std::string ext = format.empty() ? ".wav" : "." + format;
        std::vector<std::string> expected;
        for (const auto& n : names)
            expected.push_back(n + ext);
        ASSERT_EQ(entries(out), expected);
        for (size_t i = 0; i < inputs.size(); ++i) {
            const std::string single = dir.file("single" + ext);
            auto one = std::vector<std::string>{inputs[i], "-o", single, "-q"};
            one.insert(one.end(), common.begin(), common.end());
            ASSERT_EQ(runTool(one).code, 0);
            SF_INFO a{}, b{};
            const auto fromBatch = readSound(out + names[i] + ext, &a);
            const auto alone = readSound(single, &b);
            EXPECT_EQ(a.format, b.format) << names[i];
            EXPECT_EQ(a.samplerate, b.samplerate) << names[i];
            EXPECT_GT(a.frames, 0) << names[i];
            EXPECT_TRUE(fromBatch.channels == alone.channels) << names[i] << ext << " differs from its single render";
        }
    }
}

TEST(Batch, AFailedFileIsReportedAndTheOthersAreFinished) {
    TempDir dir;
    trstest::writeSound(dir.file("one.wav"), trstest::steppedSine(0.3));
    trstest::writeSound(dir.file("two.wav"), trstest::steppedSine(0.2));
    std::ofstream(dir.file("text.wav")) << "not audio at all\n";
    const ToolRun run =
        runTool({dir.file("one.wav"), dir.file("missing.wav"), dir.file("text.wav"), dir.file("two.wav"), "-o",
                 dir.file("out/"), "-j", "2", "-q", "--save-preset", dir.file("p.fxp")});
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(lines(run.err, "tresselin-render: error: ["), 2) << run.err;
    EXPECT_TRUE(contains(run.err, "/4] " + dir.file("missing.wav") + ": input file")) << run.err;
    EXPECT_TRUE(contains(run.err, "/4] " + dir.file("text.wav") + ": ")) << run.err;
    EXPECT_TRUE(contains(run.err, "tresselin-render: error: 2 of 4 files failed; no preset saved\n")) << run.err;
    EXPECT_EQ(entries(dir.file("out")), (std::vector<std::string>{"one.wav", "two.wav"}));
    EXPECT_FALSE(fs::exists(dir.file("p.fxp")));
    EXPECT_EQ(readSound(dir.file("out/two.wav")).frames(), 8820);

    // With every file rendered the preset is saved, into the directory made too.
    const ToolRun fine = runTool({dir.file("one.wav"), dir.file("two.wav"), "-o", dir.file("made/"), "-q",
                                  "--save-preset", dir.file("made/p.fxp")});
    EXPECT_EQ(fine.code, 0) << fine.err;
    EXPECT_EQ(entries(dir.file("made")), (std::vector<std::string>{"one.wav", "p.fxp", "two.wav"}));
}

TEST(Batch, OutputsThatWouldMeetOrOverwriteAnInputAreRefusedBeforeRendering) {
    TempDir dir;
    fs::create_directory(dir.file("sub"));
    for (const char* name : {"a.wav", "A.WAV", "b.wav", "sub/a.flac"})
        trstest::writeSound(dir.file(name), trstest::steppedSine(0.1));
    const std::string a = dir.file("a.wav"), b = dir.file("b.wav"), out = dir.file("out/");
    const struct {
        std::vector<std::string> args;
        std::string message;
    } cases[] = {
        {{a, dir.file("sub/a.flac"), "-o", out}, "' would both be written to '" + out + "a.wav'"},
        {{a, dir.file("A.WAV"), "-o", out}, "would both be written to"},
        {{a, dir.file("./a.wav"), "-o", out}, "input '" + dir.file("./a.wav") + "' is given twice"},
        {{a, b, "-o", dir.path}, "output '" + dir.path + "/a.wav' is an input file ('" + a + "')"},
        {{b, "-o", dir.path + "/"}, "output '" + dir.path + "/b.wav' is the input file"},
        {{a, b, "-o", dir.file("sub/a.flac")}, "2 input files need an output directory; '" + dir.file("sub/a.flac")},
        {{a, "-o", dir.file("x.wav"), "--format", "flac"}, "--format names the format of files written to a directory"},
        {{a, b, "-o", out, "--save-preset", out + "b.wav"}, "the preset to save and an output are one file"},
    };
    const auto before = entries(dir.path);
    for (const auto& c : cases) {
        const ToolRun run = runTool(c.args);
        EXPECT_EQ(run.code, 1) << c.message;
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
        EXPECT_TRUE(contains(run.err, c.message)) << run.err;
        EXPECT_EQ(entries(dir.path), before) << c.message;
        EXPECT_EQ(readSound(a).frames(), 4410);
    }
}

TEST(Batch, AnInterruptLeavesNoneOfTheFilesInFlight) {
    TempDir dir;
    TempDir scratch;
    std::vector<std::string> args;
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) {
        trstest::writeSound(dir.file(name), trstest::steppedSine(0.5));
        args.push_back(dir.file(name));
    }
    for (int sig : {SIGINT, SIGTERM}) {
        const std::string out = dir.file("out" + std::to_string(sig));
        auto withOut = args;
        withOut.insert(withOut.end(), {"-o", out + "/", "-j", "3", "--plugin", TRS_PROBE_PLUGIN, "-q"});
        // Every instance holds its first block: all three files are open
        // when the signal comes.
        const auto threeOpen = [&] {
            std::error_code ec;
            return fs::is_directory(out, ec) && entries(out).size() >= 3;
        };
        const std::string marker = scratch.file("rendering." + std::to_string(sig));
        EXPECT_EQ(trstest::interruptTool(withOut, marker, sig, threeOpen), 128 + sig);
        EXPECT_EQ(entries(out), std::vector<std::string>{}) << "signal " << sig;
    }
}
