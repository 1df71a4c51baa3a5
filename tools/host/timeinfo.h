// The record a host answers audioMasterGetTime with: where the transport
// is, in samples and in musical time, and which of its fields are valid.
#pragma once

#include "shell/vstinterface.h"

struct VstTimeInfo {
    double samplePos;  // of the first frame of the block being processed
    double sampleRate;
    double nanoSeconds;  // system time
    double ppqPos;       // in quarter notes
    double tempo;        // in quarter notes per minute
    double barStartPos;  // quarter-note position of the current bar's start
    double cycleStartPos;
    double cycleEndPos;
    VstInt32 timeSigNumerator;
    VstInt32 timeSigDenominator;
    VstInt32 smpteOffset;
    VstInt32 smpteFrameRate;
    VstInt32 samplesToNextClock;
    VstInt32 flags;
};

static_assert(sizeof(VstTimeInfo) == 88, "VstTimeInfo size");

enum VstTimeInfoFlags {
    kVstTransportChanged = 1,
    kVstTransportPlaying = 1 << 1,
    kVstTransportCycleActive = 1 << 2,
    kVstTransportRecording = 1 << 3,
    kVstAutomationWriting = 1 << 6,
    kVstAutomationReading = 1 << 7,
    kVstNanosValid = 1 << 8,
    kVstPpqPosValid = 1 << 9,
    kVstTempoValid = 1 << 10,
    kVstBarsValid = 1 << 11,
    kVstCyclePosValid = 1 << 12,
    kVstTimeSigValid = 1 << 13,
    kVstSmpteValid = 1 << 14,
    kVstClockValid = 1 << 15,
};
