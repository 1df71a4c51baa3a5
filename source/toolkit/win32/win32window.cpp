#include "toolkit/win32/win32window.h"

#include <windows.h>
#include <ole2.h>
#include <windowsx.h>

#include "shell/audioeffect.h"
#include "toolkit/cbuttons.h"
#include "toolkit/cframe.h"
#include "toolkit/platform.h"

struct Win32Window::Impl {
    CFrame* frame = nullptr;
    HWND window = nullptr;
    BITMAPINFO info = {};
    bool dragging = false;  // we hold the mouse capture for a pressed button
    bool oleInitialised = false;
};

namespace {

const wchar_t kClassName[] = L"TresselinEditorFrame";
int windowsAlive = 0;  // the class is registered while any window of ours lives

long flagsFor(WPARAM keys) {
    long flags = 0;
    if (keys & MK_LBUTTON)
        flags |= kLButton;
    if (keys & MK_MBUTTON)
        flags |= kMButton;
    if (keys & MK_RBUTTON)
        flags |= kRButton;
    if (keys & MK_SHIFT)
        flags |= kShift;
    if (keys & MK_CONTROL)
        flags |= kControl;
    if (GetKeyState(VK_MENU) < 0)
        flags |= kAlt;
    return flags;
}

// Client coordinates are signed: a drag that leaves the window to the left
// or above must arrive as negative numbers, not as 65535.
// Then mapped to the layout pixel under them.
CPoint pointOf(const CFrame& frame, LPARAM lParam) {
    return frame.toLayout(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
}

bool anyButton(WPARAM keys) {
    return (keys & (MK_LBUTTON | MK_MBUTTON | MK_RBUTTON)) != 0;
}

// The whole buffer, clipped by GDI to what the DC allows: avoids the
// bottom-up source origin rules of partial top-down blits.
void blit(HDC dc, CFrame& frame, const BITMAPINFO& info) {
    const int w = frame.getDrawContext().getWidth();
    const int h = frame.getDrawContext().getHeight();
    SetDIBitsToDevice(dc, 0, 0, DWORD(w), DWORD(h), 0, 0, 0, UINT(h), frame.getDrawContext().getPixels(), &info,
                      DIB_RGB_COLORS);
}

LRESULT CALLBACK frameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* impl = reinterpret_cast<Win32Window::Impl*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        impl = static_cast<Win32Window::Impl*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(impl));
        impl->window = hwnd;
    }
    if (!impl)
        return DefWindowProcW(hwnd, message, wParam, lParam);
    CFrame& frame = *impl->frame;

    switch (message) {
        case WM_ERASEBKGND:
            return 1;  // WM_PAINT covers every pixel
        case WM_PAINT: {
            // As an X11 expose: the frame redraws the area into its buffer, and
            // it goes to the screen. (Flushes draw directly, so no loop.)
            PAINTSTRUCT ps;
            if (HDC dc = BeginPaint(hwnd, &ps)) {
                const RECT& p = ps.rcPaint;
                frame.redrawRect(frame.toLayout(CRect(p.left, p.top, p.right, p.bottom)));
                blit(dc, frame, impl->info);
                EndPaint(hwnd, &ps);
            }
            return 0;
        }
        case WM_LBUTTONDOWN:
        case WM_MBUTTONDOWN:
        case WM_RBUTTONDOWN: {
            long flags = flagsFor(wParam);
            // The button going down is in wParam already; a second one while
            // dragging is passed on for the frame to ignore.
            if (!impl->dragging) {
                impl->dragging = true;
                SetCapture(hwnd);
            }
            frame.onMouseDown(pointOf(frame, lParam), flags);
            return 0;
        }
        case WM_MOUSEMOVE:
            frame.onMouseMoved(pointOf(frame, lParam), flagsFor(wParam));
            return 0;
        case WM_LBUTTONUP:
        case WM_MBUTTONUP:
        case WM_RBUTTONUP:
            if (!anyButton(wParam) && impl->dragging) {
                impl->dragging = false;
                ReleaseCapture();
            }
            frame.onMouseUp(pointOf(frame, lParam), flagsFor(wParam));
            return 0;
        case WM_CAPTURECHANGED:
            // Someone else took the mouse mid-drag: end the gesture here, or the
            // control would wait for a button-up that never comes and the host
            // would never see the end of the edit.
            if (impl->dragging && reinterpret_cast<HWND>(lParam) != hwnd) {
                impl->dragging = false;
                POINT p;
                GetCursorPos(&p);
                ScreenToClient(hwnd, &p);
                frame.onMouseUp(frame.toLayout(p.x, p.y), 0);
            }
            return 0;
        case WM_NCDESTROY:
            // Also reached when the host destroys its window with ours inside.
            SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
            impl->window = nullptr;
            break;
        default:
            break;
    }
    return DefWindowProcW(hwnd, message, wParam, lParam);
}

