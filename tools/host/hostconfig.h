// What the host answers, and the record of what it was asked.
#pragma once

#include <functional>
#include <map>
#include <string>

#include "shell/vstinterface.h"

namespace trs::host {

// One request a plug-in sent through the host callback.
struct HostRequest {
    AEffect* effect;  // null for requests made before the record existed
    VstInt32 opcode;
    VstInt32 index;
    VstIntPtr value;
    void* ptr;  // only the address: it may be gone after the call
    float opt;
    std::string text;  // the text asked about, for audioMasterCanDo
    VstIntPtr answer;  // what the host answered
};

struct HostConfig {
    VstIntPtr version = 2400;     // audioMasterVersion
    float sampleRate = 44100.0f;  // audioMasterGetSampleRate (as an integer)
    VstInt32 blockSize = 512;     // audioMasterGetBlockSize
    std::string vendor = "Tresselin";
    std::string product = "trs-host";
    VstInt32 vendorVersion = 1;
    // audioMasterCanDo answers by text; other texts answer 0.
    std::map<std::string, VstIntPtr> canDo;
    // Fixed answers by opcode; these win over everything else.
    std::map<VstInt32, VstIntPtr> answers;
    // Consulted after `answers`: return true and set the answer to take over.
    std::function<bool(const HostRequest&, VstIntPtr& answer)> handler;
    // Off for hot loops (benchmarks): nothing is stored per request.
    bool record = true;
};

}  // namespace trs::host
