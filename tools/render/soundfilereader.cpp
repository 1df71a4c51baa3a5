#include "soundfilereader.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>

#include "rendererror.h"

namespace fs = std::filesystem;

namespace trs::render {

SoundFileReader::SoundFileReader(const std::string& path) : filePath(path) {
    std::error_code ec;
    const auto status = fs::status(path, ec);
    if (!fs::exists(status))
        throw RenderError("input file '" + path + "' does not exist");
    if (fs::is_directory(status))
        throw RenderError("input '" + path + "' is a directory, not an audio file");

    SF_INFO info{};
    file = sf_open(path.c_str(), SFM_READ, &info);
    if (!file) {
        const int code = sf_error(nullptr);
        if (code == SF_ERR_UNRECOGNISED_FORMAT || code == SF_ERR_MALFORMED_FILE ||
            code == SF_ERR_UNSUPPORTED_ENCODING)
            throw RenderError("input '" + path + "' is not in a supported audio format (WAV, AIFF, FLAC, ...): " +
                              sf_strerror(nullptr));
        throw RenderError("cannot read input '" + path + "': " + sf_strerror(nullptr));
    }
    if (info.channels < 1 || info.samplerate <= 0) {
        sf_close(file);
        file = nullptr;
        throw RenderError("input '" + path + "' has no usable audio (channels or sample rate missing)");
    }
    rate = info.samplerate;
    fileChannels = info.channels;
    used = std::min(fileChannels, kMaxChannels);
    frames = info.frames;
}

SoundFileReader::~SoundFileReader() {
    if (file)
        sf_close(file);
}

int64_t SoundFileReader::read(float* const* channels, int64_t count) {
    count = std::min(count, frames - position);
    if (count <= 0)
        return 0;
    interleaved.resize(static_cast<size_t>(count * fileChannels));
    const sf_count_t got = sf_readf_float(file, interleaved.data(), count);
    if (got < count)
        throw RenderError("input '" + filePath + "' ends early or is damaged at frame " +
                          std::to_string(position + std::max<sf_count_t>(got, 0)) + ": " + sf_strerror(file));
    for (int c = 0; c < used; ++c) {
        const float* from = interleaved.data() + c;
        float* to = channels[c];
        for (int64_t i = 0; i < count; ++i)
            to[i] = from[i * fileChannels];
    }
    position += count;
    return count;
}

}  // namespace trs::render
