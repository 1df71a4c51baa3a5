// How the test effect reports what happened inside it: markers sent to the
// host as audioMasterVendorSpecific requests (index = marker), and queries a
// host can make through effVendorSpecific (index = query).
#pragma once

namespace trstest {

enum Marker {
    kMarkOpen = 1001,
    kMarkClose,
    kMarkDestroy,
    kMarkSuspend,
    kMarkResume,
    kMarkSetSampleRate,
    kMarkEditOpen,
    kMarkEditClose,
    kMarkEditIdle,
    kMarkKeyDown,  // value = character, opt = virt * 1000 + modifier
    kMarkKeyUp,
    kMarkKnobMode,    // value = mode
    kMarkSetProgram,  // value = program
};

enum Query {
    kQueryEventCount = 2001,  // events received so far
    kQueryLastMidi,           // status | data1 << 8 | data2 << 16 of the last MIDI event
    kQueryLastSysexBytes,     // dumpBytes of the last sysex event
    kQueryLastSysexSum,       // byte sum of the last sysex dump
    kQueryThrow,              // throws a C++ exception
};

// Indices and frame counts that make the effect throw, to prove no exception
// leaves the module.
constexpr int kThrowIndex = 1000;
constexpr int kThrowFrames = -7;

// Host capability texts the test effect asks about while being created.
constexpr const char* kCanDoNoEditor = "trsTestNoEditor";
constexpr const char* kCanDoThrowInCreate = "trsTestThrowInCreate";

constexpr int kNumParams = 4;

}  // namespace trstest
