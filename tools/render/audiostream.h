// Where the renderer's audio comes from and goes to: a sound file, or memory
// (the built-in demo input, and callers that want the samples back).
#pragma once

#include <cstdint>
#include <vector>

namespace trs::render {

// Planar audio held in memory.
struct AudioBuffer {
    double sampleRate = 44100.0;
    std::vector<std::vector<float>> channels;

    int64_t frames() const { return channels.empty() ? 0 : static_cast<int64_t>(channels[0].size()); }
};

class AudioSource {
public:
    virtual ~AudioSource() = default;
    virtual double sampleRate() const = 0;
    virtual int channelCount() const = 0;
    virtual int64_t frameCount() const = 0;
    // Fills one buffer per channel with up to `frames` frames; returns how
    // many it gave, fewer only at the end.
    virtual int64_t read(float* const* channels, int64_t frames) = 0;
};

class AudioSink {
public:
    virtual ~AudioSink() = default;
    virtual void write(const float* const* channels, int64_t frames) = 0;
};

class BufferSource : public AudioSource {
public:
    explicit BufferSource(const AudioBuffer& buffer) : buffer(buffer) {}
    double sampleRate() const override { return buffer.sampleRate; }
    int channelCount() const override { return static_cast<int>(buffer.channels.size()); }
    int64_t frameCount() const override { return buffer.frames(); }
    int64_t read(float* const* channels, int64_t frames) override;

private:
    const AudioBuffer& buffer;
    int64_t position = 0;
};

class BufferSink : public AudioSink {
public:
    BufferSink(int channels, double sampleRate);
    void write(const float* const* channels, int64_t frames) override;
    const AudioBuffer& result() const { return buffer; }

private:
    AudioBuffer buffer;
};

}  // namespace trs::render
