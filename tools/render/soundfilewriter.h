// Writes the rendered audio. A regular file (or a symlink to one) is written
// to a temporary file beside it, which takes its name, and the permissions
// of the file it replaces, only when commit() succeeds: a failed or
// interrupted render never leaves a partial file under that name. Anything
// else (/dev/null, a FIFO, a terminal) is written in place: renaming over it
// would replace the device itself.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "audiostream.h"
#include "sampleconverter.h"

typedef struct sf_private_tag SNDFILE;

namespace trs::render {

// The file format an output name asks for.
struct OutputFormat {
    int format = 0;            // libsndfile container | encoding
    int bits = 0;              // 0: 32-bit float; -1: a compressed stream
    bool growsToRf64 = false;  // WAV, written as RF64 when it will not fit in 4 GiB
    std::string name;          // e.g. "WAV 32-bit float"

    // The format for the output's extension, with `bits` 16, 24 or 32 from
    // --bits or 0 for the format's default. Throws RenderError for a name or
    // sample size the tool cannot write.
    static OutputFormat forPath(const std::string& path, int bits);
    // The extensions forPath knows, for messages and the help text.
    static const char* knownExtensions();
};

class SoundFileWriter : public AudioSink {
public:
    // expectedFrames (0 if unknown) lets a format with a size limit refuse a
    // render that would not fit before anything is written. Throws
    // RenderError when the file cannot be created.
    SoundFileWriter(const std::string& path, int channels, double sampleRate, const OutputFormat& format, bool dither,
                    int64_t expectedFrames = 0);
    // Removes the temporary file if commit() was not reached.
    ~SoundFileWriter() override;
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    void write(const float* const* channels, int64_t frames) override;
    // Finishes the file and moves it to its name.
    void commit();

    // Empty when the output is written in place.
    const std::string& temporaryPath() const { return tempPath; }
    bool writesInPlace() const { return tempPath.empty(); }
    // The container is RF64 (asked for, or a WAV too long for 4 GiB).
    bool isRf64() const { return rf64; }
    const SampleConverter& converter() const { return samples; }

private:
    void discard();

    std::string shownPath;  // as the user gave it, for messages
    std::string finalPath;  // the file that receives the audio, links followed
    std::string tempPath;
    int pendingHandle = -1;
    SNDFILE* file = nullptr;
    int channelCount = 0;
    bool committed = false;
    bool keepMode = false;
    bool rf64 = false;
    int64_t bytesPerFrame = 0;
    int64_t byteLimit = 0;  // 0: none
    int64_t bytesWritten = 0;
    unsigned mode = 0;
    SampleConverter samples;
    std::vector<float> interleaved;
    std::vector<int32_t> integers;
};

}  // namespace trs::render
