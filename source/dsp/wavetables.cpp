#include "dsp/wavetables.h"

#include <cmath>
#include <mutex>

float WaveTables::sineTable[WaveTables::size];
float WaveTables::triangleTable[WaveTables::size];
float WaveTables::sawTable[WaveTables::size];

void WaveTables::build() {
    static std::once_flag once;
    std::call_once(once, fill);
}

void WaveTables::fill() {
    // The sine step is a rounded 2*pi/25000, so the cycle ends just short of
    // 2*pi; kept as is because the rendered sound depends on it.
    const double sineStep = (double)0.0002513272f;
    const double sawStep = (double)0.00008f;
    const double triangleStep = (double)0.00016f;
    const int32_t quarter = size / 4;
    const int32_t half = size / 2;
    for (int32_t i = 0; i < size; ++i) {
        const double x = (double)(float)i;
        sineTable[i] = (float)std::sin((double)(float)(x * sineStep));
        sawTable[i] = (float)(1.0 - x * sawStep);
        // Shifted by a quarter cycle so that the triangle is in phase with the sine.
        if (i < half) {
            int32_t at = i - quarter;
            if (at < 0)
                at += size;
            triangleTable[at] = (float)(x * triangleStep - 1.0);
        } else {
            triangleTable[i - quarter] = (float)(1.0 - (double)(float)(i - half) * triangleStep);
        }
    }
}
