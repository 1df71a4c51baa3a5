// Parameters and programs: normalised values become engine settings here,
// once per change, so the audio routine only reads finished values.
#include <cmath>
#include <cstdio>
#include <cstring>

#include "effect/tresselin.h"

namespace {

bool validIndex(VstInt32 index) {
    return index >= 0 && index < kNumParams;
}

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
    if (std::isnan(value))
        return;
    const float v = value < 0.0f ? 0.0f : (value > 1.0f ? 1.0f : value);
    if (validIndex(index)) {
        applyParameter(index, v);
        if (programs && curProgram >= 0 && curProgram < kNumPrograms)
            programs[curProgram].values[index] = v;
    }
    forwardToEditor(index, v);
}

void Tresselin::applyParameter(VstInt32 index, float v) {
    switch (index) {
        case kOscAmount:
            oscAmount = amountCurve(v);
            break;
        case kOscNote: {
            int n = (int)((double)v * 127.0);
            if (n < 0)
                n = 0;
            if (n > 127)
                n = 127;
            oscillator.frequency = noteTable->frequencies[n];
            oscillator.noteName = noteTable->names[n];
            break;
        }
        case kOscWave:
            oscillator.setWave(v);
            break;
        case kNoiseAmount:
            noiseAmount = (float)((double)amountCurve(v) * 0.25);
            break;
        case kNoiseColor:
            noise.color = v;
            break;
        case kCutoff:
            filterLeft.setCutoff(v);
            filterRight.setCutoff(v);
            break;
        case kResonance:
            setResonance(v);
            break;
        case kFilterType: {
            const int mode = (int)(((double)v - (double)0.1f) * 3.0);
            filterLeft.mode = mode;
            filterRight.mode = mode;
            break;
        }
        case kEf1Smooth:
            follower1.setSmooth(v);
            break;
        case kEf1OscAm:
            ef1OscAmDepth = v;
            break;
        case kEf1NoiseAm:
            ef1NoiseAmDepth = v;
            break;
        case kEf2Smooth:
            follower2.setSmooth(v);
            break;
        case kEf2Cutoff:
            ef2CutoffDepth = (float)((double)v * 2.0 - 1.0);
            break;
        case kEf2OscFm:
            ef2OscFmDepth = (float)(((double)v - 0.5) * 2000.0);
            break;
        case kDryToFilter:
            dryToFilter = v;
            break;
        case kDry:
            dryLevel = v;
            break;
        case kFilterKeyTrack:
            filterKeyTrack = v;
            break;
        case kOscKeyTrack:
            oscKeyTrack = v;
            break;
        default:
            break;
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
    if (!validIndex(index))
        return 0.0f;
    switch (index) {
        case kOscWave:
            return oscillator.waveSetting;
        case kNoiseColor:
            return noise.color;
        case kDry:
            return dryLevel;
        default:
            return programs ? programs[curProgram].values[index] : 0.0f;
    }
}

void Tresselin::getParameterName(VstInt32 index, char* text) {
    if (!validIndex(index) || !text)
        return;
    std::strcpy(text, kParams[index].name);
}

void Tresselin::getParameterLabel(VstInt32 index, char* label) {
    if (!validIndex(index) || !label)
        return;
    const char* text = kParams[index].label;
    std::strcpy(label, text ? text : oscillator.noteName);
}

void Tresselin::getParameterDisplay(VstInt32 index, char* text) {
    if (!validIndex(index) || !text)
        return;
    float number = 0.0f;
    switch (index) {
        case kOscAmount:
            number = oscAmount;
            break;
        case kOscNote:
            number = oscillator.frequency;
            break;
        case kOscWave:
            std::strcpy(text, oscillator.waveName);
            return;
        case kNoiseAmount:
            number = noiseAmount;
            break;
        case kNoiseColor:
            number = noise.color;
            break;
        case kCutoff:
            number = filterLeft.cutoffHz;
            break;
        case kResonance:
            number = filterLeft.resonance;
            break;
        case kFilterType:
            std::strcpy(text, filterLeft.mode == 1 ? "HP" : filterLeft.mode == 2 ? "BP" : "LP");
            return;
        case kEf1Smooth:
            number = follower1.smooth;
            break;
        case kEf1OscAm:
            number = ef1OscAmDepth;
            break;
        case kEf1NoiseAm:
            number = ef1NoiseAmDepth;
            break;
        case kEf2Smooth:
            number = follower2.smooth;
            break;
        case kEf2Cutoff:
            number = ef2CutoffDepth;
            break;
        case kEf2OscFm:
            number = ef2OscFmDepth;
            break;
        case kDryToFilter:
            number = dryToFilter;
            break;
        case kDry:
            number = dryLevel;
            break;
        case kFilterKeyTrack:
            number = filterKeyTrack;
            break;
        case kOscKeyTrack:
            number = oscKeyTrack;
            break;
        default:
            break;
    }
    float2string(number, text, kVstMaxParamStrLen);
}

void Tresselin::setProgram(VstInt32 program) {
    if (!programs || program < 0 || program >= kNumPrograms)
        return;
    curProgram = program;
    for (VstInt32 i = 0; i < kNumParams; i++)
        setParameter(i, programs[program].values[i]);
}

void Tresselin::setProgramName(char* name) {
    if (!programs || !name)
        return;
    char* dest = programs[curProgram].name;
    std::strncpy(dest, name, kVstMaxProgNameLen - 1);
    dest[kVstMaxProgNameLen - 1] = '\0';
}

void Tresselin::getProgramName(char* name) {
    if (!programs || !name)
        return;
    const char* stored = programs[curProgram].name;
    if (std::strcmp(stored, "Init") == 0)
        std::snprintf(name, kVstMaxProgNameLen, "Init %d", (int)(curProgram + 1));
    else
        std::strcpy(name, stored);
}

bool Tresselin::getProgramNameIndexed(VstInt32 /*category*/, VstInt32 index, char* text) {
    if (!programs || !text || index < 0 || index >= kNumPrograms)
        return false;
    std::strcpy(text, programs[index].name);
    return true;
}
