#include "audiostream.h"

#include <algorithm>

namespace trs::render {

int64_t BufferSource::read(float* const* channels, int64_t frames) {
    const int64_t n = std::min(frames, buffer.frames() - position);
    if (n <= 0)
        return 0;
    for (size_t c = 0; c < buffer.channels.size(); ++c)
        std::copy_n(buffer.channels[c].begin() + position, n, channels[c]);
    position += n;
    return n;
}

BufferSink::BufferSink(int channels, double sampleRate) {
    buffer.sampleRate = sampleRate;
    buffer.channels.resize(static_cast<size_t>(channels));
}

void BufferSink::write(const float* const* channels, int64_t frames) {
    for (size_t c = 0; c < buffer.channels.size(); ++c)
        buffer.channels[c].insert(buffer.channels[c].end(), channels[c], channels[c] + frames);
}

}  // namespace trs::render
