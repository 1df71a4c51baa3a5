// Read access to the engine state that no host can see, for tests.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "effect/tresselin.h"

class TresselinInspector {
public:
    explicit TresselinInspector(Tresselin& fx) : fx(fx) {}
    float oscKeyOffset() const { return fx.oscKeyOffset; }
    float filterKeyOffset() const { return fx.filterKeyOffset; }
    int heldNote() const { return fx.heldNote; }
    float oscAmount() const { return fx.oscAmount; }
    float noiseAmount() const { return fx.noiseAmount; }
    float oscFrequency() const { return fx.oscillator.frequency; }
    float cutoffHz() const { return fx.filterLeft.cutoffHz; }
    int filterMode() const { return fx.filterLeft.mode; }
    float shaperDrive() const { return fx.shaper.drive; }
    bool shaperFold() const { return fx.shaper.fold; }
    float headroom(int channel) const { return channel ? fx.filterRight.headroom : fx.filterLeft.headroom; }
    float resonance(int channel) const { return channel ? fx.filterRight.resonance : fx.filterLeft.resonance; }
    float moduleRate() const { return fx.filterRight.sampleRate; }

    // The chain as the modules define it, one processFrame after another:
    // what the block loop must match bit for bit (referencechain.cpp).
    void processByModules(float** inputs, float** outputs, VstInt32 sampleFrames);

    // Every field of every module and every engine setting, as bits.
    std::vector<std::pair<std::string, uint64_t>> completeState() const;

    // Every float the modules and the chain carry from one frame to the next.
    std::vector<std::pair<std::string, float>> stateFloats() const {
        std::vector<std::pair<std::string, float>> v = {
            {"follower1.envelope", fx.follower1.envelope},
            {"follower2.envelope", fx.follower2.envelope},
            {"noise.amount", fx.noise.amount},
            {"noise.gain", fx.noise.gain},
            {"noise.balance", fx.noise.balance},
            {"oscillator.amount", fx.oscillator.amount},
            {"oscillator.frequencyOffset", fx.oscillator.frequencyOffset},
            {"oscillator.previous", fx.oscillator.previous},
            {"oscillator.jump", fx.oscillator.jump},
            {"oscillator.midpoint", fx.oscillator.midpoint},
            {"shaper.smoother", fx.shaper.smoother.state},
            {"filterKeyOffset", fx.filterKeyOffset},
            {"oscKeyOffset", fx.oscKeyOffset},
        };
        const MoogFilter* filters[2] = {&fx.filterLeft, &fx.filterRight};
        const char* names[2] = {"filterLeft.", "filterRight."};
        for (int i = 0; i < 2; i++) {
            const MoogFilter& f = *filters[i];
            const std::string n = names[i];
            v.insert(v.end(), {{n + "stage0", f.stage0},
                               {n + "stage1", f.stage1},
                               {n + "stage2", f.stage2},
                               {n + "stage3", f.stage3},
                               {n + "stage4", f.stage4},
                               {n + "cutoffModulation", f.cutoffModulation},
                               {n + "smoother", f.smoother.state},
                               {n + "poleCoef", f.poleCoef},
                               {n + "stageCoef", f.stageCoef},
                               {n + "feedback", f.feedback}});
        }
        return v;
    }
    float filterStage4(int channel) const { return channel ? fx.filterRight.stage4 : fx.filterLeft.stage4; }

private:
    Tresselin& fx;
};
