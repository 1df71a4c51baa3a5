#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/moogfilter.h"
#include "floatcheck.h"

namespace {

constexpr double pi = 3.14159265358979323846;

float step(MoogFilter& filter, float x) {
    float frame[2] = {x, 0.0f};
    filter.processFrame(frame);
    return frame[0];
}

// Filter at 44.1 kHz whose smoothed cutoff has settled on `v` of the control map.
MoogFilter settled(float v, float resonance, int mode = MoogFilter::lowPass) {
    MoogFilter filter;
    filter.headroom = 3.0f;
    filter.setSampleRate(44100.0f);
    filter.setCutoff(v);
    filter.setResonance(resonance);
    filter.mode = mode;
    for (int i = 0; i < 5000; ++i)
        step(filter, 0.0f);
    return filter;
}

// RMS gain of a sine of `hz` after the filter has settled on it.
double sineGain(MoogFilter filter, double hz, double amplitude = 0.1) {
    double in = 0.0, out = 0.0;
    for (int i = 0; i < 44100; ++i) {
        const float x = (float)(amplitude * std::sin(2.0 * pi * hz * i / 44100.0));
        const float y = step(filter, x);
        if (i >= 22050) {
            in += (double)x * x;
            out += (double)y * y;
        }
    }
    return std::sqrt(out / in);
}

TEST(MoogFilter, ConstructionState) {
    MoogFilter filter;
    EXPECT_EQ(filter.channels, 1);
    EXPECT_EQ(filter.normalizedCutoff, 1.0f);
    EXPECT_EQ(filter.cutoffHz, 22050.0f);
    EXPECT_EQ(filter.cutoffOffset, 0.28f);
    EXPECT_EQ(filter.cutoffScale, 0.72f);
    EXPECT_TRUE(sameFloat(filter.smoother.state, 0.01));
    EXPECT_TRUE(sameFloat(filter.poleCoef, 0.01792));
    EXPECT_TRUE(sameFloat(filter.stageCoef, -0.96416));
    EXPECT_TRUE(sameFloat(filter.feedback, 3.7217872));
    EXPECT_EQ(filter.resonance, 1.0f);
    EXPECT_EQ(filter.mode, 0);
    EXPECT_EQ(filter.stage0 + filter.stage1 + filter.stage2 + filter.stage3 + filter.stage4, 0.0f);
}

TEST(MoogFilter, CutoffMap) {
    MoogFilter filter;
    filter.setSampleRate(44100.0f);
    EXPECT_TRUE(sameFloat(filter.cutoffOffset, 0.28889257));
    EXPECT_TRUE(sameFloat(filter.cutoffScale, 0.71110743));
    EXPECT_TRUE(sameFloat(filter.smoother.state, 0.0199));

    struct Case {
        float v;
        double normalized, hz;
    };
    const Case cases[] = {{0.0f, 0.00077065284, 16.992895}, {0.5f, 0.028521920, 628.90833}, {1.0f, 1.0, 22050.0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.v);
        filter.setCutoff(c.v);
        EXPECT_TRUE(sameFloat(filter.normalizedCutoff, c.normalized));
        EXPECT_TRUE(sameFloat(filter.cutoffHz, c.hz));
    }

    MoogFilter fast;
    fast.setSampleRate(48000.0f);
    EXPECT_TRUE(sameFloat(fast.cutoffOffset, 0.26549134));
    fast.setCutoff(0.0f);
    EXPECT_TRUE(sameFloat(fast.cutoffHz, 14.409236));
    fast.setCutoff(1.0f);
    EXPECT_EQ(fast.cutoffHz, 24000.0f);
}

TEST(MoogFilter, RateChangeKeepsTheCutoffInHertz) {
    MoogFilter filter;
    filter.setSampleRate(44100.0f);
    filter.setSampleRate(48000.0f);
    EXPECT_TRUE(sameFloat(filter.normalizedCutoff, 0.91875));
    EXPECT_EQ(filter.cutoffHz, 22050.0f);

    filter.setCutoff(0.5f);
    const float hz = filter.cutoffHz;
    filter.setSampleRate(96000.0f);
    EXPECT_NEAR(filter.normalizedCutoff * 48000.0, hz, hz * 1e-6);
    filter.setSampleRate(22050.0f);  // above the new Nyquist frequency
    EXPECT_LE(filter.normalizedCutoff, 1.0f);

    const float keep = filter.normalizedCutoff;
    filter.setSampleRate(0.0f);
    filter.setSampleRate(-1.0f);
    filter.setSampleRate(std::numeric_limits<float>::infinity());
    filter.setSampleRate(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(filter.sampleRate, 22050.0f);
    EXPECT_EQ(filter.normalizedCutoff, keep);
}

TEST(MoogFilter, CoefficientExtremes) {
    struct Case {
        float fc;
        double p, k, r;
        int kUlps;
    };
    // k at 0.5 is printed as 0.4 but is 2 * 0.7f - 1 = 0.39999998, one ulp below.
    const Case cases[] = {{0.0f, 0.0, -1.0, 3.7999999, 0}, {0.5f, 0.7, 0.4, 1.475, 1}, {1.0f, 1.0, 1.0, 1.0, 0}};
    for (const Case& c : cases) {
        for (float resonance : {1.0f, 0.5f}) {
            SCOPED_TRACE(testing::Message() << "fc " << c.fc << ", resonance " << resonance);
            MoogFilter filter;
            filter.resonance = resonance;
            filter.normalizedCutoff = c.fc;
            filter.smoother.state = c.fc;  // a step toward the same value stays put
            step(filter, 0.0f);
            EXPECT_TRUE(sameFloat(filter.poleCoef, c.p));
            EXPECT_TRUE(sameFloat(filter.stageCoef, c.k, c.kUlps));
            EXPECT_TRUE(sameFloat(filter.feedback, (float)(float)c.r * (double)resonance));
            EXPECT_EQ(filter.feedback, feedbackFor((float)(1.0 - c.fc), resonance));
        }
    }
}

TEST(MoogFilter, SetResonanceUsesTheCutoffTarget) {
    MoogFilter filter;  // target 1.0, smoothed cutoff still near 0
    filter.setResonance(0.7f);
    EXPECT_EQ(filter.resonance, 0.7f);
    EXPECT_EQ(filter.feedback, 0.7f);
    filter.setCutoff(0.0f);
    filter.setResonance(1.0f);
    EXPECT_EQ(filter.feedback, feedbackFor((float)(1.0 - filter.normalizedCutoff), 1.0f));
}

TEST(MoogFilter, ClipperOnTheLastStage) {
    // Cutoff fully open and no feedback: the four stages pass the input through.
    const struct {
        float in;
        double out;
    } cases[] = {{1.0f, 0.83333302}, {2.0f, 0.66666400}, {-1.0f, -0.83333302}};
    for (const auto& c : cases) {
        MoogFilter filter;
        filter.headroom = 1.0f;
        filter.resonance = 0.0f;
        filter.smoother.state = 1.0f;
        EXPECT_TRUE(sameFloat(step(filter, c.in), c.out)) << c.in;
    }
}

TEST(MoogFilter, CutoffAboveOneHoldsUntilTheSmootherReturns) {
    MoogFilter filter;
    filter.resonance = 0.0f;
    filter.cutoffModulation = 0.5f;
    for (int i = 0; i < 1000; ++i)
        step(filter, 0.0f);
    EXPECT_EQ(filter.poleCoef, 1.0f);
    EXPECT_GT(filter.smoother.state, 1.4f);

    filter.cutoffModulation = -0.5f;
    int frames = 0;
    while (filter.poleCoef == 1.0f && frames < 10000) {
        step(filter, 0.0f);
        ++frames;
    }
    EXPECT_GT(frames, 20);
    EXPECT_LT(filter.smoother.state, 1.0f);
    EXPECT_GT(filter.smoother.state, 0.99f);
}

TEST(MoogFilter, ModesAndUntouchedSecondSample) {
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-1.0f, 1.0f);
    MoogFilter low = settled(0.4f, 0.6f, 0), other = settled(0.4f, 0.6f, 3), negative = settled(0.4f, 0.6f, -1);
    for (int i = 0; i < 2000; ++i) {
        const float x = noise(random);
        float a[2] = {x, 0.125f}, b[2] = {x, -7.0f}, c[2] = {x, 0.0f};
        low.processFrame(a);
        other.processFrame(b);
        negative.processFrame(c);
        ASSERT_EQ(a[0], b[0]) << i;
        ASSERT_EQ(a[0], c[0]) << i;
        ASSERT_EQ(a[1], 0.125f);
        ASSERT_EQ(b[1], -7.0f);
    }
}

TEST(MoogFilter, GainAtDcAndAboveTheCutoff) {
    // Control 0.5 is about 629 Hz at 44.1 kHz.
    EXPECT_NEAR(sineGain(settled(0.5f, 0.0f), 60.0), 1.0, 0.02);
    EXPECT_LT(sineGain(settled(0.5f, 0.0f), 5000.0), 0.01);  // below -40 dB
    EXPECT_LT(sineGain(settled(0.5f, 0.0f), 2500.0), 0.05);
    // High-pass (input minus low-pass) and band-pass fall off at 6 dB per
    // octave below the cutoff.
    EXPECT_GT(sineGain(settled(0.5f, 0.0f, 1), 5000.0), 0.95);
    EXPECT_NEAR(sineGain(settled(0.5f, 0.0f, 1), 20.0) / sineGain(settled(0.5f, 0.0f, 1), 40.0), 0.5, 0.02);
    EXPECT_NEAR(sineGain(settled(0.5f, 0.0f, 2), 20.0) / sineGain(settled(0.5f, 0.0f, 2), 40.0), 0.5, 0.02);
    EXPECT_LT(sineGain(settled(0.5f, 0.0f, 2), 8000.0), 0.1);

    // At DC the loop gives 1 / (1 + r) for the low-pass, nothing for the
    // others. (At resonance 1 this cutoff rings for far longer than 20000 frames.)
    for (float resonance : {0.0f, 0.5f, 0.9f}) {
        for (int mode : {0, 1, 2}) {
            MoogFilter filter = settled(0.5f, resonance, mode);
            float y = 0.0f;
            for (int i = 0; i < 20000; ++i)
                y = step(filter, 0.03f);
            const double expected = mode == 0 ? 0.03 / (1.0 + filter.feedback) : 0.0;
            EXPECT_NEAR(y, expected, 2e-5) << "resonance " << resonance << ", mode " << mode;
        }
    }
}

TEST(MoogFilter, ResonancePeaksNearTheCutoff) {
    const double atCutoff = sineGain(settled(0.5f, 0.9f), 629.0, 0.05);
    EXPECT_GT(atCutoff, 2.0 * sineGain(settled(0.5f, 0.0f), 629.0, 0.05));
    EXPECT_GT(atCutoff, 3.0 * sineGain(settled(0.5f, 0.9f), 60.0, 0.05));
}

TEST(MoogFilter, NotANumberModulationKeepsCoefficientsFinite) {
    MoogFilter filter = settled(0.5f, 1.0f);
    filter.cutoffModulation = std::numeric_limits<float>::quiet_NaN();
    for (int i = 0; i < 100; ++i)
        ASSERT_TRUE(std::isfinite(step(filter, 0.5f))) << i;
    EXPECT_TRUE(std::isfinite(filter.poleCoef));
    EXPECT_TRUE(std::isfinite(filter.feedback));
}

}  // namespace
