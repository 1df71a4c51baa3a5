#include "dsp/moogfilter.h"

#include <cmath>

#include "dsp/finitefloat.h"

MoogFilter::MoogFilter()
{
    setCutoff(1.0f);
}

void MoogFilter::setResonance(float value)
{
    resonance = value;
    feedback = feedbackFor((float)(1.0 - normalizedCutoff), value);
}

inline void MoogFilter::updateCoefficients(float target)
{
    float fc = smoother.step(target);
    // Limit the result, not the smoother. Written so that NaN closes the
    // filter instead of turning every coefficient into NaN.
    if (!(fc >= 0.0f))
        fc = 0.0f;
    if (fc > 1.0f)
        fc = 1.0f;
    // An infinite or NaN target would stay in the glide for good; restart it
    // from the limited value.
    if (!isFiniteFloat(smoother.state))
        smoother.state = fc;
    const float q = (float)(1.0 - fc);
    poleCoef = (float)((double)fc * (double)0.8f * q + fc);
    stageCoef = (float)(2.0 * poleCoef - 1.0);
    feedback = feedbackFor(q, resonance);
}

void MoogFilter::setCutoff(float v)
{
    const float t = (float)((double)cutoffScale * v + cutoffOffset);
    const float e = (float)std::exp((double)(float)(10.0 * t));
    const float eMax = (float)std::exp(10.0);
    normalizedCutoff = (float)(((double)e - 1.0) / ((double)eMax - 1.0));
    cutoffHz = (float)((double)normalizedCutoff * sampleRate * 0.5);
    updateCoefficients(normalizedCutoff);
}

void MoogFilter::setSampleRate(float rate)
{
    if (!(rate > 0.0f) || std::isinf(rate))
        return;
    // The map's lower end sits near 32.7 Hz (C1) whatever the rate.
    const float a = (float)((double)32.70318f / rate);
    const float b = (float)(9.0 * a + 1.0);
    const float c = (float)std::log10((double)b);
    cutoffOffset = (float)(100.0 * c);
    cutoffScale = (float)(1.0 - cutoffOffset);
    normalizedCutoff = (float)((double)normalizedCutoff * sampleRate / rate);
    if (normalizedCutoff > 1.0f)
        normalizedCutoff = 1.0f;
    sampleRate = rate;
    updateCoefficients(normalizedCutoff);
}

void MoogFilter::processFrame(float* frame)
{
    const float in = (float)((double)frame[0] / headroom);
    updateCoefficients((float)((double)cutoffModulation + normalizedCutoff));

    const double p = poleCoef;
    const double k = stageCoef;
    const float u0 = (float)((double)in - (double)feedback * stage4);
    const float s1 = (float)(((double)u0 + stage0) * p - k * stage1);
    const float s2 = (float)(((double)s1 + stage1) * p - k * stage2);
    const float s3 = (float)(((double)s2 + stage2) * p - k * stage3);
    const float y4 = (float)(((double)s3 + stage3) * p - k * stage4);
    const double y = y4;
    const float s4 = (float)(y - y * y * y * (double)0.166667f);

    // Input the shaper could not tame (an infinity becomes NaN there) or a
    // stage driven past the float range would otherwise keep the filter
    // silent or screaming forever: start again from rest. Any non-finite
    // stage reaches s4 within the frame.
    if (!isFiniteFloat(u0) || !isFiniteFloat(s4)) {
        reset();
        frame[0] = 0.0f;
        return;
    }

    stage0 = u0;
    stage1 = s1;
    stage2 = s2;
    stage3 = s3;
    stage4 = s4;

    float out;
    switch (mode) {
    case highPass: out = (float)((double)u0 - s4); break;
    case bandPass: out = (float)(((double)s2 - s4) * 4.0); break;
    default: out = s4; break;
    }
    const float result = (float)((double)headroom * out);
    if (!isFiniteFloat(result)) {
        reset();
        frame[0] = 0.0f;
        return;
    }
    frame[0] = result;
}

void MoogFilter::reset()
{
    stage0 = 0.0f;
    stage1 = 0.0f;
    stage2 = 0.0f;
    stage3 = 0.0f;
    stage4 = 0.0f;
}
