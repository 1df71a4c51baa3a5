// The MIDI messages of one render, from a MIDI file and command-line notes,
// placed on sample frames, with the tempo and time signatures the host
// reports to the plug-in.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile.h"
#include "noteoption.h"

namespace trs::render {

struct ScheduledEvent {
    int64_t frame = 0;
    uint8_t bytes[3] = {0, 0, 0};
    std::vector<uint8_t> sysex;  // a system exclusive message; bytes unused

    // Note off, or note on with velocity 0.
    bool isNoteOff() const;
};

class EventSchedule {
public:
    void add(const MidiMessage& message);
    // Its messages, and its tempo map and time signatures.
    void addMidiFile(const MidiFile& file);
    // A note on at its start and a note off at its end, channel 1.
    void addNote(const NoteOption& note);

    bool empty() const { return messages.empty(); }
    size_t size() const { return messages.size(); }
    // 120 BPM and 4/4 unless a MIDI file said otherwise.
    const std::vector<TempoPoint>& tempo() const { return tempoMap; }
    const std::vector<MeterPoint>& meter() const { return meterMap; }

    // Every message on the frame nearest its time at this rate, in time
    // order. At one frame, note offs come first, so a note that ends where
    // the same key starts again does not cut the new one short; the rest keep
    // the order they were added in.
    std::vector<ScheduledEvent> atRate(double sampleRate) const;

private:
    std::vector<MidiMessage> messages;
    std::vector<size_t> notes;  // each addNote's note on; its off follows it
    std::vector<TempoPoint> tempoMap{TempoPoint{}};
    std::vector<MeterPoint> meterMap{MeterPoint{}};
};

}  // namespace trs::render
