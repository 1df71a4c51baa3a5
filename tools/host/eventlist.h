// Builds the VstEvents list a host hands to effProcessEvents.
#pragma once

#include <cstdint>
#include <vector>

#include "shell/vstinterface.h"

namespace trs::host {

class EventList {
public:
    void addMidi(VstInt32 deltaFrames, uint8_t status, uint8_t data1 = 0, uint8_t data2 = 0, VstInt32 flags = 0);
    void addSysex(VstInt32 deltaFrames, const std::vector<uint8_t>& bytes);
    // Any other record, copied as it is (e.g. deprecated event types).
    void addRaw(const VstEvent& event);
    void clear();
    size_t size() const { return order.size(); }

    // The list in the order the events were added. Valid until the next
    // change; building it allocates, so build it before the audio thread
    // needs it.
    VstEvents* events();

private:
    enum class Kind { Midi, Sysex, Raw };
    std::vector<std::pair<Kind, size_t>> order;
    std::vector<VstMidiEvent> midi;
    std::vector<VstMidiSysexEvent> sysex;
    std::vector<std::vector<char>> dumps;
    std::vector<VstEvent> raw;
    std::vector<unsigned char> block;  // VstEvents header plus pointer array
};

}  // namespace trs::host
