#include "dsp/fmoscilator.h"

#include <cmath>

#include "dsp/notetable.h"
#include "dsp/wavetables.h"

namespace {

const char* waveLabel(int32_t wave)
{
    static const char* const labels[3] = {"sin", "tri", "saw"};
    return wave >= 0 && wave < 3 ? labels[wave] : "sqr";
}

char* append(char* out, const char* text)
{
    while (*text)
        *out++ = *text++;
    *out = '\0';
    return out;
}

} // namespace

FMOscilator::FMOscilator()
    : phaseScale((float)(25000.0 / sampleRate))
{
    channels = 2;
    WaveTables::build();
    const float pi = 3.14159265358979f;
    const float s = (float)((double)pi / rampLength);
    for (int32_t j = 0; j < rampLength; ++j)
        ramp[j] = (float)(-(double)(float)std::cos((double)(float)(j * (double)s)) * 0.5);
}

void FMOscilator::setSampleRate(float rate)
{
    sampleRate = rate;
    phaseScale = (float)(25000.0 / rate);
}

void FMOscilator::setWave(float v)
{
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

    char* end = append(waveName, waveLabel(waveA));
    if (waveA != waveB) {
        end = append(end, "-");
        append(end, waveLabel(waveB));
    }
}

inline float FMOscilator::waveValue(int32_t wave) const
{
    switch (wave) {
    case 0: return WaveTables::sine(phase);
    case 1: return WaveTables::triangle(phase);
    case 2: return WaveTables::saw(phase);
    default: return phase < squareSplit ? 1.0f : -1.0f;
    }
}

void FMOscilator::processFrame(float* frame)
{
    float s = (float)((double)weightA * waveValue(waveA) + (double)weightB * waveValue(waveB));

    if (rampPos > rampLength) {
        const float d = (float)((double)s - previous);
        const float size = std::fabs(d);
        if (size > (double)0.1f) {
            jump = size;
            midpoint = (float)(size * 0.5 + (d > 0.0f ? previous : s));
            rampPos = 0;
        }
    }
    previous = s;
    if (rampPos < rampLength)
        s = (float)((double)ramp[rampPos] * jump * s + midpoint);

    float f = (float)((double)frequencyOffset + frequency);
    const float lowest = noteTable->frequencies[0];
    if (lowest > f)
        f = lowest;
    // A NaN or absurd frequency (or sample rate) must not reach the
    // float-to-int conversion: hold the phase, or take the largest safe step.
    double step = (double)phaseScale * f;
    if (!(step >= 0.0))
        step = 0.0;
    if (step > maxPhaseStep)
        step = maxPhaseStep;
    phase += (int32_t)step;

    if (rampPos < idleCountCap)
        ++rampPos;
    if (phase >= tableSize) {
        phase %= tableSize;
        if (rampPos > rampLength)
            rampPos = rampLength + 1;
    }

    const float out = (float)((double)amount * s);
    frame[0] = (float)((double)frame[0] + out);
    frame[1] = (float)((double)frame[1] + out);
}
