// Parameters and programs: normalised values become engine settings here,
// once per change, so the audio routine only reads finished values.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "effect/tresselin.h"

namespace {

const char* const kNames[kNumParams] = {
    "OSC.Amt",    "OSC.Note",   "OSC.Wave",     "Noise.Amt",  "Noise.Color", "CutOff",
    "Resonance",  "FilterType", "EF1.Smooth",   "EF1.Osc.AM", "EF1.Noise.AM", "EF2.Smooth",
    "EF2.Cutoff", "EF2.OSC.FM", "Dry2Filter",   "Dry",        "Fil.KeyTrack", "Osc.KeyTrack",
};

bool validIndex(VstInt32 index) { return index >= 0 && index < kNumParams; }

// 0 maps to 0, 1 to 1, with most of the travel spent on small amounts.
float amountCurve(float v) {
    const float t = (float)(10.0 * v);
    const float e = (float)std::exp((double)t);
    const float e10 = (float)std::exp(10.0);
    return (float)((e - 1.0) / (e10 - 1.0));
}

}  // namespace

void Tresselin::setParameter(VstInt32 index, float value) {
    // A NaN from a host is dropped whole; out-of-range values would reach
    // float-to-int conversions and a logarithm of a negative number.
    if (std::isnan(value)) return;
    const float v = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    if (validIndex(index)) {
        applyParameter(index, v);
        if (programs && curProgram >= 0 && curProgram < kNumPrograms) programs[curProgram].values[index] = v;
    }
    forwardToEditor(index, v);
}

void Tresselin::applyParameter(VstInt32 index, float v) {
    switch (index) {
        case 0: oscAmount = amountCurve(v); break;
        case 1: {
            int n = (int)((double)v * 127.0);
            if (n < 0) n = 0;
            if (n > 127) n = 127;
            oscillator.frequency = noteTable->frequencies[n];
            oscillator.noteName = noteTable->names[n];
            break;
        }
        case 2: oscillator.setWave(v); break;
        case 3: noiseAmount = (float)((double)amountCurve(v) * 0.25); break;
        case 4: noise.color = v; break;
        case 5:
            filterLeft.setCutoff(v);
            filterRight.setCutoff(v);
            break;
        case 6: setResonance(v); break;
        case 7: {
            const int mode = (int)(((double)v - (double)0.1f) * 3.0);
            filterLeft.mode = mode;
            filterRight.mode = mode;
            break;
        }
        case 8: follower1.setSmooth(v); break;
        case 9: ef1OscAmDepth = v; break;
        case 10: ef1NoiseAmDepth = v; break;
        case 11: follower2.setSmooth(v); break;
        case 12: ef2CutoffDepth = (float)((double)v * 2.0 - 1.0); break;
        case 13: ef2OscFmDepth = (float)(((double)v - 0.5) * 2000.0); break;
        case 14: dryToFilter = v; break;
        case 15: dryLevel = v; break;
        case 16: filterKeyTrack = v; break;
        case 17: oscKeyTrack = v; break;
        default: break;
    }
}

void Tresselin::setResonance(float v) {
    const float x = (float)((double)v * (double)0.8f);
    const float y = (float)((double)x * 9.0 + 1.0);
    const float r = (float)std::log10((double)y);
    filterLeft.setResonance(r);
    filterRight.setResonance(r);
}

float Tresselin::getParameter(VstInt32 index) {
    if (!validIndex(index)) return 0.0f;
    switch (index) {
        case 2: return oscillator.waveSetting;
        case 4: return noise.color;
        case 15: return dryLevel;
        default: return programs ? programs[curProgram].values[index] : 0.0f;
    }
}

void Tresselin::getParameterName(VstInt32 index, char* text) {
    if (!validIndex(index) || !text) return;
    std::strcpy(text, kNames[index]);
}

void Tresselin::getParameterLabel(VstInt32 index, char* label) {
    if (!validIndex(index) || !label) return;
    const char* text = "";
    switch (index) {
        case 0:
        case 3: text = "amount"; break;
        case 1: text = oscillator.noteName; break;
        case 2: text = "shape"; break;
        case 5: text = "Hz"; break;
        case 12:
        case 13: text = "-/+"; break;
        default: break;
    }
    std::strcpy(label, text);
}

void Tresselin::getParameterDisplay(VstInt32 index, char* text) {
    if (!validIndex(index) || !text) return;
    float number = 0.0f;
    switch (index) {
        case 0: number = oscAmount; break;
        case 1: number = oscillator.frequency; break;
        case 2: std::strcpy(text, oscillator.waveName); return;
        case 3: number = noiseAmount; break;
        case 4: number = noise.color; break;
        case 5: number = filterLeft.cutoffHz; break;
        case 6: number = filterLeft.resonance; break;
        case 7:
            std::strcpy(text, filterLeft.mode == 1 ? "HP" : filterLeft.mode == 2 ? "BP" : "LP");
            return;
        case 8: number = follower1.smooth; break;
        case 9: number = ef1OscAmDepth; break;
        case 10: number = ef1NoiseAmDepth; break;
        case 11: number = follower2.smooth; break;
        case 12: number = ef2CutoffDepth; break;
        case 13: number = ef2OscFmDepth; break;
        case 14: number = dryToFilter; break;
        case 15: number = dryLevel; break;
        case 16: number = filterKeyTrack; break;
        case 17: number = oscKeyTrack; break;
        default: break;
    }
    float2string(number, text, kVstMaxParamStrLen);
}

void Tresselin::setProgram(VstInt32 program) {
    if (!programs || program < 0 || program >= kNumPrograms) return;
    curProgram = program;
    for (VstInt32 i = 0; i < kNumParams; i++) setParameter(i, programs[program].values[i]);
}

void Tresselin::setProgramName(char* name) {
    if (!programs || !name) return;
    char* dest = programs[curProgram].name;
    std::strncpy(dest, name, kVstMaxProgNameLen - 1);
    dest[kVstMaxProgNameLen - 1] = '\0';
}

void Tresselin::getProgramName(char* name) {
    if (!programs || !name) return;
    const char* stored = programs[curProgram].name;
    if (std::strcmp(stored, "Init") == 0)
        std::snprintf(name, kVstMaxProgNameLen, "Init %d", (int)(curProgram + 1));
    else
        std::strcpy(name, stored);
}

bool Tresselin::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (!programs || !text || index < 0 || index >= kNumPrograms) return false;
    std::strcpy(text, programs[index].name);
    return true;
}
