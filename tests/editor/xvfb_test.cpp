// The editor in a real X server: a parent window of our own, clicks and
// drags through XTest, open/close cycles and a parent destroyed under us.
#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "editor/sdeditor.h"
#include "standineffect.h"
#include "toolkit/cframe.h"
#include "toolkit/platformwindow.h"
#include "xvfbserver.h"

namespace {

int xErrors = 0;
int countErrors(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

class XvfbEditorTest : public ::testing::Test {
protected:
    static XvfbServer* server;
    static std::string displayName;
    static std::string skipReason;

    static void SetUpTestSuite() {
        server = new XvfbServer;
        if (server->missing()) {
            skipReason = server->whyNot();
            return;
        }
        ASSERT_TRUE(server->running()) << server->whyNot();
        displayName = server->display();
        XSetErrorHandler(countErrors);
    }

    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (!skipReason.empty())
            GTEST_SKIP() << skipReason;
        PlatformWindow::setFactory(nullptr);
        xErrors = 0;
        display = XOpenDisplay(displayName.c_str());
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 691, 371, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        StandInEffect::calls().clear();
    }

    void TearDown() override {
        if (display) {
            if (parent)
                XDestroyWindow(display, parent);
            XSync(display, False);
            XCloseDisplay(display);
        }
        EXPECT_EQ(xErrors, 0);
    }

    // Rounds to wait for the server to pass on our fake input; only a broken
    // editor ever uses them all.
    static constexpr int kPatience = 6000;

    // Idles the editor as a host would, about 100 times a second.
    void pump(SDEditor* editor, int rounds = 5) {
        for (int i = 0; i < rounds; ++i) {
            XSync(display, False);
            editor->idle();
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    Window child() {
        Window root, par, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &par, &children, &n);
        const Window c = n == 1 ? children[0] : 0;
        if (children)
            XFree(children);
        return c;
    }

    void fakeMove(int x, int y) { XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime); }
    void fakeButton(bool down) { XTestFakeButtonEvent(display, 1, down, CurrentTime); }

    Display* display = nullptr;
    Window parent = 0;
};

XvfbServer* XvfbEditorTest::server = nullptr;
std::string XvfbEditorTest::displayName;
std::string XvfbEditorTest::skipReason;

}  // namespace

