// A note given on the command line as TIME:NOTE[:LENGTH], e.g. "1.5:A3:0.25"
// or "0:69". TIME and LENGTH are seconds; NOTE is a MIDI number 0-127 or a
// name with an octave (C4 = 60, sharps '#', flats 'b', H for B as
// the plug-in's own note names show it).
#pragma once

#include <string>

namespace trs::render {

struct NoteOption {
    static constexpr double kDefaultLength = 0.5;
    static constexpr int kVelocity = 100;

    double start = 0.0;
    int note = 60;
    double length = kDefaultLength;

    // Throws RenderError naming what is wrong.
    static NoteOption parse(const std::string& text);
};

// The MIDI number of "69", "A4", "C#3", "Eb-1", "H3"; -1 when it is neither.
int parseNoteNumber(const std::string& text);

}  // namespace trs::render
