// The real Tresselin.so's editor as a Linux host drives it: size query, open
// in the host's window, idle calls, a click and a drag that come back as
// automation, open/close cycles, and the effect closed with the window open.
#include <gtest/gtest.h>

// Before Xlib, whose Status macro would rename the host library's enum.
#include "tools/host/plugininstance.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <X11/Xatom.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

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
        if (server->missing())
            GTEST_SKIP() << server->whyNot();
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
            if (parent)
                XDestroyWindow(display, parent);
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
        for (int i = 0; i < 6000 && fx->countRequests(opcode) == 0; ++i)
            idle(1);
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

    void move(int x, int y) { XTestFakeMotionEvent(display, DefaultScreen(display), x, y, CurrentTime); }
    void button(bool down) { XTestFakeButtonEvent(display, 1, down, CurrentTime); }

    // A fresh instance of the plug-in, which decides its scale anew.
    void reload() {
        fx.reset();
        auto loaded = PluginInstance::load(TRS_PLUGIN_PATH);
        ASSERT_TRUE(loaded) << loaded.message;
        fx = std::move(loaded.plugin);
    }

    // What the desktop tells applications about the screen's density.
    void setXftDpi(const char* dpi) {
        const Window root = DefaultRootWindow(display);
        if (dpi) {
            const std::string resources = std::string("Xft.dpi:\t") + dpi + "\n";
            XChangeProperty(display, root, XA_RESOURCE_MANAGER, XA_STRING, 8, PropModeReplace,
                            reinterpret_cast<const unsigned char*>(resources.c_str()), int(resources.size()));
        } else {
            XDeleteProperty(display, root, XA_RESOURCE_MANAGER);
        }
        XSync(display, False);
    }

    using Automation = std::vector<std::pair<VstInt32, float>>;
    Automation automation() {
        Automation out;
        for (const auto& a : fx->requestsWith(audioMasterAutomate))
            out.emplace_back(a.index, a.opt);
        return out;
    }

    // One session as a user at the given scale sees it: the editor opened in
    // a parent of the size it asked for, its screenshot, then a click on the
    // middle filter button and a drag of CutOff, at the same layout positions.
    struct Seen {
        int width = 0, height = 0;
        std::vector<unsigned long> pixels;
        Automation click, drag;
    };
    Seen session(int scale) {
        Seen seen;
        ERect rect{};
        EXPECT_TRUE(fx->editorRect(rect));
        XResizeWindow(display, parent, unsigned(rect.right - rect.left), unsigned(rect.bottom - rect.top));
        XSync(display, False);
        fx->setParameter(1, 0.55f);
        openEditor();
        const Window w = child();
        EXPECT_NE(w, 0u);
        if (!w)
            return seen;
        XWindowAttributes attrs;
        XGetWindowAttributes(display, w, &attrs);
        seen.width = attrs.width;
        seen.height = attrs.height;
        const unsigned width = unsigned(attrs.width), height = unsigned(attrs.height);
        if (XImage* shot = XGetImage(display, w, 0, 0, width, height, AllPlanes, ZPixmap)) {
            for (int y = 0; y < attrs.height; ++y)
                for (int x = 0; x < attrs.width; ++x)
                    seen.pixels.push_back(XGetPixel(shot, x, y) & 0xFFFFFF);
            XDestroyImage(shot);
        }
        const std::string png = std::string(TRS_ARTIFACT_DIR) + "/tresselin_editor_x" + std::to_string(scale) + ".png";
        const std::string cmd =
            "import -display " + server->display() + " -window " + std::to_string(w) + " " + png + " 2>/dev/null";
        EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;

        fx->clearRequests();
        move(277 * scale, 67 * scale);
        button(true);
        button(false);
        idleUntil(audioMasterEndEdit);
        seen.click = automation();

        fx->clearRequests();
        move(282 * scale, 170 * scale);
        button(true);
        for (int y = 170; y <= 235; y += 5) {
            move(282 * scale, y * scale);
            idle(1);
        }
        button(false);
        idleUntil(audioMasterEndEdit);
        seen.drag = automation();
        fx->dispatch(effEditClose);
        return seen;
    }

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
    for (const auto& a : automate)
        EXPECT_EQ(a.index, 5);
    EXPECT_NEAR(automate.back().opt, 0.5f, 0.01f);
    EXPECT_EQ(fx->getParameter(5), automate.back().opt);
    EXPECT_EQ(fx->countRequests(audioMasterBeginEdit), 1u);
    EXPECT_EQ(fx->countRequests(audioMasterEndEdit), 1u);

    fx->dispatch(effEditClose);
    idle(1);
    EXPECT_EQ(child(), 0u);
}

