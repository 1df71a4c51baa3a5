// The host library: loads a VST 2.4 plug-in module, creates effect instances
// through its entry point with a host callback that records every request
// and answers as configured, and drives the effect through its record.
//
//   auto r = trs::host::PluginInstance::load("Tresselin.so");
//   if (!r) { puts(r.message.c_str()); return; }
//   auto& fx = *r.plugin;
//   fx.setSampleRate(48000); fx.setBlockSize(256); fx.open(); fx.resume();
//   fx.setParameter(5, 0.3f); std::string d = fx.parameterDisplay(5);
//   fx.process({in0, in1}, {out0, out1}, 256);
//   fx.countRequests(audioMasterWantMidi);
//
// Several instances may be alive at once, of the same or different modules.
// Dispatcher calls go to the plug-in on the calling thread; the request log
// is locked, so a plug-in may call back from any thread.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "eventlist.h"
#include "hostconfig.h"
#include "pluginmodule.h"

namespace trs::host {

enum class LoadStatus {
    Ok,
    NotLoadable,  // the file is missing or not a loadable module
    NoEntry,      // neither VSTPluginMain nor main is exported
    NoEffect,     // the entry point returned null (or failed)
    BadMagic,     // the record returned lacks the 'VstP' magic
};

const char* describe(LoadStatus status);

class PluginInstance {
public:
    struct Result {
        std::unique_ptr<PluginInstance> plugin;
        LoadStatus status = LoadStatus::Ok;
        std::string message;  // empty on success
        explicit operator bool() const { return plugin != nullptr; }
    };

    // Loads the module at path and creates one effect.
    static Result load(const std::string& path, HostConfig config = {});
    // Creates another effect from an already loaded module.
    static Result create(std::shared_ptr<PluginModule> module, HostConfig config = {});

    // Closes the effect if the test has not.
    ~PluginInstance();
    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // The record, or null after close(). For direct calls in hot loops.
    AEffect* effect() const { return aeffect; }
    const std::shared_ptr<PluginModule>& module() const { return pluginModule; }
    // Answers may be changed at any time, e.g. between two dispatcher calls.
    HostConfig& config() { return hostConfig; }

    // --- Dispatcher. Every call answers 0 once the effect is closed.
    VstIntPtr dispatch(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, void* ptr = nullptr, float opt = 0.0f);
    // A text opcode with a 256-byte zeroed buffer; the text the plug-in wrote.
    std::string queryText(VstInt32 opcode, VstInt32 index = 0, VstIntPtr value = 0, VstIntPtr* answer = nullptr);

    void open();
    // effClose: the effect is destroyed and the record must not be used.
    VstIntPtr close();
    bool isClosed() const { return aeffect == nullptr; }
    void setSampleRate(float rate);  // also what the host answers from now on
    void setBlockSize(VstInt32 frames);
    void suspend();
    void resume();
    VstIntPtr canDo(const std::string& text);
    std::string effectName();
    std::string vendorString();
    std::string productString();
    VstInt32 vendorVersion();
    VstInt32 program();
    void setProgram(VstInt32 program);
    std::string programName();
    // Editor size, when the plug-in gives one.
    bool editorRect(ERect& rect);

    // --- Parameters.
    VstInt32 numParameters() const;
    void setParameter(VstInt32 index, float value);
    float getParameter(VstInt32 index);
    std::string parameterName(VstInt32 index);
    std::string parameterLabel(VstInt32 index);
    std::string parameterDisplay(VstInt32 index);

    // --- Processing, with any number of channels; null channel pointers are
    // passed through as they are.
    void processReplacing(float** inputs, float** outputs, VstInt32 frames);
    void process(std::vector<float*> inputs, std::vector<float*> outputs, VstInt32 frames);
    void processDouble(std::vector<double*> inputs, std::vector<double*> outputs, VstInt32 frames);
    void processAccumulating(std::vector<float*> inputs, std::vector<float*> outputs, VstInt32 frames);
    // effProcessEvents with the list; the plug-in's answer.
    VstIntPtr processEvents(EventList& list);

    // --- The request log.
    std::vector<HostRequest> requests() const;
    std::vector<HostRequest> requestsWith(VstInt32 opcode) const;
    size_t countRequests(VstInt32 opcode) const;
    void clearRequests();

    // Called by the host callback; not for tests.
    VstIntPtr answerRequest(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);

private:
    PluginInstance(std::shared_ptr<PluginModule> module, HostConfig config);
    VstIntPtr defaultAnswer(const HostRequest& request);

    std::shared_ptr<PluginModule> pluginModule;
    HostConfig hostConfig;
    AEffect* aeffect = nullptr;
    mutable std::mutex logLock;
    std::vector<HostRequest> log;
};

}  // namespace trs::host
