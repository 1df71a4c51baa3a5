#include "callbackrouter.h"

#include <mutex>
#include <unordered_map>

#include "plugininstance.h"

namespace trs::host::router {

namespace {

thread_local PluginInstance* creating = nullptr;

std::mutex& tableLock() {
    static std::mutex m;
    return m;
}

std::unordered_map<AEffect*, PluginInstance*>& table() {
    static std::unordered_map<AEffect*, PluginInstance*> t;
    return t;
}

PluginInstance* find(AEffect* effect) {
    if (effect) {
        std::lock_guard<std::mutex> lock(tableLock());
        auto it = table().find(effect);
        if (it != table().end())
            return it->second;
    }
    return creating;
}

}  // namespace

VstIntPtr VSTCALLBACK hostCallback(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                   float opt) {
    if (PluginInstance* instance = find(effect))
        return instance->answerRequest(effect, opcode, index, value, ptr, opt);
    // A request from an effect this process no longer knows: say little.
    return opcode == audioMasterVersion ? kVstVersion : 0;
}

void add(AEffect* effect, PluginInstance* instance) {
    std::lock_guard<std::mutex> lock(tableLock());
    table()[effect] = instance;
}

void remove(AEffect* effect) {
    std::lock_guard<std::mutex> lock(tableLock());
    table().erase(effect);
}

CreationScope::CreationScope(PluginInstance* instance) : previous(creating) {
    creating = instance;
}

CreationScope::~CreationScope() {
    creating = previous;
}

}  // namespace trs::host::router
