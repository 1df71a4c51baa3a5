#include <atomic>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "dsp/envelopefollover.h"
#include "dsp/fmoscilator.h"
#include "dsp/notetable.h"
#include "dsp/wavetables.h"
#include "floatcheck.h"

namespace {

// Runs first in its own process under ctest, so the threads really race
// for the first build of both shared tables.
TEST(NoteTable, ConcurrentFirstUseBuildsOneCompleteTable) {
    constexpr int threadCount = 8;
    std::atomic<int> ready{0};
    std::vector<const NoteTable*> seen(threadCount, nullptr);
    std::vector<float> a4(threadCount, 0.0f);
    std::vector<float> sine(threadCount, 0.0f);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            ready.fetch_add(1);
            while (ready.load() < threadCount) {
            }
            FMOscilator oscillator;
            EnvelopeFollover follower;
            EXPECT_EQ(oscillator.noteTable, follower.noteTable);
            seen[t] = oscillator.noteTable;
            a4[t] = oscillator.noteTable->frequencies[69];
            sine[t] = WaveTables::sine(6250);
        });
    }
    for (auto& thread : threads)
        thread.join();
    for (int t = 0; t < threadCount; ++t) {
        EXPECT_EQ(seen[t], &NoteTable::instance());
        EXPECT_EQ(a4[t], 440.0f);
        EXPECT_EQ(sine[t], 1.0f);
    }
}

TEST(NoteTable, TellingRows) {
    // Frequencies printed with 7 significant digits: within half a unit of the last digit.
    struct Row {
        int note;
        const char* name;
        double hz;
        double halfUnit;
    };
    const Row rows[] = {
        {0, "C-1", 8.175799, 0.5e-6}, {24, "C1", 32.70320, 0.5e-5}, {25, "C#1", 34.64783, 0.5e-5},
        {60, "C4", 261.6256, 0.5e-4}, {69, "A4", 440.0000, 0.5e-4}, {127, "G9", 12543.85, 0.5e-2},
    };
    const NoteTable& table = NoteTable::instance();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.note);
        EXPECT_STREQ(table.names[row.note], row.name);
        EXPECT_NEAR(table.frequencies[row.note], row.hz, row.halfUnit);
    }
    EXPECT_EQ(table.frequencies[69], 440.0f);
}

TEST(NoteTable, NamesFollowPitchClassAndOctave) {
    const NoteTable& table = NoteTable::instance();
    EXPECT_STREQ(table.names[1], "C#-1");
    EXPECT_STREQ(table.names[11], "H-1");
    EXPECT_STREQ(table.names[70], "A#4");
    EXPECT_STREQ(table.names[71], "H4");
    EXPECT_STREQ(table.names[120], "C9");
    for (int n = 0; n < NoteTable::size; ++n) {
        EXPECT_LE(std::strlen(table.names[n]), 4u) << n;
        if (n > 0) {
            EXPECT_GT(table.frequencies[n], table.frequencies[n - 1]) << n;
            EXPECT_STRNE(table.names[n], table.names[n - 1]) << n;
        }
    }
}

}  // namespace
