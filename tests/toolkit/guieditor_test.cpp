#include <gtest/gtest.h>

#include "standineffect.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/cframe.h"
#include "toolkit/cparamdisplay.h"
#include "toolkit/idleclock.h"

namespace {

unsigned long fakeNow = 1000;
std::vector<unsigned long> sleeps;

struct TestEditor : AEffGUIEditor {
    explicit TestEditor(AudioEffect* e) : AEffGUIEditor(e) {
        rect.bottom = 371;
        rect.right = 691;
    }
    bool open(void* ptr) override {
        AEffGUIEditor::open(ptr);
        frame = new CFrame(CRect(0, 0, 691, 371), nullptr, this);
        return true;
    }
    void close() override {
        delete frame;
        frame = nullptr;
    }
    ~TestEditor() override { close(); }
};

struct GuiEditorTest : ::testing::Test {
    StandInEffect* effect = new StandInEffect;
    TestEditor* editor = new TestEditor(effect);  // owned by the effect

    GuiEditorTest() {
        sleeps.clear();
        IdleClock::set([] { return fakeNow; },
                       [](unsigned long ms) {
                           sleeps.push_back(ms);
                           fakeNow += ms;
                       });
    }
    ~GuiEditorTest() override {
        delete effect;
        IdleClock::set(nullptr, nullptr);
    }
};

}  // namespace

TEST_F(GuiEditorTest, RegistersWithTheEffectAndReportsItsSize) {
    EXPECT_EQ(effect->editorObject(), editor);
    EXPECT_TRUE(effect->getAeffect()->flags & effFlagsHasEditor);
    ERect* r = nullptr;
    EXPECT_TRUE(editor->getRect(&r));
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->bottom, 371);
    EXPECT_EQ(r->right, 691);
}

TEST_F(GuiEditorTest, EditGesturesReachTheHost) {
    StandInEffect::calls().clear();
    editor->beginEdit(5);
    editor->endEdit(5);
    ASSERT_EQ(effect->callsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(effect->callsOf(audioMasterBeginEdit)[0].index, 5);
    ASSERT_EQ(effect->callsOf(audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(effect->callsOf(audioMasterEndEdit)[0].index, 5);
}

TEST_F(GuiEditorTest, KnobModeIsSharedByEveryEditor) {
    StandInEffect other;
    TestEditor* second = new TestEditor(&other);
    EXPECT_TRUE(editor->setKnobMode(2));
    EXPECT_EQ(second->getKnobMode(), 2);
    editor->setKnobMode(0);
    EXPECT_EQ(second->getKnobMode(), 0);
}

TEST_F(GuiEditorTest, IntermediateIdleKeepsItsRhythm) {
    editor->open(reinterpret_cast<void*>(1));
    editor->doIdleStuff();  // first call: due at once
    EXPECT_EQ(effect->masterIdleCalls, 1);
    EXPECT_TRUE(sleeps.empty());
    EXPECT_EQ(editor->nextIdleDue(), fakeNow + 100);

    fakeNow += 10;  // 90 ms early: waits 4 ms and gives up
    editor->doIdleStuff();
    EXPECT_EQ(effect->masterIdleCalls, 1);
    ASSERT_EQ(sleeps.size(), 1u);
    EXPECT_EQ(sleeps[0], 4u);

    fakeNow += 42;  // 48 ms early, 44 after the wait: within 50 ms, runs
    editor->doIdleStuff();
    EXPECT_EQ(effect->masterIdleCalls, 2);
    EXPECT_EQ(sleeps.size(), 2u);

    fakeNow += 200;  // late: runs without waiting
    editor->doIdleStuff();
    EXPECT_EQ(effect->masterIdleCalls, 3);
    EXPECT_EQ(sleeps.size(), 2u);
}

TEST_F(GuiEditorTest, IdleIsQuietWhileTheHostIdlesForUs) {
    editor->open(reinterpret_cast<void*>(1));
    static CParamDisplay* display;
    static bool stillDirty;
    display = new CParamDisplay(CRect(10, 10, 40, 24));
    editor->getFrame()->addView(display);
    effect->onMasterIdle = [](StandInEffect* e) {
        // A host that answers the idle request by idling the editor.
        display->setValue(0.9f);
        static_cast<AEffGUIEditor*>(e->editorObject())->idle();
        stillDirty = display->isDirty();
    };
    editor->doIdleStuff();
    EXPECT_EQ(effect->masterIdleCalls, 1);
    EXPECT_TRUE(stillDirty) << "the nested idle drew";
    EXPECT_TRUE(display->isDirty());
    editor->idle();
    EXPECT_FALSE(display->isDirty()) << "an ordinary idle draws";
}
