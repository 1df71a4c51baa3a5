// The per-frame signal chain. Runs on the audio thread: no allocation, no
// locks, no library calls.
//
// Two paths compute the same bits. The module path calls each module's
// processFrame on a ChainFrame, as the modules define the sound. The block
// path does the same float and double operations in the same order, but
// keeps every state and setting in locals for the whole block (a module
// field is read once at the start and written once at the end), measures
// the dry pair's level once for both followers, and steps the cutoff glide
// once for both filters. It needs the two filters' glides and cutoff
// settings to be equal bit for bit, which they are unless a test drives one
// filter alone; anything unusual takes the module path.
#include <cmath>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <type_traits>

#if !defined(TRS_SCALAR_CHAIN) && (defined(__SSE2__) || defined(_M_X64) || (defined(_M_IX86_FP) && _M_IX86_FP >= 2))
#include <emmintrin.h>
#define TRS_PAIRED_SSE2 1
#endif

#include "dsp/finitefloat.h"
#include "dsp/wavetables.h"
#include "effect/chainframe.h"
#include "effect/denormalguard.h"
#include "effect/tresselin.h"

namespace {

// NaN gives 0, so that an amount can never hold one from frame to frame.
inline float limitUnit(float a) { return a >= 0.0f ? (a > 1.0f ? 1.0f : a) : 0.0f; }

inline uint32_t bitsOf(float x)
{
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

bool sameBits(float a, float b) { return bitsOf(a) == bitsOf(b); }

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

}  // namespace

void Tresselin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (!inputs || !outputs || !inputs[0] || !outputs[0]) return;
    const float* in1 = inputs[0];
    const float* in2 = inputs[1];
    float* out1 = outputs[0];
    float* out2 = outputs[1];
    const DenormalGuard flushDenormals;

    const bool blockPath = sampleFrames > 0 && follower1.channels == 2 && follower2.channels == 2 &&
                           shaper.channels == 2 && sameBits(filterLeft.smoother.state, filterRight.smoother.state) &&
                           sameBits(filterLeft.smoother.coef, filterRight.smoother.coef) &&
                           sameBits(filterLeft.smoother.weight, filterRight.smoother.weight) &&
                           sameBits(filterLeft.normalizedCutoff, filterRight.normalizedCutoff) &&
                           sameBits(filterLeft.resonance, filterRight.resonance) &&
                           sameBits(filterLeft.headroom, filterRight.headroom) &&
                           filterLeft.mode == filterRight.mode;

