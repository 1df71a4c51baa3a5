// What the host tells a plug-in that asks for the time (audioMasterGetTime):
// the sample position and rate of the block being processed, and the
// musical position, tempo and time signature from the tempo map.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile.h"
#include "timeinfo.h"

namespace trs::render {

class Transport {
public:
    // Empty maps mean 120 BPM and 4/4 from the start.
    Transport(double sampleRate, std::vector<TempoPoint> tempo, std::vector<MeterPoint> meter);

    // Moves to this frame; the record stays valid and changes in place.
    void moveTo(int64_t frame);
    VstTimeInfo* info() { return &record; }

private:
    std::vector<TempoPoint> tempo;
    std::vector<MeterPoint> meter;
    VstTimeInfo record{};
    bool started = false;
    int64_t lastFrame = 0;
    size_t t = 0;  // the tempo and meter in force at lastFrame
    size_t m = 0;
};

}  // namespace trs::render
