// A small effect for driving the shell: a gain on two channels, four
// parameters, one program, MIDI input, and an optional recording editor.
#pragma once

#include "shell/audioeffectx.h"
#include "testprotocol.h"

class TestEditor;

class TestEffect : public AudioEffectX {
public:
    TestEffect(audioMasterCallback audioMaster, bool withEditor);
    ~TestEffect() override;

    void open() override;
    void close() override;
    void suspend() override;
    void resume() override;
    void setSampleRate(float sampleRate) override;

    void processReplacing(float** inputs, float** outputs, VstInt32 sampleFrames) override;
    VstInt32 processEvents(VstEvents* events) override;

    void setParameter(VstInt32 index, float value) override;
    float getParameter(VstInt32 index) override;
    void getParameterName(VstInt32 index, char* text) override;
    void getParameterLabel(VstInt32 index, char* text) override;
    void getParameterDisplay(VstInt32 index, char* text) override;
    void setProgram(VstInt32 program) override;
    void setProgramName(char* name) override;
    void getProgramName(char* name) override;
    VstInt32 getChunk(void** data, bool isPreset) override;

    bool getEffectName(char* name) override;
    bool getVendorString(char* text) override;
    bool getProductString(char* text) override;
    VstInt32 getVendorVersion() override { return 7; }
    VstInt32 canDo(char* text) override;
    VstPlugCategory getPlugCategory() override { return kPlugCategEffect; }
    VstInt32 getNumMidiInputChannels() override { return 1; }
    VstIntPtr vendorSpecific(VstInt32 lArg, VstIntPtr lArg2, void* ptrArg, float floatArg) override;
    // Claimed, so that the dispatcher's pointer guards show in the answers.
    bool offlineNotify(VstAudioFile*, VstInt32, bool) override { return true; }
    bool offlinePrepare(VstOfflineTask*, VstInt32) override { return true; }
    bool offlineRun(VstOfflineTask*, VstInt32) override { return true; }
    bool setSpeakerArrangement(VstSpeakerArrangement*, VstSpeakerArrangement*) override { return true; }

    TestEditor* testEditor() { return ownEditor; }
    int sampleRateCalls = 0;

    // Exposed for tests that poke at the base's state.
    using AudioEffect::blockSize;
    using AudioEffect::curProgram;
    using AudioEffect::sampleRate;

private:
    void requestMidi();

    TestEditor* ownEditor = nullptr;
    float values[trstest::kNumParams] = {0.5f, 0.0f, 0.0f, 0.0f};
    char programName[kVstMaxProgNameLen] = "Init";
    int eventCount = 0;
    VstIntPtr lastMidi = 0;
    VstInt32 lastSysexBytes = 0;
    VstIntPtr lastSysexSum = 0;
};
