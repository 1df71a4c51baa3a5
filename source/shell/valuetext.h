// Number-to-text conversions for parameter displays.
//
// Each writes at most maxLen characters and a terminating zero into text,
// which must hold maxLen + 1 bytes. A null text or a negative maxLen writes
// nothing.
#pragma once

#include "shell/vstinterface.h"

namespace trs {

// Up to 8 characters: digits, a point and truncated (never rounded) fraction
// digits, e.g. "12.25000", "-3.50000"; "Huge!" when out of range.
void floatToText(float value, char* text, VstInt32 maxLen);

// Decimal integer; "Huge!" at or beyond +-100000000.
void intToText(VstInt32 value, char* text, VstInt32 maxLen);

// Linear amplitude as decibels; "-oo" for 0 or less.
void decibelsToText(float value, char* text, VstInt32 maxLen);

// A period of `samples` frames as a frequency in Hz.
void periodToHzText(float samples, float sampleRate, char* text, VstInt32 maxLen);

// A duration of `samples` frames in milliseconds.
void samplesToMsText(float samples, float sampleRate, char* text, VstInt32 maxLen);

// Copies src, cut to maxLen characters, and terminates it.
void copyText(char* text, const char* src, VstInt32 maxLen);

}  // namespace trs
