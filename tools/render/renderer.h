// Drives an opened plug-in over a whole input the way a host does, in a
// fixed order so that a render is repeatable sample for sample:
//   setSampleRate, setBlockSize, parameters in the order given, resume,
//   then per block the block's MIDI events followed by processReplacing,
//   and suspend at the end.
// A block is split at every frame that has events, which go to the plug-in
// just before the part that starts there (deltaFrames 0): a plug-in that
// reads its events at the start of a block hears each at its own frame,
// and the render is the same for every block size. Events past the end are
// dropped. audioMasterGetTime is answered for the part being processed.
#pragma once

#include <cstdint>
#include <functional>
#include <utility>
#include <vector>

#include "audiostream.h"
#include "eventschedule.h"

namespace trs::host {
class PluginInstance;
}

namespace trs::render {

struct RenderJob {
    static constexpr int kDefaultBlock = 512;
    static constexpr int kMaxBlock = 65536;

    int blockSize = kDefaultBlock;
    std::vector<std::pair<int, float>> parameters;  // index, normalised value
    std::vector<ScheduledEvent> events;             // sorted by frame
    std::vector<TempoPoint> tempo;                  // empty: 120 BPM
    std::vector<MeterPoint> meter;                  // empty: 4/4
    // Plug-in inputs beyond the source's channels: a null pointer (for
    // plug-ins that take that as mono) or a copy of the source's last channel.
    bool nullForMissingInputs = false;
};

struct RenderStats {
    int64_t frames = 0;
    int64_t blocks = 0;  // processReplacing calls
    size_t eventsDelivered = 0;
    size_t eventsDropped = 0;
};

class Renderer {
public:
    static constexpr int kMaxChannels = 64;

    using Progress = std::function<void(int64_t done, int64_t total)>;

    explicit Renderer(host::PluginInstance& plugin) : plugin(plugin) {}

    // Number of output channels the plug-in writes.
    int outputChannels() const;

    // Sample rate, block size and parameters. run() does this itself when
    // it has not been done; call it first to read parameter displays.
    void prepare(double sampleRate, const RenderJob& job);
    RenderStats run(AudioSource& source, AudioSink& sink, const RenderJob& job, const Progress& progress = {});

private:
    host::PluginInstance& plugin;
    bool prepared = false;
};

// Renders a whole buffer through an opened plug-in and returns the output.
AudioBuffer renderBuffer(host::PluginInstance& plugin, const AudioBuffer& input, const RenderJob& job);

}  // namespace trs::render
