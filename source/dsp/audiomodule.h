#pragma once

#include <cstdint>

class NoteTable;

// Per-sample building block. Settings are public fields the owner writes
// directly; processFrame works on one frame in place.
class AudioModule {
public:
    AudioModule();
    virtual ~AudioModule();

    virtual void processFrame(float* frame);
    virtual void setSampleRate(float rate);

    const NoteTable* noteTable;
    float sampleRate = 44100.0f;
    int32_t channels = 1;
};
