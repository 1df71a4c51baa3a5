// Decodes an uncompressed Windows bitmap (8-bit palettised, 24 or 32 bits) into
// 0xAARRGGBB pixels, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

class BmpImage {
public:
    // False for anything malformed, truncated or compressed; the image is then empty.
    bool decode(const unsigned char* data, size_t size);
    // The same checks and the size, without the pixels: nothing that passes
    // them can fail to decode.
    bool readHeader(const unsigned char* data, size_t size);

    int width() const { return w; }
    int height() const { return h; }
    const std::vector<uint32_t>& pixels() const { return px; }
    std::vector<uint32_t> takePixels() { return std::move(px); }

private:
    int w = 0, h = 0;
    std::vector<uint32_t> px;
    // Where the header says the pixels are.
    const unsigned char* rows = nullptr;
    const unsigned char* palette = nullptr;
    uint64_t stride = 0;
    uint32_t colours = 0;
    int bits = 0;
    bool topDown = false;
};
