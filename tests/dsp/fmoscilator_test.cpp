#include <cmath>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/fmoscilator.h"
#include "dsp/notetable.h"
#include "dsp/wavetables.h"
#include "floatcheck.h"

namespace {

// Output of `frames` frames of an oscillator that adds to silence.
std::vector<float> run(FMOscilator& oscillator, int frames) {
    std::vector<float> out;
    for (int i = 0; i < frames; ++i) {
        float frame[2] = {0.0f, 0.0f};
        oscillator.processFrame(frame);
        EXPECT_EQ(frame[0], frame[1]);
        out.push_back(frame[0]);
    }
    return out;
}

FMOscilator makeOscillator(float wave) {
    FMOscilator oscillator;
    oscillator.setWave(wave);
    oscillator.amount = 1.0f;
    return oscillator;
}

TEST(FMOscilator, ConstructionState) {
    FMOscilator oscillator;
    EXPECT_EQ(oscillator.channels, 2);
    EXPECT_TRUE(sameFloat(oscillator.phaseScale, 0.5668934));
    EXPECT_EQ(oscillator.ramp[0], -0.5f);
    EXPECT_TRUE(sameFloat(oscillator.ramp[1], 2.1855694e-08));
    EXPECT_STREQ(oscillator.waveName, "");
    EXPECT_STREQ(oscillator.noteName, "Hz");
    EXPECT_EQ(oscillator.frequency, 523.25f);
}

// The triangle is in phase with the sine and has no seam anywhere,
// including where its two halves and the table ends meet.
TEST(FMOscilator, TriangleTable) {
    FMOscilator fillsTheTables;
    EXPECT_NEAR(WaveTables::triangle(0), 0.0f, 1e-7);
    EXPECT_EQ(WaveTables::triangle(6250), 1.0f);
    EXPECT_EQ(WaveTables::triangle(18750), -1.0f);
    for (int32_t i = 0; i < WaveTables::size; ++i) {
        const float next = WaveTables::triangle((i + 1) % WaveTables::size);
        ASSERT_NEAR(next, WaveTables::triangle(i), 0.00016 + 1e-6) << i;
        if (std::fabs(WaveTables::sine(i)) > 0.001f) {
            ASSERT_EQ(WaveTables::triangle(i) > 0.0f, WaveTables::sine(i) > 0.0f) << i;
        }
    }
}

TEST(FMOscilator, SetWaveBlendsAndNames) {
    struct Case {
        float v;
        int a, b;
        double weightA, weightB;  // negative: not checked
        const char* name;
    };
    const Case cases[] = {
        {0.0f, 0, 0, 1.0, 0.0, "sin"},        {0.2f, 0, 1, 0.39999998, 0.6, "sin-tri"},
        {1.0f / 3.0f, 1, 1, 1.0, 0.0, "tri"}, {0.5f, 1, 2, 0.5, 0.5, "tri-saw"},
        {2.0f / 3.0f, 2, 2, 1.0, 0.0, "saw"}, {0.9f, 2, 3, -1, -1, "saw-sqr"},
        {0.003f, 0, 0, -1, 0.009, "sin"},     {1.0f, 3, 3, 1.0, 0.0, "sqr"},
        {2.0f, 6, 6, 1.0, 0.0, "sqr"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.v);
        FMOscilator oscillator;
        oscillator.setWave(c.v);
        EXPECT_EQ(oscillator.waveA, c.a);
        EXPECT_EQ(oscillator.waveB, c.b);
        if (c.weightA >= 0) {
            EXPECT_TRUE(sameFloat(oscillator.weightA, c.weightA));
        }
        if (c.weightB >= 0) {
            EXPECT_TRUE(sameFloat(oscillator.weightB, c.weightB));
        }
        EXPECT_EQ(oscillator.weightA + oscillator.weightB, 1.0f);
        EXPECT_STREQ(oscillator.waveName, c.name);
        EXPECT_EQ(oscillator.waveSetting, c.v);
    }
}

TEST(FMOscilator, SetWaveOutsideTheRangeStaysSafe) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float values[] = {5.0f, 1e30f, std::numeric_limits<float>::infinity(), -2.0f, -1e30f, nan};
    for (float v : values) {
        SCOPED_TRACE(v);
        FMOscilator oscillator;
        oscillator.setWave(v);
        const std::string name = oscillator.waveName;
        EXPECT_TRUE(name == "sqr" || name == "sin") << name;
        EXPECT_GE(oscillator.waveA, 0);
        EXPECT_FALSE(oscillator.waveSetting > 3.0f);
        oscillator.amount = 1.0f;
        for (float sample : run(oscillator, 100))
            ASSERT_LE(std::fabs(sample), 1.0f);
    }
}

TEST(FMOscilator, FirstSineFrames) {
    FMOscilator oscillator = makeOscillator(0.0f);
    const double expected[] = {0.0, 0.074324258, 0.14823736, 0.22133045};
    const std::vector<float> out = run(oscillator, 4);
    for (int i = 0; i < 4; ++i)
        EXPECT_TRUE(sameFloat(out[i], expected[i])) << "frame " << i;
    EXPECT_EQ(oscillator.phase, 4 * 296);

    float frame[2] = {0.5f, -0.25f};
    oscillator.processFrame(frame);
    EXPECT_FLOAT_EQ(frame[0] - 0.5f, frame[1] + 0.25f);
}

