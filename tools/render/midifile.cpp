#include "midifile.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "rendererror.h"

namespace trs::render {

namespace {

constexpr uint32_t kDefaultTempo = 500000;  // microseconds per quarter note: 120 BPM

struct TickedMessage {
    uint64_t tick;
    MidiMessage message;
};

struct TempoChange {
    uint64_t tick;
    uint32_t microsPerQuarter;
};

struct MeterChange {
    uint64_t tick;
    int numerator;
    int denominator;
};

class ByteReader {
public:
    ByteReader(const std::vector<uint8_t>& data, size_t begin, size_t end, const std::string& name)
        : data(data), pos(begin), end(end), name(name) {}

    bool atEnd() const { return pos >= end; }
    size_t offset() const { return pos; }

    uint8_t byte() {
        if (pos >= end)
            fail("unexpected end of data");
        return data[pos++];
    }
    uint8_t peek() {
        if (pos >= end)
            fail("unexpected end of data");
        return data[pos];
    }
    uint32_t big(int count) {
        uint32_t v = 0;
        for (int i = 0; i < count; ++i)
            v = (v << 8) | byte();
        return v;
    }
    // Variable-length quantity: at most four bytes, seven bits each.
    uint32_t vlq() {
        uint32_t v = 0;
        for (int i = 0; i < 4; ++i) {
            const uint8_t b = byte();
            v = (v << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return v;
        }
        fail("variable-length number longer than four bytes");
    }
    void take(uint32_t count, std::vector<uint8_t>& to) {
        if (count > end - pos)
            fail("event runs past the end of its chunk");
        to.insert(to.end(), data.begin() + static_cast<std::ptrdiff_t>(pos),
                  data.begin() + static_cast<std::ptrdiff_t>(pos + count));
        pos += count;
    }
    void skip(uint32_t count) {
        if (count > end - pos)
            fail("event runs past the end of its chunk");
        pos += count;
    }
    [[noreturn]] void fail(const std::string& what) const {
        throw RenderError("malformed MIDI file '" + name + "': " + what + " at byte " + std::to_string(pos));
    }

private:
    const std::vector<uint8_t>& data;
    size_t pos;
    size_t end;
    const std::string& name;
};

std::string hex(uint8_t b) {
    const char* digits = "0123456789ABCDEF";
    return std::string("0x") + digits[b >> 4] + digits[b & 15];
}

int dataBytesFor(uint8_t status) {
    const uint8_t kind = status & 0xF0;
    return (kind == 0xC0 || kind == 0xD0) ? 1 : 2;
}

void readTrack(ByteReader& in, std::vector<TickedMessage>& messages, std::vector<TempoChange>& tempos,
               std::vector<MeterChange>& meters) {
    uint64_t tick = 0;
    uint8_t running = 0;
    while (!in.atEnd()) {
        tick += in.vlq();
        uint8_t status = in.peek();
        if (status & 0x80) {
            in.byte();
        } else if (running) {
            status = running;  // running status: the byte read next is data
        } else {
            in.fail("data byte with no status before it");
        }

        if (status == 0xFF) {
            running = 0;
            const uint8_t type = in.byte();
            const uint32_t length = in.vlq();
            if (type == 0x2F)
                return;  // end of track; anything after it is ignored
            if (type == 0x51) {
                if (length != 3)
                    in.fail("tempo event of length " + std::to_string(length));
                const uint32_t tempo = in.big(3);
                if (tempo == 0)
                    in.fail("tempo of zero");
                tempos.push_back({tick, tempo});
            } else if (type == 0x58 && length >= 2) {
                const uint8_t numerator = in.byte();
                const uint8_t power = in.byte();
                in.skip(length - 2);
                // A signature the transport cannot express is left out.
                if (numerator > 0 && power <= 6)
                    meters.push_back({tick, numerator, 1 << power});
            } else {
                in.skip(length);
            }
        } else if (status == 0xF0 || status == 0xF7) {
            running = 0;
            const uint32_t length = in.vlq();
            TickedMessage m{tick, {}};
            if (status == 0xF0)
                m.message.sysex.push_back(0xF0);
            in.take(length, m.message.sysex);
            if (!m.message.sysex.empty())
                messages.push_back(std::move(m));
        } else if (status >= 0xF0) {
            in.fail("system message " + hex(status) + " is not allowed in a MIDI file");
        } else {
            running = status;
            TickedMessage m{tick, {}};
            m.message.bytes[0] = status;
            m.message.size = static_cast<uint8_t>(1 + dataBytesFor(status));
            for (int i = 1; i < m.message.size; ++i) {
                const uint8_t b = in.byte();
                if (b & 0x80)
                    in.fail("status byte where a data byte belongs");
                m.message.bytes[i] = b;
            }
            messages.push_back(m);
        }
    }
}

}  // namespace

MidiFile MidiFile::load(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw RenderError("cannot read MIDI file '" + path + "'");
    std::vector<uint8_t> data((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (in.bad())
        throw RenderError("cannot read MIDI file '" + path + "'");
    return parse(data, path);
}

MidiFile MidiFile::parse(const std::vector<uint8_t>& data, const std::string& name) {
    ByteReader file(data, 0, data.size(), name);
    if (data.size() < 14 || std::string(data.begin(), data.begin() + 4) != "MThd")
        throw RenderError("'" + name + "' is not a MIDI file (no MThd header)");
    file.skip(4);
    const uint32_t headerLength = file.big(4);
    if (headerLength < 6)
        file.fail("header shorter than six bytes");
    if (headerLength > data.size() - 8)
        file.fail("header longer than the file");
    MidiFile result;
    result.format = static_cast<int>(file.big(2));
    const uint32_t declaredTracks = file.big(2);
    const uint32_t division = file.big(2);
    file.skip(headerLength - 6);
    if (result.format > 1)
        throw RenderError("MIDI file '" + name + "' is format " + std::to_string(result.format) +
                          "; only formats 0 and 1 are supported");
    if (division == 0)
        file.fail("division of zero");

    std::vector<TickedMessage> messages;
    std::vector<TempoChange> tempos;
    std::vector<MeterChange> meters;
    while (!file.atEnd() && static_cast<uint32_t>(result.trackCount) < declaredTracks) {
        const size_t chunkStart = file.offset();
        std::string id;
        for (int i = 0; i < 4; ++i)
            id += static_cast<char>(file.byte());
        const uint32_t length = file.big(4);
        if (length > data.size() - file.offset()) {
            ByteReader at(data, chunkStart, data.size(), name);
            at.fail("chunk '" + id + "' longer than the file");
        }
        if (id == "MTrk") {
            ByteReader track(data, file.offset(), file.offset() + length, name);
            std::vector<TickedMessage> own;
            readTrack(track, own, tempos, meters);
            messages.insert(messages.end(), own.begin(), own.end());
            ++result.trackCount;
        }
        file.skip(length);  // unknown chunks are skipped whole
    }
    if (static_cast<uint32_t>(result.trackCount) < declaredTracks)
        throw RenderError("malformed MIDI file '" + name + "': header promises " + std::to_string(declaredTracks) +
                          " tracks, file holds " + std::to_string(result.trackCount));

    // Tracks were appended one after another: a stable sort by tick merges
    // them and keeps the file order of events at the same tick.
    std::stable_sort(messages.begin(), messages.end(),
                     [](const TickedMessage& a, const TickedMessage& b) { return a.tick < b.tick; });
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const TempoChange& a, const TempoChange& b) { return a.tick < b.tick; });
    std::stable_sort(meters.begin(), meters.end(),
                     [](const MeterChange& a, const MeterChange& b) { return a.tick < b.tick; });
    result.tempoChanges = static_cast<int>(tempos.size());

    if (division & 0x8000) {
        // SMPTE time: frames per second (29 meaning 29.97) times ticks per frame.
        const int fps = -static_cast<int8_t>(division >> 8);
        const int perFrame = static_cast<int>(division & 0xFF);
        if (fps <= 0 || perFrame == 0)
            file.fail("bad SMPTE division");
        const double ticksPerSecond = (fps == 29 ? 29.97 : fps) * perFrame;
        for (auto& m : messages) {
            m.message.seconds = static_cast<double>(m.tick) / ticksPerSecond;
            result.messages.push_back(std::move(m.message));
        }
        return result;
    }

    // Seconds at each tempo change, then each event measured from the last
    // change at or before it.
    const double perQuarter = static_cast<double>(division);
    uint64_t segmentTick = 0;
    double segmentSeconds = 0.0;
    uint32_t tempo = kDefaultTempo;
    size_t next = 0;
    const auto toBpm = [](uint32_t micros) { return 60e6 / micros; };
    result.tempo.push_back({0.0, 0.0, toBpm(kDefaultTempo)});
    for (auto& m : messages) {
        while (next < tempos.size() && tempos[next].tick <= m.tick) {
            segmentSeconds += static_cast<double>(tempos[next].tick - segmentTick) * tempo / (perQuarter * 1e6);
            segmentTick = tempos[next].tick;
            tempo = tempos[next].microsPerQuarter;
            ++next;
        }
        m.message.seconds = segmentSeconds + static_cast<double>(m.tick - segmentTick) * tempo / (perQuarter * 1e6);
        result.messages.push_back(std::move(m.message));
    }
    // The tempo map on its own, including changes after the last event.
    segmentTick = 0;
    segmentSeconds = 0.0;
    tempo = kDefaultTempo;
    for (const auto& t : tempos) {
        segmentSeconds += static_cast<double>(t.tick - segmentTick) * tempo / (perQuarter * 1e6);
        segmentTick = t.tick;
        tempo = t.microsPerQuarter;
        const TempoPoint point{segmentSeconds, static_cast<double>(t.tick) / perQuarter, toBpm(tempo)};
        if (result.tempo.back().seconds == point.seconds)
            result.tempo.back() = point;  // the last of several at one tick wins
        else
            result.tempo.push_back(point);
    }
    result.meter.push_back({});
    for (const auto& m : meters) {
        const MeterPoint point{static_cast<double>(m.tick) / perQuarter, m.numerator, m.denominator};
        if (result.meter.back().quarter == point.quarter)
            result.meter.back() = point;
        else
            result.meter.push_back(point);
    }
    return result;
}

}  // namespace trs::render
