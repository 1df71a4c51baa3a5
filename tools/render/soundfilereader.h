// Reads an audio file (anything libsndfile reads: WAV, AIFF, FLAC, ...) block
// by block as planar floats. Files with more than two channels give their
// first two.
#pragma once

#include <string>
#include <vector>

#include "audiostream.h"

typedef struct sf_private_tag SNDFILE;

namespace trs::render {

class SoundFileReader : public AudioSource {
public:
    static constexpr int kMaxChannels = 2;

    // Throws RenderError naming the problem when the file cannot be read.
    explicit SoundFileReader(const std::string& path);
    ~SoundFileReader() override;
    SoundFileReader(const SoundFileReader&) = delete;
    SoundFileReader& operator=(const SoundFileReader&) = delete;

    double sampleRate() const override { return rate; }
    int channelCount() const override { return used; }
    int64_t frameCount() const override { return frames; }
    int64_t read(float* const* channels, int64_t count) override;

    // Channels in the file beyond those given.
    int droppedChannels() const { return fileChannels - used; }
    // The header promises more audio than the file holds; frameCount() is
    // what it holds.
    bool cutShort() const { return truncated; }

private:
    std::string filePath;
    SNDFILE* file = nullptr;
    double rate = 0.0;
    int fileChannels = 0;
    int used = 0;
    int64_t frames = 0;
    int64_t position = 0;
    bool truncated = false;
    std::vector<float> interleaved;
};

}  // namespace trs::render
