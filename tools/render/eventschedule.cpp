#include "eventschedule.h"

#include <algorithm>
#include <cmath>

namespace trs::render {

void EventSchedule::add(const MidiMessage& message) { messages.push_back(message); }

void EventSchedule::addMidiFile(const MidiFile& file) {
    messages.insert(messages.end(), file.messages.begin(), file.messages.end());
}

void EventSchedule::addNote(const NoteOption& note) {
    MidiMessage on;
    on.seconds = note.start;
    on.bytes[0] = 0x90;
    on.bytes[1] = static_cast<uint8_t>(note.note);
    on.bytes[2] = NoteOption::kVelocity;
    on.size = 3;
    MidiMessage off = on;
    off.seconds = note.start + note.length;
    off.bytes[0] = 0x80;
    off.bytes[2] = 0;
    messages.push_back(on);
    messages.push_back(off);
}

std::vector<ScheduledEvent> EventSchedule::atRate(double sampleRate) const {
    std::vector<ScheduledEvent> out;
    out.reserve(messages.size());
    for (const auto& m : messages) {
        ScheduledEvent e;
        e.frame = static_cast<int64_t>(std::floor(m.seconds * sampleRate + 0.5));
        std::copy(m.bytes, m.bytes + 3, e.bytes);
        out.push_back(e);
    }
    std::stable_sort(out.begin(), out.end(),
                     [](const ScheduledEvent& a, const ScheduledEvent& b) { return a.frame < b.frame; });
    return out;
}

}  // namespace trs::render
