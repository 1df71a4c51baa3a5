// The stored checksums of the golden renders. A difference here means the
// audio changed: if that was meant, regenerate with `trs-golden PLUGIN` and
// say why in the commit.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <map>
#include <sstream>

#include "goldenrender.h"

namespace {

std::map<std::string, std::string> stored() {
    std::map<std::string, std::string> sums;
    std::ifstream file(TRS_GOLDEN_FILE);
    std::string name, sum;
    while (file >> name >> sum)
        sums[name] = sum;
    return sums;
}

std::string hex(uint64_t v) {
    char text[24];
    std::snprintf(text, sizeof text, "%016" PRIx64, v);
    return text;
}

}  // namespace

TEST(GoldenRender, InputIsStable) {
    std::vector<float> l, r;
    trs::golden::makeInput(l, r);
    EXPECT_EQ(hex(trs::golden::checksum(l, r)), stored()["input"]);
}

TEST(GoldenRender, ChecksumsMatch) {
    const auto sums = stored();
    for (const auto& c : trs::golden::cases()) {
        std::vector<float> l, r;
        std::string error;
        ASSERT_TRUE(trs::golden::render(TRS_PLUGIN_PATH, c, l, r, &error)) << error;
        // A checksum can pin garbage just as well: the audio must be sound.
        double energy = 0;
        for (size_t i = 0; i < l.size(); i++) {
            ASSERT_TRUE(std::isfinite(l[i]) && std::isfinite(r[i])) << c.name << " frame " << i;
            energy += (double)l[i] * l[i] + (double)r[i] * r[i];
        }
        const double rms = std::sqrt(energy / (2.0 * l.size()));
        EXPECT_GT(rms, 0.05) << c.name;
        EXPECT_LT(rms, 2.0) << c.name;
        auto it = sums.find(c.name);
        ASSERT_NE(it, sums.end()) << "no stored checksum for " << c.name;
        EXPECT_EQ(hex(trs::golden::checksum(l, r)), it->second) << c.name;
    }
}
