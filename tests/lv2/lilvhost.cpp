#include "lilvhost.h"

#include <lv2/atom/atom.h>
#include <lv2/atom/util.h>
#include <lv2/midi/midi.h>
#include <lv2/urid/urid.h>

#include <cstring>

#include "lv2/lv2ports.h"

namespace trs::lv2test {

using namespace trs::lv2;

namespace {

LV2_URID mapUri(LV2_URID_Map_Handle handle, const char* uri) {
    return static_cast<LilvHost*>(handle)->urid(uri);
}

}  // namespace

uint32_t LilvHost::urid(const char* uri) {
    for (size_t i = 0; i < uris.size(); ++i)
        if (uris[i] == uri)
            return (uint32_t)i + 1;
    uris.push_back(uri);
    return (uint32_t)uris.size();
}

std::unique_ptr<LilvHost> LilvHost::create(const std::string& bundleDir, double rate, bool map, std::string* error) {
    std::unique_ptr<LilvHost> h(new LilvHost);
    h->world = lilv_world_new();
    LilvNode* bundle = lilv_new_file_uri(h->world, nullptr, (bundleDir + "/").c_str());
    lilv_world_load_bundle(h->world, bundle);
    lilv_node_free(bundle);
    LilvNode* uri = lilv_new_uri(h->world, kPluginUri);
    h->plug = lilv_plugins_get_by_uri(lilv_world_get_all_plugins(h->world), uri);
    lilv_node_free(uri);
    if (!h->plug) {
        *error = std::string("no ") + kPluginUri + " in " + bundleDir;
        return nullptr;
    }
    h->mapData = {h.get(), mapUri};
    LV2_Feature mapFeature = {LV2_URID__map, &h->mapData};
    const LV2_Feature* withMap[] = {&mapFeature, nullptr};
    const LV2_Feature* none[] = {nullptr};
    h->inst = lilv_plugin_instantiate(h->plug, rate, map ? withMap : none);
    if (!h->inst) {
        *error = "instantiation failed";
        return nullptr;
    }
    h->controls.assign(kNumParams, 0.0f);
    for (int i = 0; i < kNumParams; ++i)
        h->controls[i] = kParams[i].defaultValue;
    h->connectControls();
    lilv_instance_activate(h->inst);
    return h;
}

LilvHost::~LilvHost() {
    if (inst) {
        lilv_instance_deactivate(inst);
        lilv_instance_free(inst);
    }
    if (world)
        lilv_world_free(world);
}

void LilvHost::connectControls() {
    for (uint32_t i = 0; i < (uint32_t)kNumParams; ++i)
        lilv_instance_connect_port(inst, kFirstControl + i, &controls[i]);
}

void LilvHost::runWithSequence(const void* seq, const float* inL, const float* inR, float* outL, float* outR,
                               uint32_t frames) {
    lilv_instance_connect_port(inst, kInputLeft, const_cast<float*>(inL));
    lilv_instance_connect_port(inst, kInputRight, const_cast<float*>(inR));
    lilv_instance_connect_port(inst, kOutputLeft, outL);
    lilv_instance_connect_port(inst, kOutputRight, outR);
    lilv_instance_connect_port(inst, kMidiInput, const_cast<void*>(seq));
    lilv_instance_run(inst, frames);
}

void LilvHost::run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
                   const std::vector<Midi>& events) {
    sequence.assign(1024, 0);
    auto* seq = reinterpret_cast<LV2_Atom_Sequence*>(sequence.data());
    seq->atom.type = urid(LV2_ATOM__Sequence);
    seq->atom.size = sizeof(LV2_Atom_Sequence_Body);
    const LV2_URID midiType = urid(LV2_MIDI__MidiEvent);
    for (const Midi& m : events) {
        auto* at = reinterpret_cast<uint8_t*>(&seq->body) + seq->atom.size;
        auto* ev = reinterpret_cast<LV2_Atom_Event*>(at);
        ev->time.frames = m.frame;
        ev->body.type = midiType;
        ev->body.size = (uint32_t)m.bytes.size();
        std::memcpy(ev + 1, m.bytes.data(), m.bytes.size());
        seq->atom.size += lv2_atom_pad_size((uint32_t)(sizeof(LV2_Atom_Event) + m.bytes.size()));
    }
    runWithSequence(seq, inL, inR, outL, outR, frames);
}

}  // namespace trs::lv2test
