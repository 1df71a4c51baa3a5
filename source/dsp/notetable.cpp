#include "dsp/notetable.h"

namespace {

const char* const pitchClasses[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "H"};

// Pitch class followed by the octave, e.g. "C#-1" or "A4"; at most four characters.
void writeName(char* out, int note) {
    int pos = 0;
    for (const char* p = pitchClasses[note % 12]; *p; ++p)
        out[pos++] = *p;
    int octave = note / 12 - 1;
    if (octave < 0) {
        out[pos++] = '-';
        octave = -octave;
    }
    out[pos++] = (char)('0' + octave);
    out[pos] = '\0';
}

}  // namespace

NoteTable::NoteTable() {
    // The ratio is a rounded twelfth root of two; the top notes drift a
    // little from equal temperament, and saved sounds depend on that.
    double f = 8.175798915636872;
    for (int n = 0; n < size; ++n) {
        frequencies[n] = (float)f;
        writeName(names[n], n);
        f = f * 1.059463094359;
    }
}

const NoteTable& NoteTable::instance() {
    static const NoteTable table;
    return table;
}
