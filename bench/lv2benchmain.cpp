// trs-lv2-bench: nanoseconds per frame of LV2 plug-ins' run() at 44100 Hz in
// 512-frame blocks, side by side, on the input trs-bench uses. Unlike lilv's
// lv2bench it offers the options feature (sample rate, block lengths), which
// DPF-built plug-ins such as Debian's Zam ones require.
//
//   trs-lv2-bench [--reps N] [--seconds S] URI...     (plug-ins from LV2_PATH)
#include "benchinput.h"

#include <lilv/lilv.h>
#include <lv2/atom/atom.h>
#include <lv2/buf-size/buf-size.h>
#include <lv2/options/options.h>
#include <lv2/parameters/parameters.h>
#include <lv2/urid/urid.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;
constexpr uint32_t kAtomCapacity = 8192;

std::vector<std::string> uris;
LV2_URID map(LV2_URID_Map_Handle, const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri)
            return (LV2_URID)i + 1;
    uris.push_back(uri);
    return (LV2_URID)uris.size();
}
const char* unmap(LV2_URID_Unmap_Handle, LV2_URID urid) {
    return urid >= 1 && urid <= uris.size() ? uris[urid - 1].c_str() : nullptr;
}

struct Ports {
    std::vector<std::vector<float>> audioOut, scratch;
    std::vector<float> controls;
    std::vector<std::vector<uint64_t>> atoms;
    std::vector<std::pair<uint32_t, bool>> atomPorts;  // index, is output
    std::vector<uint32_t> audioIn;
};