    if (blockPath) {
        // A missing second input reads as a copy of the first: the same dry
        // pair, wet pair and a side of +0 (x - x for finite x), as below.
        if (!in2) in2 = in1;
        auto runBlock = [&](auto hasOut2) {
            // Settings, read once per block.
            const double dtf = dryToFilter;
            const double dry = dryLevel;
            const double noiseDepth = (double)ef1NoiseAmDepth - 0.5;
            const double noiseBase = noiseAmount;
            const double oscDepth = (double)ef1OscAmDepth - 0.5;
            const double oscBase = oscAmount;
            const double fmDepth = ef2OscFmDepth;
            const double oscKey = oscKeyOffset;
            const double cutoffDepth = ef2CutoffDepth;
            const double filterKey = filterKeyOffset;

            const double rise1 = follower1.riseCoef, fall1 = follower1.fallCoef;
            const double rise2 = follower2.riseCoef, fall2 = follower2.fallCoef;
            float env1 = follower1.envelope;
            float env2 = follower2.envelope;

            const double noiseScale = noise.scale;
            const double color = noise.color;
            const double otherColor = 1.0 - color;
            uint32_t stateA = noise.stateA, stateB = noise.stateB, seed = noise.seed;
            float noiseAmt = 0.0f, noiseGain = 0.0f, balance = 0.0f;

            const float* tableA = WaveTables::table(oscillator.waveA);
            const float* tableB = WaveTables::table(oscillator.waveB);
            const double weightA = oscillator.weightA, weightB = oscillator.weightB;
            const int32_t squareSplit = oscillator.squareSplit;
            const int32_t rampLength = oscillator.rampLength;
            const float* ramp = oscillator.ramp;
            const double phaseScale = oscillator.phaseScale;
            const double frequency = oscillator.frequency;
            const float lowest = oscillator.noteTable->frequencies[0];
            int32_t phase = oscillator.phase;
            int32_t rampPos = oscillator.rampPos;
            float previous = oscillator.previous, jump = oscillator.jump, midpoint = oscillator.midpoint;
            float oscAmt = 0.0f, freqOffset = 0.0f;

            const double driveWeight = shaper.smoother.weight, driveCoef = shaper.smoother.coef;
            const double drive = shaper.drive;
            float driveState = shaper.smoother.state;
            const double shaperGain = shaper.outputGain;
            const bool fold = shaper.fold;
            const float foldLimit = shaper.foldLimit;

            const double glideWeight = filterLeft.smoother.weight, glideCoef = filterLeft.smoother.coef;
            const double cutoff = filterLeft.normalizedCutoff;
            const float resonance = filterLeft.resonance;
            float glide = filterLeft.smoother.state;
            // The coefficients are a function of the glide's state alone (and
            // the resonance, fixed for the block): while the state keeps its
            // bits, they keep theirs. Nothing matches before the first frame.
            uint64_t coefBits = ~(uint64_t)0;
            double p = 0.0, k = 0.0;
            float poleCoef = 0.0f, stageCoef = 0.0f, feedback = 0.0f, modulation = 0.0f;
#if defined(TRS_PAIRED_SSE2)
            FilterPair filters;
            filters.load(filterLeft, filterRight);
            const __m128d dryPair = _mm_set1_pd(dry);
#else
            FilterLane left, right;
            left.load(filterLeft);
            right.load(filterRight);
#endif

            for (VstInt32 n = 0; n < sampleFrames; n++) {
                // A NaN or infinity from the host counts as silence, on the dry
                // path too: passed on, it would reach the next plug-in or the speakers.
                const float x1 = finiteOrZero(in1[n]);
                const float x2 = finiteOrZero(in2[n]);
                float wetL = (float)(dtf * x1);
                float wetR = (float)(dtf * x2);
                const float side = (float)(((double)x2 - x1) * 0.5);

                // Both followers measure the same pair.
                float sum = (float)((double)x1 + 0.0f);
                sum = (float)((double)x2 + sum);
                float m = (float)(sum / 2.0);
                if (m < 0.0f) m = -m;
                if (!(m <= 1.0f)) m = 1.0f;
                env1 = (float)(((double)env1 - m) * (m > env1 ? rise1 : fall1) + m);
                env2 = (float)(((double)env2 - m) * (m > env2 ? rise2 : fall2) + m);
                const double e1 = env1;
                const double e2 = env2;

                noiseAmt = limitUnit((float)(noiseDepth * (e1 * 4.0) + noiseBase));
                noiseGain = (float)(noiseScale * noiseAmt);
                balance = side;
                {
                    const double spread = std::fabs((double)side);
                    const float gain0 = (float)((1.0 - spread) * noiseGain);
                    const float gain1 = (float)((1.0 + spread) * noiseGain);
                    const uint32_t x = stateA ^ stateB;
                    const uint32_t y = stateB + x;
                    const uint32_t newA = y ^ x;
                    const uint32_t newB = y + newA;
                    const uint32_t s1 = seed * 16807u;
                    const uint32_t s2 = s1 * 16807u;
                    const double r0 = (double)(float)(int32_t)s1 * color + (double)(float)(int32_t)x * otherColor;
                    const double r1 = (double)(float)(int32_t)s2 * color + (double)(float)(int32_t)newA * otherColor;
                    const float o0 = (float)(r0 * gain0);
                    const float o1 = (float)(r1 * gain1);
                    stateA = newA;
                    stateB = newB;
                    seed = s2;
                    wetL = (float)((double)wetL + o0);
                    wetR = (float)((double)o1 + wetR);
                }

                oscAmt = limitUnit((float)(oscDepth * (e1 * 4.0) + oscBase));
                freqOffset = (float)(fmDepth * e2 + oscKey);
                {
                    const float va = tableA ? tableA[phase] : (phase < squareSplit ? 1.0f : -1.0f);
                    const float vb = tableB ? tableB[phase] : (phase < squareSplit ? 1.0f : -1.0f);
                    float s = (float)(weightA * va + weightB * vb);
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
                    if (rampPos < rampLength) s = (float)((double)ramp[rampPos] * jump * s + midpoint);
                    float f = (float)((double)freqOffset + frequency);
                    if (lowest > f) f = lowest;
                    double step = phaseScale * f;
                    if (!(step >= 0.0)) step = 0.0;
                    if (step > FMOscilator::maxPhaseStep) step = FMOscilator::maxPhaseStep;
                    phase += (int32_t)step;
                    if (rampPos < FMOscilator::idleCountCap) ++rampPos;
                    if (phase >= FMOscilator::tableSize) {
                        phase %= FMOscilator::tableSize;
                        if (rampPos > rampLength) rampPos = rampLength + 1;
                    }
                    const float out = (float)((double)oscAmt * s);
                    wetL = (float)((double)wetL + out);
                    wetR = (float)((double)wetR + out);
                }

                driveState = (float)(driveWeight * drive + driveCoef * driveState);
                const double s = driveState;
                const double k2 = (s - 1.0) * 2.0;
                modulation = (float)(cutoffDepth * e2 + filterKey);
                {
                    const float target = (float)((double)modulation + cutoff);
                    glide = (float)(glideWeight * target + glideCoef * glide);
                    if (bitsOf(glide) != coefBits) {
                        // Limit the result, not the glide; NaN closes the filter
                        // and a non-finite state restarts from the limited value.
                        float fc = glide;
                        if (!(fc >= 0.0f)) fc = 0.0f;
                        if (fc > 1.0f) fc = 1.0f;
                        if (!isFiniteFloat(glide)) glide = fc;
                        const float q = (float)(1.0 - fc);
                        poleCoef = (float)((double)fc * (double)0.8f * q + fc);
                        stageCoef = (float)(2.0 * poleCoef - 1.0);
                        feedback = MoogFilter::feedbackFor(q, resonance);
                        p = poleCoef;
                        k = stageCoef;
                        coefBits = bitsOf(glide);
                    }
                }
#if defined(TRS_PAIRED_SSE2)
                const __m128d x = pairOf(wetL, wetR);
                const __m128d a = _mm_andnot_pd(_mm_set1_pd(-0.0), x);
                const __m128d one = _mm_set1_pd(1.0);
                const __m128d num = _mm_mul_pd(_mm_mul_pd(x, _mm_set1_pd(s)), _mm_add_pd(a, one));
                const __m128d den = _mm_add_pd(_mm_add_pd(_mm_mul_pd(a, _mm_set1_pd(k2)), _mm_mul_pd(x, x)), one);
                __m128d shaped = roundToFloat(_mm_div_pd(num, den));
                if (fold) {
                    float yl, yr;
                    FilterPair::split(shaped, yl, yr);
                    const double limit = foldLimit;
                    if (yl > limit || yl < -limit) yl = WaveShaper::foldBack(yl, foldLimit);
                    if (yr > limit || yr < -limit) yr = WaveShaper::foldBack(yr, foldLimit);
                    shaped = pairOf(yl, yr);
                }
                shaped = roundToFloat(_mm_mul_pd(_mm_set1_pd(shaperGain), shaped));
                const __m128d wet = filters.run(shaped, _mm_set1_pd(p), _mm_set1_pd(k), _mm_set1_pd((double)feedback));
                const __m128 out = _mm_cvtpd_ps(_mm_add_pd(_mm_mul_pd(dryPair, pairOf(x1, x2)), wet));
                _mm_store_ss(out1 + n, out);
                if (decltype(hasOut2)::value) _mm_store_ss(out2 + n, _mm_shuffle_ps(out, out, 1));
#else
                {
                    const double xl = wetL, xr = wetR;
                    const double al = std::fabs(xl), ar = std::fabs(xr);
                    float yl = (float)(xl * s * (al + 1.0) / (al * k2 + xl * xl + 1.0));
                    float yr = (float)(xr * s * (ar + 1.0) / (ar * k2 + xr * xr + 1.0));
                    if (fold) {
                        const double limit = foldLimit;
                        if (yl > limit || yl < -limit) yl = WaveShaper::foldBack(yl, foldLimit);
                        if (yr > limit || yr < -limit) yr = WaveShaper::foldBack(yr, foldLimit);
                    }
                    wetL = (float)(shaperGain * yl);
                    wetR = (float)(shaperGain * yr);
                }
                wetL = left.run(wetL, p, k, feedback);
                wetR = right.run(wetR, p, k, feedback);
                out1[n] = (float)(dry * x1 + wetL);
                if (decltype(hasOut2)::value) out2[n] = (float)(dry * x2 + wetR);
#endif
            }

            follower1.envelope = env1;
            follower2.envelope = env2;
            noise.amount = noiseAmt;
            noise.gain = noiseGain;
            noise.balance = balance;
            noise.stateA = stateA;
            noise.stateB = stateB;
            noise.seed = seed;
            oscillator.amount = oscAmt;
            oscillator.frequencyOffset = freqOffset;
            oscillator.phase = phase;
            oscillator.rampPos = rampPos;
            oscillator.previous = previous;
            oscillator.jump = jump;
            oscillator.midpoint = midpoint;
            shaper.smoother.state = driveState;
            for (MoogFilter* f : {&filterLeft, &filterRight}) {
                f->cutoffModulation = modulation;
                f->smoother.state = glide;
                f->poleCoef = poleCoef;
                f->stageCoef = stageCoef;
                f->feedback = feedback;
            }
#if defined(TRS_PAIRED_SSE2)
            filters.store(filterLeft, filterRight);
#else
            left.store(filterLeft);
            right.store(filterRight);
#endif
        };
        if (out2)
            runBlock(std::true_type());
        else
            runBlock(std::false_type());
        return;
    }

