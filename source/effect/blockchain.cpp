// The chain's block path: the same float and double operations as the
// modules, in the same order, but with every state and setting in locals
// for the whole block (a module field is read once at the start and written
// once at the end), the dry pair's level measured once for both followers
// and the cutoff glide stepped once for both filters. It needs the two
// filters' glides and cutoff settings to be equal bit for bit, which they
// are unless a test drives one filter alone; anything unusual takes the
// module path in chain.cpp.
#include <initializer_list>
#include <type_traits>

#include "dsp/finitefloat.h"
#include "dsp/wavetables.h"
#include "effect/chainkernels.h"
#include "effect/tresselin.h"

using namespace chainkernels;

bool Tresselin::blockPathApplies() const {
    return follower1.channels == 2 && follower2.channels == 2 && shaper.channels == 2 &&
           sameBits(filterLeft.smoother.state, filterRight.smoother.state) &&
           sameBits(filterLeft.smoother.coef, filterRight.smoother.coef) &&
           sameBits(filterLeft.smoother.weight, filterRight.smoother.weight) &&
           sameBits(filterLeft.normalizedCutoff, filterRight.normalizedCutoff) &&
           sameBits(filterLeft.resonance, filterRight.resonance) &&
           sameBits(filterLeft.headroom, filterRight.headroom) && filterLeft.mode == filterRight.mode;
}

void Tresselin::processBlock(const float* in1, const float* in2, float* out1, float* out2, VstInt32 sampleFrames) {
    // A missing second input reads as a copy of the first: the same dry
    // pair, wet pair and a side of +0 (x - x for finite x), as the module path.
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
}
