#include "renderer.h"

#include <algorithm>

#include "eventlist.h"
#include "plugininstance.h"
#include "rendererror.h"
#include "transport.h"

namespace trs::render {

int Renderer::outputChannels() const {
    return plugin.effect() ? plugin.effect()->numOutputs : 0;
}

void Renderer::prepare(double sampleRate, const RenderJob& job) {
    plugin.setSampleRate(static_cast<float>(sampleRate));
    plugin.setBlockSize(job.blockSize);
    for (const auto& p : job.parameters)
        plugin.setParameter(p.first, p.second);
    prepared = true;
}

RenderStats Renderer::run(AudioSource& source, AudioSink& sink, const RenderJob& job, const Progress& progress) {
    AEffect* effect = plugin.effect();
    if (!effect)
        throw RenderError("the plug-in is closed");
    const int inputs = effect->numInputs;
    const int outputs = effect->numOutputs;
    if (inputs < 0 || inputs > kMaxChannels || outputs < 1 || outputs > kMaxChannels)
        throw RenderError("the plug-in declares " + std::to_string(inputs) + " inputs and " + std::to_string(outputs) +
                          " outputs; cannot render through it");
    if (job.blockSize < 1 || job.blockSize > RenderJob::kMaxBlock)
        throw RenderError("block size " + std::to_string(job.blockSize) + " is outside 1.." +
                          std::to_string(RenderJob::kMaxBlock));
    const int sourceChannels = source.channelCount();
    if (sourceChannels < 1)
        throw RenderError("the input has no channels");

    const int block = job.blockSize;
    std::vector<std::vector<float>> inBuffers(static_cast<size_t>(std::max(inputs, sourceChannels)),
                                              std::vector<float>(static_cast<size_t>(block)));
    std::vector<std::vector<float>> outBuffers(static_cast<size_t>(outputs),
                                               std::vector<float>(static_cast<size_t>(block)));
    std::vector<float*> readPtrs, inPtrs, outPtrs;
    for (int c = 0; c < sourceChannels; ++c)
        readPtrs.push_back(inBuffers[static_cast<size_t>(c)].data());
    for (int c = 0; c < inputs; ++c) {
        if (c < sourceChannels)
            inPtrs.push_back(inBuffers[static_cast<size_t>(c)].data());
        else
            inPtrs.push_back(job.nullForMissingInputs ? nullptr
                                                      : inBuffers[static_cast<size_t>(sourceChannels - 1)].data());
    }
    for (auto& b : outBuffers)
        outPtrs.push_back(b.data());
    // Keep the pointer array valid even for a plug-in without inputs.
    inPtrs.push_back(nullptr);
    outPtrs.push_back(nullptr);

    if (!prepared)
        prepare(source.sampleRate(), job);
    prepared = false;

    Transport transport(source.sampleRate(), job.tempo, job.meter);
    struct TimeAnswer {
        host::HostConfig& config;
        std::function<bool(const host::HostRequest&, VstIntPtr&)> before;
        ~TimeAnswer() { config.handler = before; }
    } restore{plugin.config(), plugin.config().handler};
    plugin.config().handler = [&transport, before = restore.before](const host::HostRequest& r, VstIntPtr& answer) {
        if (r.opcode == audioMasterGetTime) {
            answer = reinterpret_cast<VstIntPtr>(transport.info());
            return true;
        }
        return before && before(r, answer);
    };
    plugin.resume();

    const bool replacing = (effect->flags & effFlagsCanReplacing) != 0;
    const int64_t total = source.frameCount();
    host::EventList list;
    RenderStats stats;
    size_t nextEvent = 0;
    std::vector<float*> partIn(inPtrs.size()), partOut(outPtrs.size());
    for (;;) {
        const int64_t want = total > 0 ? std::min<int64_t>(block, total - stats.frames) : block;
        const int64_t got = want > 0 ? source.read(readPtrs.data(), want) : 0;
        if (got <= 0)
            break;
        if (!replacing)
            for (auto& b : outBuffers)
                std::fill(b.begin(), b.end(), 0.0f);

        for (int64_t at = 0; at < got;) {
            const int64_t frame = stats.frames + at;
            list.clear();
            for (; nextEvent < job.events.size() && job.events[nextEvent].frame <= frame; ++nextEvent) {
                const ScheduledEvent& e = job.events[nextEvent];
                if (e.sysex.empty())
                    list.addMidi(0, e.bytes[0], e.bytes[1], e.bytes[2]);
                else
                    list.addSysex(0, e.sysex);
            }
            int64_t until = got;
            if (nextEvent < job.events.size())
                until = std::min(until, job.events[nextEvent].frame - stats.frames);
            if (list.size() > 0) {
                plugin.processEvents(list);
                stats.eventsDelivered += list.size();
            }
            for (size_t c = 0; c + 1 < inPtrs.size(); ++c)
                partIn[c] = inPtrs[c] ? inPtrs[c] + at : nullptr;
            for (size_t c = 0; c + 1 < outPtrs.size(); ++c)
                partOut[c] = outPtrs[c] + at;
            transport.moveTo(frame);
            const VstInt32 frames = static_cast<VstInt32>(until - at);
            if (replacing)
                plugin.processReplacing(partIn.data(), partOut.data(), frames);
            else
                plugin.processAccumulating(partIn, partOut, frames);
            ++stats.blocks;
            at = until;
        }
        sink.write(outPtrs.data(), got);

        stats.frames += got;
        if (progress)
            progress(stats.frames, total);
    }
    stats.eventsDropped = job.events.size() - nextEvent;
    plugin.suspend();
    return stats;
}

AudioBuffer renderBuffer(host::PluginInstance& plugin, const AudioBuffer& input, const RenderJob& job) {
    Renderer renderer(plugin);
    BufferSource source(input);
    BufferSink sink(renderer.outputChannels(), input.sampleRate);
    renderer.run(source, sink, job);
    return sink.result();
}

}  // namespace trs::render
