#include "dsp/envelopefollover.h"

#include <cmath>

EnvelopeFollover::EnvelopeFollover() {
    channels = 2;
    setSmooth(100.0f);
}

void EnvelopeFollover::setSmooth(float v) {
    smooth = v;
    const float t = (float)(1000.0 * v + 1.0);
    const float logOnePercent = (float)std::log((double)0.01f);
    riseCoef = (float)std::exp((double)(float)(logOnePercent / ((double)sampleRate * t * (double)0.001f)));
    fallCoef =
        (float)std::exp((double)(float)(logOnePercent / ((double)(float)(t * 0.25) * sampleRate * (double)0.001f)));
}

void EnvelopeFollover::setSampleRate(float rate) {
    sampleRate = rate;
    setSmooth(smooth);
}

void EnvelopeFollover::processFrame(float* frame) {
    followLevel(*this, frameLevel(frame, channels));
}
