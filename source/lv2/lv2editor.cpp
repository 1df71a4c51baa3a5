// The LV2 UI: the VST editor on a mirror effect of its own. The mirror makes
// no sound; it holds the values the host reports, so the editor shows what
// it shows in a VST host, and it turns the editor's edits into writes to the
// host. Nothing here reaches the plug-in instance: the host may run the UI
// in another process.
#include <lv2/core/lv2.h>
#include <lv2/ui/ui.h>

#include <cstring>
#include <new>

#include "effect/tresselin.h"
#include "lv2/lv2ports.h"
#include "toolkit/aeffguieditor.h"
#include "toolkit/cframe.h"

namespace {

using namespace trs::lv2;

class Lv2Editor {
public:
    Lv2Editor(LV2UI_Write_Function write, LV2UI_Controller controller) : write(write), controller(controller) {}
    ~Lv2Editor();

    bool open(const LV2_Feature* const* features, LV2UI_Widget* widget);
    void portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer);
    int idle();

private:
    static VstIntPtr VSTCALLBACK hostCallback(AEffect* fx, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                              float opt);
    void touch(VstInt32 index, bool grabbed);

    LV2UI_Write_Function write;
    LV2UI_Controller controller;
    const LV2UI_Touch* touchFeature = nullptr;
    Tresselin* mirror = nullptr;
    AEffGUIEditor* editor = nullptr;
};

VstIntPtr VSTCALLBACK Lv2Editor::hostCallback(AEffect* fx, VstInt32 opcode, VstInt32 index, VstIntPtr, void*,
                                              float opt) {
    if (opcode == audioMasterVersion)
        return 2400;
    // Requests made while the mirror is being built find no editor yet.
    auto* self = fx ? static_cast<Lv2Editor*>(fx->user) : nullptr;
    if (!self || index < 0 || index >= kNumParams)
        return 0;
    switch (opcode) {
        case audioMasterAutomate:
            self->write(self->controller, kFirstControl + (uint32_t)index, sizeof(float), 0, &opt);
            return 1;
        case audioMasterBeginEdit:
            self->touch(index, true);
            return 1;
        case audioMasterEndEdit:
            self->touch(index, false);
            return 1;
        default:
            return 0;
    }
}

void Lv2Editor::touch(VstInt32 index, bool grabbed) {
    if (touchFeature)
        touchFeature->touch(touchFeature->handle, kFirstControl + (uint32_t)index, grabbed);
}

bool Lv2Editor::open(const LV2_Feature* const* features, LV2UI_Widget* widget) {
    void* parent = nullptr;
    const LV2UI_Resize* resize = nullptr;
    for (const LV2_Feature* const* f = features; f && *f; ++f) {
        if (std::strcmp((*f)->URI, LV2_UI__parent) == 0)
            parent = (*f)->data;
        else if (std::strcmp((*f)->URI, LV2_UI__touch) == 0)
            touchFeature = static_cast<const LV2UI_Touch*>((*f)->data);
        else if (std::strcmp((*f)->URI, LV2_UI__resize) == 0)
            resize = static_cast<const LV2UI_Resize*>((*f)->data);
    }
    if (!parent)
        return false;
    mirror = new (std::nothrow) Tresselin(hostCallback);
    if (!mirror)
        return false;
    mirror->getAeffect()->user = this;
    editor = static_cast<AEffGUIEditor*>(mirror->getEditor());
    ERect* rect = nullptr;
    if (!editor || !editor->getRect(&rect) || !rect)
        return false;
    editor->open(parent);
    CFrame* frame = editor->getFrame();
    void* window = frame ? frame->getSystemWindow() : nullptr;
    if (!window)
        return false;  // no display, or a parent we cannot use
    if (resize)
        resize->ui_resize(resize->handle, rect->right - rect->left, rect->bottom - rect->top);
    *widget = window;
    return true;
}

Lv2Editor::~Lv2Editor() {
    if (editor)
        editor->close();
    delete mirror;
}

void Lv2Editor::portEvent(uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    // Control ports only: a float each, format 0.
    if (format != 0 || size != sizeof(float) || !buffer || port >= (uint32_t)kNumParams)
        return;
    float value;
    std::memcpy(&value, buffer, sizeof value);
    mirror->setParameter((VstInt32)(port - kFirstControl), value);
}

int Lv2Editor::idle() {
    editor->idle();
    return 0;
}

Lv2Editor* self(LV2UI_Handle h) {
    return static_cast<Lv2Editor*>(h);
}

LV2UI_Handle instantiate(const LV2UI_Descriptor*, const char* pluginUri, const char*, LV2UI_Write_Function write,
                         LV2UI_Controller controller, LV2UI_Widget* widget, const LV2_Feature* const* features) {
    if (!pluginUri || std::strcmp(pluginUri, kPluginUri) != 0 || !write || !widget)
        return nullptr;
    auto* ui = new (std::nothrow) Lv2Editor(write, controller);
    if (ui && !ui->open(features, widget)) {
        delete ui;
        ui = nullptr;
    }
    return ui;
}

void cleanup(LV2UI_Handle h) {
    delete self(h);
}

void portEvent(LV2UI_Handle h, uint32_t port, uint32_t size, uint32_t format, const void* buffer) {
    self(h)->portEvent(port, size, format, buffer);
}

int idle(LV2UI_Handle h) {
    return self(h)->idle();
}

const LV2UI_Idle_Interface kIdle = {idle};

const void* extensionData(const char* uri) {
    return uri && std::strcmp(uri, LV2_UI__idleInterface) == 0 ? &kIdle : nullptr;
}

const LV2UI_Descriptor kDescriptor = {kUiUri, instantiate, cleanup, portEvent, extensionData};

}  // namespace

LV2_SYMBOL_EXPORT const LV2UI_Descriptor* lv2ui_descriptor(uint32_t index) {
    return index == 0 ? &kDescriptor : nullptr;
}
