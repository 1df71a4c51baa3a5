#include "dsp/waveshaper.h"

#include <cmath>

WaveShaper::WaveShaper()
{
    channels = 2;
}

float WaveShaper::foldBack(float y, float limit)
{
    const double t = limit;
    const float m = (float)std::fmod((double)(float)((double)y - t), (double)(float)(4.0 * t));
    const float distance = (float)((double)std::fabs(m) - 2.0 * t);
    return (float)(std::fabs((double)distance) - t);
}

void WaveShaper::processFrame(float* frame)
{
    const double s = smoother.step(drive);
    const double k = (s - 1.0) * 2.0;
    const double limit = foldLimit;
    for (int32_t i = 0; i < channels; ++i) {
        const double x = frame[i];
        const double a = std::fabs(x);
        float y = (float)(x * s * (a + 1.0) / (a * k + x * x + 1.0));
        if (fold && (y > limit || y < -limit))
            y = foldBack(y, foldLimit);
        frame[i] = (float)((double)outputGain * y);
    }
}
