#pragma once

#include "dsp/audiomodule.h"
#include "dsp/paramsmoother.h"

// Memoryless soft saturator y = s*x*(|x|+1) / (x^2 + 2(s-1)|x| + 1) on both
// samples, with s the smoothed drive; |x| = 1 passes unchanged for any s.
// Optionally folds back whatever still exceeds foldLimit.
class WaveShaper final : public AudioModule {
public:
    WaveShaper();

    void processFrame(float* frame) override;

    // Reflects y into -limit..limit along a triangle of period 4*limit.
    static float foldBack(float y, float limit);

    ParamSmoother smoother;
    float drive = 1.0f;  // keep positive: s = 0 turns |x| = 1 into 0/0
    float outputGain = 1.0f;
    bool fold = true;
    float foldLimit = 1.0f;
};
