#include "dsp/waveshaper.h"

#include <cmath>

WaveShaper::WaveShaper() {
    channels = 2;
}

float ShaperState::foldBack(float y, float limit) {
    const double t = limit;
    const float m = (float)std::fmod((double)(float)((double)y - t), (double)(float)(4.0 * t));
    const float distance = (float)((double)std::fabs(m) - 2.0 * t);
    return (float)(std::fabs((double)distance) - t);
}

void WaveShaper::processFrame(float* frame) {
    const double s = stepDrive(*this);
    for (int32_t i = 0; i < channels; ++i)
        frame[i] = shapeSample(*this, (double)frame[i], s);
}
