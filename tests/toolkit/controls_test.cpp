#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "toolkit/canimknob.h"
#include "toolkit/cbitmap.h"
#include "toolkit/ccontrollistener.h"
#include "toolkit/cframe.h"
#include "toolkit/conoffbutton.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cverticalslider.h"
#include "toolkit/vstguieditorinterface.h"

namespace {

// Records the gesture as the host would see it: begin, changes, end.
struct Recorder : VSTGUIEditorInterface, CControlListener {
    std::vector<std::string> log;
    std::vector<float> values;
    long knobMode = kLinearMode;
    int idleRequests = 0;
    CFrame* frame = nullptr;
    // Set to check what a control has drawn by the time it reports.
    uint32_t (*probe)(Recorder*) = nullptr;
    uint32_t probed = 0;

    void beginEdit(long index) override { log.push_back("begin " + std::to_string(index)); }
    void endEdit(long index) override { log.push_back("end " + std::to_string(index)); }
    void doIdleStuff() override { ++idleRequests; }
    long getKnobMode() const override { return knobMode; }
    CFrame* getFrame() const override { return frame; }
    void valueChanged(CControl* c) override {
        log.push_back("change " + std::to_string(c->getTag()));
        values.push_back(c->getValue());
        if (probe)
            probed = probe(this);
    }
};

struct ControlsTest : ::testing::Test {
    Recorder rec;
    CFrame frame{CRect(0, 0, 200, 400), nullptr, &rec};
    CBitmap* handle = new CBitmap(130);
    CBitmap* strip = new CBitmap(133);
    CBitmap* button = new CBitmap(131);

    ControlsTest() { rec.frame = &frame; }
    ~ControlsTest() override {
        handle->forget();
        strip->forget();
        button->forget();
    }
    CVerticalSlider* addSlider(float value) {
        auto* s = new CVerticalSlider(CRect(40, 160, 56, 320), &rec, 3, 160, 290, handle, nullptr, CPoint(0, 0));
        s->setOffsetHandle(CPoint(1, 0));
        s->setValue(value);
        frame.addView(s);
        return s;
    }
    void press(int x, int y, long buttons) { frame.onMouseDown(CPoint(x, y), buttons); }
    void move(int x, int y, long buttons) { frame.onMouseMoved(CPoint(x, y), buttons); }
    void release(int x, int y) { frame.onMouseUp(CPoint(x, y), 0); }
};

}  // namespace

TEST_F(ControlsTest, SliderHandleTopFollowsTheValue) {
    struct {
        float value;
        int top;
    } table[] = {
        {1.f, 160}, {0.f, 290}, {0.5f, 225}, {0.25f, 257}, {0.999f, 160}, {1.5f, 160}, {-1.f, 290},
    };
    CVerticalSlider* s = addSlider(0.f);
    for (const auto& t : table) {
        s->setValue(t.value);
        EXPECT_EQ(s->handleTop(), t.top) << t.value;
    }
    // Drawn one pixel right of the slider's edge, over the background.
    s->setValue(1.f);
    frame.idle();
    const CDrawContext& c = frame.getDrawContext();
    const uint32_t* hp = handle->getPixels();
    EXPECT_EQ(c.getPixel(41, 160), hp[0]);
    EXPECT_EQ(c.getPixel(41 + 7, 160 + 14), hp[14 * 16 + 7]);
}

TEST_F(ControlsTest, SliderClickOnTheTrackBringsTheHandleCentreThere) {
    CVerticalSlider* s = addSlider(1.f);  // handle at 160..188
    press(48, 250, kLButton);
    // Handle top = 250 - 29/2.
    EXPECT_NEAR(s->getValue(), 1.0 - (250 - 14.5 - 160) / 130.0, 1e-5);
    release(48, 250);
    ASSERT_EQ(rec.log.size(), 3u);
    EXPECT_EQ(rec.log[0], "begin 3");
    EXPECT_EQ(rec.log[1], "change 3");
    EXPECT_EQ(rec.log[2], "end 3");
}

