#include "sampleconverter.h"

#include <cmath>

namespace trs::render {

SampleConverter::SampleConverter(int bits, bool dither) : width(bits), dither(bits > 0 && dither) {}

double SampleConverter::triangular() {
    // Two uniform values of one step each, from xorshift64*: their sum is the
    // triangular density from -1 to +1 step.
    const auto uniform = [this]() {
        state ^= state >> 12;
        state ^= state << 25;
        state ^= state >> 27;
        const uint64_t r = state * 0x2545F4914F6CDD1Dull;
        return static_cast<double>(r >> 11) * (1.0 / 9007199254740992.0);
    };
    return uniform() - uniform();
}

void SampleConverter::toFloat(float* samples, size_t count) {
    for (size_t i = 0; i < count; ++i)
        if (!std::isfinite(samples[i])) {
            samples[i] = 0.0f;
            ++bad;
        }
}

void SampleConverter::toInt(const float* samples, int32_t* out, size_t count) {
    const double scale = std::ldexp(1.0, width - 1);
    const double high = scale - 1.0;
    const double low = -scale;
    const int shift = 32 - width;
    for (size_t i = 0; i < count; ++i) {
        double v = samples[i];
        if (!std::isfinite(v)) {
            ++bad;
            v = 0.0;  // silence, not a full-scale click, and no dither on it
        } else {
            v = v * scale + (dither ? triangular() : 0.0);
        }
        double q = std::floor(v + 0.5);
        if (q > high) {
            q = high;
            ++clips;
        } else if (q < low) {
            q = low;
            ++clips;
        }
        // Shift as unsigned: a negative value shifted left is not portable.
        out[i] = static_cast<int32_t>(static_cast<uint32_t>(static_cast<int64_t>(q)) << shift);
    }
}

}  // namespace trs::render
