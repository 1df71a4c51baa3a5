// lilv's own tools on the bundle in the build tree: lv2ls lists it, lv2info
// describes it without a complaint, and lv2apply (one frame per run, no
// features, the MIDI port unconnected) renders the golden input bit for bit
// as the VST build does.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <array>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "goldenrender.h"
#include "lv2/lv2ports.h"

using namespace trs;

namespace {

const std::string kLv2Path = std::string(TRS_LV2_BUNDLE) + "/..";

struct Output {
    int status = -1;
    std::string out, err;
};

// Runs a command with LV2_PATH at the build tree, capturing both streams.
Output run(const std::string& command, const std::string& tag) {
    const std::string dir = ::testing::TempDir();
    const std::string errFile = dir + "/lv2tools-" + tag + ".err";
    Output o;
    FILE* p = popen(("LV2_PATH='" + kLv2Path + "' " + command + " 2>'" + errFile + "'").c_str(), "r");
    if (!p)
        return o;
    std::array<char, 4096> buffer;
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), p)) > 0)
        o.out.append(buffer.data(), n);
    o.status = pclose(p);
    if (FILE* e = std::fopen(errFile.c_str(), "r")) {
        while ((n = std::fread(buffer.data(), 1, buffer.size(), e)) > 0)
            o.err.append(buffer.data(), n);
        std::fclose(e);
    }
    return o;
}

bool writeWav(const std::string& path, const std::vector<float>& l, const std::vector<float>& r) {
    SF_INFO info{};
    info.samplerate = golden::kSampleRate;
    info.channels = 2;
    info.format = SF_FORMAT_WAV | SF_FORMAT_FLOAT;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        return false;
    std::vector<float> frames(2 * l.size());
    for (size_t i = 0; i < l.size(); ++i) {
        frames[2 * i] = l[i];
        frames[2 * i + 1] = r[i];
    }
    const bool ok = sf_writef_float(f, frames.data(), (sf_count_t)l.size()) == (sf_count_t)l.size();
    return sf_close(f) == 0 && ok;
}

bool readWav(const std::string& path, std::vector<float>& l, std::vector<float>& r) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        return false;
    if (info.channels != 2 || (info.format & SF_FORMAT_SUBMASK) != SF_FORMAT_FLOAT) {
        sf_close(f);
        return false;
    }
    std::vector<float> frames(2 * (size_t)info.frames);
    const sf_count_t got = sf_readf_float(f, frames.data(), info.frames);
    sf_close(f);
    l.resize((size_t)got);
    r.resize((size_t)got);
    for (sf_count_t i = 0; i < got; ++i) {
        l[i] = frames[2 * i];
        r[i] = frames[2 * i + 1];
    }
    return got == info.frames;
}

// The port symbol of a parameter, read from the Turtle rather than derived
// again here: the symbols are the generator's to choose.
std::string symbolOf(const std::string& info, int port) {
    const std::string head = "Port " + std::to_string(port) + ":";
    const size_t at = info.find(head);
    const size_t sym = info.find("Symbol:", at);
    if (at == std::string::npos || sym == std::string::npos)
        return "";
    const size_t start = info.find_first_not_of(" \t", sym + 7);
    return info.substr(start, info.find('\n', start) - start);
}

}  // namespace

TEST(Lv2Tools, ListedAndDescribedWithoutComplaint) {
    const Output ls = run("lv2ls", "ls");
    ASSERT_EQ(ls.status, 0) << ls.err;
    EXPECT_EQ(ls.out, std::string(lv2::kPluginUri) + "\n");
    EXPECT_EQ(ls.err, "");

    const Output info = run(std::string("lv2info ") + lv2::kPluginUri, "info");
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_EQ(info.err, "") << "lilv complained";
    EXPECT_NE(info.out.find("Name:              Tresselin"), std::string::npos);
    EXPECT_NE(info.out.find(lv2::kUiUri), std::string::npos);
    EXPECT_NE(info.out.find("Port " + std::to_string(lv2::kNumPorts - 1) + ":"), std::string::npos);
    EXPECT_EQ(info.out.find("Port " + std::to_string(lv2::kNumPorts) + ":"), std::string::npos);
    for (int i = 0; i < kNumParams; ++i)
        EXPECT_NE(info.out.find(std::string("Name:        ") + kParams[i].name + "\n"), std::string::npos) << i;
}

TEST(Lv2Tools, Lv2applyRendersTheGoldenCasesAsTheVstBuild) {
    const Output info = run(std::string("lv2info ") + lv2::kPluginUri, "info2");
    ASSERT_EQ(info.status, 0);
    std::vector<float> inL, inR;
    golden::makeInput(inL, inR);
    const std::string dir = ::testing::TempDir();
    const std::string input = dir + "/lv2apply-input.wav";
    ASSERT_TRUE(writeWav(input, inL, inR));
    int rendered = 0;
    for (const auto& c : golden::cases()) {
        if (!c.notes.empty())
            continue;  // lv2apply sends no MIDI
        std::string controls;
        for (auto [index, value] : c.parameters) {
            char text[64];
            std::snprintf(text, sizeof text, " -c %s %.9g", symbolOf(info.out, index).c_str(), (double)value);
            controls += text;
        }
        const std::string output = dir + "/lv2apply-" + c.name + ".wav";
        std::remove(output.c_str());
        const Output apply =
            run("lv2apply -i '" + input + "' -o '" + output + "'" + controls + " " + lv2::kPluginUri, c.name);
        ASSERT_EQ(apply.status, 0) << c.name << ": " << apply.err;
        std::vector<float> l, r, vl, vr;
        ASSERT_TRUE(readWav(output, l, r)) << c.name;
        std::string error;
        ASSERT_TRUE(golden::render(TRS_PLUGIN_PATH, c, vl, vr, &error)) << error;
        ASSERT_EQ(l.size(), vl.size()) << c.name;
        size_t differ = 0;
        for (size_t i = 0; i < l.size(); ++i)
            differ += std::memcmp(&l[i], &vl[i], 4) != 0 || std::memcmp(&r[i], &vr[i], 4) != 0;
        EXPECT_EQ(differ, 0u) << c.name << ": frames that differ from the VST render";
        ++rendered;
    }
    EXPECT_EQ(rendered, 2);
}
