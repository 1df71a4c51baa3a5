// Finds the host object a plug-in's callback request belongs to, so that
// several instances (of one module or several) can live in one process.
#pragma once

#include "shell/vstinterface.h"

namespace trs::host {

class PluginInstance;

namespace router {

// The host callback handed to every plug-in entry point.
VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt);

void add(AEffect* effect, PluginInstance* instance);
void remove(AEffect* effect);

// While an entry point runs, its requests carry no record (or one the host
// has not seen yet): they go to the instance being created on this thread.
class CreationScope {
public:
    explicit CreationScope(PluginInstance* instance);
    ~CreationScope();

private:
    PluginInstance* previous;
};

}  // namespace router
}  // namespace trs::host
