// Helpers shared by the host-library tests of the test plug-in.
#pragma once

#include <gtest/gtest.h>

#include <vector>

#include "plugininstance.h"
#include "testprotocol.h"

namespace testhost {

using trs::host::HostConfig;
using trs::host::HostRequest;
using trs::host::PluginInstance;

inline std::unique_ptr<PluginInstance> loadTestPlugin(HostConfig config = {}) {
    auto r = PluginInstance::load(TRS_TEST_PLUGIN, std::move(config));
    EXPECT_TRUE(r) << r.message;
    return std::move(r.plugin);
}

inline HostConfig withoutEditor() {
    HostConfig c;
    c.canDo[trstest::kCanDoNoEditor] = 1;
    return c;
}

// The markers the test effect reported, in order.
inline std::vector<HostRequest> markers(const PluginInstance& p) {
    return p.requestsWith(audioMasterVendorSpecific);
}

inline std::vector<VstInt32> markerCodes(const PluginInstance& p) {
    std::vector<VstInt32> codes;
    for (const auto& r : markers(p))
        codes.push_back(r.index);
    return codes;
}

}  // namespace testhost
