// The frame's pixel buffer (0xAARRGGBB, top row first) and the drawing
// operations the widgets use. Callers draw in layout coordinates; at scale 2
// every layout pixel covers two by two pixels of the buffer, bitmaps are
// doubled and text comes from the font baked at twice the size. Everything
// is clipped to the clip rectangle.
#pragma once

#include <cstdint>
#include <vector>

#include "toolkit/ccolor.h"
#include "toolkit/cfontdesc.h"
#include "toolkit/crect.h"

class CBitmap;

class CDrawContext {
public:
    // The size is the layout's; the buffer is scale times as wide and high.
    CDrawContext(int width, int height, int scale = 1);

    // The buffer's size in pixels.
    int getWidth() const { return width; }
    int getHeight() const { return height; }
    int getScale() const { return scale; }
    // A pixel of the buffer (not a layout position).
    uint32_t getPixel(int x, int y) const;
    const uint32_t* getPixels() const { return pixels.data(); }
    uint32_t* getPixels() { return pixels.data(); }

    void setClipRect(const CRect& clip);

    void fillRect(const CRect& r, const CColor& c);
    // A one-pixel outline inside r.
    void frameRect(const CRect& r, const CColor& c);
    // Copies the part of the bitmap that starts at src into dest.
    void drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& src);
    // Centres the text horizontally and on the digits' height vertically.
    void drawStringCentred(const char* text, const CRect& r, const CColor& c, const CFontDesc& font);
    // Whether drawStringCentred would show every glyph of the text whole inside r.
    bool fitsCentred(const char* text, const CRect& r, const CFontDesc& font) const;
    // In layout pixels, rounded.
    int stringWidth(const char* text, const CFontDesc& font) const;

private:
    void blend(int x, int y, uint32_t colour, unsigned coverage);
    CRect toBuffer(const CRect& r) const;
    // The pen's start (1/64 pixel) and baseline of a text centred in the buffer rectangle r.
    void centre(const char* text, const CRect& r, const GlyphTable& t, int* pen, int* baseline) const;

    int width, height, scale;
    CRect clip;  // in buffer pixels
    std::vector<uint32_t> pixels;
};