bool registerClass(HINSTANCE module) {
    if (windowsAlive > 0)
        return true;
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = frameProc;
    wc.hInstance = module;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.lpszClassName = kClassName;
    // A class left behind by an earlier load of this library at another
    // address would point at code that is gone.
    UnregisterClassW(kClassName, module);
    return RegisterClassExW(&wc) != 0;
}

}  // namespace

HINSTANCE Win32Window::module() {
    if (hInstance)
        return hInstance;
    HMODULE self = nullptr;
    GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCWSTR>(&frameProc), &self);
    return self;
}

PlatformWindow* Win32Window::create(CFrame& frame, void* parent) {
    HWND parentWindow = static_cast<HWND>(parent);
    if (!IsWindow(parentWindow))
        return nullptr;
    HINSTANCE instance = module();
    if (!registerClass(instance))
        return nullptr;

    Impl* impl = new Impl;
    impl->frame = &frame;
    // What a toolkit editor base traditionally does for the host's thread;
    // balanced when the window goes. A thread already in another apartment
    // mode refuses, and then there is nothing to release.
    const HRESULT ole = OleInitialize(nullptr);
    impl->oleInitialised = SUCCEEDED(ole);

    // The window and the DIB are the buffer's size: the layout times the scale.
    const CRect r(0, 0, frame.getDrawContext().getWidth(), frame.getDrawContext().getHeight());
    BITMAPINFOHEADER& h = impl->info.bmiHeader;
    h.biSize = sizeof h;
    h.biWidth = r.width();
    h.biHeight = -r.height();  // top row first, as the buffer is
    h.biPlanes = 1;
    h.biBitCount = 32;
    h.biCompression = BI_RGB;

    ++windowsAlive;
    // The frame draws its first content before the first WM_PAINT can ask for it.
    frame.redrawAll();
    if (!CreateWindowExW(0, kClassName, L"", WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 0, 0, r.width(), r.height(),
                         parentWindow, nullptr, instance, impl)) {
        release(impl);
        return nullptr;
    }
    return new Win32Window(impl);
}

void Win32Window::release(Impl* impl) {
    if (impl->window) {
        if (GetCapture() == impl->window) {
            impl->dragging = false;
            ReleaseCapture();
        }
        DestroyWindow(impl->window);
    }
    if (--windowsAlive == 0)
        UnregisterClassW(kClassName, module());
    if (impl->oleInitialised)
        OleUninitialize();
    delete impl;
}

Win32Window::Win32Window(Impl* i) : impl(i) {}

Win32Window::~Win32Window() {
    release(impl);
}

HWND Win32Window::handle() const {
    return impl->window;
}

void Win32Window::processEvents() {
    // The host's message loop delivers our window's messages.
}

void Win32Window::dispatchOnePaint() {
    if (impl->window && GetUpdateRect(impl->window, nullptr, FALSE))
        UpdateWindow(impl->window);
}

void Win32Window::flush(const std::vector<CRect>& region) {
    if (!impl->window)
        return;
    HDC dc = GetDC(impl->window);
    if (!dc)
        return;
    for (const CRect& layout : region) {
        const CRect r = impl->frame->toWindow(layout);
        const int saved = SaveDC(dc);
        IntersectClipRect(dc, r.left, r.top, r.right, r.bottom);
        blit(dc, *impl->frame, impl->info);
        RestoreDC(dc, saved);
    }
    ReleaseDC(impl->window, dc);
}

PlatformWindow* platform::createWindow(CFrame& frame, void* parent) {
    return Win32Window::create(frame, parent);
}
