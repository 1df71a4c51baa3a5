// Reads a Standard MIDI File (format 0 or 1) into channel messages stamped
// with their time in seconds, tempo changes applied. Meta and system
// exclusive events are skipped; running status is understood.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace trs::render {

struct MidiMessage {
    double seconds = 0.0;
    uint8_t bytes[3] = {0, 0, 0};
    uint8_t size = 0;
};

struct MidiFile {
    int format = 0;
    int trackCount = 0;
    int tempoChanges = 0;
    std::vector<MidiMessage> messages;  // in time order; ties keep file order

    // Throw RenderError naming the file and the problem.
    static MidiFile load(const std::string& path);
    static MidiFile parse(const std::vector<uint8_t>& data, const std::string& name);
};

}  // namespace trs::render
