#include "toolkit/cbitmap.h"

#include "toolkit/bitmapresources.h"
#include "toolkit/bmpimage.h"

namespace {
int live = 0;
}

CBitmap::CBitmap(long resourceId) : resourceId(resourceId) {
    ++live;
    BitmapResource res;
    BmpImage image;
    if (findBitmapResource(int(resourceId), &res) && image.readHeader(res.data, res.size)) {
        width = image.width();
        height = image.height();
        resource = res.data;
        resourceSize = res.size;
    }
}

const uint32_t* CBitmap::getPixels() const {
    if (pixels.empty() && resource) {
        BmpImage image;
        if (image.decode(resource, resourceSize))
            pixels = image.takePixels();
        else
            pixels.assign(size_t(width) * size_t(height), 0xFF000000u);
    }
    return pixels.data();
}

CBitmap::CBitmap(int w, int h, const std::vector<uint32_t>& px) : resourceId(0) {
    ++live;
    if (w > 0 && h > 0 && px.size() == size_t(w) * size_t(h)) {
        width = w;
        height = h;
        pixels = px;
    }
}

CBitmap::~CBitmap() {
    --live;
}

void CBitmap::forget() {
    if (--references == 0)
        delete this;
}

int CBitmap::liveCount() {
    return live;
}
