// What a frame and its controls ask of the editor that owns them.
#pragma once

class CFrame;

class VSTGUIEditorInterface {
public:
    virtual ~VSTGUIEditorInterface() {}
    virtual void beginEdit(long index) = 0;
    virtual void endEdit(long index) = 0;
    // Called while a control follows the mouse, so the host keeps running.
    virtual void doIdleStuff() = 0;
    virtual long getKnobMode() const = 0;
    virtual CFrame* getFrame() const = 0;
};
