// The real effect's editor drawn headless at both scales: every display shows
// its text in whole glyphs, and twice the size is the same picture doubled.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "editor/sdeditor.h"
#include "effect/tresselin.h"
#include "toolkit/cframe.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/platformwindow.h"

namespace {

void* const kParent = reinterpret_cast<void*>(0x1234);
PlatformWindow* noWindow(CFrame&, void*) {
    return nullptr;
}

// Null unsets it.
void setScaleVariable(const char* value) {
#ifdef _WIN32
    _putenv_s("TRESSELIN_SCALE", value ? value : "");
#else
    if (value)
        setenv("TRESSELIN_SCALE", value, 1);
    else
        unsetenv("TRESSELIN_SCALE");
#endif
}

// The effect (and with it its editor) at one scale, opened headless and drawn.
struct Opened {
    std::unique_ptr<Tresselin> fx;
    SDEditor* editor;

    Opened(int scale, float value) {
        const char* was = std::getenv("TRESSELIN_SCALE");
        previous = was ? was : "";
        setScaleVariable(scale == 2 ? "2" : "1");
        PlatformWindow::setFactory(noWindow);
        fx.reset(new Tresselin(nullptr));
        for (int i = 0; i < kNumParams; ++i)
            fx->setParameter(i, value);
        editor = static_cast<SDEditor*>(fx->getEditor());
        editor->open(kParent);
        editor->idle();
    }
    ~Opened() {
        fx.reset();
        PlatformWindow::setFactory(nullptr);
        setScaleVariable(previous.empty() ? nullptr : previous.c_str());
    }
    std::string previous;
    CFrame* frame() { return editor->getFrame(); }
    CParamDisplay* display(int n) { return dynamic_cast<CParamDisplay*>(frame()->getView(20 + n)); }
    std::string shown(int n, CFontDesc* font = nullptr) {
        char text[CParamDisplay::kTextSize];
        display(n)->getText(text);
        std::string s;
        CFontDesc f;
        display(n)->fitText(frame()->getDrawContext(), text, &s, font ? font : &f);
        return s;
    }
};

// The display's text box must hold exactly what the shown text looks like
// drawn with room to spare: a glyph cut at the edge differs, or has ink
// outside the box.
void expectWholeGlyphs(Opened& o, int n, const std::string& what) {
    CParamDisplay* d = o.display(n);
    CFontDesc font;
    const std::string text = o.shown(n, &font);
    const CDrawContext& drawn = o.frame()->getDrawContext();
    const int s = drawn.getScale();
    const CRect box = d->textBox();
    CDrawContext free(691, 371, s);
    const CRect roomy(box.left - 20, box.top - 20, box.right + 20, box.bottom + 20);
    free.fillRect(roomy, d->getBackColor());
    free.drawStringCentred(text.c_str(), roomy, d->getFontColor(), font);
    const uint32_t back = d->getBackColor().pixel();
    int ink = 0;
    for (int y = roomy.top * s; y < roomy.bottom * s; ++y)
        for (int x = roomy.left * s; x < roomy.right * s; ++x) {
            const bool inside = box.pointInside(CPoint(x / s, y / s));
            if (!inside) {
                ASSERT_EQ(free.getPixel(x, y), back) << what << ": \"" << text << "\" needs " << x << "," << y;
            } else {
                ink += free.getPixel(x, y) != back;
                ASSERT_EQ(drawn.getPixel(x, y), free.getPixel(x, y))
                    << what << ": \"" << text << "\" at " << x << "," << y;
            }
        }
    EXPECT_GT(ink, 0) << what << ": nothing drawn";
}

}  // namespace

