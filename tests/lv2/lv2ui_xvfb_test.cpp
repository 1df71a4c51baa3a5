// The LV2 UI as a host embeds it: Debian's suil loads it into our X11
// window under Xvfb. It must look exactly like the VST editor, write the
// values of its controls to the host, and follow the host's port events.
#include <gtest/gtest.h>

// Before Xlib, whose Status macro would rename the host library's enum.
#include "tools/host/plugininstance.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <lv2/ui/ui.h>
#include <suil/suil.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <vector>

#include "lv2/lv2ports.h"
#include "xvfbserver.h"

using trs::host::PluginInstance;

namespace {

struct Write {
    uint32_t port;
    float value;
};
std::vector<Write> writes;
std::vector<std::pair<uint32_t, bool>> touches;

void onWrite(SuilController, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    if (size == sizeof(float) && format == 0)
        writes.push_back({port, *static_cast<const float*>(buffer)});
}
uint32_t noIndex(SuilController, const char*) {
    return LV2UI_INVALID_PORT_INDEX;
}
void onTouch(SuilController, uint32_t port, bool grabbed) {
    touches.emplace_back(port, grabbed);
}

using Pixels = std::vector<uint32_t>;

// The window's pixels (RGB), or nothing when it cannot be read.
Pixels grab(Display* d, Window w) {
    XSync(d, False);
    XWindowAttributes a;
    if (!XGetWindowAttributes(d, w, &a))
        return {};
    XImage* image = XGetImage(d, w, 0, 0, (unsigned)a.width, (unsigned)a.height, AllPlanes, ZPixmap);
    if (!image)
        return {};
    Pixels p;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x)
            p.push_back((uint32_t)XGetPixel(image, x, y) & 0xFFFFFF);
    XDestroyImage(image);
    return p;
}

void savePpm(const Pixels& p, int width, const std::string& path) {
    std::ofstream f(path, std::ios::binary);
    f << "P6\n" << width << " " << p.size() / width << "\n255\n";
    for (uint32_t v : p)
        f.put(char(v >> 16)).put(char(v >> 8)).put(char(v));
}

Window onlyChild(Display* d, Window parent) {
    Window root, par, *children = nullptr;
    unsigned n = 0;
    XQueryTree(d, parent, &root, &par, &children, &n);
    const Window c = n == 1 ? children[0] : 0;
    if (children)
        XFree(children);
    return c;
}

class Lv2UiTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (server.missing())
            GTEST_SKIP() << server.whyNot();
        ASSERT_TRUE(server.running()) << server.whyNot();
        // The editor opens its own connection to the display the host uses.
        setenv("DISPLAY", server.display().c_str(), 1);
        display = XOpenDisplay(server.display().c_str());
        ASSERT_NE(display, nullptr);
        for (Window* w : {&vstParent, &lv2Parent}) {
            *w = XCreateSimpleWindow(display, DefaultRootWindow(display), 0, 0, 691, 371, 0, 0, 0);
            XMapWindow(display, *w);
        }
        XSync(display, False);
    }
    void TearDown() override {
        if (ui)
            suil_instance_free(ui);
        if (host)
            suil_host_free(host);
        vst.reset();
        if (display)
            XCloseDisplay(display);
    }

    void openLv2() {
        host = suil_host_new(onWrite, noIndex, nullptr, nullptr);
        suil_host_set_touch_func(host, onTouch);
        LV2_Feature parent = {LV2_UI__parent, reinterpret_cast<void*>(uintptr_t(lv2Parent))};
        LV2_Feature idleFeature = {LV2_UI__idleInterface, nullptr};
        const LV2_Feature* features[] = {&parent, &idleFeature, nullptr};
        const std::string bundle = std::string(TRS_LV2_BUNDLE) + "/";
        ui = suil_instance_new(host, this, LV2_UI__X11UI, trs::lv2::kPluginUri, trs::lv2::kUiUri, LV2_UI__X11UI,
                               bundle.c_str(), (bundle + trs::lv2::kUiBinary).c_str(), features);
        ASSERT_NE(ui, nullptr);
        idleInterface =
            static_cast<const LV2UI_Idle_Interface*>(suil_instance_extension_data(ui, LV2_UI__idleInterface));
        ASSERT_NE(idleInterface, nullptr);
        // A host tells a new UI every control's value.
        for (uint32_t i = 0; i < (uint32_t)kNumParams; ++i)
            portEvent(i, kParams[i].defaultValue);
    }
    void portEvent(uint32_t port, float value) { suil_instance_port_event(ui, port, sizeof value, 0, &value); }
    void idleLv2() { ASSERT_EQ(idleInterface->idle(suil_instance_get_handle(ui)), 0); }

    void openVst() {
        auto loaded = PluginInstance::load(TRS_PLUGIN_PATH);
        ASSERT_TRUE(loaded) << loaded.message;
        vst = std::move(loaded.plugin);
        ASSERT_EQ(vst->dispatch(effEditOpen, 0, 0, reinterpret_cast<void*>(vstParent)), 1);
    }

    // What the window shows once the editor has drawn and stopped drawing:
    // two grabs in a row agree, and not on an empty window. The bound only
    // keeps a broken editor from hanging the test.
    template <typename Idle>
    Pixels settled(Window w, Idle idle) {
        Pixels last;
        for (int i = 0; i < 2000; ++i) {
            idle();
            Pixels now = grab(display, w);
            const bool drawn = !now.empty() && std::find_if(now.begin(), now.end(),
                                                            [&](uint32_t v) { return v != now[0]; }) != now.end();
            if (drawn && now == last)
                return now;
            last = std::move(now);
        }
        return last;
    }
    // The server keeps no hidden pixels: only the window grabbed is mapped,
    // and the editor in it repaints what it is asked to.
    void show(Window w) {
        XUnmapWindow(display, w == vstParent ? lv2Parent : vstParent);
        XMapRaised(display, w);
        XSync(display, False);
    }
    Pixels vstPixels() {
        show(vstParent);
        return settled(onlyChild(display, vstParent), [&] { vst->dispatch(effEditIdle); });
    }
    // The UI's picture once it equals the expected one (or the bound ran out).
    Pixels lv2PixelsLike(const Pixels& expected) {
        show(lv2Parent);
        Pixels now;
        for (int i = 0; i < 2000 && now != expected; ++i) {
            idleLv2();
            now = grab(display, widget());
        }
        return now;
    }
    Window widget() { return Window(reinterpret_cast<uintptr_t>(suil_instance_get_widget(ui))); }

    XvfbServer server;
    Display* display = nullptr;
    Window vstParent = 0, lv2Parent = 0;
    SuilHost* host = nullptr;
    SuilInstance* ui = nullptr;
    const LV2UI_Idle_Interface* idleInterface = nullptr;
    std::unique_ptr<PluginInstance> vst;
};

}  // namespace

