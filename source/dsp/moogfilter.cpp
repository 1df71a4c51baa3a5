#include "dsp/moogfilter.h"

#include <cmath>

MoogFilter::MoogFilter() {
    setCutoff(1.0f);
}

void MoogFilter::setResonance(float value) {
    resonance = value;
    feedback = feedbackFor((float)(1.0 - normalizedCutoff), value);
}

void MoogFilter::glideTo(float target) {
    smoother.step(target);
    updateCoefficients(*this, limitGlide(smoother));
}

void MoogFilter::setCutoff(float v) {
    const float t = (float)((double)cutoffScale * v + cutoffOffset);
    const float e = (float)std::exp((double)(float)(10.0 * t));
    const float eMax = (float)std::exp(10.0);
    normalizedCutoff = (float)(((double)e - 1.0) / ((double)eMax - 1.0));
    cutoffHz = (float)((double)normalizedCutoff * sampleRate * 0.5);
    glideTo(normalizedCutoff);
}

void MoogFilter::setSampleRate(float rate) {
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
    glideTo(normalizedCutoff);
}

void MoogFilter::processFrame(float* frame) {
    glideTo((float)((double)cutoffModulation + normalizedCutoff));
    frame[0] = runStages<float, double>(*this, frame[0], poleCoef, stageCoef, feedback, mode, headroom);
}

void MoogFilter::reset() {
    static_cast<FilterStages&>(*this) = FilterStages();
}
