#include "dsp/audiomodule.h"

#include "dsp/notetable.h"

AudioModule::AudioModule() : noteTable(&NoteTable::instance()) {}

AudioModule::~AudioModule() = default;

void AudioModule::processFrame(float*) {}

void AudioModule::setSampleRate(float rate) {
    sampleRate = rate;
}
