// Where a bitmap's file bytes come from, by resource id. Linux builds link a
// table generated from resources/*.bmp; a Windows build reads BITMAP resources.
#pragma once

#include <cstddef>

struct BitmapResource {
    const unsigned char* data;
    size_t size;
};

// False when the id is unknown.
bool findBitmapResource(int id, BitmapResource* out);
