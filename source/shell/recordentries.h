// The six function entries of the effect record. Each reaches the effect
// through the record's object field; none lets a C++ exception escape.
#pragma once

#include "shell/vstinterface.h"

namespace trs {

VstIntPtr VSTCALLBACK dispatchEntry(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt);
void VSTCALLBACK processEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
void VSTCALLBACK setParameterEntry(AEffect* e, VstInt32 index, float value);
float VSTCALLBACK getParameterEntry(AEffect* e, VstInt32 index);
void VSTCALLBACK processReplacingEntry(AEffect* e, float** inputs, float** outputs, VstInt32 sampleFrames);
void VSTCALLBACK processDoubleReplacingEntry(AEffect* e, double** inputs, double** outputs, VstInt32 sampleFrames);

}  // namespace trs
