// Read access to the engine state that no host can see, for tests.
#pragma once

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

private:
    Tresselin& fx;
};
