#pragma once

#include "dsp/audiomodule.h"
#include "dsp/kernel.h"
#include "dsp/finitefloat.h"
#include "dsp/paramsmoother.h"
#include "dsp/stereopair.h"

// The coefficients of one frame, a function of the limited cutoff glide and
// the resonance alone.
struct FilterCoefficients {
    float resonance = 1.0f;
    float feedback = 0.0f;
    float poleCoef = 0.0f;
    float stageCoef = 0.0f;
};

// The feedback factor for q = 1 - cutoff (cutoff as a fraction of Nyquist):
//   (float)(((5.6f*q*q + (1 - q)) * (0.5*q) + 1) * resonance)
// in double, 5.6f widened; products left to right.
TRS_KERNEL float feedbackFor(float q, float resonance) {
    return (float)((((double)5.6f * q * q + (1.0 - q)) * (0.5 * q) + 1.0) * resonance);
}

// The glide's state limited to 0..1: NaN closes the filter instead of
// turning every coefficient into NaN, and an infinite or NaN state, which
// would stay in the glide for good, restarts from the limited value.
TRS_KERNEL float limitGlide(ParamSmoother& glide) {
    float fc = glide.state;
    if (!(fc >= 0.0f))
        fc = 0.0f;
    if (fc > 1.0f)
        fc = 1.0f;
    if (!isFiniteFloat(glide.state))
        glide.state = fc;
    return fc;
}

TRS_KERNEL void updateCoefficients(FilterCoefficients& c, float fc) {
    const float q = (float)(1.0 - fc);
    c.poleCoef = (float)((double)fc * (double)0.8f * q + fc);
    c.stageCoef = (float)(2.0 * c.poleCoef - 1.0);
    c.feedback = feedbackFor(q, c.resonance);
}

// The four stages and the clipped feedback tap of one channel (float), or
// of both side by side (StereoPair).
template <class Lane>
struct FilterStagesOf {
    Lane stage0 = Lane(0.0f);
    Lane stage1 = Lane(0.0f);
    Lane stage2 = Lane(0.0f);
    Lane stage3 = Lane(0.0f);
    Lane stage4 = Lane(0.0f);
};
using FilterStages = FilterStagesOf<float>;

namespace filtermode {
enum { lowPass = 0, highPass = 1, bandPass = 2 };
}

// One frame through the stages: the input x is divided by the headroom, the
// output (low-, high- or band-pass by mode) multiplied by it. Input the
// clipper could not tame (an infinity becomes NaN there), or a stage driven
// past the float range, would keep a channel silent or screaming forever:
// that channel starts again from rest and gives 0. Any non-finite stage
// reaches s4 within the frame. The check is one branch, rarely taken, off
// the path that carries the stages from one frame to the next.
template <class Lane, class Wide>
TRS_KERNEL Lane runStages(FilterStagesOf<Lane>& st, Lane x, Wide p, Wide k, Wide feedback, int32_t mode,
                          Wide headroom) {
    const Lane in = roundToFloat(widened(x) / headroom);
    const Lane u0 = roundToFloat(widened(in) - feedback * widened(st.stage4));
    const Lane s1 = roundToFloat((widened(u0) + widened(st.stage0)) * p - k * widened(st.stage1));
    const Lane s2 = roundToFloat((widened(s1) + widened(st.stage1)) * p - k * widened(st.stage2));
    const Lane s3 = roundToFloat((widened(s2) + widened(st.stage2)) * p - k * widened(st.stage3));
    const Wide y = widened(roundToFloat((widened(s3) + widened(st.stage3)) * p - k * widened(st.stage4)));
    const Lane s4 = roundToFloat(y - y * y * y * (double)0.166667f);

    Lane out;
    switch (mode) {
        case filtermode::highPass:
            out = roundToFloat(widened(u0) - widened(s4));
            break;
        case filtermode::bandPass:
            out = roundToFloat((widened(s2) - widened(s4)) * 4.0);
            break;
        default:
            out = s4;
            break;
    }
    const Lane result = roundToFloat(headroom * widened(out));

    const auto keep = finiteMask(u0) & finiteMask(s4) & finiteMask(result);
    if (allOf(keep)) {
        st.stage0 = u0;
        st.stage1 = s1;
        st.stage2 = s2;
        st.stage3 = s3;
        st.stage4 = s4;
        return result;
    }
    st.stage0 = keepWhere(keep, u0);
    st.stage1 = keepWhere(keep, s1);
    st.stage2 = keepWhere(keep, s2);
    st.stage3 = keepWhere(keep, s3);
    st.stage4 = keepWhere(keep, s4);
    return keepWhere(keep, result);
}

inline FilterStagesOf<StereoPair> pairOf(const FilterStages& l, const FilterStages& r) {
    return {
        {l.stage0, r.stage0}, {l.stage1, r.stage1}, {l.stage2, r.stage2}, {l.stage3, r.stage3}, {l.stage4, r.stage4}};
}

inline void split(const FilterStagesOf<StereoPair>& pair, FilterStages& l, FilterStages& r) {
    l = {pair.stage0.left(), pair.stage1.left(), pair.stage2.left(), pair.stage3.left(), pair.stage4.left()};
    r = {pair.stage0.right(), pair.stage1.right(), pair.stage2.right(), pair.stage3.right(), pair.stage4.right()};
}

// Four one-pole stages in series with inverted feedback from the last
// stage and a cubic soft clipper on it. One channel: frame[0] only.
// The effective cutoff glides toward its target every frame.
class MoogFilter final : public AudioModule, public FilterCoefficients, public FilterStages {
public:
    enum Mode { lowPass = filtermode::lowPass, highPass = filtermode::highPass, bandPass = filtermode::bandPass };

    MoogFilter();

    void processFrame(float* frame) override;
    // Keeps the cutoff in Hz (up to the new Nyquist frequency). A rate that
    // is not a positive finite number is ignored.
    void setSampleRate(float rate) override;

    // v: 0..1 maps exponentially from about 17 Hz (at 44.1 kHz) up to Nyquist.
    void setCutoff(float v);

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
    int32_t mode = lowPass;

private:
    void glideTo(float target);
};
