// A small LV2 host on Debian's lilv for the tests: loads Tresselin.lv2 from
// the build tree, runs it in blocks with MIDI notes at their frames, and
// leaves every port reachable for tests that connect odd buffers.
#pragma once

#include <lilv/lilv.h>
#include <lv2/urid/urid.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace trs::lv2test {

struct Midi {
    int64_t frame;
    std::vector<uint8_t> bytes;
};

class LilvHost {
public:
    // Instantiates the plug-in of bundleDir at rate; with map false it gets no
    // features at all, as lv2apply gives. Null (and error set) on failure.
    static std::unique_ptr<LilvHost> create(const std::string& bundleDir, double rate, bool map, std::string* error);
    ~LilvHost();

    void setControl(uint32_t port, float value) { controls[port] = value; }
    // Runs one block: the events in the MIDI port, then the audio.
    void run(const float* inL, const float* inR, float* outL, float* outR, uint32_t frames,
             const std::vector<Midi>& events = {});
    // A raw sequence, laid out by the caller (sizes and all).
    void runWithSequence(const void* sequence, const float* inL, const float* inR, float* outL, float* outR,
                         uint32_t frames);

    uint32_t urid(const char* uri);
    LilvInstance* instance() const { return inst; }
    const LilvPlugin* plugin() const { return plug; }

private:
    LilvHost() = default;
    void connectControls();

    LilvWorld* world = nullptr;
    const LilvPlugin* plug = nullptr;
    LilvInstance* inst = nullptr;
    std::vector<float> controls;
    std::vector<uint64_t> sequence;  // 8-byte aligned, as atoms must be
    std::vector<std::string> uris;
    LV2_URID_Map mapData{};
};

}  // namespace trs::lv2test
