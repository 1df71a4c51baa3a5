// The signal chain, one pass per block. Runs on the audio thread: no
// allocation, no locks, no library calls.
//
// Every module's arithmetic is its kernel in source/dsp, called here with
// the module's state copied into locals for the block (read once at the
// start, written back once at the end). The dry pair's level is measured
// once for both followers, the cutoff glide stepped once for both filters
// (they share every setting), and the shaper and the filters run on both
// channels side by side. Each frame's filters run two frames behind the
// rest of its work (see the loop at the end).
#include <cstring>
#include <initializer_list>

#include "effect/denormalguard.h"
#include "effect/tresselin.h"

namespace {

// NaN gives 0, so that an amount can never hold one from frame to frame.
inline float limitUnit(float a) {
    return a >= 0.0f ? (a > 1.0f ? 1.0f : a) : 0.0f;
}

inline uint32_t bitsOf(float x) {
    uint32_t b;
    std::memcpy(&b, &x, sizeof b);
    return b;
}

}  // namespace

void Tresselin::processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) {
    if (!inputs || !outputs || !inputs[0] || !outputs[0] || sampleFrames <= 0)
        return;
    const DenormalGuard flushDenormals;
    // A missing second input reads as a copy of the first: the same dry
    // pair, wet pair and a side of +0 (x - x for finite x).
    const float* in1 = inputs[0];
    const float* in2 = inputs[1] ? inputs[1] : in1;
    if (outputs[1])
        processBlock<true>(in1, in2, outputs[0], outputs[1], sampleFrames);
    else
        processBlock<false>(in1, in2, outputs[0], nullptr, sampleFrames);
}

namespace {

// What the filters need of one frame, worked out a few frames ahead of them.
struct FrameAhead {
    StereoPair shaped;
    StereoPair dry;
    double poleCoef, stageCoef, feedback;
};

}  // namespace

template <bool hasOut2>
void Tresselin::processBlock(const float* in1, const float* in2, float* out1, float* out2, VstInt32 sampleFrames) {
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
    const double noiseScale = noise.scale;
    const double cutoff = filterLeft.normalizedCutoff;
    const int32_t mode = filterLeft.mode;
    const StereoPair headroom(filterLeft.headroom, filterRight.headroom);
    const StereoPair dryPair(dry);

    FollowerState f1 = follower1, f2 = follower2;
    NoiseState ns = noise;
    OscillatorState os = oscillator;
    ShaperState ss = shaper;
    ParamSmoother glide = filterLeft.smoother;
    FilterCoefficients coef = filterLeft;
    FilterStagesOf<StereoPair> stages = pairOf(filterLeft, filterRight);
    float noiseAmt = noise.amount, modulation = filterLeft.cutoffModulation;
    // The coefficients are a function of the glide's state alone (and the
    // resonance, fixed for the block): while the state keeps its bits, they
    // keep theirs. Nothing matches before the first frame.
    uint64_t coefBits = ~(uint64_t)0;

    // Everything up to the filters' input and coefficients: none of it
    // depends on the filters' state.
    auto prepare = [&](VstInt32 n, FrameAhead& f) TRS_STAGE {
        // A NaN or infinity from the host counts as silence, on the dry
        // path too: passed on, it would reach the next plug-in or the speakers.
        const float dryFrame[2] = {finiteOrZero(in1[n]), finiteOrZero(in2[n])};
        float wet[2] = {(float)(dtf * dryFrame[0]), (float)(dtf * dryFrame[1])};

        const float level = frameLevel(dryFrame, 2);
        followLevel(f1, level);
        followLevel(f2, level);
        const double e1 = f1.envelope;
        const double e2 = f2.envelope;

        noiseAmt = limitUnit((float)(noiseDepth * (e1 * 4.0) + noiseBase));
        ns.gain = (float)(noiseScale * noiseAmt);
        ns.balance = (float)(((double)dryFrame[1] - dryFrame[0]) * 0.5);
        addNoise(ns, wet);

        os.amount = limitUnit((float)(oscDepth * (e1 * 4.0) + oscBase));
        os.frequencyOffset = (float)(fmDepth * e2 + oscKey);
        addOscillator(os, wet);

        const double drive = stepDrive(ss);
        f.shaped = shapeSample(ss, StereoPair(wet[0], wet[1]), drive);
        f.dry = StereoPair(dryFrame[0], dryFrame[1]);

        modulation = (float)(cutoffDepth * e2 + filterKey);
        glide.step((float)((double)modulation + cutoff));
        if (bitsOf(glide.state) != coefBits) {
            updateCoefficients(coef, limitGlide(glide));
            coefBits = bitsOf(glide.state);
        }
        f.poleCoef = coef.poleCoef;
        f.stageCoef = coef.stageCoef;
        f.feedback = coef.feedback;
    };
    // The filters and the output: the one chain carried from frame to frame.
    auto finish = [&](VstInt32 n, const FrameAhead& f) TRS_STAGE {
        const StereoPair filtered =
            runStages<StereoPair, StereoPair>(stages, f.shaped, f.poleCoef, f.stageCoef, f.feedback, mode, headroom);
        const __m128 out = _mm_cvtpd_ps((dryPair * f.dry + filtered).v);
        _mm_store_ss(out1 + n, out);
        if (hasOut2)
            _mm_store_ss(out2 + n, _mm_shuffle_ps(out, out, 1));
    };

    // Software pipelined: the filters' chain of frame n waits for frame n-1
    // at every step, and frame n + ahead's other work, issued between, runs
    // in its shadow instead of after it. Two frames ahead hide as much as
    // four or eight did, and cost less to fill in short blocks.
    constexpr VstInt32 ahead = 2;
    FrameAhead ring[ahead];
    const VstInt32 lead = sampleFrames < ahead ? sampleFrames : ahead;
    for (VstInt32 n = 0; n < lead; n++)
        prepare(n, ring[n]);
    VstInt32 n = 0;
    for (; n + ahead < sampleFrames; n++) {
        finish(n, ring[n % ahead]);
        prepare(n + ahead, ring[n % ahead]);
    }
    for (; n < sampleFrames; n++)
        finish(n, ring[n % ahead]);

    static_cast<FollowerState&>(follower1) = f1;
    static_cast<FollowerState&>(follower2) = f2;
    static_cast<NoiseState&>(noise) = ns;
    noise.amount = noiseAmt;
    static_cast<OscillatorState&>(oscillator) = os;
    static_cast<ShaperState&>(shaper) = ss;
    split(stages, filterLeft, filterRight);
    for (MoogFilter* f : {&filterLeft, &filterRight}) {
        f->cutoffModulation = modulation;
        f->smoother = glide;
        static_cast<FilterCoefficients&>(*f) = coef;
    }
}
