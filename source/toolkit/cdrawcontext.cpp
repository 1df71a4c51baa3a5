#include "toolkit/cdrawcontext.h"

#include "toolkit/cbitmap.h"

CDrawContext::CDrawContext(int w, int h)
    : width(w > 0 ? w : 0), height(h > 0 ? h : 0), clip(0, 0, width, height),
      pixels(size_t(width) * size_t(height), 0xFF000000u)
{
}

uint32_t CDrawContext::getPixel(int x, int y) const
{
    if (x < 0 || y < 0 || x >= width || y >= height)
        return 0;
    return pixels[size_t(y) * width + x];
}

void CDrawContext::setClipRect(const CRect& r) { clip = r.intersection(CRect(0, 0, width, height)); }

void CDrawContext::fillRect(const CRect& r, const CColor& c)
{
    const CRect a = r.intersection(clip);
    const uint32_t p = c.pixel();
    for (int y = a.top; y < a.bottom; ++y)
        for (int x = a.left; x < a.right; ++x)
            pixels[size_t(y) * width + x] = p;
}

void CDrawContext::frameRect(const CRect& r, const CColor& c)
{
    if (r.isEmpty())
        return;
    fillRect(CRect(r.left, r.top, r.right, r.top + 1), c);
    fillRect(CRect(r.left, r.bottom - 1, r.right, r.bottom), c);
    fillRect(CRect(r.left, r.top, r.left + 1, r.bottom), c);
    fillRect(CRect(r.right - 1, r.top, r.right, r.bottom), c);
}

void CDrawContext::drawBitmap(const CBitmap& bitmap, const CRect& dest, const CPoint& src)
{
    // Limit dest to what the bitmap has from src on, then to the clip.
    CRect avail(dest.left - src.h, dest.top - src.v, dest.left - src.h + bitmap.getWidth(),
                dest.top - src.v + bitmap.getHeight());
    const CRect a = dest.intersection(avail).intersection(clip);
    const uint32_t* bp = bitmap.getPixels();
    for (int y = a.top; y < a.bottom; ++y) {
        const int by = y - dest.top + src.v;
        for (int x = a.left; x < a.right; ++x) {
            const int bx = x - dest.left + src.h;
            pixels[size_t(y) * width + x] = bp[size_t(by) * bitmap.getWidth() + bx] | 0xFF000000u;
        }
    }
}

void CDrawContext::blend(int x, int y, uint32_t colour, unsigned a)
{
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

int CDrawContext::stringWidth(const char* text, const CFontDesc& font)
{
    const GlyphTable& t = font.glyphs();
    int advance = 0;
    for (const char* p = text; p && *p; ++p)
        advance += t.find(*p)->advance;
    return (advance + 32) / 64;
}

void CDrawContext::drawStringCentred(const char* text, const CRect& r, const CColor& c,
                                     const CFontDesc& font)
{
    if (!text)
        return;
    const GlyphTable& t = font.glyphs();
    const int digitHeight = t.find('0')->height;
    const int baseline = r.top + (r.height() + digitHeight) / 2;
    const CRect savedClip = clip;
    setClipRect(clip.intersection(r));
    int pen = (r.left + (r.width() - stringWidth(text, font)) / 2) * 64;
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
