// The eighteen parameters: their indices, shared by the effect and the
// editor, and one table of what a host shows and starts from.
#pragma once

enum ParamIndex : int {
    kOscAmount,
    kOscNote,
    kOscWave,
    kNoiseAmount,
    kNoiseColor,
    kCutoff,
    kResonance,
    kFilterType,
    kEf1Smooth,
    kEf1OscAm,
    kEf1NoiseAm,
    kEf2Smooth,
    kEf2Cutoff,
    kEf2OscFm,
    kDryToFilter,
    kDry,
    kFilterKeyTrack,
    kOscKeyTrack,
};
constexpr int kNumParams = kOscKeyTrack + 1;

struct ParamInfo {
    const char* name;
    const char* label;  // null: the name of the oscillator's note
    float defaultValue;
};

inline constexpr ParamInfo kParams[kNumParams] = {
    {"OSC.Amt", "amount", 0.0f}, {"OSC.Note", nullptr, 0.2f},
    {"OSC.Wave", "shape", 0.0f}, {"Noise.Amt", "amount", 0.0f},
    {"Noise.Color", "", 0.0f},   {"CutOff", "Hz", 1.0f},
    {"Resonance", "", 0.1f},     {"FilterType", "", 0.0f},
    {"EF1.Smooth", "", 0.01f},   {"EF1.Osc.AM", "", 0.5f},
    {"EF1.Noise.AM", "", 0.5f},  {"EF2.Smooth", "", 0.01f},
    {"EF2.Cutoff", "-/+", 0.5f}, {"EF2.OSC.FM", "-/+", 0.5f},
    {"Dry2Filter", "", 0.5f},    {"Dry", "", 1.0f},
    {"Fil.KeyTrack", "", 0.0f},  {"Osc.KeyTrack", "", 0.0f},
};
