// Where the effect meets its editor.
#include "effect/tresselin.h"

void Tresselin::createEditor() {}

void Tresselin::forwardToEditor(VstInt32 /*index*/, float /*value*/) {}
