// The real Tresselin.so's editor as a Linux host drives it: size query, open
// in the host's window, idle calls, a click and a drag that come back as
// automation, open/close cycles, and the effect closed with the window open.
#include <gtest/gtest.h>

// Before Xlib, whose Status macro would rename the host library's enum.
#include "tools/host/plugininstance.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "xvfbserver.h"

using trs::host::PluginInstance;

namespace {

int xErrors = 0;
int countErrors(Display*, XErrorEvent*) {
    ++xErrors;
    return 0;
}

class PluginEditorTest : public ::testing::Test {
protected:
    static XvfbServer* server;

    static void SetUpTestSuite() { server = new XvfbServer; }
    static void TearDownTestSuite() {
        delete server;
        server = nullptr;
    }

    void SetUp() override {
        if (server->missing()) GTEST_SKIP() << server->whyNot();
        ASSERT_TRUE(server->running()) << server->whyNot();
        XSetErrorHandler(countErrors);
        xErrors = 0;
        display = XOpenDisplay(server->display().c_str());
        ASSERT_NE(display, nullptr);
        parent = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 691, 371, 0, 0, 0);
        XMapWindow(display, parent);
        XSync(display, False);
        auto loaded = PluginInstance::load(TRS_PLUGIN_PATH);
        ASSERT_TRUE(loaded) << loaded.message;
        fx = std::move(loaded.plugin);
    }

    void TearDown() override {
        fx.reset();
        if (display) {
            if (parent) XDestroyWindow(display, parent);
            XSync(display, False);
            XCloseDisplay(display);
        }
        EXPECT_EQ(xErrors, 0);
    }

    void openEditor() {
        ASSERT_EQ(fx->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(parent)), 1);
        idle(5);
    }

    // About a hundred idle calls a second, as Linux hosts do.
    void idle(int rounds) {
        for (int i = 0; i < rounds; ++i) {
            XSync(display, False);
            fx->dispatch(effEditIdle);
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
    }

    // Another client's events reach us when the server gets round to them; the
    // bound only keeps a broken editor from hanging the test.
    void idleUntil(VstInt32 opcode) {
        for (int i = 0; i < 6000 && fx->countRequests(opcode) == 0; ++i) idle(1);
    }

    Window child() {
        Window root, par, *children = nullptr;
        unsigned n = 0;
        XQueryTree(display, parent, &root, &par, &children, &n);
        const Window c = n == 1 ? children[0] : 0;
        if (children) XFree(children);
        return c;
    }

    void move(int x, int y) { XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime); }
    void button(bool down) { XTestFakeButtonEvent(display, 1, down, CurrentTime); }

    Display* display = nullptr;
    Window parent = 0;
    std::unique_ptr<PluginInstance> fx;
};

XvfbServer* PluginEditorTest::server = nullptr;

}  // namespace

TEST_F(PluginEditorTest, OpensAtItsSizeAndReportsGestures) {
    ERect rect{};
    ASSERT_TRUE(fx->editorRect(rect));
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.left, 0);
    EXPECT_EQ(rect.bottom, 371);
    EXPECT_EQ(rect.right, 691);

    fx->setParameter(1, 0.55f);  // the note display shows the plug-in's own text
    openEditor();
    const Window w = child();
    ASSERT_NE(w, 0u);
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(display, w, &attrs));
    EXPECT_EQ(attrs.width, 691);
    EXPECT_EQ(attrs.height, 371);
    EXPECT_EQ(attrs.map_state, IsViewable);

    const std::string png = std::string(TRS_ARTIFACT_DIR) + "/tresselin_editor.png";
    const std::string cmd =
        "import -display " + server->display() + " -window " + std::to_string(w) + " " + png + " 2>/dev/null";
    EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
    EXPECT_TRUE(std::ifstream(png).good());

    // The middle filter-type button selects high-pass.
    fx->clearRequests();
    move(277, 67);
    button(true);
    button(false);
    idleUntil(audioMasterEndEdit);
    auto automate = fx->requestsWith(audioMasterAutomate);
    ASSERT_EQ(automate.size(), 1u);
    EXPECT_EQ(automate[0].index, 7);
    EXPECT_FLOAT_EQ(automate[0].opt, 0.5f);
    EXPECT_EQ(fx->requests().front().opcode, audioMasterBeginEdit);
    EXPECT_EQ(fx->requestsWith(audioMasterBeginEdit).at(0).index, 7);
    EXPECT_EQ(fx->requestsWith(audioMasterEndEdit).at(0).index, 7);
    EXPECT_EQ(fx->parameterDisplay(7), "HP");

    // Pull the CutOff handle (at the top for the default 1.0) down 65 pixels.
    fx->clearRequests();
    move(282, 170);
    button(true);
    for (int y = 170; y <= 235; y += 5) {
        move(282, y);
        idle(1);
    }
    button(false);
    idleUntil(audioMasterEndEdit);
    automate = fx->requestsWith(audioMasterAutomate);
    ASSERT_FALSE(automate.empty());
    for (const auto& a : automate) EXPECT_EQ(a.index, 5);
    EXPECT_NEAR(automate.back().opt, 0.5f, 0.01f);
    EXPECT_EQ(fx->getParameter(5), automate.back().opt);
    EXPECT_EQ(fx->countRequests(audioMasterBeginEdit), 1u);
    EXPECT_EQ(fx->countRequests(audioMasterEndEdit), 1u);

    fx->dispatch(effEditClose);
    idle(1);
    EXPECT_EQ(child(), 0u);
}

TEST_F(PluginEditorTest, CyclesThenCloseWithTheEditorOpen) {
    for (int i = 0; i < 20; ++i) {
        openEditor();
        fx->setParameter(i % 18, 0.05f * float(i));
        fx->dispatch(effEditClose);
    }
    XSync(display, False);
    EXPECT_EQ(child(), 0u);
    openEditor();
    EXPECT_NE(child(), 0u);
    fx->close();  // the host closes the effect without closing the editor
    XSync(display, False);
    EXPECT_EQ(child(), 0u);
}
