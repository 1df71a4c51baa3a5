#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/bitmapresources.h"
#include "toolkit/bmpimage.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/textfit.h"

namespace {

std::vector<unsigned char> resourceBytes(int id) {
    BitmapResource r{};
    if (!findBitmapResource(id, &r))
        return {};
    return std::vector<unsigned char>(r.data, r.data + r.size);
}

// The bounding box of pixels that differ from the given colour.
CRect inkBox(const CDrawContext& c, const CRect& area, uint32_t paper) {
    CRect box(area.right, area.bottom, area.left, area.top);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x)
            if (c.getPixel(x, y) != paper) {
                box.left = std::min(box.left, x);
                box.top = std::min(box.top, y);
                box.right = std::max(box.right, x + 1);
                box.bottom = std::max(box.bottom, y + 1);
            }
    return box;
}

}  // namespace

TEST(Resources, EveryEditorBitmapIsEmbeddedAtItsSize) {
    struct {
        int id, w, h;
    } table[] = {
        {128, 691, 371}, {129, 16, 160}, {130, 16, 29}, {131, 26, 36}, {132, 4, 7}, {133, 32, 1024},
    };
    for (const auto& t : table) {
        std::vector<unsigned char> bytes = resourceBytes(t.id);
        ASSERT_FALSE(bytes.empty()) << t.id;
        EXPECT_EQ(bytes[28], 8) << "8 bits per pixel, id " << t.id;
        EXPECT_EQ(bytes[30], 0) << "uncompressed, id " << t.id;
        CBitmap* b = new CBitmap(t.id);
        EXPECT_EQ(b->getWidth(), t.w) << t.id;
        EXPECT_EQ(b->getHeight(), t.h) << t.id;
        b->forget();
    }
    BitmapResource r{};
    EXPECT_FALSE(findBitmapResource(127, &r));
}

TEST(Resources, ButtonFacesAreLitYellowOnTopAndGreyBelow) {
    CBitmap* b = new CBitmap(131);
    const uint32_t top = b->getPixels()[9 * 26 + 13], bottom = b->getPixels()[27 * 26 + 13];
    const int tr = (top >> 16) & 255, tg = (top >> 8) & 255, tb = top & 255;
    const int br = (bottom >> 16) & 255, bg = (bottom >> 8) & 255, bb = bottom & 255;
    EXPECT_GT(tr, 200);
    EXPECT_GT(tg, 150);
    EXPECT_LT(tb, 100);
    EXPECT_LT(std::abs(br - bg) + std::abs(bg - bb), 30);
    EXPECT_LT(br, 128);
    b->forget();
}

TEST(BmpImage, RejectsDamagedFiles) {
    const std::vector<unsigned char> good = resourceBytes(132);
    ASSERT_FALSE(good.empty());
    BmpImage ok;
    ASSERT_TRUE(ok.decode(good.data(), good.size()));
    EXPECT_EQ(ok.width(), 4);
    EXPECT_EQ(ok.height(), 7);

    struct Damage {
        const char* what;
        size_t offset;
        unsigned char byte;
        size_t cut;  // bytes removed from the end
    } cases[] = {
        {"not BM", 0, 'X', 0},          {"truncated pixels", 0, 'B', 8}, {"RLE compression", 30, 1, 0},
        {"4 bits per pixel", 28, 4, 0}, {"huge width", 21, 0x7f, 0},     {"pixel offset past the end", 12, 0x7f, 0},
    };
    for (const Damage& d : cases) {
        std::vector<unsigned char> bad = good;
        bad[d.offset] = d.byte;
        bad.resize(bad.size() - d.cut);
        BmpImage img;
        EXPECT_FALSE(img.decode(bad.data(), bad.size())) << d.what;
        EXPECT_EQ(img.width(), 0) << d.what;
    }
    BmpImage none;
    EXPECT_FALSE(none.decode(nullptr, 0));
}

TEST(CBitmap, ReferenceCountingDestroysAtZero) {
    const int before = CBitmap::liveCount();
    CBitmap* b = new CBitmap(130);
    EXPECT_EQ(b->getNbReference(), 1);
    b->remember();
    b->remember();
    EXPECT_EQ(b->getNbReference(), 3);
    b->forget();
    b->forget();
    EXPECT_EQ(CBitmap::liveCount(), before + 1);
    b->forget();
    EXPECT_EQ(CBitmap::liveCount(), before);

    CBitmap* missing = new CBitmap(999);
    EXPECT_EQ(missing->getWidth(), 0);
    EXPECT_EQ(missing->getHeight(), 0);
    missing->forget();
}

