#pragma once

#include "dsp/audiomodule.h"

// Level of the signed mean of the frame's samples, smoothed with a slow
// rise and a four times faster fall. The frame itself is left unchanged.
class EnvelopeFollover final : public AudioModule {
public:
    EnvelopeFollover();

    void processFrame(float* frame) override;
    void setSampleRate(float rate) override;

    // v: 0..1 maps to a 99 % rise time of 1..1001 ms (fall: a quarter of it).
    void setSmooth(float v);

    float riseCoef = 0.0f;
    float fallCoef = 0.0f;
    float envelope = 0.0f;
    float smooth = 100.0f;
};