TEST_F(PluginEditorTest, AtTwiceTheSizeTheSamePictureDoubledAndTheSameGestures) {
    setenv("TRESSELIN_SCALE", "1", 1);
    reload();
    const Seen one = session(1);
    setenv("TRESSELIN_SCALE", "2", 1);
    reload();
    const Seen two = session(2);
    unsetenv("TRESSELIN_SCALE");

    ASSERT_EQ(one.width, 691);
    ASSERT_EQ(one.height, 371);
    ASSERT_EQ(two.width, 1382);
    ASSERT_EQ(two.height, 742);
    ASSERT_EQ(one.pixels.size(), size_t(691 * 371));
    ASSERT_EQ(two.pixels.size(), size_t(1382 * 742));
    // The text inside each display's frame comes from the font baked at
    // twice the size; everything else is the small picture doubled.
    const int displayLefts[15] = {33, 68, 103, 166, 201, 264, 299, 358, 393, 428, 463, 498, 533, 591, 626};
    auto inText = [&](int x, int y) {
        for (int left : displayLefts)
            if (x > left && x < left + 29 && y > 326 && y < 339)
                return true;
        return false;
    };
    int differing = 0, textDiffering = 0;
    for (int y = 0; y < 742; ++y)
        for (int x = 0; x < 1382; ++x) {
            const bool same = two.pixels[size_t(y) * 1382 + x] == one.pixels[size_t(y / 2) * 691 + x / 2];
            (inText(x / 2, y / 2) ? textDiffering : differing) += !same;
        }
    EXPECT_EQ(differing, 0);
    EXPECT_GT(textDiffering, 0) << "the texts are drawn at 22 px, not doubled";

    ASSERT_EQ(one.click.size(), 1u);
    EXPECT_EQ(one.click[0].first, 7);
    EXPECT_EQ(one.click[0].second, 0.5f);
    EXPECT_GT(one.drag.size(), 5u);
    EXPECT_EQ(two.click, one.click);
    EXPECT_EQ(two.drag, one.drag);
}

TEST_F(PluginEditorTest, ScaleFollowsXftDpiUnlessTresselinScaleIsSet) {
    struct {
        const char* dpi;
        const char* variable;
        int width;
    } cases[] = {
        {nullptr, nullptr, 691}, {"96", nullptr, 691}, {"143.5", nullptr, 691}, {"144", nullptr, 1382},
        {"192", nullptr, 1382},  {"192", "1", 691},    {"96", "2", 1382},       {"192", "3", 1382},
    };
    for (const auto& c : cases) {
        setXftDpi(c.dpi);
        if (c.variable)
            setenv("TRESSELIN_SCALE", c.variable, 1);
        else
            unsetenv("TRESSELIN_SCALE");
        reload();
        ERect rect{};
        ASSERT_TRUE(fx->editorRect(rect));
        const std::string what = std::string("Xft.dpi ") + (c.dpi ? c.dpi : "unset") + ", TRESSELIN_SCALE " +
                                 (c.variable ? c.variable : "unset");
        EXPECT_EQ(rect.right, c.width) << what;
        EXPECT_EQ(rect.bottom, c.width == 691 ? 371 : 742) << what;
    }
    // And the window is that size.
    XResizeWindow(display, parent, 1382, 742);
    openEditor();
    XWindowAttributes attrs;
    ASSERT_NE(child(), 0u);
    ASSERT_TRUE(XGetWindowAttributes(display, child(), &attrs));
    EXPECT_EQ(attrs.width, 1382);
    EXPECT_EQ(attrs.height, 742);
    fx->dispatch(effEditClose);
    unsetenv("TRESSELIN_SCALE");
    setXftDpi(nullptr);
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
