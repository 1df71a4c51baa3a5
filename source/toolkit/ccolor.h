// An 8-bit-per-channel colour and its 0xAARRGGBB pixel form.
#pragma once

#include <cstdint>

struct CColor {
    unsigned char red = 0, green = 0, blue = 0, alpha = 255;

    constexpr CColor() = default;
    constexpr CColor(unsigned char r, unsigned char g, unsigned char b, unsigned char a = 255)
        : red(r), green(g), blue(b), alpha(a) {}
    constexpr uint32_t pixel() const {
        return (uint32_t(alpha) << 24) | (uint32_t(red) << 16) | (uint32_t(green) << 8) | blue;
    }
    bool operator==(const CColor& o) const { return pixel() == o.pixel(); }
};

constexpr CColor kWhiteCColor(255, 255, 255);
constexpr CColor kBlackCColor(0, 0, 0);
constexpr CColor kGreyCColor(127, 127, 127);
