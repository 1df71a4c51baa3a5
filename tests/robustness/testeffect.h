// An effect created directly (no module loading) for tests that read its
// engine state, with helpers for block processing.
#pragma once

#include <cmath>
#include <memory>
#include <vector>

#include "inspector.h"

namespace trs::robust {

inline VstIntPtr VSTCALLBACK quietHost(AEffect*, VstInt32 opcode, VstInt32, VstIntPtr, void*, float) {
    return opcode == audioMasterVersion ? 2400 : 0;
}

struct Stereo {
    std::vector<float> left, right;
    explicit Stereo(size_t frames = 0) : left(frames), right(frames) {}
    size_t frames() const { return left.size(); }
};

// Two sines an octave and a fifth apart, loud enough to open the followers.
inline Stereo tones(size_t frames, size_t startFrame = 0) {
    Stereo s(frames);
    for (size_t i = 0; i < frames; i++) {
        const double t = (double)(startFrame + i) / 44100.0;
        s.left[i] = (float)(0.5 * std::sin(2 * M_PI * 220.0 * t));
        s.right[i] = (float)(0.4 * std::sin(2 * M_PI * 330.0 * t + 0.3));
    }
    return s;
}

inline std::unique_ptr<Tresselin> makeEffect() {
    return std::make_unique<Tresselin>(quietHost);
}

// Oscillator, noise, a resonant filter and every follower depth in use.
inline void busyPatch(Tresselin& fx) {
    const float values[][2] = {{0, 0.6f},  {2, 0.4f},  {3, 0.7f},  {4, 0.5f},  {5, 0.5f},  {6, 0.9f},  {9, 0.8f},
                               {10, 0.8f}, {12, 0.8f}, {13, 0.7f}, {14, 1.0f}, {15, 0.5f}, {16, 0.5f}, {17, 0.5f}};
    for (const auto& v : values)
        fx.setParameter((VstInt32)v[0], v[1]);
}

inline Stereo process(Tresselin& fx, const Stereo& in, VstInt32 block = 512) {
    Stereo out(in.frames());
    for (size_t pos = 0; pos < in.frames(); pos += block) {
        const VstInt32 n = (VstInt32)std::min<size_t>(block, in.frames() - pos);
        float* ins[2] = {const_cast<float*>(in.left.data() + pos), const_cast<float*>(in.right.data() + pos)};
        float* outs[2] = {out.left.data() + pos, out.right.data() + pos};
        fx.processReplacing(ins, outs, n);
    }
    return out;
}

inline double rms(const std::vector<float>& v, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; i++)
        sum += (double)v[i] * v[i];
    return std::sqrt(sum / (double)(to - from));
}

inline size_t countNonFinite(const Stereo& s) {
    size_t n = 0;
    for (size_t i = 0; i < s.frames(); i++)
        n += !std::isfinite(s.left[i]) + !std::isfinite(s.right[i]);
    return n;
}

}  // namespace trs::robust
