#include <cmath>
#include <random>

#include <gtest/gtest.h>

#include "dsp/waveshaper.h"
#include "floatcheck.h"

namespace {

// Shaper whose smoothed drive already sits at `drive` (a step toward the
// same value stays put for the drives used here).
WaveShaper settled(float drive, bool fold) {
    WaveShaper shaper;
    shaper.drive = drive;
    shaper.smoother.state = drive;
    shaper.fold = fold;
    return shaper;
}

float shape(WaveShaper& shaper, float x) {
    float frame[2] = {x, x};
    shaper.processFrame(frame);
    EXPECT_EQ(frame[0], frame[1]);
    return frame[0];
}

TEST(WaveShaper, SettledCurve) {
    const struct {
        float in;
        double out;
    } cases[] = {{0.25f, 0.30172414}, {0.5f, 0.60576922}, {1.0f, 1.0},         {-1.0f, -1.0},
                 {2.0f, 1.2115384},   {10.0f, 1.1323529}, {-0.5f, -0.60576922}};
    WaveShaper shaper = settled(1.05f, false);
    for (const auto& c : cases) {
        EXPECT_TRUE(sameFloat(shape(shaper, c.in), c.out)) << c.in;
        EXPECT_EQ(shaper.smoother.state, 1.05f);
    }
}

TEST(WaveShaper, UnitySamplesPassForAnyDrive) {
    for (float drive : {0.05f, 0.5f, 1.0f, 1.05f, 3.0f, 20.0f}) {
        WaveShaper shaper = settled(drive, false);
        EXPECT_EQ(shape(shaper, 1.0f), 1.0f) << drive;
        EXPECT_EQ(shape(shaper, -1.0f), -1.0f) << drive;
        // Large inputs approach the drive.
        EXPECT_NEAR(shape(shaper, 1e6f), drive, drive * 1e-4 + 1e-5) << drive;
    }
}

TEST(WaveShaper, Fold) {
    // With the drive at 2 the curve is 2x / (|x| + 1): 3 shapes to exactly 1.5.
    WaveShaper folding = settled(2.0f, true);
    EXPECT_EQ(shape(folding, 3.0f), 0.5f);
    EXPECT_EQ(shape(folding, -3.0f), -0.5f);
    WaveShaper plain = settled(2.0f, false);
    EXPECT_EQ(shape(plain, 3.0f), 1.5f);
    // In range: untouched by the fold.
    WaveShaper a = settled(2.0f, true), b = settled(2.0f, false);
    EXPECT_EQ(shape(a, 0.8181818f), shape(b, 0.8181818f));
    EXPECT_TRUE(sameFloat(shape(b, 0.8181818f), 0.9, 1));

    const struct { float in, out; } folds[] = {{1.5f, 0.5f}, {3.0f, -1.0f}, {-1.5f, -0.5f}, {5.0f, 1.0f}, {0.9f, 0.9f}};
    for (const auto& f : folds) {
        if (std::fabs(f.in) > 1.0f) {
            EXPECT_EQ(WaveShaper::foldBack(f.in, 1.0f), f.out) << f.in;
        }
    }
    EXPECT_EQ(WaveShaper::foldBack(3.0f, 2.0f), 1.0f);
}

TEST(WaveShaper, GainAppliesAfterTheFold) {
    WaveShaper shaper = settled(2.0f, true);
    shaper.outputGain = 2.0f;
    EXPECT_EQ(shape(shaper, 3.0f), 1.0f);
    std::mt19937 random(3);
    std::uniform_real_distribution<float> wild(-1000.0f, 1000.0f);
    for (int i = 0; i < 10000; ++i) {
        float frame[2] = {wild(random), wild(random)};
        shaper.processFrame(frame);
        ASSERT_LE(std::fabs(frame[0]), 2.0f);
        ASSERT_LE(std::fabs(frame[1]), 2.0f);
    }
}

TEST(WaveShaper, DriveGlidesInAfterConstruction) {
    WaveShaper shaper;
    shaper.drive = 1.05f;
    shaper.fold = false;
    const double firstFive[] = {0.030230323, 0.057849903, 0.083181709, 0.10649756, 0.12802786};
    for (int i = 0; i < 5; ++i)
        EXPECT_TRUE(sameFloat(shape(shaper, 0.5f), firstFive[i])) << "frame " << i;

    const struct {
        int frames;
        double drive, within;
    } glide[] = {{100, 0.666, 0.001}, {300, 0.9985, 0.0001}, {500, 1.0431, 0.0001}};
    WaveShaper gliding;
    gliding.drive = 1.05f;
    int done = 0;
    for (const auto& g : glide) {
        for (; done < g.frames; ++done)
            shape(gliding, 0.0f);
        EXPECT_NEAR(gliding.smoother.state, g.drive, g.within) << g.frames;
    }
}

}  // namespace
