#include "soundfilewriter.h"

#include <sndfile.h>

#include <algorithm>
#include <cctype>
#include <filesystem>

#include "platform.h"
#include "rendererror.h"

namespace fs = std::filesystem;

namespace trs::render {

namespace {

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

int formatFor(const std::string& path, int bits) {
    const std::string ext = lowerExtension(path);
    int container = SF_FORMAT_WAV;
    if (ext == ".aif" || ext == ".aiff")
        container = SF_FORMAT_AIFF;
    else if (ext == ".flac")
        container = SF_FORMAT_FLAC;
    if (container == SF_FORMAT_FLAC && bits == 0)
        throw RenderError("output '" + path + "': FLAC holds no float samples; add --bits 16 or --bits 24");
    const int encoding = bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
    return container | encoding;
}

}  // namespace

SoundFileWriter::SoundFileWriter(const std::string& path, int channels, double sampleRate, int bits)
    : finalPath(path), channelCount(channels) {
    const fs::path target(path);
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    std::error_code ec;
    if (target.filename().empty() || fs::is_directory(target, ec))
        throw RenderError("output '" + path + "' is a directory, not a file name");
    if (!fs::is_directory(dir, ec))
        throw RenderError("cannot write output '" + path + "': directory '" + dir.string() + "' does not exist");

    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = channels;
    info.format = formatFor(path, bits);
    tempPath = (dir / ("." + target.filename().string() + "." + std::to_string(platform::processId()) + ".part"))
                   .string();
    file = sf_open(tempPath.c_str(), SFM_WRITE, &info);
    if (!file) {
        const std::string reason = sf_strerror(nullptr);
        fs::remove(tempPath, ec);
        throw RenderError("cannot write output '" + path + "': " + reason);
    }
    platform::removeOnInterrupt(tempPath);
    // Integer output clips loud peaks instead of wrapping them round.
    sf_command(file, SFC_SET_CLIPPING, nullptr, SF_TRUE);
}

SoundFileWriter::~SoundFileWriter() {
    if (!committed)
        discard();
}

void SoundFileWriter::discard() {
    platform::clearRemoveOnInterrupt();
    if (file) {
        sf_close(file);
        file = nullptr;
    }
    std::error_code ec;
    fs::remove(tempPath, ec);
}

void SoundFileWriter::write(const float* const* channels, int64_t frames) {
    if (frames <= 0)
        return;
    interleaved.resize(static_cast<size_t>(frames * channelCount));
    for (int c = 0; c < channelCount; ++c)
        for (int64_t i = 0; i < frames; ++i)
            interleaved[static_cast<size_t>(i * channelCount + c)] = channels[c][i];
    if (sf_writef_float(file, interleaved.data(), frames) != frames)
        throw RenderError("cannot write output '" + finalPath + "': " + sf_strerror(file));
}

void SoundFileWriter::commit() {
    const int status = sf_close(file);
    file = nullptr;
    if (status != 0) {
        discard();
        throw RenderError("cannot finish output '" + finalPath + "': " + sf_error_number(status));
    }
    std::error_code ec;
    fs::rename(tempPath, finalPath, ec);
    if (ec) {
        discard();
        throw RenderError("cannot write output '" + finalPath + "': " + ec.message());
    }
    committed = true;
    platform::clearRemoveOnInterrupt();
}

}  // namespace trs::render
