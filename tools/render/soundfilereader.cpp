#include "soundfilereader.h"

#include <sndfile.h>

#include <algorithm>
#include <filesystem>
#include <sstream>

#include "rendererror.h"

namespace fs = std::filesystem;

namespace trs::render {

namespace {

// libsndfile reads a cut-off WAV, AIFF, W64, ... as far as it goes and only
// says so in its log: "data : 8000 (should be 4912)", "*** Chunk size ...".
bool logSaysCutShort(SNDFILE* file) {
    char log[16384] = {};
    sf_command(file, SFC_GET_LOG_INFO, log, sizeof log - 1);
    std::istringstream lines(log);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string chunk;
        words >> chunk;
        std::string colon;
        unsigned long long declared = 0;
        words >> colon >> declared;
        // Streaming writers leave the size 0 or all ones: unknown, not too long.
        const bool unknown = declared == 0 || declared == 0xFFFFFFFFull;
        const bool audioChunk = chunk == "data" || chunk == "SSND" || chunk == "ds64";
        if ((audioChunk && !unknown && line.find("(should be") != std::string::npos) ||
            line.find("> file length") != std::string::npos || line.find("*** Frame count") != std::string::npos)
            return true;
    }
    return false;
}

}  // namespace

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
        const std::string reason = sf_strerror(nullptr);
        if (reason.find("SF_INFO struct incomplete") != std::string::npos)
            throw RenderError("input '" + path +
                              "' has no usable audio (its header gives no sample rate or no channels)");
        if (code == SF_ERR_UNRECOGNISED_FORMAT || code == SF_ERR_MALFORMED_FILE || code == SF_ERR_UNSUPPORTED_ENCODING)
            throw RenderError("input '" + path +
                              "' is not in a supported audio format (WAV, AIFF, FLAC, ...): " + sf_strerror(nullptr));
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
    truncated = logSaysCutShort(file);
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
