#include "dsp/noiseoscilator.h"

NoiseOscilator::NoiseOscilator() {
    channels = 2;
    gain = (float)((double)scale * (double)0.1f);
}

void NoiseOscilator::processFrame(float* frame) {
    addNoise(*this, frame);
}
