// What the fuzzers share: a host callback, hostile values of every shape the
// interface carries, event lists, audio blocks checked for finite output and
// for the caller's floating-point mode, and one dispatcher call with hostile
// arguments. Any broken promise aborts, so libFuzzer keeps the input.
#pragma once

#include <fuzzer/FuzzedDataProvider.h>

#include <vector>

#include "shell/audioeffect.h"

namespace trsfuzz {

// A new effect, opened, as a host creates one.
AEffect* openEffect();
// Closes it; effClose must answer 1.
void closeEffect(AEffect* e);

[[noreturn]] void fail(const char* what);

float anyFloat(FuzzedDataProvider& in);
VstInt32 anyIndex(FuzzedDataProvider& in);
VstIntPtr anyValue(FuzzedDataProvider& in);

// A list of 0..8 events of any kind; the count never exceeds the entries.
struct EventBlock {
    std::vector<VstMidiEvent> midi;
    std::vector<VstMidiSysexEvent> sysex;
    std::vector<std::vector<char>> dumps;
    std::vector<VstEvent> other;
    std::vector<unsigned char> list;

    VstEvents* build(FuzzedDataProvider& in);
};

// One block of up to `maxFrames` frames of mostly ordinary audio with bad
// samples sprinkled in, in any buffer layout a host may use.
void processBlock(FuzzedDataProvider& in, AEffect* e, VstInt32 maxFrames);
// One dispatcher call: any opcode but effClose and effEditOpen, hostile index, value, pointer
// and float; text written into the host's buffer must end inside it.
void dispatchOne(FuzzedDataProvider& in, AEffect* e, EventBlock& events);

}  // namespace trsfuzz
