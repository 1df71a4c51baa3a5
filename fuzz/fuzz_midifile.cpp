// Standard MIDI Files from anyone: the reader either refuses a file with its
// own error or gives messages in time order that the schedule places on
// frames in order, and a transport that answers every position with finite,
// sane values.
#include <cmath>
#include <cstdint>
#include <vector>

#include "eventschedule.h"
#include "fuzzsupport.h"
#include "midifile.h"
#include "rendererror.h"
#include "transport.h"

using namespace trs::render;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MidiFile file;
    try {
        file = MidiFile::parse(std::vector<uint8_t>(data, data + size), "fuzz.mid");
    } catch (const RenderError&) {
        return 0;
    }
    for (size_t i = 1; i < file.messages.size(); ++i)
        if (!(file.messages[i - 1].seconds <= file.messages[i].seconds))
            trsfuzz::fail("messages out of time order");
    for (const MidiMessage& m : file.messages)
        if (!std::isfinite(m.seconds) || m.seconds < 0)
            trsfuzz::fail("a message at no sensible time");

    EventSchedule schedule;
    schedule.addMidiFile(file);
    for (double rate : {8000.0, 44100.0, 192000.0}) {
        const std::vector<ScheduledEvent> events = schedule.atRate(rate);
        if (events.size() != file.messages.size())
            trsfuzz::fail("the schedule lost or made up messages");
        for (size_t i = 1; i < events.size(); ++i)
            if (events[i - 1].frame > events[i].frame)
                trsfuzz::fail("events out of frame order");
    }

    Transport transport(44100.0, schedule.tempo(), schedule.meter());
    int64_t frame = 0;
    for (int step = 0; step < 64; ++step) {
        transport.moveTo(frame);
        const VstTimeInfo* t = transport.info();
        if (!std::isfinite(t->ppqPos) || !std::isfinite(t->tempo) || !(t->tempo > 0) ||
            !std::isfinite(t->barStartPos) || t->timeSigNumerator <= 0 || t->timeSigDenominator <= 0)
            trsfuzz::fail("the transport gave a nonsensical time");
        frame += int64_t(1) << (step % 24);
    }
    return 0;
}
