#pragma once

#include <cmath>
#include <cstdint>

#include "dsp/audiomodule.h"
#include "dsp/kernel.h"

// The generators' words and what one frame of noise reads.
struct NoiseState {
    float gain;  // 2^-31 * amount, kept up to date by the owner
    uint32_t stateA = 0x67452301u;
    uint32_t stateB = 0xEFCDAB89u;
    uint32_t seed = 1u;
    float color = 0.0f;
    float balance = 0.0f;
};

// Adds one frame of noise to frame[0] and frame[1].
TRS_KERNEL void addNoise(NoiseState& s, float* frame) {
    // Only the size of the balance counts: the second channel is always the louder.
    const double spread = std::fabs((double)s.balance);
    const float gain0 = (float)((1.0 - spread) * s.gain);
    const float gain1 = (float)((1.0 + spread) * s.gain);

    const uint32_t x = s.stateA ^ s.stateB;
    const uint32_t y = s.stateB + x;
    const uint32_t newA = y ^ x;
    const uint32_t newB = y + newA;

    const uint32_t s1 = s.seed * 16807u;
    const uint32_t s2 = s1 * 16807u;

    const double c = s.color;
    const double r0 = (double)(float)(int32_t)s1 * c + (double)(float)(int32_t)x * (1.0 - c);
    const double r1 = (double)(float)(int32_t)s2 * c + (double)(float)(int32_t)newA * (1.0 - c);
    const float out0 = (float)(r0 * gain0);
    const float out1 = (float)(r1 * gain1);

    s.stateA = newA;
    s.stateB = newB;
    s.seed = s2;

    frame[0] = (float)((double)frame[0] + out0);
    frame[1] = (float)((double)out1 + frame[1]);
}

// Noise from two integer generators side by side, cross-faded by `color`:
// an xor-add generator (color 0) and a 16807 congruential one (color 1).
// Every instance plays the same sequence from construction on.
class NoiseOscilator final : public AudioModule, public NoiseState {
public:
    NoiseOscilator();

    // Adds noise to frame[0] and frame[1]. Reads `gain`, not `amount`.
    void processFrame(float* frame) override;

    float scale = 4.656612873077393e-10f;  // 2^-31: signed word to -1..1
    float amount = 0.1f;
};
