#include "goldenrender.h"

#include <cstring>

#include "tools/host/plugininstance.h"

namespace trs::golden {

void makeInput(std::vector<float>& left, std::vector<float>& right) {
    left.assign(kFrames, 0.0f);
    right.assign(kFrames, 0.0f);
    uint32_t seed = 0x2545F491u;
    float kick = 0.0f, hat = 0.0f, pad = 0.0f;
    int32_t phase = 0;
    for (int n = 0; n < kFrames; n++) {
        // A hit every quarter second, an accent every second, a pause in the
        // fourth second so the followers fall as well as rise.
        const int step = n % (kSampleRate / 4);
        const bool pause = n >= 3 * kSampleRate && n < 4 * kSampleRate;
        if (step == 0 && !pause)
            kick = (n % kSampleRate == 0) ? 1.0f : 0.6f;
        if (step == kSampleRate / 8 && !pause)
            hat = 0.35f;
        if (n == kSampleRate / 2)
            pad = 0.25f;
        seed = seed * 1664525u + 1013904223u;
        const float white = (float)(int32_t)seed * (1.0f / 2147483648.0f);
        phase = (phase + 1) % 400;  // 110.25 Hz triangle
        const float tri = (float)(phase < 200 ? phase - 100 : 300 - phase) * 0.01f;
        left[n] = kick * tri + hat * white + pad * tri * 0.5f;
        right[n] = kick * tri * 0.8f - hat * white * 0.5f + pad * white * 0.2f;
        kick *= 0.9995f;
        hat *= 0.998f;
        pad *= 0.99999f;
    }
}

const std::vector<Case>& cases() {
    static const std::vector<Case> all = {
        {"defaults", {}, {}},
        {"busy",
         {{0, 0.8f},
          {2, 0.5f},
          {3, 0.7f},
          {4, 0.3f},
          {5, 0.6f},
          {6, 0.6f},
          {8, 0.05f},
          {9, 0.8f},
          {10, 0.9f},
          {11, 0.1f},
          {12, 0.8f},
          {13, 0.7f},
          {15, 0.5f}},
         {}},
        {"bandpass-keytrack",
         {{0, 0.6f},
          {1, 0.4f},
          {2, 0.9f},
          {5, 0.5f},
          {6, 0.8f},
          {7, 1.0f},
          {12, 0.3f},
          {14, 0.8f},
          {16, 0.7f},
          {17, 1.0f}},
         {{22050, 0x90, 60, 100},
          {66150, 0x90, 64, 90},
          {88200, 0x80, 60, 0},
          {110250, 0x80, 64, 0},
          {132300, 0x92, 67, 70},
          {176400, 0xB0, 123, 0},
          {198450, 0x90, 48, 127}}},
    };
    return all;
}

uint64_t checksum(const std::vector<float>& left, const std::vector<float>& right) {
    uint64_t h = 1469598103934665603ull;
    auto mix = [&h](float f) {
        uint32_t u;
        std::memcpy(&u, &f, sizeof u);
        for (int b = 0; b < 4; b++) {
            h ^= (u >> (8 * b)) & 0xFF;
            h *= 1099511628211ull;
        }
    };
    for (size_t i = 0; i < left.size(); i++) {
        mix(left[i]);
        mix(right[i]);
    }
    return h;
}

bool render(const std::string& path, const Case& c, std::vector<float>& left, std::vector<float>& right,
            std::string* error) {
    auto loaded = host::PluginInstance::load(path);
    if (!loaded) {
        if (error)
            *error = loaded.message;
        return false;
    }
    host::PluginInstance& fx = *loaded.plugin;
    std::vector<float> inL, inR;
    makeInput(inL, inR);
    left.assign(kFrames, 0.0f);
    right.assign(kFrames, 0.0f);

    fx.setSampleRate((float)kSampleRate);
    fx.setBlockSize(kBlock);
    for (const auto& p : c.parameters)
        fx.setParameter(p.first, p.second);
    fx.resume();

    size_t next = 0;
    for (int start = 0; start < kFrames; start += kBlock) {
        const int frames = kFrames - start < kBlock ? kFrames - start : kBlock;
        host::EventList events;
        while (next < c.notes.size() && c.notes[next].frame < start + frames) {
            const Note& e = c.notes[next++];
            events.addMidi(e.frame - start, e.status, e.data1, e.data2);
        }
        if (events.size())
            fx.processEvents(events);
        fx.process({inL.data() + start, inR.data() + start}, {left.data() + start, right.data() + start}, frames);
    }
    fx.suspend();
    fx.close();
    return true;
}

}  // namespace trs::golden
