#pragma once

#include <cstdint>

#include "dsp/audiomodule.h"

// Noise from two integer generators side by side, cross-faded by `color`:
// an xor-add generator (color 0) and a 16807 congruential one (color 1).
// Every instance plays the same sequence from construction on.
class NoiseOscilator final : public AudioModule {
public:
    NoiseOscilator();

    // Adds noise to frame[0] and frame[1]. Reads `gain`, not `amount`.
    void processFrame(float* frame) override;

    float scale = 4.656612873077393e-10f; // 2^-31: signed word to -1..1
    float gain;                           // scale * amount, kept up to date by the owner
    uint32_t stateA = 0x67452301u;
    uint32_t stateB = 0xEFCDAB89u;
    uint32_t seed = 1u;
    float color = 0.0f;
    float amount = 0.1f;
    float balance = 0.0f;
};
