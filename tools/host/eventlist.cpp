#include "eventlist.h"

#include <algorithm>
#include <cstddef>
#include <cstring>

namespace trs::host {

void EventList::addMidi(VstInt32 deltaFrames, uint8_t status, uint8_t data1, uint8_t data2, VstInt32 flags) {
    VstMidiEvent ev{};
    ev.type = kVstMidiType;
    ev.byteSize = sizeof(VstMidiEvent);
    ev.deltaFrames = deltaFrames;
    ev.flags = flags;
    ev.midiData[0] = static_cast<char>(status);
    ev.midiData[1] = static_cast<char>(data1);
    ev.midiData[2] = static_cast<char>(data2);
    order.emplace_back(Kind::Midi, midi.size());
    midi.push_back(ev);
}

void EventList::addSysex(VstInt32 deltaFrames, const std::vector<uint8_t>& bytes) {
    VstMidiSysexEvent ev{};
    ev.type = kVstSysExType;
    ev.byteSize = sizeof(VstMidiSysexEvent);
    ev.deltaFrames = deltaFrames;
    ev.dumpBytes = static_cast<VstInt32>(bytes.size());
    order.emplace_back(Kind::Sysex, sysex.size());
    sysex.push_back(ev);
    dumps.emplace_back(bytes.begin(), bytes.end());
}

void EventList::addRaw(const VstEvent& event) {
    order.emplace_back(Kind::Raw, raw.size());
    raw.push_back(event);
}

void EventList::clear() {
    order.clear();
    midi.clear();
    sysex.clear();
    dumps.clear();
    raw.clear();
}

VstEvents* EventList::events() {
    const size_t header = offsetof(VstEvents, events);
    const size_t bytes = std::max(sizeof(VstEvents), header + order.size() * sizeof(VstEvent*));
    block.assign(bytes, 0);
    auto* list = reinterpret_cast<VstEvents*>(block.data());
    list->numEvents = static_cast<VstInt32>(order.size());
    auto** slots = reinterpret_cast<VstEvent**>(block.data() + header);
    for (size_t i = 0; i < order.size(); ++i) {
        const size_t at = order[i].second;
        switch (order[i].first) {
            case Kind::Midi:
                slots[i] = reinterpret_cast<VstEvent*>(&midi[at]);
                break;
            case Kind::Sysex:
                sysex[at].sysexDump = dumps[at].data();
                slots[i] = reinterpret_cast<VstEvent*>(&sysex[at]);
                break;
            case Kind::Raw:
                slots[i] = &raw[at];
                break;
        }
    }
    return list;
}

}  // namespace trs::host
