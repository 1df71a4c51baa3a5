#pragma once

#include "dsp/audiomodule.h"
#include "dsp/kernel.h"
#include "dsp/paramsmoother.h"
#include "dsp/stereopair.h"

// The shaper's settings and its drive glide.
struct ShaperState {
    // Reflects y into -limit..limit along a triangle of period 4*limit.
    static float foldBack(float y, float limit);

    ParamSmoother smoother;
    float drive = 1.0f;  // keep positive: s = 0 turns |x| = 1 into 0/0
    float outputGain = 1.0f;
    bool fold = true;
    float foldLimit = 1.0f;
};

// The smoothed drive of this frame; one step per frame, for every channel.
TRS_KERNEL double stepDrive(ShaperState& st) {
    return st.smoother.step(st.drive);
}

TRS_KERNEL float foldOver(float y, float limit) {
    const double l = limit;
    return y > l || y < -l ? ShaperState::foldBack(y, limit) : y;
}

TRS_KERNEL StereoPair foldOver(StereoPair y, float limit) {
    return StereoPair(foldOver(y.left(), limit), foldOver(y.right(), limit));
}

// One sample (a double) or both channels (a StereoPair) shaped at drive s.
template <class Wide>
TRS_KERNEL auto shapeSample(const ShaperState& st, Wide x, double s) {
    const double k = (s - 1.0) * 2.0;
    const Wide a = magnitude(x);
    auto y = roundToFloat(x * s * (a + 1.0) / (a * k + x * x + 1.0));
    if (st.fold)
        y = foldOver(y, st.foldLimit);
    return roundToFloat(widened(y) * (double)st.outputGain);
}

// Memoryless soft saturator y = s*x*(|x|+1) / (x^2 + 2(s-1)|x| + 1) on both
// samples, with s the smoothed drive; |x| = 1 passes unchanged for any s.
// Optionally folds back whatever still exceeds foldLimit.
class WaveShaper final : public AudioModule, public ShaperState {
public:
    WaveShaper();

    void processFrame(float* frame) override;
};
