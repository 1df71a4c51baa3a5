// The effect: eighteen parameters drive seven signal-processing modules.
#pragma once

#include "dsp/envelopefollover.h"
#include "dsp/fmoscilator.h"
#include "dsp/moogfilter.h"
#include "dsp/noiseoscilator.h"
#include "dsp/notetable.h"
#include "dsp/waveshaper.h"
#include "effect/programrecord.h"
#include "shell/audioeffectx.h"

class Tresselin final : public AudioEffectX {
public:
    explicit Tresselin(audioMasterCallback audioMaster);
    ~Tresselin() override;

    void resume() override;
    void setSampleRate(float sampleRate) override;
    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterLabel(VstInt32 index, char* label) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void getParameterName(VstInt32 index, char* text) override;

    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    bool getProgramNameIndexed(VstInt32 category, VstInt32 index, char* text) override;
    VstInt32 getChunk(void** data, bool isPreset) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override;
    VstInt32 canDo(char* text) override;
    VstPlugCategory getPlugCategory() override;
    VstInt32 getNumMidiInputChannels() override;

    VstInt32 processEvents(VstEvents* events) override;

private:
    friend class TresselinInspector;  // lets tests read the engine state

    bool wantsMidi();
    void applyParameter(VstInt32 index, float v);
    void setResonance(float v);
    void startKeyTracking(int note);
    void stopKeyTracking();
    template <bool hasOut2>
    void processBlock(const float* in1, const float* in2, float* out1, float* out2, VstInt32 sampleFrames);
    void createEditor();
    void closeEditor();
    void forwardToEditor(VstInt32 index, float value);

    const NoteTable* noteTable;
    ProgramRecord* programs;
    EnvelopeFollover follower1;
    EnvelopeFollover follower2;
    NoiseOscilator noise;
    MoogFilter filterLeft;
    MoogFilter filterRight;
    FMOscilator oscillator;
    WaveShaper shaper;
    VstInt32 heldNote;
    float noiseAmount;
    float oscAmount;
    float ef2CutoffDepth;
    float ef2OscFmDepth;
    float ef1OscAmDepth;
    float ef1NoiseAmDepth;
    float dryToFilter;
    float dryLevel;
    float filterKeyTrack;
    float oscKeyTrack;
    float filterKeyOffset;
    float oscKeyOffset;
};
