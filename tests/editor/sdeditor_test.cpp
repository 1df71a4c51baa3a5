#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <typeinfo>

#include "editor/sdeditor.h"
#include "standineffect.h"
#include "toolkit/canimknob.h"
#include "toolkit/cbitmap.h"
#include "toolkit/cframe.h"
#include "toolkit/conoffbutton.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/cverticalslider.h"
#include "toolkit/platformwindow.h"

namespace {

void* const kParent = reinterpret_cast<void*>(0x1234);

PlatformWindow* noWindow(CFrame&, void*) {
    return nullptr;
}

// Slider columns in drawing order: tag, left, reset value.
struct Column {
    int tag, left;
    float reset;
};
const Column kColumns[15] = {
    {0, 40, 0.5f},   {1, 75, 0.5f},   {2, 110, 0.75f}, {3, 176, 0.5f},  {4, 211, 0.5f},
    {5, 274, 1.0f},  {6, 309, 0.5f},  {9, 364, 0.5f},  {10, 399, 0.5f}, {8, 434, 0.5f},
    {13, 469, 1.0f}, {12, 504, 1.0f}, {11, 539, 0.5f}, {14, 597, 1.0f}, {15, 632, 0.5f},
};
const int kDisplayLefts[15] = {33, 68, 103, 166, 201, 264, 299, 358, 393, 428, 463, 498, 533, 591, 626};

struct SDEditorTest : ::testing::Test {
    StandInEffect* effect = new StandInEffect("A");
    SDEditor* editor = new SDEditor(effect);  // the effect owns it

    SDEditorTest() {
        PlatformWindow::setFactory(noWindow);
        StandInEffect::calls().clear();
        for (int i = 0; i < 18; ++i)
            effect->setParameter(i, 0.05f * float(i + 1));
    }
    ~SDEditorTest() override {
        delete effect;
        PlatformWindow::setFactory(nullptr);
    }
    CFrame* frame() { return editor->getFrame(); }
    template <class T>
    T* view(int i) {
        return dynamic_cast<T*>(frame()->getView(i));
    }
    CVerticalSlider* slider(int n) { return view<CVerticalSlider>(2 + n); }
    COnOffButton* button(int n) { return view<COnOffButton>(17 + n); }
    CParamDisplay* display(int n) { return view<CParamDisplay>(20 + n); }
    CAnimKnob* knob(int n) { return view<CAnimKnob>(n); }
    std::string text(CParamDisplay* d) {
        char t[CParamDisplay::kTextSize];
        d->getText(t);
        return t;
    }
    void click(int x, int y, long buttons = kLButton) {
        frame()->onMouseDown(CPoint(x, y), buttons);
        frame()->onMouseUp(CPoint(x, y), 0);
    }
};

}  // namespace

TEST_F(SDEditorTest, SizeIsKnownBeforeAnyOpen) {
    ERect* r = nullptr;
    ASSERT_TRUE(editor->getRect(&r));
    EXPECT_EQ(r->top, 0);
    EXPECT_EQ(r->left, 0);
    EXPECT_EQ(r->bottom, 371);
    EXPECT_EQ(r->right, 691);
    EXPECT_EQ(frame(), nullptr);
    EXPECT_TRUE(effect->getAeffect()->flags & effFlagsHasEditor);
}