TEST(FMOscilator, PhaseStepIsAWholeNumberOfEntries) {
    struct Case {
        float rate, hz, offset;
        int step;
    };
    const Case cases[] = {
        {44100.0f, 440.0f, 0.0f, 249},  {44100.0f, 523.25f, 0.0f, 296},
        {44100.0f, 8.175799f, 0.0f, 4}, {44100.0f, 523.25f, -100000.0f, 4},  // held at the lowest note
        {44100.0f, 400.0f, 40.0f, 249}, {48000.0f, 440.0f, 0.0f, 229},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.hz + c.offset);
        FMOscilator oscillator = makeOscillator(0.0f);
        oscillator.setSampleRate(c.rate);
        oscillator.frequency = c.hz;
        oscillator.frequencyOffset = c.offset;
        run(oscillator, 3);
        EXPECT_EQ(oscillator.phase, 3 * c.step);
    }
}

// Sounding frequency from the rising zero crossings of ten seconds of sine.
double measuredFrequency(FMOscilator& oscillator, int frames, float rate) {
    const std::vector<float> out = run(oscillator, frames);
    double first = -1.0, last = -1.0;
    int crossings = 0;
    for (int i = 1; i < frames; ++i) {
        if (out[i - 1] < 0.0f && out[i] >= 0.0f) {
            const double at = i - 1 + out[i - 1] / (double)(out[i - 1] - out[i]);
            if (first < 0.0)
                first = at;
            last = at;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) * rate / (last - first) : 0.0;
}

TEST(FMOscilator, SoundingFrequency) {
    FMOscilator a4 = makeOscillator(0.0f);
    a4.frequency = 440.0f;
    EXPECT_NEAR(measuredFrequency(a4, 441000, 44100.0f), 439.236, 0.002);

    FMOscilator low = makeOscillator(0.0f);
    low.frequencyOffset = -5000.0f;
    EXPECT_NEAR(measuredFrequency(low, 441000, 44100.0f), 7.056, 0.002);

    FMOscilator fast = makeOscillator(0.0f);
    fast.setSampleRate(48000.0f);
    fast.frequency = 1000.0f;
    EXPECT_NEAR(measuredFrequency(fast, 480000, 48000.0f), 520 * 48000.0 / 25000.0, 0.002);
}

// Frame 43 of a 523.25 Hz oscillator is the first at or past the square's
// edge (phase 12728); frame 85 the first after the wrap (phase 160).
// Frame 87 (phase 752) plays the saw unsmoothed again.
TEST(FMOscilator, StepsAreRampedThroughTheMidpoint) {
    FMOscilator square = makeOscillator(1.0f);
    const std::vector<float> sq = run(square, 50);
    EXPECT_EQ(sq[0], 1.0f);  // no smoothing on the very first frame
    EXPECT_EQ(sq[42], 1.0f);
    EXPECT_EQ(sq[43], 1.0f);  // the step repeats the old value
    EXPECT_LT(std::fabs(sq[44]), 1e-7f);
    EXPECT_EQ(sq[45], -1.0f);

    FMOscilator saw = makeOscillator(2.0f / 3.0f);
    const std::vector<float> sw = run(saw, 90);
    EXPECT_TRUE(sameFloat(sw[84], 1.0 - 24864 * (double)0.00008f));
    EXPECT_NEAR(sw[85], sw[84], 0.02);
    EXPECT_LT(std::fabs(sw[86]), 0.002f);
    EXPECT_TRUE(sameFloat(sw[87], 1.0 - 752 * (double)0.00008f));
}

TEST(FMOscilator, StepsOfAtMostOneTenthPassUnsmoothed) {
    struct Case {
        float level;
        bool smoothed;
    };
    // A square of level w steps by 2w: 0.05 gives exactly the float 0.1.
    const Case cases[] = {{0.05f, false}, {0.049f, false}, {0.051f, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.level);
        FMOscilator oscillator = makeOscillator(1.0f);
        oscillator.weightA = c.level;
        const std::vector<float> out = run(oscillator, 46);
        EXPECT_EQ(out[42], c.level);
        if (c.smoothed) {
            EXPECT_LT(std::fabs(out[44]), 1e-7f);
        } else {
            EXPECT_EQ(out[43], -c.level);
            EXPECT_EQ(out[44], -c.level);
        }
        EXPECT_EQ(out[45], -c.level);
    }
}

TEST(FMOscilator, PhaseStaysInRangeWhateverTheFrequency) {
    const float inf = std::numeric_limits<float>::infinity();
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float oddValues[] = {nan, -nan, inf, -inf, 3.8e9f, 1e30f, -1e30f, 2.1e9f};
    std::mt19937 random(12345);
    std::uniform_real_distribution<float> offset(-30000.0f, 30000.0f);
    std::uniform_int_distribution<int> pick(0, 9);

    const float rates[] = {44100.0f, 96000.0f, 0.0f, 1e-30f, -44100.0f};
    for (float rate : rates) {
        SCOPED_TRACE(rate);
        FMOscilator oscillator = makeOscillator(0.6f);
        oscillator.setSampleRate(rate);
        for (int i = 0; i < 100000; ++i) {
            const int which = pick(random);
            oscillator.frequencyOffset = which < 8 ? oddValues[which] : offset(random);
            if (i % 1000 == 0)
                oscillator.frequency = which < 4 ? oddValues[which] : 523.25f;
            float frame[2] = {0.0f, 0.0f};
            oscillator.processFrame(frame);
            ASSERT_GE(oscillator.phase, 0) << i;
            ASSERT_LT(oscillator.phase, 25000) << i;
            ASSERT_LE(std::fabs(frame[0]), 1.0f) << i;
        }
    }
}

}  // namespace
