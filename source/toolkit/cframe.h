// The editor's window content: owns its views, draws them into a pixel buffer
// over the background, tracks what must reach the screen and routes the mouse.
#pragma once

#include <memory>
#include <vector>

#include "toolkit/cbuttons.h"
#include "toolkit/cdrawcontext.h"
#include "toolkit/crect.h"
#include "shell/vstinterface.h"

class CBitmap;
class CView;
class PlatformWindow;
class VSTGUIEditorInterface;

class CFrame {
public:
    // A null parent makes a frame without a window (headless). size is the
    // layout's; at scale 2 the window and its buffer are twice as wide and high.
    CFrame(const CRect& size, void* parentWindow, VSTGUIEditorInterface* editor, int scale = 1);
    ~CFrame();

    void setBackground(CBitmap* bitmap);
    CBitmap* getBackground() const { return background; }
    // The frame owns the view from now on.
    bool addView(CView* view);
    int getNbViews() const { return int(views.size()); }
    CView* getView(int index) const;

    VSTGUIEditorInterface* getEditor() const { return editor; }
    long getKnobMode() const;
    const CRect& getViewSize() const { return size; }
    int getScale() const { return context.getScale(); }
    // Window pixels to layout: a point to the layout pixel under it, a
    // rectangle to every layout pixel it touches.
    CPoint toLayout(int x, int y) const;
    CRect toLayout(const CRect& windowRect) const;
    // Layout to window pixels.
    CRect toWindow(const CRect& layoutRect) const;
    bool hasWindow() const { return window != nullptr; }
    void* getSystemWindow() const;

    // Draws the changed views, then shows what changed.
    void idle();
    // Redraws background and views inside r into the buffer and marks it.
    void redrawRect(const CRect& r);
    // Redraws everything: the first paint, and the answer to an expose.
    void redrawAll() { redrawRect(size); }
    void doIdleStuff();
    void dispatchOnePaint();
    long onKeyDown(VstKeyCode& key);

    // Mouse input in layout coordinates, with CButton flags.
    void onMouseDown(CPoint where, long buttons);
    void onMouseMoved(CPoint where, long buttons);
    void onMouseUp(CPoint where, long buttons);

    CDrawContext& getDrawContext() { return context; }
    // The parts of the buffer drawn since the last call (or flush).
    std::vector<CRect> takeDirtyRegion();

private:
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;
    void addDirty(const CRect& r);
    void flush();

    CRect size;
    VSTGUIEditorInterface* editor;
    CBitmap* background = nullptr;
    std::vector<CView*> views;
    CView* mouseView = nullptr;
    CDrawContext context;
    std::vector<CRect> dirtyRegion;
    std::unique_ptr<PlatformWindow> window;
};
