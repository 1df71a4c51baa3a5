// The golden renders: a generated stereo input run through a plug-in with
// three parameter sets. Their checksums are stored in the repository and pin
// the chain across changes, builds and platforms.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trs::golden {

constexpr int kSampleRate = 44100;
constexpr int kFrames = 5 * kSampleRate;
constexpr int kBlock = 512;

struct Note {
    int frame;  // events are delivered before the block holding this frame
    unsigned char status, data1, data2;
};

struct Case {
    const char* name;
    std::vector<std::pair<int, float>> parameters;
    std::vector<Note> notes;
};

// Two channels of kFrames samples. Integer noise, arithmetic tones and
// multiplicative decays only: no library function, so every platform makes
// the same bits.
void makeInput(std::vector<float>& left, std::vector<float>& right);

const std::vector<Case>& cases();

// FNV-1a over the little-endian bits of the interleaved output.
uint64_t checksum(const std::vector<float>& left, const std::vector<float>& right);

// Renders one case through the plug-in at path in the host order every tool
// of ours uses (sample rate, block size, parameters, resume, then per block
// the events before the audio). False with a message when loading fails.
bool render(const std::string& path, const Case& c, std::vector<float>& left, std::vector<float>& right,
            std::string* error);

}  // namespace trs::golden