TEST_F(XvfbEditorTest, OpensShowsAndTakesClicksAndDrags) {
    StandInEffect* effect = new StandInEffect("X");
    SDEditor* editor = new SDEditor(effect);
    effect->setParameter(7, 0.f);
    effect->setParameter(0, 0.5f);
    ASSERT_TRUE(editor->open(reinterpret_cast<void*>(parent)));
    ASSERT_TRUE(editor->getFrame()->hasWindow());
    pump(editor);

    const Window w = child();
    ASSERT_NE(w, 0u);
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(display, w, &attrs));
    EXPECT_EQ(attrs.width, 691);
    EXPECT_EQ(attrs.height, 371);
    EXPECT_EQ(attrs.map_state, IsViewable);

    // What the server shows is what the frame drew.
    XImage* shot = XGetImage(display, w, 0, 0, 691, 371, AllPlanes, ZPixmap);
    ASSERT_NE(shot, nullptr);
    const CDrawContext& c = editor->getFrame()->getDrawContext();
    int differing = 0;
    for (int y = 0; y < 371; y += 7)
        for (int x = 0; x < 691; x += 7)
            differing += (XGetPixel(shot, x, y) & 0xFFFFFF) != (c.getPixel(x, y) & 0xFFFFFF);
    EXPECT_EQ(differing, 0);
    XDestroyImage(shot);
    const std::string png = std::string(TRS_ARTIFACT_DIR) + "/editor_xvfb.png";
    const std::string cmd =
        "import -display " + displayName + " -window " + std::to_string(w) + " " + png + " 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    EXPECT_TRUE(std::ifstream(png).good());

    // A click on the second filter button.
    fakeMove(277, 67);
    fakeButton(true);
    fakeButton(false);
    for (int i = 0; i < kPatience && effect->callsOf(audioMasterEndEdit).empty(); ++i)
        pump(editor, 1);
    auto automate = effect->callsOf(audioMasterAutomate);
    ASSERT_EQ(automate.size(), 1u);
    EXPECT_EQ(automate[0].index, 7);
    EXPECT_FLOAT_EQ(automate[0].opt, 0.5f);
    ASSERT_EQ(effect->callsOf(audioMasterBeginEdit).size(), 1u);
    EXPECT_EQ(effect->callsOf(audioMasterBeginEdit)[0].index, 7);
    EXPECT_EQ(effect->callsOf(audioMasterEndEdit)[0].index, 7);

    // A drag on the first slider: pick up the handle and pull it up 26 pixels.
    StandInEffect::calls().clear();
    fakeMove(48, 235);
    fakeButton(true);
    for (int y = 235; y >= 209; y -= 2) {
        fakeMove(48, y);
        pump(editor, 1);
    }
    fakeButton(false);
    for (int i = 0; i < kPatience && effect->callsOf(audioMasterEndEdit).empty(); ++i)
        pump(editor, 1);
    automate = effect->callsOf(audioMasterAutomate);
    ASSERT_FALSE(automate.empty());
    for (const HostCall& a : automate)
        EXPECT_EQ(a.index, 0);
    EXPECT_NEAR(automate.back().opt, 0.7f, 1e-5);
    EXPECT_NEAR(effect->getParameter(0), 0.7f, 1e-5);
    ASSERT_EQ(effect->callsOf(audioMasterBeginEdit).size(), 1u);
    ASSERT_EQ(effect->callsOf(audioMasterEndEdit).size(), 1u);
    EXPECT_EQ(StandInEffect::calls().front().opcode, audioMasterBeginEdit);

    editor->close();
    pump(editor, 1);
    EXPECT_EQ(child(), 0u) << "our window is gone";
    delete effect;
}

TEST_F(XvfbEditorTest, SurvivesOpenCloseCyclesAndDestructionWhileOpen) {
    StandInEffect* effect = new StandInEffect("Y");
    SDEditor* editor = new SDEditor(effect);
    for (int i = 0; i < 20; ++i) {
        ASSERT_TRUE(editor->open(reinterpret_cast<void*>(parent)));
        effect->setParameter(i % 18, 0.05f * float(i));
        pump(editor, 2);
        editor->close();
    }
    XSync(display, False);
    EXPECT_EQ(child(), 0u);
    editor->open(reinterpret_cast<void*>(parent));
    pump(editor, 2);
    EXPECT_NE(child(), 0u);
    delete effect;  // the editor goes with it, window and all
    XSync(display, False);
    EXPECT_EQ(child(), 0u);
}

TEST_F(XvfbEditorTest, ParentDestroyedBeforeCloseDoesNotEndTheHost) {
    StandInEffect* effect = new StandInEffect("Z");
    SDEditor* editor = new SDEditor(effect);
    editor->open(reinterpret_cast<void*>(parent));
    pump(editor, 2);
    XDestroyWindow(display, parent);
    XSync(display, False);
    parent = 0;
    // The host keeps idling and changing parameters for a moment.
    effect->setParameter(5, 0.1f);
    editor->idle();
    effect->setParameter(5, 0.9f);
    editor->idle();
    editor->close();
    delete effect;
    SUCCEED() << "still running";
}

TEST_F(XvfbEditorTest, BadParentGivesAHeadlessFrameNotACrash) {
    StandInEffect* effect = new StandInEffect("W");
    SDEditor* editor = new SDEditor(effect);
    EXPECT_TRUE(editor->open(reinterpret_cast<void*>(uintptr_t(0x7ffffff))));
    EXPECT_FALSE(editor->getFrame()->hasWindow());
    editor->idle();
    delete effect;
}
