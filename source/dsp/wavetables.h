#pragma once

#include <cstdint>

// One cycle each of sine, triangle and saw, shared by every oscillator in
// the process. Filled once; read-only afterwards.
class WaveTables final {
public:
    static constexpr int32_t size = 25000;

    // Thread-safe and idempotent; every oscillator constructor calls it.
    static void build();

    static float sine(int32_t i) { return sineTable[i]; }
    static float triangle(int32_t i) { return triangleTable[i]; }
    static float saw(int32_t i) { return sawTable[i]; }
    // The table of waveform 0 (sine), 1 (triangle) or 2 (saw); null for the
    // square, which has none.
    static const float* table(int32_t wave) {
        return wave == 0 ? sineTable : wave == 1 ? triangleTable : wave == 2 ? sawTable : nullptr;
    }

private:
    static void fill();

    static float sineTable[size];
    static float triangleTable[size];
    static float sawTable[size];
};