// Best time over reps, in ns per frame; negative when the plug-in cannot run.
double measure(LilvWorld* world, const LilvPlugin* plugin, const std::vector<float>& input, int reps,
               std::string& why) {
    LV2_URID_Map mapData = {nullptr, map};
    LV2_URID_Unmap unmapData = {nullptr, unmap};
    const float rate = kRate;
    const int32_t block = kBlock;
    const LV2_URID intType = map(nullptr, LV2_ATOM__Int), floatType = map(nullptr, LV2_ATOM__Float);
    LV2_Options_Option options[] = {
        {LV2_OPTIONS_INSTANCE, 0, map(nullptr, LV2_PARAMETERS__sampleRate), sizeof rate, floatType, &rate},
        {LV2_OPTIONS_INSTANCE, 0, map(nullptr, LV2_BUF_SIZE__nominalBlockLength), sizeof block, intType, &block},
        {LV2_OPTIONS_INSTANCE, 0, map(nullptr, LV2_BUF_SIZE__maxBlockLength), sizeof block, intType, &block},
        {LV2_OPTIONS_INSTANCE, 0, map(nullptr, LV2_BUF_SIZE__minBlockLength), sizeof block, intType, &block},
        {LV2_OPTIONS_INSTANCE, 0, 0, 0, 0, nullptr}};
    LV2_Feature mapFeature = {LV2_URID__map, &mapData}, unmapFeature = {LV2_URID__unmap, &unmapData};
    LV2_Feature optionsFeature = {LV2_OPTIONS__options, options};
    LV2_Feature bounded = {LV2_BUF_SIZE__boundedBlockLength, nullptr};
    const LV2_Feature* features[] = {&mapFeature, &unmapFeature, &optionsFeature, &bounded, nullptr};

    LilvInstance* instance = lilv_plugin_instantiate(plugin, kRate, features);
    if (!instance) {
        why = "did not instantiate";
        return -1;
    }
    LilvNode* audio = lilv_new_uri(world, LV2_CORE__AudioPort);
    LilvNode* control = lilv_new_uri(world, LV2_CORE__ControlPort);
    LilvNode* atom = lilv_new_uri(world, LV2_ATOM__AtomPort);
    LilvNode* in = lilv_new_uri(world, LV2_CORE__InputPort);
    LilvNode* optional = lilv_new_uri(world, LV2_CORE__connectionOptional);
    const uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, nullptr, nullptr, defaults.data());
    Ports p;
    p.controls.assign(count, 0.0f);
    p.atoms.reserve(count);
    p.audioOut.reserve(count);
    bool ok = true;
    for (uint32_t i = 0; i < count && ok; ++i) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, i);
        const bool isIn = lilv_port_is_a(plugin, port, in);
        if (lilv_port_is_a(plugin, port, audio)) {
            if (isIn) {
                p.audioIn.push_back(i);
            } else {
                p.audioOut.emplace_back(kBlock);
                lilv_instance_connect_port(instance, i, p.audioOut.back().data());
            }
        } else if (lilv_port_is_a(plugin, port, control)) {
            p.controls[i] = std::isnan(defaults[i]) ? 0.0f : defaults[i];
            lilv_instance_connect_port(instance, i, &p.controls[i]);
        } else if (lilv_port_is_a(plugin, port, atom)) {
            p.atoms.emplace_back(kAtomCapacity / 8, 0);
            p.atomPorts.emplace_back(i, !isIn);
            lilv_instance_connect_port(instance, i, p.atoms.back().data());
        } else if (!lilv_port_has_property(plugin, port, optional)) {
            why = "has a port of a kind this host does not connect";
            ok = false;
        }
    }
    lilv_node_free(audio);
    lilv_node_free(control);
    lilv_node_free(atom);
    lilv_node_free(in);
    lilv_node_free(optional);
    double best = -1;
    if (ok) {
        lilv_instance_activate(instance);
        const int frames = (int)input.size();
        for (int r = 0; r < reps; ++r) {
            const auto start = std::chrono::steady_clock::now();
            for (int at = 0; at + kBlock <= frames; at += kBlock) {
                for (size_t k = 0; k < p.audioIn.size(); ++k)
                    lilv_instance_connect_port(instance, p.audioIn[k], const_cast<float*>(&input[at]));
                for (size_t k = 0; k < p.atomPorts.size(); ++k) {
                    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(p.atoms[k].data());
                    seq->atom.type =
                        p.atomPorts[k].second ? map(nullptr, LV2_ATOM__Chunk) : map(nullptr, LV2_ATOM__Sequence);
                    seq->atom.size =
                        p.atomPorts[k].second ? kAtomCapacity - sizeof(LV2_Atom) : sizeof(LV2_Atom_Sequence_Body);
                }
                lilv_instance_run(instance, kBlock);
            }
            const double ns =
                std::chrono::duration<double, std::nano>(std::chrono::steady_clock::now() - start).count();
            const double perFrame = ns / (frames / kBlock * kBlock);
            if (best < 0 || perFrame < best)
                best = perFrame;
        }
        lilv_instance_deactivate(instance);
    }
    lilv_instance_free(instance);
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 5;
    double seconds = 20;
    std::vector<std::string> wanted;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::atof(argv[++i]);
        else
            wanted.push_back(a);
    }
    if (wanted.empty()) {
        std::fprintf(stderr, "usage: trs-lv2-bench [--reps N] [--seconds S] URI...\n");
        return 2;
    }
    LilvWorld* world = lilv_world_new();
    lilv_world_load_all(world);
    const LilvPlugins* all = lilv_world_get_all_plugins(world);
    const std::vector<float> input = makeBenchInput((int)(seconds * kRate), 0x1234567u);
    std::printf("%-28s %10s %12s\n", "plug-in", "ns/frame", "x real time");
    int status = 0;
    for (const std::string& uri : wanted) {
        LilvNode* node = lilv_new_uri(world, uri.c_str());
        const LilvPlugin* plugin = lilv_plugins_get_by_uri(all, node);
        lilv_node_free(node);
        std::string why = "is not in LV2_PATH";
        const double ns = plugin ? measure(world, plugin, input, reps, why) : -1;
        if (ns < 0) {
            std::printf("%-28s %s\n", uri.c_str(), why.c_str());
            status = 1;
        } else {
            std::printf("%-28s %10.1f %12.0f\n", uri.c_str(), ns, 1e9 / kRate / ns);
        }
    }
    lilv_world_free(world);
    return status;
}
