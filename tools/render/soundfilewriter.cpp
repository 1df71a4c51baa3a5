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

// WAV, AIFF and AU count their data in 32 bits.
constexpr int64_t kClassicLimit = 0xFFFFFFFFll - 4096;

struct Container {
    const char* extension;
    int format;
    const char* name;
    int defaultBits;  // 0 float, -1 compressed
    bool hasFloat;
    bool sizeLimit;
};

const Container kContainers[] = {
    {".wav", SF_FORMAT_WAV, "WAV", 0, true, false},          {".aif", SF_FORMAT_AIFF, "AIFF", 0, true, true},
    {".aiff", SF_FORMAT_AIFF, "AIFF", 0, true, true},        {".aifc", SF_FORMAT_AIFF, "AIFF", 0, true, true},
    {".flac", SF_FORMAT_FLAC, "FLAC", 24, false, false},     {".w64", SF_FORMAT_W64, "Wave64", 0, true, false},
    {".rf64", SF_FORMAT_RF64, "RF64", 0, true, false},       {".caf", SF_FORMAT_CAF, "CAF", 0, true, false},
    {".ogg", SF_FORMAT_OGG, "Ogg Vorbis", -1, false, false}, {".au", SF_FORMAT_AU, "AU", 0, true, true},
};

std::string lowerExtension(const fs::path& path) {
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    return ext;
}

const Container& containerFor(const std::string& path) {
    const std::string ext = lowerExtension(fs::path(path).filename());
    // No extension (/dev/null, /dev/stdout, "out"): WAV, as always.
    if (ext.empty())
        return kContainers[0];
    for (const auto& c : kContainers)
        if (ext == c.extension)
            return c;
    throw RenderError("output '" + path + "': cannot write '" + ext +
                      "' files (known: " + OutputFormat::knownExtensions() + ")");
}

// The file a symbolic link finally names, even one that does not exist yet.
fs::path followLinks(const std::string& path) {
    fs::path at(path);
    for (int hops = 0; hops < 40; ++hops) {
        std::error_code ec;
        if (!fs::is_symlink(fs::symlink_status(at, ec)))
            return at;
        const fs::path next = fs::read_symlink(at, ec);
        if (ec)
            return at;
        at = next.is_absolute() ? next : at.parent_path() / next;
    }
    throw RenderError("output '" + path + "': too many levels of symbolic links");
}

}  // namespace

const char* OutputFormat::knownExtensions() {
    return ".wav, .aif, .aiff, .aifc, .flac, .w64, .rf64, .caf, .ogg, .au";
}

OutputFormat OutputFormat::forPath(const std::string& path, int bits) {
    const Container& c = containerFor(path);
    OutputFormat f;
    f.name = c.name;
    if (c.defaultBits < 0) {
        if (bits != 0)
            throw RenderError("output '" + path + "': " + c.name + " has no sample size; drop --bits");
        f.format = c.format | SF_FORMAT_VORBIS;
        f.bits = -1;
        return f;
    }
    if (bits == 0)
        bits = c.defaultBits == 0 ? 32 : c.defaultBits;
    if (bits == 32 && !c.hasFloat)
        throw RenderError("output '" + path + "': " + c.name + " holds no float samples; use --bits 16 or --bits 24");
    f.bits = bits == 32 ? 0 : bits;
    const int encoding = bits == 16 ? SF_FORMAT_PCM_16 : bits == 24 ? SF_FORMAT_PCM_24 : SF_FORMAT_FLOAT;
    f.format = c.format | encoding;
    f.growsToRf64 = c.format == SF_FORMAT_WAV;
    f.name += bits == 32 ? " 32-bit float" : " " + std::to_string(bits) + "-bit";
    return f;
}

