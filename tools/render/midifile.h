// Reads a Standard MIDI File (format 0 or 1) into channel and system
// exclusive messages stamped with their time in seconds, tempo changes
// applied, and its tempo map and time signatures for the host's transport.
// Other meta events are skipped; running status is understood.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trs::render {

struct MidiMessage {
    double seconds = 0.0;
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;
    // A system exclusive message, whole (F0 ... F7), or the bytes of an F7
    // escape as they stand; `bytes` is unused then.
    std::vector<uint8_t> sysex;
};

// From `seconds` on, `quarter` (in quarter notes from the start) advances
// at `bpm` quarter notes a minute.
struct TempoPoint {
    double seconds = 0.0;
    double quarter = 0.0;
    double bpm = 120.0;
};

// A time signature from its quarter-note position on.
struct MeterPoint {
    double quarter = 0.0;
    int numerator = 4;
    int denominator = 4;
};

struct MidiFile {
    int format = 0;
    int trackCount = 0;
    int tempoChanges = 0;
    std::vector<MidiMessage> messages;  // in time order; ties keep file order
    // Empty when the file gives none (or counts SMPTE time, not beats).
    std::vector<TempoPoint> tempo;
    std::vector<MeterPoint> meter;

    // Throw RenderError naming the file and the problem.
    static MidiFile load(const std::string& path);
    static MidiFile parse(const std::vector<uint8_t>& data, const std::string& name);
};

}  // namespace trs::render
