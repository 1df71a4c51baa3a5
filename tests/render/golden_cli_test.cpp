// The command-line tool renders the golden cases to the same bits as the
// stored checksums: parameters through --set, notes through a MIDI file.
// The tool splits blocks at note frames where the plug-in's own golden
// render hands notes over at block starts, so the case with notes has its
// own checksum here, and the same one at every block size.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <fstream>
#include <map>

#include "goldenrender.h"
#include "testsupport.h"

using trstest::TempDir;

namespace {

void putVarLen(std::string& out, uint32_t v) {
    char bytes[5];
    int n = 0;
    bytes[n++] = (char)(v & 0x7F);
    while (v >>= 7)
        bytes[n++] = (char)(0x80 | (v & 0x7F));
    while (n)
        out += bytes[--n];
}

void putBig(std::string& out, uint32_t v, int bytes) {
    for (int i = bytes - 1; i >= 0; i--)
        out += (char)((v >> (8 * i)) & 0xFF);
}

// One tick is one frame at 44100 Hz: 22050 ticks per half-second quarter.
void writeMidi(const std::string& path, const std::vector<trs::golden::Note>& notes) {
    std::string track;
    putVarLen(track, 0);
    track += "\xFF\x51\x03";
    putBig(track, 500000, 3);
    int last = 0;
    for (const auto& n : notes) {
        putVarLen(track, (uint32_t)(n.frame - last));
        last = n.frame;
        track += (char)n.status;
        track += (char)n.data1;
        track += (char)n.data2;
    }
    putVarLen(track, 0);
    track += std::string("\xFF\x2F\x00", 3);
    std::string file = "MThd";
    putBig(file, 6, 4);
    putBig(file, 0, 2);
    putBig(file, 1, 2);
    putBig(file, 22050, 2);
    file += "MTrk";
    putBig(file, (uint32_t)track.size(), 4);
    file += track;
    std::ofstream(path, std::ios::binary) << file;
}

std::map<std::string, std::string> storedSums() {
    std::map<std::string, std::string> sums;
    std::ifstream file(TRS_GOLDEN_FILE);
    std::string name, sum;
    while (file >> name >> sum)
        sums[name] = sum;
    return sums;
}

}  // namespace

TEST(GoldenCli, ToolMatchesTheStoredRenders) {
    TempDir dir;
    trs::render::AudioBuffer input;
    input.sampleRate = trs::golden::kSampleRate;
    input.channels.resize(2);
    trs::golden::makeInput(input.channels[0], input.channels[1]);
    trstest::writeSound(dir.file("in.wav"), input);
    const auto sums = storedSums();

    // The notes at their own frames, not at the start of their block.
    const std::map<std::string, std::string> toolSums = {{"bandpass-keytrack", "0f0a45b64b619b0c"}};
    int withNotes = 0;
    for (const auto& c : trs::golden::cases()) {
        const std::string expected = c.notes.empty() ? sums.at(c.name) : toolSums.at(c.name);
        withNotes += !c.notes.empty();
        std::vector<std::string> args = {dir.file("in.wav"), "-o", dir.file(std::string(c.name) + ".wav"), "-q"};
        for (const auto& p : c.parameters) {
            char set[32];
            std::snprintf(set, sizeof set, "%d=%.9g", p.first, (double)p.second);
            args.insert(args.end(), {"--set", set});
        }
        if (!c.notes.empty()) {
            writeMidi(dir.file("notes.mid"), c.notes);
            args.insert(args.end(), {"--midi", dir.file("notes.mid")});
        }
        for (const char* block : {"512", "1", "64", "4096"}) {
            if (c.notes.empty() && std::string(block) != "512")
                continue;
            auto withBlock = args;
            withBlock.insert(withBlock.end(), {"--block", block});
            const auto run = trstest::runTool(withBlock);
            ASSERT_EQ(run.code, 0) << c.name << ": " << run.err;
            const auto out = trstest::readSound(dir.file(std::string(c.name) + ".wav"));
            ASSERT_EQ(out.channels.size(), 2u);
            char hex[24];
            std::snprintf(hex, sizeof hex, "%016" PRIx64, trs::golden::checksum(out.channels[0], out.channels[1]));
            EXPECT_EQ(hex, expected) << c.name << " at --block " << block;
        }
    }
    EXPECT_GT(withNotes, 0);
}
