#pragma once

#include <cmath>
#include <cstdint>
#include <cstring>
#include <gtest/gtest.h>

// Distance in units in the last place between two finite floats.
inline int64_t ulpDistance(float a, float b) {
    auto ordered = [](float f) {
        int32_t i;
        std::memcpy(&i, &f, sizeof i);
        return i < 0 ? (int64_t)INT32_MIN - i : (int64_t)i;
    };
    const int64_t d = ordered(a) - ordered(b);
    return d < 0 ? -d : d;
}

// Compares with the float nearest to a printed decimal; `ulps` is the
// allowance for values printed with only 8 significant digits.
inline ::testing::AssertionResult sameFloat(float actual, double printed, int ulps = 0) {
    const float expected = (float)printed;
    const int64_t d = ulpDistance(actual, expected);
    if (std::isfinite(actual) && d <= ulps)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "got " << ::testing::PrintToString((double)actual) << ", expected "
                                         << ::testing::PrintToString((double)expected) << " (" << d << " ulp apart)";
}
