// The reference the chain's block loop is held to: each module's
// processFrame, one after another, on one frame at a time.
#include <cstring>

#include "dsp/finitefloat.h"
#include "tests/effect/inspector.h"

namespace {

float limitUnit(float a) {
    return a >= 0.0f ? (a > 1.0f ? 1.0f : a) : 0.0f;
}

}  // namespace

void TresselinInspector::processByModules(float** inputs, float** outputs, VstInt32 sampleFrames) {
    const float* in1 = inputs[0];
    const float* in2 = inputs[1];
    for (VstInt32 n = 0; n < sampleFrames; n++) {
        const float x1 = finiteOrZero(in1[n]);
        float dry[2] = {x1, x1};
        float wet[2] = {(float)((double)fx.dryToFilter * x1), (float)((double)fx.dryToFilter * x1)};
        float side = 0.0f;
        if (in2) {
            const float x2 = finiteOrZero(in2[n]);
            dry[1] = x2;
            side = (float)(((double)x2 - x1) * 0.5);
            wet[1] = (float)((double)fx.dryToFilter * x2);
        }

        fx.follower1.processFrame(dry);
        fx.follower2.processFrame(dry);
        const double e1 = fx.follower1.envelope;
        const double e2 = fx.follower2.envelope;

        NoiseOscilator& noise = fx.noise;
        noise.amount = limitUnit((float)(((double)fx.ef1NoiseAmDepth - 0.5) * (e1 * 4.0) + fx.noiseAmount));
        noise.gain = (float)((double)noise.scale * noise.amount);
        noise.balance = side;
        noise.processFrame(wet);

        FMOscilator& osc = fx.oscillator;
        osc.amount = limitUnit((float)(((double)fx.ef1OscAmDepth - 0.5) * (e1 * 4.0) + fx.oscAmount));
        osc.frequencyOffset = (float)((double)fx.ef2OscFmDepth * e2 + fx.oscKeyOffset);
        osc.processFrame(wet);

        fx.shaper.processFrame(wet);

        const float m = (float)((double)fx.ef2CutoffDepth * e2 + fx.filterKeyOffset);
        fx.filterLeft.cutoffModulation = m;
        fx.filterRight.cutoffModulation = m;
        fx.filterLeft.processFrame(&wet[0]);
        fx.filterRight.processFrame(&wet[1]);

        outputs[0][n] = (float)((double)fx.dryLevel * dry[0] + wet[0]);
        if (outputs[1])
            outputs[1][n] = (float)((double)fx.dryLevel * dry[1] + wet[1]);
    }
}

namespace {

class StateList {
public:
    std::vector<std::pair<std::string, uint64_t>> fields;

    void add(const std::string& name, float v) {
        uint32_t b;
        std::memcpy(&b, &v, sizeof b);
        fields.emplace_back(name, b);
    }
    void add(const std::string& name, int32_t v) { fields.emplace_back(name, (uint32_t)v); }
    void add(const std::string& name, uint32_t v) { fields.emplace_back(name, v); }
    void add(const std::string& name, bool v) { fields.emplace_back(name, v); }
    void add(const std::string& name, const void* v) { fields.emplace_back(name, (uint64_t)(uintptr_t)v); }
    void add(const std::string& name, const ParamSmoother& s) {
        add(name + ".coef", s.coef);
        add(name + ".weight", s.weight);
        add(name + ".state", s.state);
    }
};

}  // namespace

#define TRS_FIELD(object, field) list.add(std::string(#object "." #field), fx.object.field)

