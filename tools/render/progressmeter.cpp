#include "progressmeter.h"

#include <string>

namespace trs::render {

namespace {
constexpr int kWidth = 40;
}

void ProgressMeter::update(int64_t done, int64_t total) {
    if (!enabled || total <= 0)
        return;
    const int perMille = static_cast<int>(done * 1000 / total);
    if (perMille == shown)
        return;
    shown = perMille;
    const int filled = perMille * kWidth / 1000;
    const std::string bar =
        std::string(static_cast<size_t>(filled), '#') + std::string(static_cast<size_t>(kWidth - filled), '-');
    std::fprintf(out, "\r[%s] %3d%%  %.1f / %.1f s", bar.c_str(), perMille / 10, done / rate, total / rate);
    std::fflush(out);
    drawn = true;
}

void ProgressMeter::finish() {
    if (!drawn)
        return;
    std::fprintf(out, "\r%*s\r", kWidth + 30, "");
    std::fflush(out);
    drawn = false;
}

}  // namespace trs::render
