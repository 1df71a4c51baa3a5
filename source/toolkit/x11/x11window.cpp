#include "toolkit/x11/x11window.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <cstdint>

#include "toolkit/cbuttons.h"
#include "toolkit/cframe.h"
#include "toolkit/platform.h"

struct X11Window::Impl {
    CFrame* frame = nullptr;
    Display* display = nullptr;
    Window window = 0;
    GC gc = nullptr;
    XImage* image = nullptr;
    bool gone = false;      // the server destroyed it along with the host's window
    bool inEvents = false;  // controls may ask for idle work from inside a handler
};

namespace {

// Every request on our connection that can fail (the host may destroy its
// window, and ours with it, at any moment) runs under this handler and ends
// with a sync, so no error of ours ever reaches Xlib's default handler,
// which would exit the host.
bool sawError = false;

int ignoreErrors(Display*, XErrorEvent*) {
    sawError = true;
    return 0;
}

class QuietErrors {
public:
    explicit QuietErrors(Display* d) : display(d) {
        sawError = false;
        previous = XSetErrorHandler(ignoreErrors);
    }
    // Syncs so that the errors of our requests arrive while we still listen.
    bool sync() {
        XSync(display, False);
        return !sawError;
    }
    ~QuietErrors() {
        XSync(display, False);
        XSetErrorHandler(previous);
    }

private:
    Display* display;
    XErrorHandler previous;
};

long flagsFor(unsigned int state, unsigned int button) {
    long flags = 0;
    if (button == Button1 || (state & Button1Mask))
        flags |= kLButton;
    if (button == Button2 || (state & Button2Mask))
        flags |= kMButton;
    if (button == Button3 || (state & Button3Mask))
        flags |= kRButton;
    if (state & ShiftMask)
        flags |= kShift;
    if (state & ControlMask)
        flags |= kControl;
    if (state & Mod1Mask)
        flags |= kAlt;
    return flags;
}

}  // namespace

PlatformWindow* X11Window::create(CFrame& frame, void* parent) {
    const Window parentId = Window(reinterpret_cast<uintptr_t>(parent));
    Display* display = XOpenDisplay(nullptr);
    if (!display)
        return nullptr;
    const int screen = DefaultScreen(display);
    XVisualInfo info;
    if (!XMatchVisualInfo(display, screen, 24, TrueColor, &info)) {
        XCloseDisplay(display);
        return nullptr;
    }
    // The window and its image are the buffer's size: the layout times the scale.
    const CRect r(0, 0, frame.getDrawContext().getWidth(), frame.getDrawContext().getHeight());
    XSetWindowAttributes attrs = {};
    attrs.background_pixel = 0;
    attrs.border_pixel = 0;
    attrs.event_mask = ExposureMask | ButtonPressMask | ButtonReleaseMask | PointerMotionMask | StructureNotifyMask;
    Window window = 0;
    {
        // A bad parent id must not end the host either.
        QuietErrors quiet(display);
        XWindowAttributes parentAttrs;
        if (XGetWindowAttributes(display, parentId, &parentAttrs)) {
            attrs.colormap = XCreateColormap(display, parentId, info.visual, AllocNone);
            window =
                XCreateWindow(display, parentId, 0, 0, unsigned(r.width()), unsigned(r.height()), 0, 24, InputOutput,
                              info.visual, CWColormap | CWBackPixel | CWBorderPixel | CWEventMask, &attrs);
            XFreeColormap(display, attrs.colormap);
            if (!quiet.sync())
                window = 0;
            else
                XMapWindow(display, window);
        }
    }
    if (!window) {
        XCloseDisplay(display);
        return nullptr;
    }

    Impl* impl = new Impl;
    impl->frame = &frame;
    impl->display = display;
    impl->window = window;
    impl->gc = XCreateGC(display, window, 0, nullptr);
    // The frame's buffer is already a depth-24 ZPixmap in 32-bit units.
    impl->image =
        XCreateImage(display, info.visual, 24, ZPixmap, 0, reinterpret_cast<char*>(frame.getDrawContext().getPixels()),
                     unsigned(r.width()), unsigned(r.height()), 32, r.width() * 4);
    if (impl->image)
        impl->image->byte_order = LSBFirst;
    frame.redrawAll();
    return new X11Window(impl);
}

X11Window::X11Window(Impl* i) : impl(i) {}

X11Window::~X11Window() {
    Display* d = impl->display;
    if (impl->image) {
        impl->image->data = nullptr;  // the frame owns the pixels
        XDestroyImage(impl->image);
    }
    {
        // The host may already have destroyed its window, and ours with it.
        QuietErrors quiet(d);
        quiet.sync();
        XFreeGC(d, impl->gc);
        XDestroyWindow(d, impl->window);
    }
    XCloseDisplay(d);
    delete impl;
}

unsigned long X11Window::windowId() const {
    return impl->window;
}

void* X11Window::systemWindow() const {
    return reinterpret_cast<void*>(uintptr_t(impl->window));
}

void X11Window::handle(void* ev) {
    XEvent& e = *static_cast<XEvent*>(ev);
    CFrame& frame = *impl->frame;
    switch (e.type) {
        case Expose:
            frame.redrawRect(frame.toLayout(
                CRect(e.xexpose.x, e.xexpose.y, e.xexpose.x + e.xexpose.width, e.xexpose.y + e.xexpose.height)));
            break;
        case ButtonPress:
            if (e.xbutton.button >= Button1 && e.xbutton.button <= Button3)
                frame.onMouseDown(frame.toLayout(e.xbutton.x, e.xbutton.y),
                                  flagsFor(e.xbutton.state, e.xbutton.button));
            break;
        case MotionNotify:
            frame.onMouseMoved(frame.toLayout(e.xmotion.x, e.xmotion.y), flagsFor(e.xmotion.state, 0));
            break;
        case ButtonRelease:
            if (e.xbutton.button >= Button1 && e.xbutton.button <= Button3)
                frame.onMouseUp(frame.toLayout(e.xbutton.x, e.xbutton.y), flagsFor(e.xbutton.state, 0));
            break;
        case DestroyNotify:
            if (e.xdestroywindow.window == impl->window)
                impl->gone = true;
            break;
        default:
            break;
    }
}

void X11Window::processEvents() {
    if (impl->inEvents)
        return;
    impl->inEvents = true;
    while (!impl->gone && XPending(impl->display)) {
        XEvent e;
        XNextEvent(impl->display, &e);
        handle(&e);
    }
    impl->inEvents = false;
}

void X11Window::dispatchOnePaint() {
    XEvent e;
    if (!impl->gone && XCheckTypedWindowEvent(impl->display, impl->window, Expose, &e))
        handle(&e);
}

void X11Window::flush(const std::vector<CRect>& region) {
    if (impl->gone || !impl->image)
        return;
    QuietErrors quiet(impl->display);
    for (const CRect& layout : region) {
        const CRect r = impl->frame->toWindow(layout);
        XPutImage(impl->display, impl->window, impl->gc, impl->image, r.left, r.top, r.left, r.top, unsigned(r.width()),
                  unsigned(r.height()));
    }
    if (!quiet.sync())
        impl->gone = true;
}

PlatformWindow* platform::createWindow(CFrame& frame, void* parent) {
    return X11Window::create(frame, parent);
}