SoundFileWriter::SoundFileWriter(const std::string& path, int channels, double sampleRate, const OutputFormat& format,
                                 bool dither, int64_t expectedFrames)
    : shownPath(path), channelCount(channels), samples(std::max(format.bits, 0), dither) {
    if (channels < 1)
        throw RenderError("cannot write output '" + path + "': no channels to write");
    std::error_code ec;
    // Where the name leads, as the system sees it (/dev/stdout included).
    const fs::file_status status = fs::status(path, ec);
    if (fs::is_directory(status) || fs::path(path).filename().empty())
        throw RenderError("output '" + path + "' is a directory, not a file name");
    const bool inPlace = fs::exists(status) && !fs::is_regular_file(status);
    const fs::path target = inPlace ? fs::path(path) : followLinks(path);
    finalPath = target.string();
    fs::path dir = target.parent_path();
    if (dir.empty())
        dir = ".";
    if (!inPlace && !fs::is_directory(dir, ec))
        throw RenderError("cannot write output '" + path + "': directory '" + dir.string() + "' does not exist");

    const Container& container = containerFor(path);
    bytesPerFrame = static_cast<int64_t>(channels) * (format.bits == 0 ? 4 : format.bits > 0 ? format.bits / 8 : 0);
    const int64_t expectedBytes = expectedFrames * bytesPerFrame;
    SF_INFO info{};
    info.samplerate = static_cast<int>(sampleRate);
    info.channels = channels;
    info.format = format.format;
    if (container.sizeLimit || format.growsToRf64)
        byteLimit = kClassicLimit;
    if (format.growsToRf64 && expectedBytes > kClassicLimit) {
        // Past the 4 GiB a WAV can count: RF64, WAV's 64-bit form.
        info.format = (format.format & ~SF_FORMAT_TYPEMASK) | SF_FORMAT_RF64;
        byteLimit = 0;
    }
    if (byteLimit > 0 && expectedBytes > byteLimit)
        throw RenderError("output '" + path + "': " + std::to_string(expectedBytes) + " bytes of audio do not fit in " +
                          container.name + " (4 GiB at most); write .wav, .w64, .rf64, .caf or .flac");
    if (!sf_format_check(&info))
        throw RenderError("output '" + path + "': " + format.name + " cannot hold " + std::to_string(channels) +
                          " channels at " + std::to_string(info.samplerate) + " Hz");
    rf64 = (info.format & SF_FORMAT_TYPEMASK) == SF_FORMAT_RF64;

    std::string openPath = finalPath;
    if (!inPlace) {
        tempPath =
            (dir / ("." + target.filename().string() + "." + std::to_string(platform::processId()) + ".part")).string();
        openPath = tempPath;
        // Registered first: a signal during sf_open still removes the file.
        pendingHandle = platform::removeOnInterrupt(tempPath);
        if (fs::is_regular_file(status))
            keepMode = platform::fileMode(finalPath, mode);
    }
    file = sf_open(openPath.c_str(), SFM_WRITE, &info);
    if (!file) {
        std::string reason = sf_strerror(nullptr);
        if (!inPlace)
            discard();
        if (reason.find("pipe") != std::string::npos)
            reason += " (name the pipe .au or .ogg)";
        throw RenderError("cannot write output '" + path + "': " + reason);
    }
    // Private data stays private while it is being written, too.
    if (keepMode)
        platform::copyOwnerAndMode(finalPath, tempPath, mode);
}

SoundFileWriter::~SoundFileWriter() {
    if (!committed)
        discard();
}

void SoundFileWriter::discard() {
    if (file) {
        sf_close(file);
        file = nullptr;
    }
    if (!tempPath.empty()) {
        std::error_code ec;
        fs::remove(tempPath, ec);
        platform::clearRemoveOnInterrupt(pendingHandle);
        pendingHandle = -1;
    }
}

void SoundFileWriter::write(const float* const* channels, int64_t frames) {
    if (frames <= 0)
        return;
    // A size field that wraps round makes a file that reads back wrong:
    // stop instead. (Only a source longer than it said gets here.)
    bytesWritten += frames * bytesPerFrame;
    if (byteLimit > 0 && bytesWritten > byteLimit)
        throw RenderError("cannot write output '" + shownPath + "': the audio grew past the 4 GiB its format can hold");
    const size_t count = static_cast<size_t>(frames * channelCount);
    interleaved.resize(count);
    for (int c = 0; c < channelCount; ++c)
        for (int64_t i = 0; i < frames; ++i)
            interleaved[static_cast<size_t>(i * channelCount + c)] = channels[c][i];
    sf_count_t written = 0;
    if (samples.bits() > 0) {
        integers.resize(count);
        samples.toInt(interleaved.data(), integers.data(), count);
        written = sf_writef_int(file, integers.data(), frames);
    } else {
        samples.toFloat(interleaved.data(), count);
        written = sf_writef_float(file, interleaved.data(), frames);
    }
    if (written != frames)
        throw RenderError("cannot write output '" + shownPath + "': " + sf_strerror(file));
}

void SoundFileWriter::commit() {
    const int status = sf_close(file);
    file = nullptr;
    if (status != 0) {
        discard();
        throw RenderError("cannot finish output '" + shownPath + "': " + sf_error_number(status));
    }
    if (!tempPath.empty()) {
        std::error_code ec;
        fs::rename(tempPath, finalPath, ec);
        if (ec) {
            discard();
            throw RenderError("cannot write output '" + shownPath + "': " + ec.message());
        }
        platform::clearRemoveOnInterrupt(pendingHandle);
        pendingHandle = -1;
    }
    committed = true;
}

}  // namespace trs::render
