// The filter's and the shaper's kernels are written once for two kinds of
// lane: one channel, stored as floats and worked out in double; and
// StereoPair, both channels side by side in one SSE2 register, each half a
// double holding a float. The same operations in the same order give the
// same bits in either.
#pragma once

#include <cmath>

#if !defined(__SSE2__) && !defined(_M_X64) && !(defined(_M_IX86_FP) && _M_IX86_FP >= 2)
#error "the chain needs SSE2 (x86-64, or i686 built with -msse2)"
#endif
#include <emmintrin.h>

#include "dsp/finitefloat.h"

inline double widened(float x) {
    return x;
}
inline float roundToFloat(double x) {
    return (float)x;
}
inline double magnitude(double x) {
    return std::fabs(x);
}

struct FloatMask {
    bool keep;
};

inline FloatMask finiteMask(float x) {
    return {isFiniteFloat(x)};
}
inline FloatMask operator&(FloatMask a, FloatMask b) {
    return {a.keep && b.keep};
}
inline bool allOf(FloatMask mask) {
    return mask.keep;
}
inline float keepWhere(FloatMask mask, float x) {
    return mask.keep ? x : 0.0f;
}

struct StereoPair {
    __m128d v;

    StereoPair() = default;
    explicit StereoPair(__m128d v) : v(v) {}
    // Implicit, so that a constant or a setting serves both channels.
    StereoPair(double both) : v(_mm_set1_pd(both)) {}
    StereoPair(float left, float right) : v(_mm_set_pd((double)right, (double)left)) {}

    float left() const { return (float)_mm_cvtsd_f64(v); }
    float right() const { return (float)_mm_cvtsd_f64(_mm_unpackhi_pd(v, v)); }
};

inline StereoPair operator+(StereoPair a, StereoPair b) {
    return StereoPair(_mm_add_pd(a.v, b.v));
}
inline StereoPair operator-(StereoPair a, StereoPair b) {
    return StereoPair(_mm_sub_pd(a.v, b.v));
}
inline StereoPair operator*(StereoPair a, StereoPair b) {
    return StereoPair(_mm_mul_pd(a.v, b.v));
}
inline StereoPair operator/(StereoPair a, StereoPair b) {
    return StereoPair(_mm_div_pd(a.v, b.v));
}

inline StereoPair widened(StereoPair x) {
    return x;
}
inline StereoPair roundToFloat(StereoPair x) {
    return StereoPair(_mm_cvtps_pd(_mm_cvtpd_ps(x.v)));
}
inline StereoPair magnitude(StereoPair x) {
    return StereoPair(_mm_andnot_pd(_mm_set1_pd(-0.0), x.v));
}

struct PairMask {
    __m128d v;
};

// False for NaN as well as for infinity.
inline PairMask finiteMask(StereoPair x) {
    return {_mm_cmplt_pd(magnitude(x).v, _mm_set1_pd(HUGE_VAL))};
}
inline PairMask operator&(PairMask a, PairMask b) {
    return {_mm_and_pd(a.v, b.v)};
}
inline bool allOf(PairMask mask) {
    return _mm_movemask_pd(mask.v) == 3;
}
inline StereoPair keepWhere(PairMask mask, StereoPair x) {
    return StereoPair(_mm_and_pd(mask.v, x.v));
}