TEST_F(SDEditorTest, OpenBuildsThirtyFiveControlsInOrder) {
    ASSERT_TRUE(editor->open(kParent));
    ASSERT_NE(frame(), nullptr);
    ASSERT_EQ(frame()->getNbViews(), 35);
    EXPECT_EQ(frame()->getViewSize(), CRect(0, 0, 691, 371));
    EXPECT_EQ(frame()->getBackground()->getResourceID(), 128);

    const CRect knobRects[2] = {CRect(339, 44, 371, 76), CRect(396, 44, 428, 76)};
    for (int i = 0; i < 2; ++i) {
        ASSERT_NE(knob(i), nullptr) << i;
        EXPECT_EQ(knob(i)->getViewSize(), knobRects[i]);
        EXPECT_EQ(knob(i)->getTag(), 16 + i);
        EXPECT_EQ(knob(i)->getBackground()->getResourceID(), 133);
        EXPECT_EQ(knob(i)->getNumSubPixmaps(), 32);
        EXPECT_FLOAT_EQ(knob(i)->getValue(), effect->getParameter(16 + i));
        EXPECT_FLOAT_EQ(knob(i)->getDefaultValue(), 0.5f);
    }
    for (int i = 0; i < 15; ++i) {
        const Column& c = kColumns[i];
        CVerticalSlider* s = slider(i);
        ASSERT_NE(s, nullptr) << i;
        EXPECT_EQ(s->getViewSize(), CRect(c.left, 160, c.left + 16, 320)) << i;
        EXPECT_EQ(s->getTag(), c.tag) << i;
        EXPECT_EQ(s->getHandle()->getResourceID(), 130);
        EXPECT_EQ(s->getBackground(), nullptr);
        EXPECT_EQ(s->getOffsetHandle(), CPoint(1, 0));
        EXPECT_FLOAT_EQ(s->getValue(), effect->getParameter(c.tag)) << i;
        EXPECT_FLOAT_EQ(s->getDefaultValue(), c.reset) << i;
        EXPECT_EQ(s->getListener(), editor);
    }
    for (int i = 0; i < 3; ++i) {
        ASSERT_NE(button(i), nullptr) << i;
        EXPECT_EQ(button(i)->getViewSize(), CRect(264, 40 + 18 * i, 290, 58 + 18 * i));
        EXPECT_EQ(button(i)->getTag(), 7);
        EXPECT_EQ(button(i)->getBackground()->getResourceID(), 131);
    }
    for (int i = 0; i < 15; ++i) {
        CParamDisplay* d = display(i);
        ASSERT_NE(d, nullptr) << i;
        EXPECT_EQ(d->getViewSize(), CRect(kDisplayLefts[i], 326, kDisplayLefts[i] + 30, 340)) << i;
        EXPECT_EQ(d->getTag(), 0);
        EXPECT_EQ(d->getListener(), nullptr);
        EXPECT_EQ(d->getFont().getName(), "Arial");
        EXPECT_EQ(d->getFont().getSize(), 11);
        EXPECT_EQ(d->getFontColor(), CColor(255, 255, 255));
        EXPECT_EQ(d->getBackColor(), CColor(0, 0, 0));
        EXPECT_EQ(d->getFrameColor(), CColor(127, 127, 127));
        EXPECT_FLOAT_EQ(d->getValue(), effect->getParameter(kColumns[i].tag)) << i;
        // Each display sits under its slider.
        const CRect sr = slider(i)->getViewSize();
        EXPECT_LE(std::abs((sr.left + sr.right) - (d->getViewSize().left + d->getViewSize().right)), 6);
    }
    // No two controls overlap.
    for (int a = 0; a < 35; ++a)
        for (int b = a + 1; b < 35; ++b)
            EXPECT_FALSE(frame()->getView(a)->getViewSize().intersects(frame()->getView(b)->getViewSize()))
                << a << " and " << b;
}

TEST_F(SDEditorTest, FilterTypeButtonsFormARadioGroup) {
    struct {
        float value;
        int lit;
    } table[] = {
        {0.f, 0}, {0.2f, 0}, {0.33f, 0}, {0.34f, 1}, {0.4f, 1}, {0.5f, 1}, {0.7f, 2}, {1.f, 2}, {1.3f, 2},
    };
    editor->open(kParent);
    for (const auto& t : table) {
        effect->setParameter(7, t.value);
        for (int i = 0; i < 3; ++i)
            EXPECT_FLOAT_EQ(button(i)->getValue(), i == t.lit ? 0.f : 1.f) << t.value << " button " << i;
    }
    // Out of every range: the group stays as it was.
    effect->setParameter(7, 2.f);
    EXPECT_FLOAT_EQ(button(2)->getValue(), 0.f);
    effect->setParameter(7, -0.5f);
    EXPECT_FLOAT_EQ(button(2)->getValue(), 0.f);

    // The group is set at open from the effect, too.
    editor->close();
    effect->setParameter(7, 0.5f);
    editor->open(kParent);
    EXPECT_FLOAT_EQ(button(0)->getValue(), 1.f);
    EXPECT_FLOAT_EQ(button(1)->getValue(), 0.f);
    EXPECT_FLOAT_EQ(button(2)->getValue(), 1.f);
}