TEST_F(Lv2UiTest, LooksLikeTheVstEditorWritesEditsAndFollowsPortEvents) {
    openVst();
    openLv2();
    const Window w = widget();
    ASSERT_NE(w, 0u);
    EXPECT_EQ(onlyChild(display, lv2Parent), w) << "the UI's window is a child of the host's";
    XWindowAttributes attrs;
    ASSERT_TRUE(XGetWindowAttributes(display, w, &attrs));
    EXPECT_EQ(attrs.width, 691);
    EXPECT_EQ(attrs.height, 371);

    const Pixels vstDefault = vstPixels();
    ASSERT_EQ(vstDefault.size(), 691u * 371u);
    Pixels lv2 = lv2PixelsLike(vstDefault);
    savePpm(lv2, 691, std::string(TRS_ARTIFACT_DIR) + "/tresselin_lv2_ui.ppm");
    EXPECT_TRUE(lv2 == vstDefault) << "the UI differs from the VST editor";

    // The host moves CutOff: the slider follows, as the VST editor's does.
    vst->setParameter(kCutoff, 0.2f);
    const Pixels vstCutoff = vstPixels();
    ASSERT_NE(vstCutoff, vstDefault);
    portEvent(kCutoff, 0.2f);
    lv2 = lv2PixelsLike(vstCutoff);
    EXPECT_TRUE(lv2 == vstCutoff) << "the CutOff slider did not follow the port event";

    // The middle filter-type button writes 0.5 to FilterType, inside a touch.
    show(lv2Parent);
    writes.clear();
    touches.clear();
    XTestFakeMotionEvent(display, DefaultScreen(display), 277, 67, CurrentTime);
    XTestFakeButtonEvent(display, 1, True, CurrentTime);
    XTestFakeButtonEvent(display, 1, False, CurrentTime);
    XSync(display, False);
    for (int i = 0; i < 2000 && (touches.size() < 2 || writes.empty()); ++i)
        idleLv2();
    ASSERT_EQ(writes.size(), 1u);
    EXPECT_EQ(writes[0].port, (uint32_t)kFilterType);
    EXPECT_EQ(writes[0].value, 0.5f);
    ASSERT_EQ(touches.size(), 2u);
    EXPECT_EQ(touches[0], std::make_pair((uint32_t)kFilterType, true));
    EXPECT_EQ(touches[1], std::make_pair((uint32_t)kFilterType, false));
}
