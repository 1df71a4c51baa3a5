#pragma once

#include <cstdint>
#include <cstring>

// NaN and infinity are the floats whose exponent bits are all set. A bit
// test rather than std::isfinite keeps the per-sample paths free of calls
// and independent of how the compiler treats floating-point classification.
inline bool isFiniteFloat(float x) {
    uint32_t bits;
    std::memcpy(&bits, &x, sizeof bits);
    return (bits & 0x7F800000u) != 0x7F800000u;
}

// The sample itself, or 0 for NaN and infinity.
inline float finiteOrZero(float x) {
    return isFiniteFloat(x) ? x : 0.0f;
}
