#pragma once

#include "dsp/audiomodule.h"
#include "dsp/kernel.h"

// What the follower carries from frame to frame, and its two coefficients.
struct FollowerState {
    float riseCoef = 0.0f;
    float fallCoef = 0.0f;
    float envelope = 0.0f;
};

// The size of the signed mean of a frame, limited to 1. Written so that a
// NaN level counts as full scale: one bad input sample must not leave the
// envelope (and all modulation) NaN for good.
TRS_KERNEL float frameLevel(const float* frame, int32_t channels) {
    float sum = 0.0f;
    for (int32_t i = 0; i < channels; ++i)
        sum = (float)((double)frame[i] + sum);
    float m = (float)(sum / (double)(float)channels);
    if (m < 0.0f)
        m = -m;
    if (!(m <= 1.0f))
        m = 1.0f;
    return m;
}

// One frame of the follower for a level from frameLevel.
TRS_KERNEL void followLevel(FollowerState& s, float m) {
    const double c = m > s.envelope ? (double)s.riseCoef : (double)s.fallCoef;
    s.envelope = (float)(((double)s.envelope - m) * c + m);
}

// Level of the signed mean of the frame's samples, smoothed with a slow
// rise and a four times faster fall. The frame itself is left unchanged.
class EnvelopeFollover final : public AudioModule, public FollowerState {
public:
    EnvelopeFollover();

    void processFrame(float* frame) override;
    void setSampleRate(float rate) override;

    // v: 0..1 maps to a 99 % rise time of 1..1001 ms (fall: a quarter of it).
    void setSmooth(float v);

    float smooth = 100.0f;
};
