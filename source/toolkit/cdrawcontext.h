// The frame's pixel buffer (0xAARRGGBB, top row first) and the drawing
// operations the widgets use. Everything is clipped to the clip rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/ccolor.h"
#include "toolkit/cfontdesc.h"
#include "toolkit/crect.h"

class CBitmap;

class CDrawContext {
public:
    CDrawContext(int width, int height);

    int getWidth() const { return width; }
    int getHeight() const { return height; }
    uint32_t getPixel(int x, int y) const;
    const uint32_t* getPixels() const { return pixels.data(); }
    uint32_t* getPixels() { return pixels.data(); }

    void setClipRect(const CRect& clip);
    const CRect& getClipRect() const { return clip; }

    void fillRect(const CRect& r, const CColor& c);
    // A one-pixel outline inside r.
    void frameRect(const CRect& r, const CColor& c);
    // Copies the part of the bitmap that starts at src into dest.
    void drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& src);
    // Centres the text horizontally and on the digits' height vertically.
    void drawStringCentred(const char* text, const CRect& r, const CColor& c, const CFontDesc& font);
    static int stringWidth(const char* text, const CFontDesc& font);

private:
    void blend(int x, int y, uint32_t colour, unsigned coverage);

    int width, height;
    CRect clip;
    std::vector<uint32_t> pixels;
};
