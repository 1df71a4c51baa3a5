#pragma once

#include "dsp/audiomodule.h"
#include "dsp/paramsmoother.h"

// Four one-pole stages in series with inverted feedback from the last
// stage and a cubic soft clipper on it. One channel: frame[0] only.
// The effective cutoff glides toward its target every frame.
class MoogFilter final : public AudioModule {
public:
    enum Mode { lowPass = 0, highPass = 1, bandPass = 2 };

    MoogFilter();

    void processFrame(float* frame) override;
    // Keeps the cutoff in Hz (up to the new Nyquist frequency). A rate that
    // is not a positive finite number is ignored.
    void setSampleRate(float rate) override;

    // v: 0..1 maps exponentially from about 17 Hz (at 44.1 kHz) up to Nyquist.
    void setCutoff(float v);

    // The feedback factor for q = 1 - cutoff (cutoff as a fraction of Nyquist):
    //   (float)(((5.6f*q*q + (1 - q)) * (0.5*q) + 1) * resonance)
    // in double, 5.6f widened; products left to right.
    static float feedbackFor(float q, float resonance)
    {
        return (float)((((double)5.6f * q * q + (1.0 - q)) * (0.5 * q) + 1.0) * resonance);
    }

    // Stores the resonance and refreshes `feedback` from the cutoff target
    // (not the smoothed cutoff); the next frame recomputes it from the latter.
    void setResonance(float value);

    // Returns the stages to rest; settings and the cutoff glide are kept.
    void reset();

    float headroom = 3.0f;
    float normalizedCutoff = 1.0f;
    float cutoffOffset = 0.28f;
    float cutoffScale = 0.72f;
    float cutoffHz = 0.0f;
    float cutoffModulation = 0.0f;
    ParamSmoother smoother;
    float resonance = 1.0f;
    float feedback = 0.0f;
    float poleCoef = 0.0f;
    float stageCoef = 0.0f;
    float stage0 = 0.0f;
    float stage1 = 0.0f;
    float stage2 = 0.0f;
    float stage3 = 0.0f;
    float stage4 = 0.0f;
    int32_t mode = lowPass;

private:
    void updateCoefficients(float target);
};