TEST_F(SDEditorTest, ClickOnAFilterButtonSelectsItsType) {
    effect->setParameter(7, 0.f);
    editor->open(kParent);
    StandInEffect::calls().clear();
    click(277, 67);  // button 2
    const auto automate = effect->callsOf(audioMasterAutomate);
    ASSERT_EQ(automate.size(), 1u);
    EXPECT_EQ(automate[0].index, 7);
    EXPECT_FLOAT_EQ(automate[0].opt, 0.5f);
    ASSERT_EQ(effect->callsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(effect->callsOf(audioMasterBeginEdit)[0].index, 7);
    ASSERT_EQ(effect->callsOf(audioMasterEndEdit).size(), 1u);
    // In that order.
    std::vector<VstInt32> order;
    for (const HostCall& c : StandInEffect::calls())
        order.push_back(c.opcode);
    EXPECT_EQ(order, (std::vector<VstInt32>{audioMasterBeginEdit, audioMasterAutomate, audioMasterEndEdit}));
    EXPECT_FLOAT_EQ(effect->getParameter(7), 0.5f);
    EXPECT_FLOAT_EQ(button(0)->getValue(), 1.f);
    EXPECT_FLOAT_EQ(button(1)->getValue(), 0.f);
    EXPECT_FLOAT_EQ(button(2)->getValue(), 1.f);

    // Clicking the lit one keeps it lit and sends the value again.
    click(277, 67);
    EXPECT_EQ(effect->callsOf(audioMasterAutomate).size(), 2u);
    EXPECT_FLOAT_EQ(effect->callsOf(audioMasterAutomate)[1].opt, 0.5f);
    EXPECT_FLOAT_EQ(button(1)->getValue(), 0.f);

    click(277, 85);
    EXPECT_FLOAT_EQ(effect->callsOf(audioMasterAutomate)[2].opt, 1.f);
    click(277, 45);
    EXPECT_FLOAT_EQ(effect->callsOf(audioMasterAutomate)[3].opt, 0.f);
}

TEST_F(SDEditorTest, DraggingSliderOneSendsIndexZeroAndKeepsTheSlider) {
    effect->setParameter(0, 0.5f);
    effect->quantise = true;
    editor->open(kParent);
    StandInEffect::calls().clear();
    CVerticalSlider* s = slider(0);
    const int top = s->handleTop();
    frame()->onMouseDown(CPoint(48, top + 10), kLButton);
    for (int step = 1; step <= 3; ++step) {
        frame()->onMouseMoved(CPoint(48, top + 10 - 13 * step), kLButton);
        const auto automate = effect->callsOf(audioMasterAutomate);
        ASSERT_EQ(automate.size(), size_t(step));
        EXPECT_EQ(automate.back().index, 0);
        EXPECT_NEAR(automate.back().opt, 0.5f + 0.1f * float(step), 1e-5);
        EXPECT_FLOAT_EQ(s->getValue(), automate.back().opt) << "set back by the echo";
        EXPECT_FLOAT_EQ(display(0)->getValue(), effect->getParameter(0));
        EXPECT_NE(effect->getParameter(0), automate.back().opt);
    }
    frame()->onMouseUp(CPoint(48, top - 29), 0);
    EXPECT_EQ(text(display(0)), "0.80");
    EXPECT_EQ(effect->callsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(effect->callsOf(audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(StandInEffect::calls().front().opcode, audioMasterBeginEdit);
}

TEST_F(SDEditorTest, CtrlClickResetsToTheEditorsOwnValues) {
    editor->open(kParent);
    struct {
        int slider;
        int tag;
        float reset;
    } table[] = {
        {2, 2, 0.75f}, {0, 0, 0.5f}, {5, 5, 1.0f}, {9, 8, 0.5f}, {13, 14, 1.0f},
    };
    for (const auto& t : table) {
        StandInEffect::calls().clear();
        click(kColumns[t.slider].left + 8, 200, kLButton | kControl);
        const auto automate = effect->callsOf(audioMasterAutomate);
        ASSERT_EQ(automate.size(), 1u) << t.tag;
        EXPECT_EQ(automate[0].index, t.tag);
        EXPECT_FLOAT_EQ(automate[0].opt, t.reset);
        EXPECT_FLOAT_EQ(effect->getParameter(t.tag), t.reset);
        EXPECT_EQ(effect->callsOf(audioMasterBeginEdit).size(), 1u);
        EXPECT_EQ(effect->callsOf(audioMasterEndEdit).size(), 1u);
        // Again: nothing changes, nothing is reported.
        StandInEffect::calls().clear();
        click(kColumns[t.slider].left + 8, 200, kLButton | kControl);
        EXPECT_TRUE(effect->callsOf(audioMasterAutomate).empty());
    }
    StandInEffect::calls().clear();
    click(355, 60, kLButton | kControl);
    ASSERT_EQ(effect->callsOf(audioMasterAutomate).size(), 1u);
    EXPECT_EQ(effect->callsOf(audioMasterAutomate)[0].index, 16);
    EXPECT_FLOAT_EQ(effect->callsOf(audioMasterAutomate)[0].opt, 0.5f);
}

TEST_F(SDEditorTest, NoteAndWaveDisplaysShowTheirOwnEffectsTexts) {
    StandInEffect* other = new StandInEffect("B");
    SDEditor* second = new SDEditor(other);
    other->setParameter(1, 0.25f);
    other->setParameter(2, 0.75f);
    effect->setParameter(0, 0.25f);
    editor->open(kParent);
    second->open(kParent);
    EXPECT_EQ(text(display(1)), "A1:0.100");
    EXPECT_EQ(text(display(2)), "A2:0.150");
    CParamDisplay* d1 = dynamic_cast<CParamDisplay*>(second->getFrame()->getView(21));
    CParamDisplay* d2 = dynamic_cast<CParamDisplay*>(second->getFrame()->getView(22));
    EXPECT_EQ(text(d1), "B1:0.250");
    EXPECT_EQ(text(d2), "B2:0.750");
    EXPECT_EQ(text(display(0)), "0.25");
    EXPECT_EQ(text(display(3)), "0.20") << "plain value, not the effect's text";
    delete other;
}

TEST_F(SDEditorTest, ProgramChangeRefreshesEveryControl) {
    effect->setParameter(7, 0.f);
    editor->open(kParent);
    float program[18];
    for (int i = 0; i < 18; ++i)
        program[i] = 1.f - 0.04f * float(i);
    program[7] = 1.f;
    effect->loadProgram(program);
    for (int i = 0; i < 15; ++i) {
        EXPECT_FLOAT_EQ(slider(i)->getValue(), program[kColumns[i].tag]) << i;
        EXPECT_FLOAT_EQ(display(i)->getValue(), program[kColumns[i].tag]) << i;
    }
    EXPECT_FLOAT_EQ(knob(0)->getValue(), program[16]);
    EXPECT_FLOAT_EQ(knob(1)->getValue(), program[17]);
    EXPECT_FLOAT_EQ(button(2)->getValue(), 0.f);
    EXPECT_FLOAT_EQ(button(0)->getValue(), 1.f);
}

TEST_F(SDEditorTest, ParameterChangesOnlyStoreAndIdleDraws) {
    editor->open(kParent);
    editor->idle();
    frame()->takeDirtyRegion();
    effect->setParameter(5, 0.9f);
    EXPECT_TRUE(frame()->takeDirtyRegion().empty()) << "drawn outside idle";
    editor->idle();
    std::vector<CRect> region = frame()->takeDirtyRegion();
    ASSERT_EQ(region.size(), 2u);  // slider 6 and display 6
    EXPECT_EQ(region[0], CRect(274, 160, 290, 320));
    EXPECT_EQ(region[1], CRect(264, 326, 294, 340));

    // Indices outside the set change nothing.
    for (int i = 0; i < 35; ++i)
        frame()->getView(i)->drawn();
    editor->setParameter(18, 1.f);
    editor->setParameter(-1, 1.f);
    for (int i = 0; i < 35; ++i)
        EXPECT_FALSE(frame()->getView(i)->isDirty()) << i;
}

TEST_F(SDEditorTest, ChangesWhileClosedShowAtTheNextOpen) {
    editor->setParameter(0, 0.9f);  // closed: ignored without harm
    editor->open(kParent);
    editor->close();
    EXPECT_EQ(frame(), nullptr);
    effect->setParameter(16, 1.f);
    effect->setParameter(0, 0.0f);
    editor->open(kParent);
    EXPECT_EQ(knob(0)->frameIndex(), 31);
    EXPECT_EQ(slider(0)->handleTop(), 290);
    // And it is drawn that way.
    editor->idle();
    CBitmap* strip = new CBitmap(133);
    const CDrawContext& c = frame()->getDrawContext();
    for (int y = 0; y < 32; y += 3)
        ASSERT_EQ(c.getPixel(339 + 16, 44 + y), strip->getPixels()[(31 * 32 + y) * 32 + 16]) << y;
    strip->forget();
}

TEST_F(SDEditorTest, OpenCloseOpenLeavesNoExtraBitmapReferences) {
    const int baseline = CBitmap::liveCount();  // the editor's background
    editor->open(kParent);
    EXPECT_EQ(CBitmap::liveCount(), baseline + 3) << "handle, button, knob strip; the body is gone";
    EXPECT_EQ(slider(0)->getHandle()->getNbReference(), 15);
    EXPECT_EQ(button(0)->getBackground()->getNbReference(), 3);
    EXPECT_EQ(knob(0)->getBackground()->getNbReference(), 2);
    EXPECT_EQ(frame()->getBackground()->getNbReference(), 2) << "editor and frame";
    editor->close();
    EXPECT_EQ(CBitmap::liveCount(), baseline);
    editor->open(kParent);
    editor->open(kParent);  // a second open without close replaces the frame
    EXPECT_EQ(frame()->getNbViews(), 35);
    EXPECT_EQ(CBitmap::liveCount(), baseline + 3);
    EXPECT_EQ(slider(0)->getHandle()->getNbReference(), 15);
    EXPECT_EQ(frame()->getBackground()->getNbReference(), 2);
    editor->close();
    editor->close();  // closing a closed editor does nothing
    EXPECT_EQ(CBitmap::liveCount(), baseline);
}

TEST_F(SDEditorTest, DestroyingTheEffectWithTheEditorOpenReleasesEverything) {
    const int before = CBitmap::liveCount();
    StandInEffect* e = new StandInEffect("C");
    SDEditor* ed = new SDEditor(e);
    ed->open(kParent);
    EXPECT_GT(CBitmap::liveCount(), before);
    delete e;  // deletes the editor, which closes its frame
    EXPECT_EQ(CBitmap::liveCount(), before);
}

TEST_F(SDEditorTest, ValueChangedIgnoresForeignTags) {
    editor->open(kParent);
    StandInEffect::calls().clear();
    CParamDisplay stray(CRect(0, 0, 1, 1));
    stray.setTag(18);
    editor->valueChanged(&stray);
    stray.setTag(-1);
    editor->valueChanged(&stray);
    EXPECT_TRUE(StandInEffect::calls().empty());
}
