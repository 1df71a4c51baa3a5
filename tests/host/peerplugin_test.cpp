// Packaged Linux plug-ins, loaded and run as any host would.
#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <vector>

#include "plugininstance.h"

namespace {

using trs::host::PluginInstance;

class PeerPlugin : public ::testing::TestWithParam<const char*> {};

TEST_P(PeerPlugin, NameParametersProcessClose) {
    const std::string path = GetParam();
    if (!std::ifstream(path).good())
        GTEST_SKIP() << path << " is not installed";
    auto r = PluginInstance::load(path);
    ASSERT_TRUE(r) << r.message;
    auto& p = *r.plugin;
    EXPECT_EQ(p.module()->entryName(), "main");  // these export only the old name
    EXPECT_EQ(p.effect()->magic, kEffectMagic);
    EXPECT_FALSE(p.effectName().empty());
    ASSERT_GT(p.numParameters(), 0);
    for (VstInt32 i = 0; i < p.numParameters(); ++i) {
        EXPECT_FALSE(p.parameterName(i).empty()) << i;
        const float v = p.getParameter(i);
        EXPECT_TRUE(v >= 0.0f && v <= 1.0f) << i << ": " << v;
    }

    p.setSampleRate(48000.0f);
    p.setBlockSize(256);
    p.open();
    p.resume();
    const VstInt32 n = 256;
    const int channels = std::max(p.effect()->numInputs, p.effect()->numOutputs);
    std::vector<std::vector<float>> in(channels, std::vector<float>(n)), out(channels, std::vector<float>(n, NAN));
    for (auto& ch : in)
        for (VstInt32 i = 0; i < n; ++i)
            ch[i] = 0.25f * static_cast<float>(std::sin(2.0 * M_PI * 440.0 * i / 48000.0));
    std::vector<float*> ins, outs;
    for (int c = 0; c < channels; ++c) {
        ins.push_back(in[c].data());
        outs.push_back(out[c].data());
    }
    for (int block = 0; block < 8; ++block)
        p.process(ins, outs, n);
    double energy = 0;
    for (VstInt32 c = 0; c < p.effect()->numOutputs; ++c)
        for (float s : out[c]) {
            ASSERT_TRUE(std::isfinite(s));
            energy += double(s) * s;
        }
    EXPECT_GT(energy, 0.0);
    p.suspend();
    EXPECT_EQ(p.close(), 1);
    EXPECT_TRUE(p.isClosed());
}

INSTANTIATE_TEST_SUITE_P(Debian, PeerPlugin,
                         ::testing::Values("/usr/lib/vst/ZamComp-vst.so", "/usr/lib/vst/3BandEQ-vst.so"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             return info.index == 0 ? std::string("ZamComp") : std::string("ThreeBandEQ");
                         });

TEST(PeerPlugins, TwoDifferentModulesAtOnce) {
    if (!std::ifstream("/usr/lib/vst/ZamComp-vst.so").good() || !std::ifstream("/usr/lib/vst/3BandEQ-vst.so").good())
        GTEST_SKIP();
    auto a = PluginInstance::load("/usr/lib/vst/ZamComp-vst.so");
    auto b = PluginInstance::load("/usr/lib/vst/3BandEQ-vst.so");
    ASSERT_TRUE(a && b);
    EXPECT_NE(a.plugin->effectName(), b.plugin->effectName());
    EXPECT_GE(a.plugin->countRequests(audioMasterVersion), 1u);
    EXPECT_GE(b.plugin->countRequests(audioMasterVersion), 1u);
}

}  // namespace
