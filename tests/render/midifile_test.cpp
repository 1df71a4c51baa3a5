#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "midifile.h"
#include "rendererror.h"

using trs::render::MidiFile;
using trs::render::RenderError;
using Bytes = std::vector<uint8_t>;

namespace {

Bytes be(uint32_t v, int n) {
    Bytes b;
    for (int i = n - 1; i >= 0; --i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
    return b;
}

Bytes vlq(uint32_t v) {
    Bytes b{static_cast<uint8_t>(v & 0x7F)};
    while (v >>= 7)
        b.insert(b.begin(), static_cast<uint8_t>(0x80 | (v & 0x7F)));
    return b;
}

Bytes cat(std::initializer_list<Bytes> parts) {
    Bytes out;
    for (const auto& p : parts)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}

Bytes header(int format, int tracks, uint16_t division) {
    return cat({{'M', 'T', 'h', 'd'}, be(6, 4), be(format, 2), be(tracks, 2), be(division, 2)});
}

Bytes track(const Bytes& events) {
    return cat({{'M', 'T', 'r', 'k'}, be(static_cast<uint32_t>(events.size()), 4), events});
}

const Bytes kEnd = {0x00, 0xFF, 0x2F, 0x00};

Bytes tempo(uint32_t delta, uint32_t micros) {
    return cat({vlq(delta), {0xFF, 0x51, 0x03}, be(micros, 3)});
}

MidiFile parse(const Bytes& b) {
    return MidiFile::parse(b, "test.mid");
}

}  // namespace

TEST(MidiFile, ReadsRunningStatusAndSysexAndSkipsOtherMeta) {
    const Bytes events = cat({
        {0x00, 0xFF, 0x03, 0x04, 'b', 'a', 's', 's'},  // track name
        {0x00, 0x90, 60, 100},                         // note on at 0
        vlq(240),
        {64, 90},  // running status: note on 64 at 240
        vlq(240),
        {0xF0, 0x03, 0x7E, 0x01, 0xF7},  // sysex at 480
        {0x00, 0x80, 60, 0},             // note off at 480
        vlq(480),
        {0xC1, 0x05},                    // program change, one data byte, at 960
        {0x00, 0xB2, 123, 0},            // all notes off on channel 3
        {0x00, 0xF7, 0x02, 0xF8, 0xFA},  // escape: raw real-time bytes
        kEnd,
    });
    const MidiFile f = parse(cat({header(0, 1, 480), track(events)}));
    ASSERT_EQ(f.messages.size(), 7u);
    const double expectSeconds[] = {0.0, 0.25, 0.5, 0.5, 1.0, 1.0, 1.0};
    const uint8_t expectBytes[][3] = {{0x90, 60, 100}, {0x90, 64, 90}, {0, 0, 0}, {0x80, 60, 0},
                                      {0xC1, 5, 0},    {0xB2, 123, 0}, {0, 0, 0}};
    for (size_t i = 0; i < 7; ++i) {
        EXPECT_DOUBLE_EQ(f.messages[i].seconds, expectSeconds[i]) << i;
        for (int k = 0; k < 3; ++k)
            EXPECT_EQ(f.messages[i].bytes[k], expectBytes[i][k]) << i << ":" << k;
    }
    EXPECT_EQ(f.messages[4].size, 2);
    EXPECT_EQ(f.messages[2].sysex, (std::vector<uint8_t>{0xF0, 0x7E, 0x01, 0xF7}));
    EXPECT_EQ(f.messages[6].sysex, (std::vector<uint8_t>{0xF8, 0xFA}));
    EXPECT_TRUE(f.messages[0].sysex.empty());
}

TEST(MidiFile, GivesItsTempoMapAndTimeSignatures) {
    // 3/4 at 100 BPM from the start, 150 BPM from beat 6, 7/8 from beat 9.
    const Bytes events = cat({
        {0x00, 0xFF, 0x58, 0x04, 3, 2, 24, 8},
        tempo(0, 600000),
        tempo(6 * 480, 400000),
        {0x00, 0x90, 60, 100},
        vlq(3 * 480),
        {0xFF, 0x58, 0x04, 7, 3, 24, 8},
        kEnd,
    });
    const MidiFile f = parse(cat({header(0, 1, 480), track(events)}));
    ASSERT_EQ(f.tempo.size(), 2u);
    EXPECT_DOUBLE_EQ(f.tempo[0].bpm, 100.0);
    EXPECT_DOUBLE_EQ(f.tempo[0].quarter, 0.0);
    EXPECT_DOUBLE_EQ(f.tempo[1].seconds, 3.6);
    EXPECT_DOUBLE_EQ(f.tempo[1].quarter, 6.0);
    EXPECT_DOUBLE_EQ(f.tempo[1].bpm, 150.0);
    ASSERT_EQ(f.meter.size(), 2u);
    EXPECT_EQ(f.meter[0].numerator, 3);
    EXPECT_EQ(f.meter[0].denominator, 4);
    EXPECT_DOUBLE_EQ(f.meter[1].quarter, 9.0);
    EXPECT_EQ(f.meter[1].numerator, 7);
    EXPECT_EQ(f.meter[1].denominator, 8);
    EXPECT_DOUBLE_EQ(f.messages[0].seconds, 3.6);

    // None given: 120 BPM, 4/4.
    const MidiFile plain = parse(cat({header(0, 1, 480), track(cat({{0x00, 0x90, 60, 1}, kEnd}))}));
    ASSERT_EQ(plain.tempo.size(), 1u);
    EXPECT_DOUBLE_EQ(plain.tempo[0].bpm, 120.0);
    ASSERT_EQ(plain.meter.size(), 1u);
    EXPECT_EQ(plain.meter[0].numerator, 4);
}

TEST(MidiFile, TempoChangesApplyFromTheirTick) {
    // 120 BPM, then 240 BPM from beat 2; an event one beat later is at 1.25 s.
    const Bytes events = cat({tempo(0, 500000),
                              {0x00, 0x90, 60, 100},
                              tempo(960, 250000),
                              vlq(480),
                              {0x80, 60, 0},
                              vlq(480),
                              {0x90, 62, 1},
                              kEnd});
    const MidiFile f = parse(cat({header(0, 1, 480), track(events)}));
    ASSERT_EQ(f.messages.size(), 3u);
    EXPECT_EQ(f.tempoChanges, 2);
    EXPECT_DOUBLE_EQ(f.messages[0].seconds, 0.0);
    EXPECT_DOUBLE_EQ(f.messages[1].seconds, 1.25);
    EXPECT_DOUBLE_EQ(f.messages[2].seconds, 1.5);
}

TEST(MidiFile, FormatOneMergesTracksInTimeAndTempoFromTheFirstTrack) {
    const Bytes conductor = cat({tempo(0, 1000000), kEnd});  // 60 BPM
    const Bytes a = cat({vlq(96), {0x90, 50, 1}, vlq(96), {0x80, 50, 0}, kEnd});
    const Bytes b = cat({vlq(96), {0x91, 70, 2}, vlq(48), {0x81, 70, 0}, kEnd});
    const MidiFile f = parse(cat({header(1, 3, 96), track(conductor), track(a), track(b)}));
    EXPECT_EQ(f.trackCount, 3);
    ASSERT_EQ(f.messages.size(), 4u);
    // Ties keep track order: track a's note before track b's.
    EXPECT_EQ(f.messages[0].bytes[1], 50);
    EXPECT_EQ(f.messages[1].bytes[1], 70);
    EXPECT_DOUBLE_EQ(f.messages[1].seconds, 1.0);
    EXPECT_DOUBLE_EQ(f.messages[2].seconds, 1.5);
    EXPECT_EQ(f.messages[2].bytes[0], 0x81);
    EXPECT_DOUBLE_EQ(f.messages[3].seconds, 2.0);
}

TEST(MidiFile, SmpteDivisionCountsTicksPerSecond) {
    // 25 frames per second, 40 ticks per frame: 1000 ticks a second.
    const uint16_t division = static_cast<uint16_t>((static_cast<uint8_t>(-25) << 8) | 40);
    const Bytes events = cat({vlq(500), {0x90, 60, 1}, tempo(0, 250000), vlq(250), {0x80, 60, 0}, kEnd});
    const MidiFile f = parse(cat({header(0, 1, division), track(events)}));
    ASSERT_EQ(f.messages.size(), 2u);
    EXPECT_DOUBLE_EQ(f.messages[0].seconds, 0.5);
    EXPECT_DOUBLE_EQ(f.messages[1].seconds, 0.75);  // tempo has no say in SMPTE time
}

TEST(MidiFile, UnknownChunksAreSkipped) {
    const Bytes alien = cat({{'X', 'Y', 'Z', 'W'}, be(3, 4), {1, 2, 3}});
    const MidiFile f = parse(cat({header(0, 1, 480), alien, track(cat({{0x00, 0x90, 1, 1}, kEnd}))}));
    ASSERT_EQ(f.messages.size(), 1u);
}

TEST(MidiFile, MalformedFilesAreRejectedWithTheProblemNamed) {
    struct Case {
        const char* what;
        Bytes bytes;
        const char* message;
    };
    const Bytes okTrack = track(cat({{0x00, 0x90, 60, 1}, kEnd}));
    const std::vector<Case> cases = {
        {"not a MIDI file", Bytes{'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E', 0, 0}, "not a MIDI file"},
        {"empty", Bytes{}, "not a MIDI file"},
        {"format 2", cat({header(2, 1, 480), okTrack}), "format 2"},
        {"missing track", cat({header(1, 2, 480), okTrack}), "promises 2 tracks"},
        {"chunk longer than file", cat({header(0, 1, 480), {'M', 'T', 'r', 'k'}, be(100, 4), {0x00, 0x90}}),
         "longer than the file"},
        {"data byte without status", cat({header(0, 1, 480), track(cat({{0x00, 0x3C, 0x40}, kEnd}))}), "no status"},
        {"event cut short", cat({header(0, 1, 480), track({0x00, 0x90, 60})}), "unexpected end"},
        {"status where data belongs", cat({header(0, 1, 480), track(cat({{0x00, 0x90, 0x90, 1}, kEnd}))}),
         "status byte where a data byte"},
        {"five-byte delta", cat({header(0, 1, 480), track(cat({{0x81, 0x81, 0x81, 0x81, 0x01, 0x90, 1, 1}, kEnd}))}),
         "longer than four bytes"},
        {"sysex longer than track", cat({header(0, 1, 480), track({0x00, 0xF0, 0x7F, 0x01})}), "past the end"},
        {"bad tempo length", cat({header(0, 1, 480), track(cat({{0x00, 0xFF, 0x51, 0x02, 0x07, 0xA1}, kEnd}))}),
         "tempo event of length 2"},
        {"division zero", cat({header(0, 1, 0), okTrack}), "division of zero"},
        {"realtime byte in file", cat({header(0, 1, 480), track(cat({{0x00, 0xF8}, kEnd}))}), "0xF8"},
    };
    for (const auto& c : cases) {
        try {
            parse(c.bytes);
            ADD_FAILURE() << c.what << ": accepted";
        } catch (const RenderError& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.what << ": " << e.what();
            EXPECT_NE(std::string(e.what()).find("test.mid"), std::string::npos) << c.what << ": " << e.what();
        }
    }
}