std::vector<std::pair<std::string, uint64_t>> TresselinInspector::completeState() const {
    StateList list;
    for (const EnvelopeFollover* f : {&fx.follower1, &fx.follower2}) {
        const std::string n = f == &fx.follower1 ? "follower1." : "follower2.";
        list.add(n + "riseCoef", f->riseCoef);
        list.add(n + "fallCoef", f->fallCoef);
        list.add(n + "envelope", f->envelope);
        list.add(n + "smooth", f->smooth);
        list.add(n + "sampleRate", f->sampleRate);
        list.add(n + "channels", f->channels);
    }
    TRS_FIELD(noise, gain);
    TRS_FIELD(noise, stateA);
    TRS_FIELD(noise, stateB);
    TRS_FIELD(noise, seed);
    TRS_FIELD(noise, color);
    TRS_FIELD(noise, balance);
    TRS_FIELD(noise, scale);
    TRS_FIELD(noise, amount);
    TRS_FIELD(oscillator, tableA);
    TRS_FIELD(oscillator, tableB);
    TRS_FIELD(oscillator, weightA);
    TRS_FIELD(oscillator, weightB);
    TRS_FIELD(oscillator, squareSplit);
    TRS_FIELD(oscillator, phase);
    TRS_FIELD(oscillator, phaseScale);
    TRS_FIELD(oscillator, rampLength);
    TRS_FIELD(oscillator, rampPos);
    TRS_FIELD(oscillator, ramp[0]);
    TRS_FIELD(oscillator, ramp[1]);
    TRS_FIELD(oscillator, previous);
    TRS_FIELD(oscillator, jump);
    TRS_FIELD(oscillator, midpoint);
    TRS_FIELD(oscillator, amount);
    TRS_FIELD(oscillator, frequency);
    TRS_FIELD(oscillator, frequencyOffset);
    TRS_FIELD(oscillator, lowestFrequency);
    TRS_FIELD(oscillator, waveA);
    TRS_FIELD(oscillator, waveB);
    TRS_FIELD(oscillator, waveSetting);
    TRS_FIELD(oscillator, sampleRate);
    TRS_FIELD(shaper, smoother);
    TRS_FIELD(shaper, drive);
    TRS_FIELD(shaper, outputGain);
    TRS_FIELD(shaper, fold);
    TRS_FIELD(shaper, foldLimit);
    for (const MoogFilter* f : {&fx.filterLeft, &fx.filterRight}) {
        const std::string n = f == &fx.filterLeft ? "filterLeft." : "filterRight.";
        const float stages[] = {f->stage0, f->stage1, f->stage2, f->stage3, f->stage4};
        for (int i = 0; i < 5; i++)
            list.add(n + "stage" + std::to_string(i), stages[i]);
        list.add(n + "resonance", f->resonance);
        list.add(n + "feedback", f->feedback);
        list.add(n + "poleCoef", f->poleCoef);
        list.add(n + "stageCoef", f->stageCoef);
        list.add(n + "headroom", f->headroom);
        list.add(n + "normalizedCutoff", f->normalizedCutoff);
        list.add(n + "cutoffOffset", f->cutoffOffset);
        list.add(n + "cutoffScale", f->cutoffScale);
        list.add(n + "cutoffHz", f->cutoffHz);
        list.add(n + "cutoffModulation", f->cutoffModulation);
        list.add(n + "smoother", f->smoother);
        list.add(n + "mode", f->mode);
        list.add(n + "sampleRate", f->sampleRate);
    }
    for (const auto& [name, value] : {std::pair<const char*, float>{"noiseAmount", fx.noiseAmount},
                                      {"oscAmount", fx.oscAmount},
                                      {"ef2CutoffDepth", fx.ef2CutoffDepth},
                                      {"ef2OscFmDepth", fx.ef2OscFmDepth},
                                      {"ef1OscAmDepth", fx.ef1OscAmDepth},
                                      {"ef1NoiseAmDepth", fx.ef1NoiseAmDepth},
                                      {"dryToFilter", fx.dryToFilter},
                                      {"dryLevel", fx.dryLevel},
                                      {"filterKeyTrack", fx.filterKeyTrack},
                                      {"oscKeyTrack", fx.oscKeyTrack},
                                      {"filterKeyOffset", fx.filterKeyOffset},
                                      {"oscKeyOffset", fx.oscKeyOffset}})
        list.add(name, value);
    list.add("heldNote", (int32_t)fx.heldNote);
    return list.fields;
}
