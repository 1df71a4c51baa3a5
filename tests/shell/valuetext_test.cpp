#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "shell/valuetext.h"
#include "testeffect.h"

namespace {

struct FloatCase {
    float value;
    const char* text;
};

std::string floatText(float v, VstInt32 maxLen = 8) {
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    trs::floatToText(v, buf, maxLen);
    return buf;
}

std::string intText(VstInt32 v, VstInt32 maxLen = 8) {
    char buf[32];
    std::memset(buf, '#', sizeof buf);
    trs::intToText(v, buf, maxLen);
    return buf;
}

TEST(FloatToText, DisplayTable) {
    const FloatCase cases[] = {
        {0.0f, "0.000000"},
        {0.5f, "0.500000"},
        {0.7f, "0.699999"},
        {12.25f, "12.25000"},
        {-3.5f, "-3.50000"},
        {100.0f, "100.0000"},
        {20000.0f, "20000.00"},
        {1234567.0f, "1234567."},
        {100000000.0f, "Huge!"},
        {-10000000.0f, "Huge!"},
        // Fraction digits are cut, never rounded; small negatives keep their sign.
        {0.999999f, "0.999998"},
        {-0.25f, "-0.25000"},
        {9999999.0f, "9999999."},
        {-999999.0f, "-999999."},
        {std::numeric_limits<float>::infinity(), "Huge!"},
        {-std::numeric_limits<float>::infinity(), "Huge!"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(floatText(c.value), c.text) << "value " << c.value;
}

TEST(FloatToText, IntegerPartWiderThanTheBudgetKeepsItsLeadingDigits) {
    const FloatCase cases[] = {
        {10000000.0f, "10000000"}, {12345678.0f, "12345678"}, {99999992.0f, "99999992"},
        {-1000000.0f, "-1000000"}, {-1234567.0f, "-1234567"}, {-9999999.0f, "-9999999"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(floatText(c.value), c.text) << "value " << c.value;
}

TEST(FloatToText, NaNGivesAFixedText) {
    EXPECT_EQ(floatText(std::numeric_limits<float>::quiet_NaN()), "NaN");
}

TEST(FloatToText, StaysWithinMaxLen) {
    EXPECT_EQ(floatText(12.25f, 4), "12.2");
    EXPECT_EQ(floatText(12.25f, 0), "");
    EXPECT_EQ(floatText(100000000.0f, 3), "Hug");
    EXPECT_EQ(floatText(12.25f, 20), "12.25000");

    char buf[8];
    std::memset(buf, '#', sizeof buf);
    trs::floatToText(1.0f, buf, -1);  // nothing written for a negative length
    EXPECT_EQ(buf[0], '#');
    trs::floatToText(1.0f, nullptr, 8);  // and a null buffer is left alone
}

TEST(IntToText, Table) {
    const struct {
        VstInt32 value;
        VstInt32 maxLen;
        const char* text;
    } cases[] = {
        {-42, 8, "-42"},
        {99999999, 8, "99999999"},
        {100000000, 8, "Huge!"},
        {0, 8, "0"},
        {1000, 8, "1000"},
        {7, 8, "7"},
        {-99999999, 16, "-99999999"},
        {-99999999, 8, "-9999999"},
        {-100000000, 8, "Huge!"},
        {INT_MIN, 8, "Huge!"},
        {INT_MAX, 8, "Huge!"},
        {123456, 3, "123"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(intText(c.value, c.maxLen), c.text) << "value " << c.value;
}

class EffectText : public ::testing::Test {
protected:
    TestEffect effect{nullptr, false};
    AudioEffect& base = effect;  // the virtuals as a derived effect calls them
    char buf[32];

    std::string dB(float v) {
        base.dB2string(v, buf, 8);
        return buf;
    }
    std::string hz(float v) {
        base.Hz2string(v, buf, 8);
        return buf;
    }
    std::string ms(float v) {
        base.ms2string(v, buf, 8);
        return buf;
    }
};

TEST_F(EffectText, Decibels) {
    EXPECT_EQ(dB(0.0f), "-oo");
    EXPECT_EQ(dB(-1.0f), "-oo");
    EXPECT_EQ(dB(1.0f), "0.000000");
    EXPECT_EQ(dB(0.5f), "-6.02060");
    EXPECT_EQ(dB(10.0f), "20.00000");
}

TEST_F(EffectText, HertzAndMillisecondsUseTheEffectsSampleRate) {
    EXPECT_EQ(hz(100.0f), "441.0000");
    EXPECT_EQ(hz(0.0f), "0.000000");
    EXPECT_EQ(ms(44100.0f), "1000.000");
    effect.setSampleRate(48000.0f);
    EXPECT_EQ(hz(100.0f), "480.0000");
    EXPECT_EQ(ms(48.0f), "1.000000");
}

TEST_F(EffectText, FloatAndIntThroughTheBase) {
    base.float2string(12.25f, buf, 8);
    EXPECT_STREQ(buf, "12.25000");
    base.int2string(-42, buf, 8);
    EXPECT_STREQ(buf, "-42");
}

}  // namespace
