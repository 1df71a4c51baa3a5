#include "dsp/fmoscilator.h"

#include <cmath>

#include "dsp/notetable.h"
#include "dsp/wavetables.h"

namespace {

const char* waveLabel(int32_t wave) {
    static const char* const labels[3] = {"sin", "tri", "saw"};
    return wave >= 0 && wave < 3 ? labels[wave] : "sqr";
}

char* append(char* out, const char* text) {
    while (*text)
        *out++ = *text++;
    *out = '\0';
    return out;
}

}  // namespace

FMOscilator::FMOscilator() {
    channels = 2;
    phaseScale = (float)(25000.0 / sampleRate);
    lowestFrequency = noteTable->frequencies[0];
    WaveTables::build();
    tableA = tableB = WaveTables::table(0);
    const float pi = 3.14159265358979f;
    const float s = (float)((double)pi / rampLength);
    for (int32_t j = 0; j < rampLength; ++j)
        ramp[j] = (float)(-(double)(float)std::cos((double)(float)(j * (double)s)) * 0.5);
}

void FMOscilator::setSampleRate(float rate) {
    sampleRate = rate;
    phaseScale = (float)(25000.0 / rate);
}

void FMOscilator::setWave(float v) {
    float w = (float)((double)v * 3.0);
    // The wave indices are converted from w, so keep it where the
    // conversion is defined; 9 is where the stored setting is capped (3.0).
    if (!(w >= 0.0f))
        w = 0.0f;
    if (w > 9.0f)
        w = 9.0f;
    waveA = (int32_t)w;
    waveB = (int32_t)((double)w + (double)0.99f);
    waveSetting = v > 3.0f ? 3.0f : v;
    weightB = (float)((double)w - waveA);
    weightA = (float)(1.0 - weightB);
    tableA = WaveTables::table(waveA);
    tableB = WaveTables::table(waveB);

    char* end = append(waveName, waveLabel(waveA));
    if (waveA != waveB) {
        end = append(end, "-");
        append(end, waveLabel(waveB));
    }
}

void FMOscilator::processFrame(float* frame) {
    addOscillator(*this, frame);
}
