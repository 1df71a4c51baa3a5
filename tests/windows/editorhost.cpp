// trs-editorhost PLUGIN: a small Windows host for the editor test. It opens
// the plug-in's editor in a top-level window of its own, idles it from a
// timer as Windows hosts do, and reports on stdout:
//   ready X Y W H             the editor's top-left corner on the screen, its size
//   automation I:V ...        every automation of the gesture, in order
//   settled                   50 idle rounds later: every control has been drawn
//   gesture INDEX VALUE N     a finished edit: its automation index, last value, count
//   display7 TEXT             the filter type text after the gestures
//   closed                    the editor window went with effEditClose
// The test script takes the screenshot and moves the mouse in between.
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tools/host/plugininstance.h"

using trs::host::PluginInstance;

namespace {

const UINT_PTR kIdleTimer = 1;
PluginInstance* fx = nullptr;
int idleRounds = 0;
int gesturesWanted = 3;
int gesturesSeen = 0;
bool announced = false;
HWND host = nullptr;

void report(const char* format, ...) __attribute__((format(printf, 1, 2)));
void report(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::vfprintf(stdout, format, args);
    va_end(args);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

HWND editorWindow() {
    return GetWindow(host, GW_CHILD);
}

// One edit is over when the plug-in ends it; report what it automated.
void checkGestures() {
    const auto ends = fx->requestsWith(audioMasterEndEdit);
    if (ends.empty())
        return;
    const auto automate = fx->requestsWith(audioMasterAutomate);
    std::string all;
    for (const auto& a : automate)
        all += " " + std::to_string(a.index) + ":" + std::to_string(double(a.opt));
    report("automation%s", all.c_str());
    if (automate.empty())
        report("gesture -1 0 0");
    else
        report("gesture %d %.6f %u", int(automate.back().index), double(automate.back().opt),
               unsigned(automate.size()));
    fx->clearRequests();
    if (++gesturesSeen == gesturesWanted)
        PostQuitMessage(0);
}

LRESULT CALLBACK hostProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_TIMER:
            if (wParam == kIdleTimer && fx) {
                fx->dispatch(effEditIdle);
                if (++idleRounds == 20 && !announced) {
                    POINT origin = {0, 0};
                    ClientToScreen(editorWindow(), &origin);
                    RECT client;
                    GetClientRect(editorWindow(), &client);
                    report("ready %ld %ld %ld %ld", origin.x, origin.y, client.right, client.bottom);
                    announced = true;
                    fx->clearRequests();
                } else if (announced) {
                    if (idleRounds == 70)
                        report("settled");
                    checkGestures();
                }
            }
            return 0;
        case WM_DESTROY:
            return 0;
        default:
            return DefWindowProcW(hwnd, message, wParam, lParam);
    }
}

int fail(const std::string& why) {
    report("error %s", why.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: trs-editorhost PLUGIN [GESTURES] [SECONDS]\n");
        return 2;
    }
    // As today's hosts are: they see the real system DPI, and Windows does
    // not stretch their windows.
    SetProcessDPIAware();
    if (argc > 2)
        gesturesWanted = std::atoi(argv[2]);
    const DWORD seconds = argc > 3 ? DWORD(std::atoi(argv[3])) : 120;

    auto loaded = PluginInstance::load(argv[1]);
    if (!loaded)
        return fail(loaded.message);
    fx = loaded.plugin.get();
    ERect rect{};
    if (!fx->editorRect(rect))
        return fail("no editor size");
    const int width = rect.right - rect.left, height = rect.bottom - rect.top;
    if (!(width == 691 && height == 371) && !(width == 1382 && height == 742))
        return fail("unexpected editor size " + std::to_string(width) + "x" + std::to_string(height));
    fx->setParameter(1, 0.55f);  // the same state as the Linux editor test's screenshot

    HINSTANCE instance = GetModuleHandleW(nullptr);
    WNDCLASSW wc = {};
    wc.lpfnWndProc = hostProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    wc.lpszClassName = L"TrsEditorHost";
    if (!RegisterClassW(&wc))
        return fail("RegisterClass");
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame = {0, 0, width, height};
    AdjustWindowRect(&frame, style, FALSE);
    // Well inside the screen, so a drag can leave the editor upwards.
    host = CreateWindowW(L"TrsEditorHost", L"Tresselin", style, 120, 160, frame.right - frame.left,
                         frame.bottom - frame.top, nullptr, nullptr, instance, nullptr);
    if (!host)
        return fail("CreateWindow");
    ShowWindow(host, SW_SHOW);
    UpdateWindow(host);

    if (fx->dispatch(effEditOpen, 0, 0, host) != 1)
        return fail("effEditOpen did not answer 1");
    HWND editor = editorWindow();
    RECT client;
    if (!editor || !GetClientRect(editor, &client) || client.right != width || client.bottom != height ||
        !IsWindowVisible(editor))
        return fail("no visible child window of the editor's size in the host's window");
    // Still the size it said before it opened.
    ERect after{};
    if (!fx->editorRect(after) || after.right - after.left != width || after.bottom - after.top != height)
        return fail("the editor's size changed when it opened");

    SetTimer(host, kIdleTimer, 20, nullptr);
    const DWORD deadline = GetTickCount() + seconds * 1000;
    MSG msg;
    bool quit = false;
    while (!quit && long(deadline - GetTickCount()) > 0) {
        if (MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT) == WAIT_FAILED)
            break;
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                break;
            }
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
    }
    KillTimer(host, kIdleTimer);
    if (!quit)
        return fail("timed out after " + std::to_string(gesturesSeen) + " gestures");

    report("display7 %s", fx->parameterDisplay(7).c_str());
    fx->dispatch(effEditClose);
    if (editorWindow())
        return fail("the editor's window outlived effEditClose");
    report("closed");
    fx->close();
    DestroyWindow(host);
    return 0;
}
