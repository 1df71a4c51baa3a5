#include "dsp/noiseoscilator.h"

#include <cmath>

NoiseOscilator::NoiseOscilator() : gain((float)((double)scale * (double)0.1f))
{
    channels = 2;
}

void NoiseOscilator::processFrame(float* frame)
{
    // Only the size of the balance counts: the second channel is always the louder.
    const double spread = std::fabs(balance);
    const float gain0 = (float)((1.0 - spread) * gain);
    const float gain1 = (float)((1.0 + spread) * gain);

    const uint32_t x = stateA ^ stateB;
    const uint32_t y = stateB + x;
    const uint32_t newA = y ^ x;
    const uint32_t newB = y + newA;

    const uint32_t s1 = seed * 16807u;
    const uint32_t s2 = s1 * 16807u;

    const double c = color;
    const double r0 = (double)(float)(int32_t)s1 * c + (double)(float)(int32_t)x * (1.0 - c);
    const double r1 = (double)(float)(int32_t)s2 * c + (double)(float)(int32_t)newA * (1.0 - c);
    const float out0 = (float)(r0 * gain0);
    const float out1 = (float)(r1 * gain1);

    stateA = newA;
    stateB = newB;
    seed = s2;

    frame[0] = (float)((double)frame[0] + out0);
    frame[1] = (float)((double)out1 + frame[1]);
}
