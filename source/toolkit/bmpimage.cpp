#include "toolkit/bmpimage.h"

#include <cstdlib>

namespace {

uint32_t le32(const unsigned char* p)
{
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const unsigned char* p) { return uint16_t(p[0] | p[1] << 8); }

// Large enough for any panel we draw, small enough that a corrupt header
// cannot ask for gigabytes.
const int64_t kMaxSide = 16384;

}  // namespace

bool BmpImage::decode(const unsigned char* data, size_t size)
{
    w = h = 0;
    px.clear();
    if (!data || size < 54 || data[0] != 'B' || data[1] != 'M')
        return false;
    const uint32_t pixelOffset = le32(data + 10);
    const uint32_t headerSize = le32(data + 14);
    if (headerSize < 40 || 14 + uint64_t(headerSize) > size)
        return false;
    const int64_t width = int32_t(le32(data + 18));
    const int64_t rawHeight = int32_t(le32(data + 22));
    const int bits = le16(data + 28);
    const uint32_t compression = le32(data + 30);
    uint32_t colours = le32(data + 46);
    const bool topDown = rawHeight < 0;
    const int64_t height = std::llabs(rawHeight);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return false;
    // BI_RGB only; BI_BITFIELDS with 32 bits is the usual A8R8G8B8 layout.
    if (!(compression == 0 || (compression == 3 && bits == 32)))
        return false;
    if (bits != 8 && bits != 24 && bits != 32)
        return false;

    const unsigned char* palette = data + 14 + headerSize;
    if (bits == 8) {
        if (colours == 0 || colours > 256)
            colours = 256;
        if (14 + uint64_t(headerSize) + uint64_t(colours) * 4 > size)
            return false;
    }
    const uint64_t stride = ((uint64_t(width) * bits + 31) / 32) * 4;
    if (uint64_t(pixelOffset) + stride * uint64_t(height) > size)
        return false;

    px.assign(size_t(width * height), 0xFF000000u);
    for (int64_t y = 0; y < height; ++y) {
        const unsigned char* row = data + pixelOffset + stride * uint64_t(topDown ? y : height - 1 - y);
        uint32_t* out = px.data() + y * width;
        for (int64_t x = 0; x < width; ++x) {
            uint32_t b, g, r;
            if (bits == 8) {
                const unsigned index = row[x];
                if (index >= colours) {
                    b = g = r = 0;
                } else {
                    b = palette[index * 4];
                    g = palette[index * 4 + 1];
                    r = palette[index * 4 + 2];
                }
            } else {
                const unsigned char* p = row + x * (bits / 8);
                b = p[0];
                g = p[1];
                r = p[2];
            }
            out[x] = 0xFF000000u | r << 16 | g << 8 | b;
        }
    }
    w = int(width);
    h = int(height);
    return true;
}
