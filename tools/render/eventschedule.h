// The MIDI messages of one render, from a MIDI file and command-line notes,
// placed on sample frames.
#pragma once

#include <cstdint>
#include <vector>

#include "midifile.h"
#include "noteoption.h"

namespace trs::render {

struct ScheduledEvent {
    int64_t frame = 0;
    uint8_t bytes[3] = {0, 0, 0};
};

class EventSchedule {
public:
    void add(const MidiMessage& message);
    void addMidiFile(const MidiFile& file);
    // A note on at its start and a note off at its end, channel 1.
    void addNote(const NoteOption& note);

    bool empty() const { return messages.empty(); }
    size_t size() const { return messages.size(); }

    // Every message on the frame nearest its time at this rate, in time
    // order; messages at the same frame keep the order they were added in.
    std::vector<ScheduledEvent> atRate(double sampleRate) const;

private:
    std::vector<MidiMessage> messages;
};

}  // namespace trs::render
