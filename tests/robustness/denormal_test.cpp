// Decaying tails must not run through subnormal numbers, and the caller's
// floating-point mode must survive the processing call.
#include <gtest/gtest.h>

#include <cfloat>

#include "testeffect.h"

#if defined(__SSE__)
#include <xmmintrin.h>
#define TRS_TEST_MXCSR 1
#endif

using namespace trs::robust;

namespace {

bool isSubnormal(float x) {
    return std::fpclassify(x) == FP_SUBNORMAL;
}

}  // namespace

// One second of loud input, then twenty seconds of silence: every module
// state, checked after every 16 frames, is either normal or exactly zero.
TEST(Denormals, SilentTailLeavesNoSubnormalState) {
    for (bool busy : {false, true}) {
        auto fx = makeEffect();
        if (busy) {
            busyPatch(*fx);
            fx->setParameter(0, 0.0f);  // oscillator and noise silent, so the tail can die
            fx->setParameter(3, 0.0f);
        }
        // A long ring that still dies away (fully open, the stages keep a
        // tiny oscillation at the Nyquist frequency forever).
        fx->setParameter(5, 0.6f);
        fx->setParameter(6, busy ? 0.9f : 0.1f);
        Stereo loud = tones(44100);
        for (size_t i = 0; i < loud.frames(); i++) {
            loud.left[i] *= 1.8f;
            loud.right[i] *= 1.8f;
        }
        process(*fx, loud);

        const VstInt32 block = 16;
        float zeros[block] = {};
        float outL[block], outR[block];
        float* ins[2] = {zeros, zeros};
        float* outs[2] = {outL, outR};
        size_t subnormalStates = 0, subnormalSamples = 0;
        TresselinInspector inspect(*fx);
        for (int b = 0; b < 20 * 44100 / block; b++) {
            fx->processReplacing(ins, outs, block);
            for (int i = 0; i < block; i++)
                subnormalSamples += isSubnormal(outL[i]) + isSubnormal(outR[i]);
            for (const auto& [name, value] : inspect.stateFloats())
                if (isSubnormal(value) && subnormalStates++ < 5) {
                    ADD_FAILURE() << name << " = " << value << " after block " << b << " (busy " << busy << ")";
                }
        }
        EXPECT_EQ(subnormalStates, 0u);
        EXPECT_EQ(subnormalSamples, 0u);
        // The tails have run out, rather than settled somewhere tiny.
        for (const auto& [name, value] : inspect.stateFloats()) {
            const bool tail = name.find("envelope") != std::string::npos ||
                              (name.find("stage") != std::string::npos && name.find("Coef") == std::string::npos);
            if (tail) {
                EXPECT_EQ(value, 0.0f) << name << " (busy " << busy << ")";
            }
        }
    }
}

#if defined(TRS_TEST_MXCSR)

// Whatever mode the host runs in (rounding, exception masks, flush bits and
// sticky flags) is what it finds after the call.
TEST(Denormals, CallerFloatingPointStateIsRestored) {
    auto fx = makeEffect();
    busyPatch(*fx);
    const Stereo in = tones(256);
    const unsigned int before = _mm_getcsr();
    // Default mode; round toward zero; flush bits already set; round up
    // with the invalid-operation flag already raised.
    for (unsigned int mode : {0x1F80u, 0x7F80u, 0x9FC0u, 0x5F81u}) {
        _mm_setcsr(mode);
        Stereo out(256);
        float* ins[2] = {const_cast<float*>(in.left.data()), const_cast<float*>(in.right.data())};
        float* outs[2] = {out.left.data(), out.right.data()};
        fx->processReplacing(ins, outs, 256);
        const unsigned int after = _mm_getcsr();
        _mm_setcsr(before);
        EXPECT_EQ(after, mode) << std::hex << mode;
    }
}

// Inside the call, subnormal input counts as zero: the dry share of a
// subnormal sample does not reach the output.
TEST(Denormals, FlushedWhileProcessing) {
    auto fx = makeEffect();
    const unsigned int before = _mm_getcsr();
    _mm_setcsr(0x1F80u);  // the host's default: no flushing
    float in[64], out0[64], out1[64];
    for (float& s : in)
        s = 1e-40f;
    float* ins[2] = {in, in};
    float* outs[2] = {out0, out1};
    fx->processReplacing(ins, outs, 64);
    _mm_setcsr(before);
    for (int i = 0; i < 64; i++) {
        EXPECT_EQ(out0[i], 0.0f) << i;
        EXPECT_EQ(out1[i], 0.0f) << i;
    }
}

#endif
