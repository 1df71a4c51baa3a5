// MIDI input: the last note played pulls the oscillator and the filters
// toward its frequency.
#include <cmath>

#include "effect/tresselin.h"

VstInt32 Tresselin::processEvents(VstEvents* events) {
    if (!events)
        return 1;
    // The record declares two entries but carries numEvents of them; reading
    // through a plain pointer keeps that within the language's rules.
    VstEvent* const* list = events->events;
    for (VstInt32 i = 0; i < events->numEvents; i++) {
        const VstEvent* event = list[i];
        if (!event || event->type != kVstMidiType)
            continue;
        const auto* midi = reinterpret_cast<const VstMidiEvent*>(event);
        const unsigned char status = (unsigned char)midi->midiData[0] & 0xF0;
        const unsigned char data1 = (unsigned char)midi->midiData[1];
        const unsigned char data2 = (unsigned char)midi->midiData[2];
        if (status == 0x90 || status == 0x80) {
            const int note = data1 & 0x7F;
            const int velocity = data2 & 0x7F;
            if (status == 0x90 && velocity != 0)
                startKeyTracking(note);
            else if (note == heldNote)
                stopKeyTracking();
        } else if (status == 0xB0 && (data1 == 123 || data1 == 126)) {
            stopKeyTracking();
        }
    }
    return 1;
}

void Tresselin::startKeyTracking(int note) {
    heldNote = note;
    const double f = noteTable->frequencies[note];
    const double c = filterLeft.cutoffHz;
    const double kf = filterKeyTrack;
    const double ko = oscKeyTrack;
    const double r = getSampleRate();
    const float shift = (float)((1.0 - kf) * (c - f) + f - c);
    filterKeyOffset = (float)((double)shift * 2.0 / r);
    oscKeyOffset = (float)((f - (double)oscillator.frequency) * ko);
    // At absurdly low sample rates the cutoff in Hz can overflow; an offset
    // that is not a number would reach every frame until the note ends.
    if (!std::isfinite(filterKeyOffset))
        filterKeyOffset = 0.0f;
    if (!std::isfinite(oscKeyOffset))
        oscKeyOffset = 0.0f;
}

void Tresselin::stopKeyTracking() {
    filterKeyOffset = 0.0f;
    oscKeyOffset = 0.0f;
}
