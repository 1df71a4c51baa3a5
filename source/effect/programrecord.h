// One stored program: the eighteen normalised values and a name.
#pragma once

#include "effect/parameters.h"
#include "shell/vstinterface.h"

constexpr int kNumPrograms = 1;

struct ProgramRecord {
    float values[kNumParams];
    char name[kVstMaxProgNameLen];
};
