// Writes the rendered audio. The samples go to a temporary file beside the
// output, which takes the output's name only when commit() succeeds: a
// failed or interrupted render never leaves a partial file under that name.
#pragma once

#include <string>
#include <vector>

#include "audiostream.h"

typedef struct sf_private_tag SNDFILE;

namespace trs::render {

class SoundFileWriter : public AudioSink {
public:
    // bits: 0 for 32-bit float, or 16 or 24 for integer samples. The container
    // follows the extension: .aif/.aiff, .flac, anything else WAV.
    // Throws RenderError when the file cannot be created.
    SoundFileWriter(const std::string& path, int channels, double sampleRate, int bits);
    // Removes the temporary file if commit() was not reached.
    ~SoundFileWriter() override;
    SoundFileWriter(const SoundFileWriter&) = delete;
    SoundFileWriter& operator=(const SoundFileWriter&) = delete;

    void write(const float* const* channels, int64_t frames) override;
    // Finishes the file and moves it to its name.
    void commit();

    const std::string& temporaryPath() const { return tempPath; }

private:
    void discard();

    std::string finalPath;
    std::string tempPath;
    SNDFILE* file = nullptr;
    int channelCount = 0;
    bool committed = false;
    std::vector<float> interleaved;
};

}  // namespace trs::render
