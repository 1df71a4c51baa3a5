#include "transport.h"

#include <cmath>

namespace trs::render {

Transport::Transport(double sampleRate, std::vector<TempoPoint> tempoMap, std::vector<MeterPoint> meterMap)
    : tempo(std::move(tempoMap)), meter(std::move(meterMap)) {
    if (tempo.empty())
        tempo.push_back({});
    if (meter.empty())
        meter.push_back({});
    record.sampleRate = sampleRate;
    moveTo(0);  // valid for a plug-in that asks before the first block
    started = false;
}

void Transport::moveTo(int64_t frame) {
    const double seconds = static_cast<double>(frame) / record.sampleRate;
    // A render moves forward: go on from the last tempo and meter found.
    if (frame < lastFrame)
        t = m = 0;
    lastFrame = frame;
    while (t + 1 < tempo.size() && tempo[t + 1].seconds <= seconds)
        ++t;
    const double ppq = tempo[t].quarter + (seconds - tempo[t].seconds) * tempo[t].bpm / 60.0;
    while (m + 1 < meter.size() && meter[m + 1].quarter <= ppq)
        ++m;
    const double barLength = meter[m].numerator * 4.0 / meter[m].denominator;
    const double bars = std::floor((ppq - meter[m].quarter) / barLength);

    record.samplePos = static_cast<double>(frame);
    record.ppqPos = ppq;
    record.tempo = tempo[t].bpm;
    record.barStartPos = meter[m].quarter + bars * barLength;
    record.timeSigNumerator = meter[m].numerator;
    record.timeSigDenominator = meter[m].denominator;
    record.flags = kVstTransportPlaying | kVstPpqPosValid | kVstTempoValid | kVstBarsValid | kVstTimeSigValid |
                   (started ? 0 : kVstTransportChanged);
    started = true;
}

}  // namespace trs::render
