#include "demo.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace trs::render::demo {

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kStep = 0.125;  // a sixteenth at 120 BPM
constexpr int kStepsPerBar = 16;

// xorshift32: the same noise on every platform and standard library.
class Noise {
public:
    float next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return static_cast<float>(static_cast<double>(state) / 2147483648.0 - 1.0);
    }

private:
    uint32_t state = 0x2545F491u;
};

struct Mixer {
    AudioBuffer& out;
    double rate;

    // Adds a mono voice at `start` seconds, panned -1 (left) .. +1 (right).
    template <typename Voice>
    void add(double start, double length, double gain, double pan, Voice voice) {
        const int64_t first = static_cast<int64_t>(std::floor(start * rate));
        const int64_t count = static_cast<int64_t>(length * rate);
        const double left = gain * std::sqrt(0.5 * (1.0 - pan));
        const double right = gain * std::sqrt(0.5 * (1.0 + pan));
        for (int64_t i = 0; i < count && first + i < out.frames(); ++i) {
            const double v = voice(static_cast<double>(i) / rate);
            out.channels[0][static_cast<size_t>(first + i)] += static_cast<float>(v * left);
            out.channels[1][static_cast<size_t>(first + i)] += static_cast<float>(v * right);
        }
    }
};

}  // namespace

AudioBuffer makeInput(double sampleRate, double seconds) {
    AudioBuffer buffer;
    buffer.sampleRate = sampleRate;
    const size_t frames = static_cast<size_t>(std::llround(seconds * sampleRate));
    buffer.channels.assign(2, std::vector<float>(frames, 0.0f));
    Mixer mix{buffer, sampleRate};
    Noise noise;

    const auto kick = [](double t) {
        // The pitch falls from 150 to 50 Hz; the phase is the integral of it.
        const double phase = 2.0 * kPi * (50.0 * t + 100.0 * 0.03 * (1.0 - std::exp(-t / 0.03)));
        return std::sin(phase) * std::exp(-t / 0.22);
    };
    const auto snare = [&noise](double t) {
        return 0.55 * noise.next() * std::exp(-t / 0.09) + 0.5 * std::sin(2.0 * kPi * 185.0 * t) * std::exp(-t / 0.05);
    };
    const auto hat = [&noise](double decay) {
        return [&noise, decay, last = 0.0f](double t) mutable {
            const float n = noise.next();
            const double bright = n - last;  // first difference: a crude high-pass
            last = n;
            return 0.5 * bright * std::exp(-t / decay);
        };
    };

    // Bar loudness: steady, quiet, loud, then a fill that builds.
    const double barGain[] = {0.7, 0.35, 1.0, 0.8};
    const int bars = static_cast<int>(seconds / (kStep * kStepsPerBar));
    for (int bar = 0; bar < bars; ++bar) {
        const double g = barGain[bar % 4];
        const double barStart = bar * kStep * kStepsPerBar;
        for (int step = 0; step < kStepsPerBar; ++step) {
            const double t = barStart + step * kStep;
            const bool fill = bar % 4 == 3 && step >= 12;
            if (step == 0 || step == 6 || step == 8 || (bar % 2 == 1 && step == 11))
                mix.add(t, 0.45, g, 0.0, kick);
            if (step == 4 || step == 12)
                mix.add(t, 0.35, g * 0.8, -0.1, snare);
            if (fill) {
                mix.add(t + kStep / 2, 0.2, g * 0.3 * (step - 10), 0.1, snare);
            }
            if (step % 2 == 0)
                mix.add(t, step == 14 ? 0.4 : 0.08, g * (step % 4 == 0 ? 0.5 : 0.35), step % 4 == 0 ? 0.4 : -0.4,
                        hat(step == 14 ? 0.12 : 0.02));
        }
    }

    float peak = 0.0f;
    for (const auto& ch : buffer.channels)
        for (float v : ch)
            peak = std::max(peak, std::fabs(v));
    if (peak > 0.0f)
        for (auto& ch : buffer.channels)
            for (float& v : ch)
                v = static_cast<float>(v * (0.8 / peak));
    return buffer;
}

std::vector<std::pair<std::string, float>> settings() {
    // The oscillator and the noise mostly ride on follower 1, so the synthesis
    // rises and falls with the drums; follower 2 opens the resonant filter.
    return {
        {"OSC.Amt", 0.7f},      {"OSC.Wave", 0.4f},     {"Noise.Amt", 0.6f},  {"Noise.Color", 0.3f},
        {"CutOff", 0.45f},      {"Resonance", 0.75f},   {"FilterType", 0.0f}, {"EF1.Smooth", 0.2f},
        {"EF1.Osc.AM", 1.0f},   {"EF1.Noise.AM", 0.9f}, {"EF2.Smooth", 0.3f}, {"EF2.Cutoff", 0.8f},
        {"EF2.OSC.FM", 0.55f},  {"Dry2Filter", 0.6f},   {"Dry", 0.35f},       {"Fil.KeyTrack", 0.5f},
        {"Osc.KeyTrack", 1.0f},
    };
}

std::vector<NoteOption> notes() {
    // A2 A2 C3 G2 | A2 E3 D3 C3, one per second.
    const int line[] = {45, 45, 48, 43, 45, 52, 50, 48};
    std::vector<NoteOption> out;
    for (int i = 0; i < 8; ++i) {
        NoteOption n;
        n.start = i * 1.0;
        n.note = line[i];
        n.length = 0.9;
        out.push_back(n);
    }
    return out;
}

}  // namespace trs::render::demo
