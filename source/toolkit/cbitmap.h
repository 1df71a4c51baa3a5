// A reference-counted image. It starts with one reference; the last forget()
// deletes it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

class CBitmap {
public:
    // Loads the resource; a missing or unreadable one gives a 0 x 0 bitmap.
    explicit CBitmap(long resourceId);
    // An image made in memory, for the tests and for drawing code.
    CBitmap(int width, int height, const std::vector<uint32_t>& pixels);

    void remember() { ++references; }
    void forget();
    int getNbReference() const { return references; }

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    long getResourceID() const { return resourceId; }
    // A resource's pixels are decoded on first use: an effect builds its
    // editor's background when it is created, and most instances in a
    // session never show it.
    const uint32_t* getPixels() const;

    // Bitmaps alive in the process: lets tests see that nothing leaks.
    static int liveCount();

private:
    ~CBitmap();
    CBitmap(const CBitmap&) = delete;
    CBitmap& operator=(const CBitmap&) = delete;

    long resourceId;
    int width = 0, height = 0;
    int references = 1;
    const unsigned char* resource = nullptr;  // lives as long as the module
    size_t resourceSize = 0;
    mutable std::vector<uint32_t> pixels;
};
