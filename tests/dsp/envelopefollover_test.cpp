#include <cmath>
#include <limits>

#include <gtest/gtest.h>

#include "dsp/envelopefollover.h"
#include "floatcheck.h"

namespace {

void feed(EnvelopeFollover& follower, float left, float right, int frames = 1) {
    for (int i = 0; i < frames; ++i) {
        float frame[2] = {left, right};
        follower.processFrame(frame);
    }
}

TEST(EnvelopeFollover, Coefficients) {
    struct Case {
        float rate;
        float smooth;
        double rise;
        double fall;
    };
    const Case cases[] = {
        {44100.0f, 0.01f, 0.99055165, 0.96273899},
        {44100.0f, 0.0f, 0.90084177, 0.65855813},
        {44100.0f, 1.0f, 0.99989569, 0.99958283},
        {48000.0f, 0.01f, 0.99131602, 0.96571392},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, smooth " << c.smooth);
        EnvelopeFollover direct;
        direct.sampleRate = c.rate;
        direct.setSmooth(c.smooth);
        EXPECT_TRUE(sameFloat(direct.riseCoef, c.rise));
        EXPECT_TRUE(sameFloat(direct.fallCoef, c.fall));

        // Changing the rate afterwards keeps the times in milliseconds.
        EnvelopeFollover moved;
        moved.setSmooth(c.smooth);
        moved.setSampleRate(c.rate);
        EXPECT_EQ(moved.smooth, c.smooth);
        EXPECT_EQ(moved.riseCoef, direct.riseCoef);
        EXPECT_EQ(moved.fallCoef, direct.fallCoef);
    }
}

TEST(EnvelopeFollover, OppositeSamplesCancel) {
    EnvelopeFollover cancelled, silent;
    cancelled.setSmooth(0.01f);
    silent.setSmooth(0.01f);
    feed(cancelled, 0.8f, 0.8f, 300);
    feed(silent, 0.8f, 0.8f, 300);
    for (int i = 0; i < 50; ++i) {
        feed(cancelled, 0.7f, -0.7f);
        feed(silent, 0.0f, 0.0f);
        ASSERT_EQ(cancelled.envelope, silent.envelope) << i;
    }
    EXPECT_LT(cancelled.envelope, 0.8f * 0.2f);
}

TEST(EnvelopeFollover, LevelIsClampedToOne) {
    EnvelopeFollover loud, full;
    loud.setSmooth(0.0f);
    full.setSmooth(0.0f);
    for (int i = 0; i < 500; ++i) {
        feed(loud, i % 2 ? 3.0f : -5.0f, i % 2 ? 2.0f : -1.5f);
        feed(full, 1.0f, 1.0f);
        ASSERT_EQ(loud.envelope, full.envelope) << i;
        ASSERT_LE(loud.envelope, 1.0f);
    }
}

TEST(EnvelopeFollover, EqualLevelHoldsTheEnvelope) {
    EnvelopeFollover follower;
    follower.setSmooth(0.3f);
    follower.envelope = 0.25f;
    feed(follower, 0.25f, 0.25f, 10);
    EXPECT_EQ(follower.envelope, 0.25f);
    feed(follower, 0.5f, 0.0f, 10);  // mean 0.25 as well
    EXPECT_EQ(follower.envelope, 0.25f);
}

TEST(EnvelopeFollover, FreshFollowerBarelyMoves) {
    EnvelopeFollover follower;
    feed(follower, 1.0f, 1.0f, 1000);
    EXPECT_GT(follower.envelope, 0.0f);
    EXPECT_LT(follower.envelope, 0.002f);
}

// 99 % of a step in t ms upward and t/4 ms downward.
TEST(EnvelopeFollover, RiseAndFallTimes) {
    struct Case {
        float rate;
        float smooth;
    };
    const Case cases[] = {{44100.0f, 0.01f}, {44100.0f, 0.2f}, {48000.0f, 0.01f}, {48000.0f, 0.0f}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.rate << " Hz, smooth " << c.smooth);
        const double riseFrames = (1000.0 * c.smooth + 1.0) * 0.001 * c.rate;
        EnvelopeFollover follower;
        follower.setSampleRate(c.rate);
        follower.setSmooth(c.smooth);
        int frames = 0;
        while (follower.envelope < 0.99f && frames < 1000000) {
            feed(follower, 1.0f, 1.0f);
            ++frames;
        }
        EXPECT_NEAR(frames, std::ceil(riseFrames), 1.0);

        follower.envelope = 1.0f;
        frames = 0;
        while (follower.envelope > 0.01f && frames < 1000000) {
            feed(follower, 0.0f, 0.0f);
            ++frames;
        }
        EXPECT_NEAR(frames, std::ceil(riseFrames / 4.0), 1.0);
    }
}

TEST(EnvelopeFollover, NotANumberCountsAsFullLevel) {
    EnvelopeFollover follower;
    follower.setSmooth(0.0f);
    feed(follower, std::numeric_limits<float>::quiet_NaN(), 0.0f);
    EXPECT_TRUE(std::isfinite(follower.envelope));
    EXPECT_GT(follower.envelope, 0.0f);
    feed(follower, 0.0f, 0.0f, 2000);
    EXPECT_LT(follower.envelope, 1e-6f);
}

}  // namespace
