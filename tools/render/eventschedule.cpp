#include "eventschedule.h"

#include <algorithm>
#include <cmath>

namespace trs::render {

bool ScheduledEvent::isNoteOff() const {
    if (!sysex.empty())
        return false;
    const uint8_t kind = bytes[0] & 0xF0;
    return kind == 0x80 || (kind == 0x90 && bytes[2] == 0);
}

void EventSchedule::add(const MidiMessage& message) {
    messages.push_back(message);
}

void EventSchedule::addMidiFile(const MidiFile& file) {
    messages.insert(messages.end(), file.messages.begin(), file.messages.end());
    if (!file.tempo.empty())
        tempoMap = file.tempo;
    if (!file.meter.empty())
        meterMap = file.meter;
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
    notes.push_back(messages.size());
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
        e.sysex = m.sysex;
        out.push_back(std::move(e));
    }
    // With note offs first, a note shorter than a frame would end before it
    // starts and hang: it lasts one frame instead.
    for (size_t on : notes)
        out[on + 1].frame = std::max(out[on + 1].frame, out[on].frame + 1);
    std::stable_sort(out.begin(), out.end(), [](const ScheduledEvent& a, const ScheduledEvent& b) {
        if (a.frame != b.frame)
            return a.frame < b.frame;
        return a.isNoteOff() && !b.isNoteOff();
    });
    return out;
}

}  // namespace trs::render
