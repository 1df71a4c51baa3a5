// The arithmetic of the chain's block path that is not a module's own: the
// filters of both channels run side by side for a block, and small helpers.
// Each does exactly the float and double operations of the module it
// stands for, in the same order.
#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>

#if !defined(TRS_SCALAR_CHAIN) && (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define TRS_PAIRED_SSE2 1
#endif

#include "dsp/moogfilter.h"

namespace chainkernels {
// NaN gives 0, so that an amount can never hold one from frame to frame.
inline float limitUnit(float a) { return a >= 0.0f ? (a > 1.0f ? 1.0f : a) : 0.0f; }

inline uint32_t bitsOf(float x)
{
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

inline bool sameBits(float a, float b) { return bitsOf(a) == bitsOf(b); }

// The state of one filter channel for a block.
struct FilterLane {
    float stage0, stage1, stage2, stage3, stage4;
    float headroom;
    int32_t mode;

    void load(const MoogFilter& f)
    {
        stage0 = f.stage0;
        stage1 = f.stage1;
        stage2 = f.stage2;
        stage3 = f.stage3;
        stage4 = f.stage4;
        headroom = f.headroom;
        mode = f.mode;
    }

    void store(MoogFilter& f) const
    {
        f.stage0 = stage0;
        f.stage1 = stage1;
        f.stage2 = stage2;
        f.stage3 = stage3;
        f.stage4 = stage4;
    }

    // MoogFilter::processFrame after its coefficient update.
    float run(float x, double p, double k, float feedback)
    {
        const float in = (float)((double)x / headroom);
        const float u0 = (float)((double)in - (double)feedback * stage4);
        const float s1 = (float)(((double)u0 + stage0) * p - k * stage1);
        const float s2 = (float)(((double)s1 + stage1) * p - k * stage2);
        const float s3 = (float)(((double)s2 + stage2) * p - k * stage3);
        const float y4 = (float)(((double)s3 + stage3) * p - k * stage4);
        const double y = y4;
        const float s4 = (float)(y - y * y * y * (double)0.166667f);
        if (!isFiniteFloat(u0) || !isFiniteFloat(s4)) {
            reset();
            return 0.0f;
        }
        stage0 = u0;
        stage1 = s1;
        stage2 = s2;
        stage3 = s3;
        stage4 = s4;
        float out;
        switch (mode) {
        case MoogFilter::highPass: out = (float)((double)u0 - s4); break;
        case MoogFilter::bandPass: out = (float)(((double)s2 - s4) * 4.0); break;
        default: out = s4; break;
        }
        const float result = (float)((double)headroom * out);
        if (!isFiniteFloat(result)) {
            reset();
            return 0.0f;
        }
        return result;
    }

    void reset() { stage0 = stage1 = stage2 = stage3 = stage4 = 0.0f; }
};

#if defined(TRS_PAIRED_SSE2)
// Both filter channels side by side, left in the low half: the same double
// operations as FilterLane, two at a time. Each value that FilterLane keeps
// as a float is rounded to float and held widened.
inline __m128d roundToFloat(__m128d v) { return _mm_cvtps_pd(_mm_cvtpd_ps(v)); }

inline __m128d pairOf(float left, float right) { return _mm_set_pd((double)right, (double)left); }

inline __m128d finiteMask(__m128d v)
{
    const __m128d magnitude = _mm_andnot_pd(_mm_set1_pd(-0.0), v);
    return _mm_cmplt_pd(magnitude, _mm_set1_pd(HUGE_VAL));  // false for NaN
}

struct FilterPair {
    __m128d stage0, stage1, stage2, stage3, stage4;
    __m128d headroom;
    int32_t mode;

    void load(const MoogFilter& l, const MoogFilter& r)
    {
        stage0 = pairOf(l.stage0, r.stage0);
        stage1 = pairOf(l.stage1, r.stage1);
        stage2 = pairOf(l.stage2, r.stage2);
        stage3 = pairOf(l.stage3, r.stage3);
        stage4 = pairOf(l.stage4, r.stage4);
        headroom = pairOf(l.headroom, r.headroom);
        mode = l.mode;
    }

    static void split(__m128d v, float& l, float& r)
    {
        l = (float)_mm_cvtsd_f64(v);
        r = (float)_mm_cvtsd_f64(_mm_unpackhi_pd(v, v));
    }

    void store(MoogFilter& l, MoogFilter& r) const
    {
        split(stage0, l.stage0, r.stage0);
        split(stage1, l.stage1, r.stage1);
        split(stage2, l.stage2, r.stage2);
        split(stage3, l.stage3, r.stage3);
        split(stage4, l.stage4, r.stage4);
    }

    // A channel whose first stage input, clipped last stage or result is not
    // finite returns to rest and gives 0, as MoogFilter does; without branches.
    __m128d run(__m128d x, __m128d p, __m128d k, __m128d feedback)
    {
        const __m128d in = roundToFloat(_mm_div_pd(x, headroom));
        const __m128d u0 = roundToFloat(_mm_sub_pd(in, _mm_mul_pd(feedback, stage4)));
        const __m128d s1 = roundToFloat(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(u0, stage0), p), _mm_mul_pd(k, stage1)));
        const __m128d s2 = roundToFloat(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(s1, stage1), p), _mm_mul_pd(k, stage2)));
        const __m128d s3 = roundToFloat(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(s2, stage2), p), _mm_mul_pd(k, stage3)));
        const __m128d y = roundToFloat(_mm_sub_pd(_mm_mul_pd(_mm_add_pd(s3, stage3), p), _mm_mul_pd(k, stage4)));
        const __m128d cube = _mm_mul_pd(_mm_mul_pd(_mm_mul_pd(y, y), y), _mm_set1_pd((double)0.166667f));
        const __m128d s4 = roundToFloat(_mm_sub_pd(y, cube));
        __m128d out;
        switch (mode) {
        case MoogFilter::highPass: out = roundToFloat(_mm_sub_pd(u0, s4)); break;
        case MoogFilter::bandPass: out = roundToFloat(_mm_mul_pd(_mm_sub_pd(s2, s4), _mm_set1_pd(4.0))); break;
        default: out = s4; break;
        }
        const __m128d result = roundToFloat(_mm_mul_pd(headroom, out));
        const __m128d keep = _mm_and_pd(_mm_and_pd(finiteMask(u0), finiteMask(s4)), finiteMask(result));
        stage0 = _mm_and_pd(u0, keep);
        stage1 = _mm_and_pd(s1, keep);
        stage2 = _mm_and_pd(s2, keep);
        stage3 = _mm_and_pd(s3, keep);
        stage4 = _mm_and_pd(s4, keep);
        return _mm_and_pd(result, keep);
    }
};
#endif

}  // namespace chainkernels
