// Turns the plug-in's float samples into what the output file holds: floats
// with non-finite values replaced by 0, or integers rounded to the nearest
// step (optionally with triangular dither) and clipped at full scale, with
// each replacement and clip counted so the user can be told.
#pragma once

#include <cstdint>
#include <cstddef>

namespace trs::render {

class SampleConverter {
public:
    // bits: 0 for float output, else 8..32 integer bits.
    SampleConverter(int bits, bool dither);

    // In place: NaN and infinities become 0.
    void toFloat(float* samples, size_t count);
    // To 32-bit integers holding the value in their top `bits` bits (the
    // form libsndfile takes for every integer width).
    void toInt(const float* samples, int32_t* out, size_t count);

    int bits() const { return width; }
    bool dithered() const { return dither; }
    int64_t clipped() const { return clips; }
    int64_t nonFinite() const { return bad; }

private:
    double triangular();

    int width;
    bool dither;
    uint64_t state = 0x9E3779B97F4A7C15ull;  // fixed: renders repeat bit for bit
    int64_t clips = 0;
    int64_t bad = 0;
};

}  // namespace trs::render
