#pragma once

#include "dsp/audiomodule.h"

// Table-lookup oscillator blending two of four waveforms (sine, triangle,
// saw, square). Steps larger than 0.1 in the raw wave are smoothed by a
// short ramp through the midpoint of the step. The pitch moves in whole
// table steps, without interpolation.
class FMOscilator final : public AudioModule {
public:
    static constexpr int32_t tableSize = 25000;
    static constexpr int32_t maxRampLength = 2;
    // Largest phase step that cannot overflow the phase before it wraps.
    static constexpr double maxPhaseStep = 2147483647.0 - tableSize;
    // rampPos only matters up to rampLength + 1; stop counting long before overflow.
    static constexpr int32_t idleCountCap = 1 << 30;

    FMOscilator();

    // Adds amount * wave to frame[0] and frame[1].
    void processFrame(float* frame) override;
    void setSampleRate(float rate) override;

    // v: 0, 1/3, 2/3, 1 select sine, triangle, saw, square; values between
    // cross-fade two neighbours.
    void setWave(float v);

    int32_t waveA = 0;
    int32_t waveB = 0;
    float weightA = 1.0f;
    float weightB = 0.0f;
    int32_t squareSplit = tableSize / 2;
    int32_t phase = 0;
    float phaseScale;
    int32_t rampLength = maxRampLength;
    int32_t rampPos = maxRampLength;
    float ramp[maxRampLength];
    float previous = 0.0f;
    float jump = 0.0f;
    float midpoint = 0.0f;
    float waveSetting = 0.0f;
    float amount = 0.1f;
    float frequency = 523.25f;
    float frequencyOffset = 0.0f;
    char waveName[8] = {};
    const char* noteName = "Hz";

private:
    float waveValue(int32_t wave) const;
};
