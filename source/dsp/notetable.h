#pragma once

// Frequencies and names of the 128 MIDI notes, built once per process and
// never torn down.
class NoteTable final {
public:
    static constexpr int size = 128;

    // Thread-safe: the first caller builds the table, concurrent callers wait.
    static const NoteTable& instance();

    float frequencies[size];
    char names[size][5];

    NoteTable(const NoteTable&) = delete;
    NoteTable& operator=(const NoteTable&) = delete;

private:
    NoteTable();
};
