#include "toolkit/cdrawcontext.h"

#include "toolkit/cbitmap.h"

CDrawContext::CDrawContext(int w, int h, int s) : scale(s == 2 ? 2 : 1) {
    width = w > 0 ? w * scale : 0;
    height = h > 0 ? h * scale : 0;
    clip = CRect(0, 0, width, height);
    pixels.assign(size_t(width) * size_t(height), 0xFF000000u);
}

uint32_t CDrawContext::getPixel(int x, int y) const {
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    return pixels[size_t(y) * width + x];
}

CRect CDrawContext::toBuffer(const CRect& r) const {
    return CRect(r.left * scale, r.top * scale, r.right * scale, r.bottom * scale);
}

void CDrawContext::setClipRect(const CRect& r) {
    clip = toBuffer(r).intersection(CRect(0, 0, width, height));
}

void CDrawContext::fillRect(const CRect& r, const CColor& c) {
    const CRect a = toBuffer(r).intersection(clip);
    const uint32_t p = c.pixel();
    for (int y = a.top; y < a.bottom; ++y)
        for (int x = a.left; x < a.right; ++x)
            pixels[size_t(y) * width + x] = p;
}

void CDrawContext::frameRect(const CRect& r, const CColor& c) {
    if (r.isEmpty())
        return;
    fillRect(CRect(r.left, r.top, r.right, r.top + 1), c);
    fillRect(CRect(r.left, r.bottom - 1, r.right, r.bottom), c);
    fillRect(CRect(r.left, r.top, r.left + 1, r.bottom), c);
    fillRect(CRect(r.right - 1, r.top, r.right, r.bottom), c);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& src) {
    // Limit dest to what the bitmap has from src on, then to the clip.
    CRect avail(dest.left - src.h, dest.top - src.v, dest.left - src.h + bitmap.getWidth(),
                dest.top - src.v + bitmap.getHeight());
    const CRect a = toBuffer(dest.intersection(avail)).intersection(clip);
    if (a.isEmpty())
        return;
    const uint32_t* bp = bitmap.getPixels();
    for (int y = a.top; y < a.bottom; ++y) {
        const int by = y / scale - dest.top + src.v;
        for (int x = a.left; x < a.right; ++x) {
            const int bx = x / scale - dest.left + src.h;
            pixels[size_t(y) * width + x] = bp[size_t(by) * bitmap.getWidth() + bx] | 0xFF000000u;
        }
    }
}

void CDrawContext::blend(int x, int y, uint32_t colour, unsigned a) {
    if (!clip.pointInside(CPoint(x, y)) || a == 0)
        return;
    uint32_t& d = pixels[size_t(y) * width + x];
    uint32_t out = 0xFF000000u;
    for (int shift = 0; shift <= 16; shift += 8) {
        const unsigned f = (colour >> shift) & 0xFF, b = (d >> shift) & 0xFF;
        out |= ((f * a + b * (255 - a) + 127) / 255) << shift;
    }
    d = out;
}

namespace {

int advanceOf(const char* text, const GlyphTable& t) {
    int advance = 0;
    for (const char* p = text; p && *p; ++p)
        advance += t.find(*p)->advance;
    return advance;
}

}  // namespace

int CDrawContext::stringWidth(const char* text, const CFontDesc& font) const {
    return (advanceOf(text, font.glyphs(scale)) / scale + 32) / 64;
}

void CDrawContext::centre(const char* text, const CRect& r, const GlyphTable& t, int* pen, int* baseline) const {
    const int digitHeight = t.find('0')->height;
    *baseline = r.top + (r.height() + digitHeight) / 2;
    *pen = (r.left + (r.width() - (advanceOf(text, t) + 32) / 64) / 2) * 64;
}

bool CDrawContext::fitsCentred(const char* text, const CRect& layoutRect, const CFontDesc& font) const {
    if (!text)
        return true;
    const GlyphTable& t = font.glyphs(scale);
    const CRect r = toBuffer(layoutRect);
    int pen, baseline;
    centre(text, r, t, &pen, &baseline);
    for (const char* p = text; *p; ++p) {
        const GlyphTable::Glyph* g = t.find(*p);
        if (g->width && g->height) {
            const int x0 = (pen + 32) / 64 + g->left, y0 = baseline + g->top;
            if (x0 < r.left || x0 + g->width > r.right || y0 < r.top || y0 + g->height > r.bottom)
                return false;
        }
        pen += g->advance;
    }
    return true;
}

void CDrawContext::drawStringCentred(const char* text, const CRect& layoutRect, const CColor& c,
                                     const CFontDesc& font) {
    if (!text)
        return;
    const GlyphTable& t = font.glyphs(scale);
    const CRect r = toBuffer(layoutRect);
    int pen, baseline;
    centre(text, r, t, &pen, &baseline);
    const CRect savedClip = clip;
    clip = clip.intersection(r);
    for (const char* p = text; *p; ++p) {
        const GlyphTable::Glyph* g = t.find(*p);
        const int x0 = (pen + 32) / 64 + g->left;
        const int y0 = baseline + g->top;
        const unsigned char* cov = t.coverage + g->offset;
        for (int y = 0; y < g->height; ++y)
            for (int x = 0; x < g->width; ++x)
                blend(x0 + x, y0 + y, c.pixel(), cov[y * g->width + x]);
        pen += g->advance;
    }
    clip = savedClip;
}
