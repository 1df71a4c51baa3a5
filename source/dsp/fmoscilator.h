#pragma once

#include <cmath>
#include <cstdint>

#include "dsp/audiomodule.h"
#include "dsp/kernel.h"

// What one frame of the oscillator reads and carries on.
struct OscillatorState {
    static constexpr int32_t tableSize = 25000;
    static constexpr int32_t maxRampLength = 2;
    // Largest phase step that cannot overflow the phase before it wraps.
    static constexpr double maxPhaseStep = 2147483647.0 - tableSize;
    // rampPos only matters up to rampLength + 1; stop counting long before overflow.
    static constexpr int32_t idleCountCap = 1 << 30;

    // The tables of the two blended waves; null stands for the square.
    const float* tableA = nullptr;
    const float* tableB = nullptr;
    float weightA = 1.0f;
    float weightB = 0.0f;
    int32_t squareSplit = tableSize / 2;
    int32_t phase = 0;
    float phaseScale = 0.0f;
    int32_t rampLength = maxRampLength;
    int32_t rampPos = maxRampLength;
    float ramp[maxRampLength] = {};
    float previous = 0.0f;
    float jump = 0.0f;
    float midpoint = 0.0f;
    float amount = 0.1f;
    float frequency = 523.25f;
    float frequencyOffset = 0.0f;
    float lowestFrequency = 0.0f;  // the frequency is never taken below it
};

// Adds amount * wave of one frame to frame[0] and frame[1].
TRS_KERNEL void addOscillator(OscillatorState& o, float* frame) {
    const float a = o.tableA ? o.tableA[o.phase] : (o.phase < o.squareSplit ? 1.0f : -1.0f);
    const float b = o.tableB ? o.tableB[o.phase] : (o.phase < o.squareSplit ? 1.0f : -1.0f);
    float s = (float)((double)o.weightA * a + (double)o.weightB * b);

    if (o.rampPos > o.rampLength) {
        const float d = (float)((double)s - o.previous);
        const float size = std::fabs(d);
        if (size > (double)0.1f) {
            o.jump = size;
            o.midpoint = (float)(size * 0.5 + (d > 0.0f ? o.previous : s));
            o.rampPos = 0;
        }
    }
    o.previous = s;
    if (o.rampPos < o.rampLength)
        s = (float)((double)o.ramp[o.rampPos] * o.jump * s + o.midpoint);

    float f = (float)((double)o.frequencyOffset + o.frequency);
    if (o.lowestFrequency > f)
        f = o.lowestFrequency;
    // A NaN or absurd frequency (or sample rate) must not reach the
    // float-to-int conversion: hold the phase, or take the largest safe step.
    double step = (double)o.phaseScale * f;
    if (!(step >= 0.0))
        step = 0.0;
    if (step > OscillatorState::maxPhaseStep)
        step = OscillatorState::maxPhaseStep;
    o.phase += (int32_t)step;

    if (o.rampPos < OscillatorState::idleCountCap)
        ++o.rampPos;
    if (o.phase >= OscillatorState::tableSize) {
        o.phase %= OscillatorState::tableSize;
        if (o.rampPos > o.rampLength)
            o.rampPos = o.rampLength + 1;
    }

    const float out = (float)((double)o.amount * s);
    frame[0] = (float)((double)frame[0] + out);
    frame[1] = (float)((double)frame[1] + out);
}

// Table-lookup oscillator blending two of four waveforms (sine, triangle,
// saw, square). Steps larger than 0.1 in the raw wave are smoothed by a
// short ramp through the midpoint of the step. The pitch moves in whole
// table steps, without interpolation.
class FMOscilator final : public AudioModule, public OscillatorState {
public:
    FMOscilator();

    // Adds amount * wave to frame[0] and frame[1].
    void processFrame(float* frame) override;
    void setSampleRate(float rate) override;

    // v: 0, 1/3, 2/3, 1 select sine, triangle, saw, square; values between
    // cross-fade two neighbours.
    void setWave(float v);

    int32_t waveA = 0;
    int32_t waveB = 0;
    float waveSetting = 0.0f;
    char waveName[8] = {};
    const char* noteName = "Hz";
};
