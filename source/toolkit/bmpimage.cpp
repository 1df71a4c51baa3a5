#include "toolkit/bmpimage.h"

#include <cstdlib>

namespace {

uint32_t le32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t le16(const unsigned char* p) {
    return uint16_t(p[0] | p[1] << 8);
}

// Large enough for any panel we draw, small enough that a corrupt header
// cannot ask for gigabytes.
const int64_t kMaxSide = 16384;

}  // namespace

bool BmpImage::readHeader(const unsigned char* data, size_t size) {
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
    const int depth = le16(data + 28);
    const uint32_t compression = le32(data + 30);
    uint32_t count = le32(data + 46);
    const int64_t height = std::llabs(rawHeight);
    if (width <= 0 || height <= 0 || width > kMaxSide || height > kMaxSide)
        return false;
    // BI_RGB only; BI_BITFIELDS with 32 bits is the usual A8R8G8B8 layout.
    if (!(compression == 0 || (compression == 3 && depth == 32)))
        return false;
    if (depth != 8 && depth != 24 && depth != 32)
        return false;

    if (depth == 8) {
        if (count == 0 || count > 256)
            count = 256;
        if (14 + uint64_t(headerSize) + uint64_t(count) * 4 > size)
            return false;
    }
    const uint64_t rowBytes = ((uint64_t(width) * depth + 31) / 32) * 4;
    if (uint64_t(pixelOffset) + rowBytes * uint64_t(height) > size)
        return false;

    rows = data + pixelOffset;
    palette = data + 14 + headerSize;
    stride = rowBytes;
    colours = count;
    bits = depth;
    topDown = rawHeight < 0;
    w = int(width);
    h = int(height);
    return true;
}

bool BmpImage::decode(const unsigned char* data, size_t size) {
    if (!readHeader(data, size))
        return false;
    px.assign(size_t(w) * size_t(h), 0xFF000000u);
    for (int64_t y = 0; y < h; ++y) {
        const unsigned char* row = rows + stride * uint64_t(topDown ? y : h - 1 - y);
        uint32_t* out = px.data() + y * w;
        for (int64_t x = 0; x < w; ++x) {
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
    return true;
}
