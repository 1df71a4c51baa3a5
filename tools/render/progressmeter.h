// A one-line progress bar on standard error, redrawn in place. It draws
// nothing unless it was enabled (a terminal, and an input long enough to
// be worth watching).
#pragma once

#include <cstdint>
#include <cstdio>

namespace trs::render {

class ProgressMeter {
public:
    static constexpr double kMinSeconds = 5.0;  // shorter inputs render too fast to watch

    ProgressMeter(bool enabled, double sampleRate, std::FILE* out = stderr)
        : enabled(enabled), rate(sampleRate), out(out) {}

    void update(int64_t done, int64_t total);
    // Clears the bar so the next line starts clean.
    void finish();

private:
    bool enabled;
    double rate;
    std::FILE* out;
    int shown = -1;  // per mille last drawn
    bool drawn = false;
};

}  // namespace trs::render