TEST(CDrawContext, BitmapIsCopiedFromItsOffsetAndClipped) {
    std::vector<uint32_t> px(4 * 6);
    for (int i = 0; i < 24; ++i)
        px[size_t(i)] = 0xFF000000u | uint32_t(i);
    CBitmap* b = new CBitmap(4, 6, px);
    CDrawContext c(10, 10);
    c.setClipRect(CRect(0, 0, 10, 5));
    c.drawBitmap(*b, CRect(8, 3, 12, 6), CPoint(1, 2));
    EXPECT_EQ(c.getPixel(8, 3), 0xFF000000u | (2 * 4 + 1));
    EXPECT_EQ(c.getPixel(9, 4), 0xFF000000u | (3 * 4 + 2));
    EXPECT_EQ(c.getPixel(9, 5), 0xFF000000u) << "below the clip";
    EXPECT_EQ(c.getPixel(7, 3), 0xFF000000u) << "left of the destination";
    b->forget();
}

TEST(CDrawContext, TextIsCentredAndStaysInsideItsRectangle) {
    CDrawContext c(60, 20);
    const CRect r(10, 3, 40, 17);
    c.fillRect(CRect(0, 0, 60, 20), CColor(0, 0, 0));
    c.drawStringCentred("0.50", r, CColor(255, 255, 255), CFontDesc("Arial", 11));
    const CRect ink = inkBox(c, CRect(0, 0, 60, 20), 0xFF000000u);
    ASSERT_FALSE(ink.isEmpty());
    EXPECT_EQ(r.intersection(ink), ink) << "ink outside the rectangle";
    EXPECT_LE(std::abs((ink.left + ink.right) - (r.left + r.right)), 2);
    EXPECT_LE(std::abs((ink.top + ink.bottom) - (r.top + r.bottom)), 2);
    EXPECT_GE(ink.width(), 14);  // four characters of an 11-pixel face
    // Anti-aliased but saturated in the strokes.
    bool white = false;
    for (int y = ink.top; y < ink.bottom; ++y)
        for (int x = ink.left; x < ink.right; ++x)
            white = white || c.getPixel(x, y) == 0xFFFFFFFFu;
    EXPECT_TRUE(white);

    CDrawContext narrow(60, 20);
    narrow.drawStringCentred("123456789012345", CRect(20, 3, 30, 17), CColor(255, 255, 255), CFontDesc());
    const CRect clipped = inkBox(narrow, CRect(0, 0, 60, 20), 0xFF000000u);
    EXPECT_GE(clipped.left, 20);
    EXPECT_LE(clipped.right, 30);
}

TEST(TextFit, NumbersLoseFractionDigitsRoundedThenThePoint) {
    using V = std::vector<std::string>;
    EXPECT_EQ(shorterNumbers("440.0000"), (V{"440.000", "440.00", "440.0", "440"}));
    EXPECT_EQ(shorterNumbers("84.6478"), (V{"84.648", "84.65", "84.6", "85"}));
    EXPECT_EQ(shorterNumbers("999.96"), (V{"1000.0", "1000"}));
    EXPECT_EQ(shorterNumbers("-0.004"), (V{"0.00", "0.0", "0"})) << "no sign on a zero";
    EXPECT_EQ(shorterNumbers("-12.5"), (V{"-13"}));
    EXPECT_EQ(shorterNumbers("440."), (V{"440"}));
    for (const char* text : {"tri-saw", "Huge!", "-oo", "1000", "1.2.3", ".5", "NaN", ""})
        EXPECT_TRUE(shorterNumbers(text).empty()) << text;
}

TEST(CDrawContext, ScaleTwoDoublesEveryPixel) {
    std::vector<uint32_t> px(3 * 2);
    for (int i = 0; i < 6; ++i)
        px[size_t(i)] = 0xFF000000u | uint32_t(i + 1);
    CBitmap* b = new CBitmap(3, 2, px);
    CDrawContext one(12, 8), two(12, 8, 2);
    ASSERT_EQ(two.getWidth(), 24);
    ASSERT_EQ(two.getHeight(), 16);
    for (CDrawContext* c : {&one, &two}) {
        c->setClipRect(CRect(0, 0, 11, 8));
        c->fillRect(CRect(1, 1, 12, 7), CColor(10, 20, 30));
        c->frameRect(CRect(0, 0, 6, 5), CColor(127, 127, 127));
        c->drawBitmap(*b, CRect(7, 2, 10, 4), CPoint(0, 0));
    }
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 24; ++x)
            ASSERT_EQ(two.getPixel(x, y), one.getPixel(x / 2, y / 2)) << x << "," << y;
    b->forget();

    // Text at twice the size: the same place, about twice as wide.
    CDrawContext t1(60, 20), t2(60, 20, 2);
    const CRect r(10, 3, 40, 17);
    t1.drawStringCentred("0.50", r, CColor(255, 255, 255), CFontDesc());
    t2.drawStringCentred("0.50", r, CColor(255, 255, 255), CFontDesc());
    const CRect i1 = inkBox(t1, CRect(0, 0, 60, 20), 0xFF000000u);
    const CRect i2 = inkBox(t2, CRect(0, 0, 120, 40), 0xFF000000u);
    EXPECT_LE(std::abs(i2.width() - 2 * i1.width()), 2);
    EXPECT_LE(std::abs((i2.left + i2.right) - 2 * (i1.left + i1.right)), 3);
    EXPECT_LE(std::abs((i2.top + i2.bottom) - 2 * (i1.top + i1.bottom)), 3);
}