TEST_F(ControlsTest, SliderDragMovesWithThePointerAndShiftIsTenTimesFiner) {
    CVerticalSlider* s = addSlider(0.5f);  // handle top 225
    press(48, 230, kLButton);              // on the handle: no jump
    EXPECT_FLOAT_EQ(s->getValue(), 0.5f);
    move(48, 217, kLButton);  // 13 px up
    EXPECT_NEAR(s->getValue(), 0.6f, 1e-5);
    move(48, 204, kLButton | kShift);  // 13 px more, fine
    EXPECT_NEAR(s->getValue(), 0.61f, 1e-5);
    move(48, 191, kLButton);  // back to normal from where the fine step left it
    EXPECT_NEAR(s->getValue(), 0.71f, 1e-5);
    move(48, 0, kLButton);
    EXPECT_FLOAT_EQ(s->getValue(), 1.f) << "clamped";
    release(48, 0);
    EXPECT_EQ(rec.log.front(), "begin 3");
    EXPECT_EQ(rec.log.back(), "end 3");
    EXPECT_EQ(std::count(rec.log.begin(), rec.log.end(), "change 3"), 4);
    EXPECT_EQ(rec.idleRequests, 4) << "each reported move lets the host idle";
}

TEST_F(ControlsTest, CtrlClickResetsKnobsAndSliders) {
    CVerticalSlider* s = addSlider(0.2f);
    s->setDefaultValue(0.75f);
    press(48, 170, kLButton | kControl);
    EXPECT_FLOAT_EQ(s->getValue(), 0.75f);
    ASSERT_EQ(rec.log.size(), 3u);
    EXPECT_EQ(rec.log[1], "change 3");
    press(48, 170, kLButton | kControl);  // already there: nothing to report
    EXPECT_EQ(rec.log.size(), 3u);

    auto* k = new CAnimKnob(CRect(100, 10, 132, 42), &rec, 16, strip, CPoint(0, 0));
    k->setValue(0.1f);
    frame.addView(k);
    press(110, 20, kLButton | kControl);
    EXPECT_FLOAT_EQ(k->getValue(), 0.5f) << "the toolkit's own reset value";
    EXPECT_EQ(rec.log.back(), "end 16");
}

TEST_F(ControlsTest, KnobShowsItsFrameAndFollowsTheMouse) {
    auto* k = new CAnimKnob(CRect(100, 10, 132, 42), &rec, 16, strip, CPoint(0, 0));
    frame.addView(k);
    EXPECT_EQ(k->getNumSubPixmaps(), 32);
    struct {
        float value;
        int frame;
    } table[] = {{0.f, 0}, {1.f, 31}, {0.5f, 15}, {0.999f, 30}};
    for (const auto& t : table) {
        k->setValue(t.value);
        EXPECT_EQ(k->frameIndex(), t.frame) << t.value;
    }
    k->setValue(1.f);
    frame.idle();
    const uint32_t* sp = strip->getPixels();
    for (int y = 0; y < 32; y += 5)
        for (int x = 0; x < 32; x += 5)
            ASSERT_EQ(frame.getDrawContext().getPixel(100 + x, 10 + y), sp[(31 * 32 + y) * 32 + x]);

    // Linear mode: up and right turn it up.
    k->setValue(0.5f);
    rec.knobMode = kLinearMode;
    press(116, 26, kLButton);
    move(116, 6, kLButton);
    EXPECT_NEAR(k->getValue(), 0.6f, 1e-5);
    release(116, 6);
    EXPECT_EQ(rec.log.front(), "begin 16");
    EXPECT_EQ(rec.log.back(), "end 16");

    // Circular mode: straight above the centre is the middle of the sweep,
    // left of it a third of the way (90 of 270 degrees from the start).
    rec.knobMode = kCircularMode;
    press(116, 11, kLButton);
    EXPECT_NEAR(k->getValue(), 0.5f, 1e-5);
    move(101, 26, kLButton);
    EXPECT_NEAR(k->getValue(), 1.f / 6.f, 1e-5);
    release(101, 26);
}