    ChainFrame f;
    for (VstInt32 n = 0; n < sampleFrames; n++) {
        // A NaN or infinity from the host counts as silence, on the dry path
        // too: passed on, it would reach the next plug-in or the speakers.
        const float x1 = finiteOrZero(in1[n]);
        f.sample[ChainFrame::dryLeft] = x1;
        f.sample[ChainFrame::dryRight] = x1;
        f.sample[ChainFrame::wetLeft] = (float)((double)dryToFilter * x1);
        f.sample[ChainFrame::wetRight] = f.sample[ChainFrame::wetLeft];
        float side = 0.0f;
        if (in2) {
            const float x2 = finiteOrZero(in2[n]);
            f.sample[ChainFrame::dryRight] = x2;
            side = (float)(((double)x2 - x1) * 0.5);
            f.sample[ChainFrame::wetRight] = (float)((double)dryToFilter * x2);
        }

        follower1.processFrame(f.dry());
        follower2.processFrame(f.dry());
        const double e1 = follower1.envelope;
        const double e2 = follower2.envelope;

        noise.amount = limitUnit((float)(((double)ef1NoiseAmDepth - 0.5) * (e1 * 4.0) + noiseAmount));
        noise.gain = (float)((double)noise.scale * noise.amount);
        noise.balance = side;
        noise.processFrame(f.wet());

        oscillator.amount = limitUnit((float)(((double)ef1OscAmDepth - 0.5) * (e1 * 4.0) + oscAmount));
        oscillator.frequencyOffset = (float)((double)ef2OscFmDepth * e2 + oscKeyOffset);
        oscillator.processFrame(f.wet());

        shaper.processFrame(f.wet());

        const float m = (float)((double)ef2CutoffDepth * e2 + filterKeyOffset);
        filterLeft.cutoffModulation = m;
        filterRight.cutoffModulation = m;
        filterLeft.processFrame(f.wet());
        filterRight.processFrame(f.wetRightSample());

        out1[n] = (float)((double)dryLevel * f.sample[ChainFrame::dryLeft] + f.sample[ChainFrame::wetLeft]);
        if (out2)
            out2[n] = (float)((double)dryLevel * f.sample[ChainFrame::dryRight] + f.sample[ChainFrame::wetRight]);
    }
}