TEST(DisplayTexts, EveryDisplayShowsWholeGlyphsForEveryParameterAtBothScales) {
    for (int scale : {1, 2})
        for (float value : {0.f, 0.5f, 1.f, 0.2f, 0.8f}) {  // 0.2 and 0.8: the other wave blends
            Opened o(scale, value);
            for (int n = 0; n < SDEditor::kNumSliders; ++n) {
                const std::string what = "scale " + std::to_string(scale) + ", value " + std::to_string(value) +
                                         ", display " + std::to_string(n + 1);
                expectWholeGlyphs(o, n, what);
                // What is shown is the text itself or, for a number, that number rounded.
                char full[CParamDisplay::kTextSize];
                o.display(n)->getText(full);
                const std::string shown = o.shown(n);
                if (shown != full) {
                    char* end = nullptr;
                    std::strtod(full, &end);
                    ASSERT_EQ(*end, 0) << what << ": only a number may be shortened, not " << full << " to " << shown;
                    const size_t point = shown.find('.');
                    const int digits = point == std::string::npos ? 0 : int(shown.size() - point - 1);
                    const double error = std::fabs(std::atof(full) - std::atof(shown.c_str()));
                    EXPECT_LE(error, 0.5 * std::pow(10.0, -digits) + 1e-9)
                        << what << ": " << full << " shown as " << shown;
                }
            }
        }
}

TEST(DisplayTexts, NoteDisplayShows440HzWithoutTheLostDigit) {
    for (int scale : {1, 2}) {
        Opened o(scale, 0.5f);
        o.fx->setParameter(kOscNote, 69.5f / 127.f);  // A4
        char full[CParamDisplay::kTextSize];
        o.display(1)->getText(full);
        EXPECT_EQ(std::string(full), "440.0000") << "the host's text stays as it is";
        const std::string shown = o.shown(1);
        EXPECT_TRUE(shown == "440.0" || shown == "440") << scale << ": " << shown;
    }
}

TEST(Scale, TwiceTheSizeIsTheSamePictureDoubledOutsideTheTexts) {
    Opened one(1, 0.3f);
    ERect* r = nullptr;
    one.editor->getRect(&r);
    EXPECT_EQ(r->right, 691);
    EXPECT_EQ(r->bottom, 371);
    Opened two(2, 0.3f);
    two.editor->close();
    two.editor->getRect(&r);
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->right, 1382) << "before open";
    EXPECT_EQ(r->bottom, 742);
    two.editor->open(kParent);
    two.editor->idle();
    two.editor->getRect(&r);
    EXPECT_EQ(r->right, 1382) << "after open";
    EXPECT_EQ(r->bottom, 742);

    const CDrawContext& a = one.frame()->getDrawContext();
    const CDrawContext& b = two.frame()->getDrawContext();
    ASSERT_EQ(b.getWidth(), 1382);
    ASSERT_EQ(b.getHeight(), 742);
    int differing = 0, texts = 0;
    for (int y = 0; y < 742; ++y)
        for (int x = 0; x < 1382; ++x) {
            bool inText = false;
            for (int n = 0; n < SDEditor::kNumSliders; ++n)
                inText = inText || one.display(n)->textBox().pointInside(CPoint(x / 2, y / 2));
            if (inText)
                texts += b.getPixel(x, y) != a.getPixel(x / 2, y / 2);
            else
                differing += b.getPixel(x, y) != a.getPixel(x / 2, y / 2);
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(texts, 0) << "the texts come from the font at twice the size, not doubled";
}

TEST(Scale, WindowPixelsMapToTheLayoutPixelUnderThem) {
    CFrame frame(CRect(0, 0, 100, 50), nullptr, nullptr, 2);
    EXPECT_EQ(frame.toLayout(5, 4), CPoint(2, 2));
    EXPECT_EQ(frame.toLayout(-1, -3), CPoint(-1, -2)) << "beyond the top left edge stays beyond it";
    EXPECT_EQ(frame.toLayout(CRect(3, 3, 5, 6)), CRect(1, 1, 3, 3));
    EXPECT_EQ(frame.toWindow(CRect(1, 1, 3, 3)), CRect(2, 2, 6, 6));
}
