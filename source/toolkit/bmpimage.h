// Decodes an uncompressed Windows bitmap (8-bit palettised, 24 or 32 bits) into
// 0xAARRGGBB pixels, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class BmpImage {
public:
    // False for anything malformed, truncated or compressed; the image is then empty.
    bool decode(const unsigned char* data, size_t size);

    int width() const { return w; }
    int height() const { return h; }
    const std::vector<uint32_t>& pixels() const { return px; }

private:
    int w = 0, h = 0;
    std::vector<uint32_t> px;
};
