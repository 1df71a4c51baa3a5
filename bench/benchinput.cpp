#include "benchinput.h"

std::vector<float> makeBenchInput(int frames, uint32_t seed) {
    constexpr int kRate = 44100;
    std::vector<float> v(frames);
    float level = 0.0f;
    for (int n = 0; n < frames; n++) {
        if (n % (kRate / 4) == 0)
            level = (n % kRate == 0) ? 0.9f : 0.5f;
        seed = seed * 1664525u + 1013904223u;
        const float white = (float)(int32_t)seed * (1.0f / 2147483648.0f);
        const int phase = n % 400;
        const float tri = (float)(phase < 200 ? phase - 100 : 300 - phase) * 0.01f;
        v[n] = level * (0.6f * tri + 0.4f * white);
        level *= 0.9997f;
    }
    return v;
}
