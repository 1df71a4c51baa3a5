#include "dsp/envelopefollover.h"

#include <cmath>

EnvelopeFollover::EnvelopeFollover()
{
    channels = 2;
    setSmooth(100.0f);
}

void EnvelopeFollover::setSmooth(float v)
{
    smooth = v;
    const float t = (float)(1000.0 * v + 1.0);
    const float logOnePercent = (float)std::log((double)0.01f);
    riseCoef = (float)std::exp(
        (double)(float)(logOnePercent / ((double)sampleRate * t * (double)0.001f)));
    fallCoef = (float)std::exp((double)(float)(
        logOnePercent / ((double)(float)(t * 0.25) * sampleRate * (double)0.001f)));
}

void EnvelopeFollover::setSampleRate(float rate)
{
    sampleRate = rate;
    setSmooth(smooth);
}

void EnvelopeFollover::processFrame(float* frame)
{
    float sum = 0.0f;
    for (int32_t i = 0; i < channels; ++i)
        sum = (float)((double)frame[i] + sum);
    float m = (float)(sum / (double)(float)channels);
    if (m < 0.0f)
        m = -m;
    // Written so that a NaN level counts as full scale: one bad input sample
    // must not leave the envelope (and all modulation) NaN for good.
    if (!(m <= 1.0f))
        m = 1.0f;
    const float c = m > envelope ? riseCoef : fallCoef;
    envelope = (float)(((double)envelope - m) * c + m);
}
