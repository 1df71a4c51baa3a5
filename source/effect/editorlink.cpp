// Where the effect meets its editor.
#include <new>

#include "editor/sdeditor.h"
#include "effect/tresselin.h"

void Tresselin::createEditor() {
    // The editor's base attaches itself through setEditor; storing the result
    // again leaves the editor null (and the flag clear) if allocation failed.
    editor = new (std::nothrow) SDEditor(this);
}

void Tresselin::closeEditor() {
    // A host may destroy the effect with the window still open; no window or
    // timer may outlive the object it draws.
    if (editor)
        editor->close();
}

void Tresselin::forwardToEditor(VstInt32 index, float value) {
    if (editor)
        static_cast<AEffGUIEditor*>(editor)->setParameter(index, value);
}