TEST_F(ControlsTest, ButtonTogglesRedrawsAndThenReports) {
    auto* b = new COnOffButton(CRect(10, 40, 36, 58), &rec, 7, button);
    frame.addView(b);
    frame.idle();
    const uint32_t* bp = button->getPixels();
    EXPECT_EQ(frame.getDrawContext().getPixel(23, 49), bp[9 * 26 + 13]) << "value 0: top face";
    rec.probe = [](Recorder* r) { return r->frame->getDrawContext().getPixel(23, 49); };
    press(20, 45, kLButton);
    EXPECT_FLOAT_EQ(b->getValue(), 1.f);
    EXPECT_EQ(rec.probed, bp[27 * 26 + 13]) << "the new face is drawn before the report";
    ASSERT_EQ(rec.log.size(), 3u);
    EXPECT_EQ(rec.log[0], "begin 7");
    EXPECT_EQ(rec.log[1], "change 7");
    EXPECT_EQ(rec.log[2], "end 7");
    press(20, 45, kLButton);
    EXPECT_FLOAT_EQ(b->getValue(), 0.f);
    press(20, 45, kRButton);
    EXPECT_FLOAT_EQ(b->getValue(), 0.f) << "only the left button switches";
}

TEST_F(ControlsTest, DisplayFormatsItsValueOrAsksItsConverter) {
    auto* d = new CParamDisplay(CRect(10, 326, 40, 340));
    frame.addView(d);
    char text[CParamDisplay::kTextSize];
    struct {
        float value;
        const char* text;
    } table[] = {{0.f, "0.00"}, {0.5f, "0.50"}, {1.f, "1.00"}, {0.25f, "0.25"}};
    for (const auto& t : table) {
        d->setValue(t.value);
        d->getText(text);
        EXPECT_STREQ(text, t.text);
    }
    int tagged = 42;
    d->setStringConvert(
        [](float v, char* out, void* data) { std::snprintf(out, 256, "%d/%.1f", *static_cast<int*>(data), double(v)); },
        &tagged);
    d->setValue(0.5f);
    d->getText(text);
    EXPECT_STREQ(text, "42/0.5");

    // Drawn: frame colour on the edge, back colour inside, text in the middle.
    d->setStringConvert([](float, char* out) { std::strcpy(out, "8"); });
    d->setBackColor(CColor(0, 0, 0));
    d->setFrameColor(CColor(127, 127, 127));
    d->setFontColor(CColor(255, 255, 255));
    frame.idle();
    const CDrawContext& c = frame.getDrawContext();
    EXPECT_EQ(c.getPixel(10, 326), 0xFF7F7F7Fu);
    EXPECT_EQ(c.getPixel(39, 339), 0xFF7F7F7Fu);
    EXPECT_EQ(c.getPixel(12, 328), 0xFF000000u);
    int lit = 0;
    for (int x = 20; x < 30; ++x)
        for (int y = 328; y < 338; ++y)
            lit += c.getPixel(x, y) != 0xFF000000u;
    EXPECT_GT(lit, 5);
    // A display never reports.
    press(20, 330, kLButton);
    EXPECT_TRUE(rec.log.empty());
}

TEST_F(ControlsTest, FrameDrawsOnlyAtIdleAndOnlyWhatChanged) {
    CVerticalSlider* s = addSlider(0.5f);
    frame.idle();
    frame.takeDirtyRegion();
    s->setValue(0.7f);  // as from another thread: only stored
    EXPECT_TRUE(frame.takeDirtyRegion().empty());
    EXPECT_TRUE(s->isDirty());
    frame.idle();
    EXPECT_FALSE(s->isDirty());
    std::vector<CRect> region = frame.takeDirtyRegion();
    ASSERT_EQ(region.size(), 1u);
    EXPECT_EQ(region[0], CRect(40, 160, 56, 320));
    frame.idle();
    EXPECT_TRUE(frame.takeDirtyRegion().empty());
    s->setDirty(true);
    frame.idle();
    EXPECT_EQ(frame.takeDirtyRegion().size(), 1u);
}

TEST_F(ControlsTest, MovedHandleLeavesNoTrace) {
    CBitmap* bg = new CBitmap(128);
    frame.setBackground(bg);
    CVerticalSlider* s = addSlider(1.f);
    frame.idle();
    frame.redrawAll();  // an expose repaints more than the slider's own rectangle
    s->setValue(0.f);
    frame.idle();
    // Where the handle was, the background shows again, also in the column
    // just right of the view that the offset handle would reach.
    const uint32_t* bp = bg->getPixels();
    for (int y = 160; y < 189; y += 4)
        for (int x = 41; x <= 56; x += 3)
            ASSERT_EQ(frame.getDrawContext().getPixel(x, y), bp[y * 691 + x]) << x << "," << y;
    bg->forget();
}
