#include "shell/audioeffectx.h"

#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

// The key code's modifier is opt truncated toward zero; values no int holds
// (or NaN) would make that conversion undefined, so they give 0.
unsigned char modifierFrom(float opt) {
    if (!(std::fabs(opt) < 2147483647.0f))
        return 0;
    return static_cast<unsigned char>(static_cast<VstInt32>(opt) & 0xFF);
}

VstKeyCode keyCodeFrom(VstInt32 index, VstIntPtr value, float opt) {
    VstKeyCode key;
    key.character = index;
    key.virt = static_cast<unsigned char>(value & 0xFF);
    key.modifier = modifierFrom(opt);
    return key;
}

}  // namespace

VstIntPtr AudioEffectX::dispatcher(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    // As in AudioEffect::dispatcher: a pointer the host hands in to be read
    // or filled (in ptr, or in value for the speaker opcodes) is never
    // followed when null (`ptr ? ... : 0`), and a yes or no is answered by
    // dispatchAnswer. Editor opcodes answer 0 with no editor.
    char* const text = static_cast<char*>(ptr);
    switch (static_cast<uint32_t>(opcode)) {
        case effProcessEvents:
            return ptr ? processEvents(static_cast<VstEvents*>(ptr)) : 0;
        case effCanBeAutomated:
            return dispatchAnswer(canParameterBeAutomated(index));
        case effString2Parameter:
            return ptr ? dispatchAnswer(string2parameter(index, text)) : 0;
        case effGetProgramNameIndexed:
            return ptr ? dispatchAnswer(getProgramNameIndexed(static_cast<VstInt32>(value), index, text)) : 0;
        case effGetInputProperties:
            return ptr ? dispatchAnswer(getInputProperties(index, static_cast<VstPinProperties*>(ptr))) : 0;
        case effGetOutputProperties:
            return ptr ? dispatchAnswer(getOutputProperties(index, static_cast<VstPinProperties*>(ptr))) : 0;
        case effGetPlugCategory:
            return getPlugCategory();
        case effOfflineNotify:
            return ptr ? dispatchAnswer(
                             offlineNotify(static_cast<VstAudioFile*>(ptr), static_cast<VstInt32>(value), index != 0))
                       : 0;
        case effOfflinePrepare:
            return ptr ? dispatchAnswer(offlinePrepare(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)))
                       : 0;
        case effOfflineRun:
            return ptr ? dispatchAnswer(offlineRun(static_cast<VstOfflineTask*>(ptr), static_cast<VstInt32>(value)))
                       : 0;
        case effProcessVarIo:
            return ptr ? dispatchAnswer(processVariableIo(static_cast<VstVariableIo*>(ptr))) : 0;
        case effSetSpeakerArrangement: {
            auto* in = reinterpret_cast<VstSpeakerArrangement*>(value);
            auto* out = static_cast<VstSpeakerArrangement*>(ptr);
            return in && out ? dispatchAnswer(setSpeakerArrangement(in, out)) : 0;
        }
        case effSetBypass:
            return dispatchAnswer(setBypass(value != 0));
        case effGetEffectName:
            return ptr ? dispatchAnswer(getEffectName(text)) : 0;
        case effGetVendorString:
            return ptr ? dispatchAnswer(getVendorString(text)) : 0;
        case effGetProductString:
            return ptr ? dispatchAnswer(getProductString(text)) : 0;
        case effGetVendorVersion:
            return getVendorVersion();
        case effVendorSpecific:
            // Every argument is the vendor's own to define, a null ptr included.
            return vendorSpecific(index, value, ptr, opt);
        case effCanDo:
            return ptr ? canDo(text) : 0;
        case effGetTailSize:
            return getGetTailSize();
        case effGetParameterProperties:
            return ptr ? dispatchAnswer(getParameterProperties(index, static_cast<VstParameterProperties*>(ptr))) : 0;
        case effGetVstVersion:
            return getVstVersion();
        case effEditKeyDown: {
            VstKeyCode key = keyCodeFrom(index, value, opt);
            return editor ? dispatchAnswer(editor->onKeyDown(key)) : 0;
        }
        case effEditKeyUp: {
            VstKeyCode key = keyCodeFrom(index, value, opt);
            return editor ? dispatchAnswer(editor->onKeyUp(key)) : 0;
        }
        case effSetEditKnobMode:
            return editor ? dispatchAnswer(editor->setKnobMode(static_cast<VstInt32>(value))) : 0;
        case effGetMidiProgramName:
            return ptr ? getMidiProgramName(index, static_cast<MidiProgramName*>(ptr)) : 0;
        case effGetCurrentMidiProgram:
            // -1: no current program, as for an effect without MIDI programs.
            return ptr ? getCurrentMidiProgram(index, static_cast<MidiProgramName*>(ptr)) : -1;
        case effGetMidiProgramCategory:
            return ptr ? getMidiProgramCategory(index, static_cast<MidiProgramCategory*>(ptr)) : 0;
        case effHasMidiProgramsChanged:
            return dispatchAnswer(hasMidiProgramsChanged(index));
        case effGetMidiKeyName:
            return ptr ? dispatchAnswer(getMidiKeyName(index, static_cast<MidiKeyName*>(ptr))) : 0;
        case effBeginSetProgram:
            return dispatchAnswer(beginSetProgram());
        case effEndSetProgram:
            return dispatchAnswer(endSetProgram());
        case effGetSpeakerArrangement: {
            auto** in = reinterpret_cast<VstSpeakerArrangement**>(value);
            auto** out = static_cast<VstSpeakerArrangement**>(ptr);
            return in && out ? dispatchAnswer(getSpeakerArrangement(in, out)) : 0;
        }
        case effShellGetNextPlugin:
            return ptr ? getNextShellPlugin(text) : 0;
        case effStartProcess:
            return startProcess();
        case effStopProcess:
            return stopProcess();
        case effSetTotalSampleToProcess:
            return setTotalSampleToProcess(static_cast<VstInt32>(value));
        case effSetPanLaw:
            return dispatchAnswer(setPanLaw(static_cast<VstInt32>(value), opt));
        case effBeginLoadBank:
            return ptr ? beginLoadBank(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
        case effBeginLoadProgram:
            return ptr ? beginLoadProgram(static_cast<VstPatchChunkInfo*>(ptr)) : 0;
        case effSetProcessPrecision:
            return dispatchAnswer(setProcessPrecision(static_cast<VstInt32>(value)));
        case effGetNumMidiInputChannels:
            return getNumMidiInputChannels();
        case effGetNumMidiOutputChannels:
            return getNumMidiOutputChannels();
        default:
            return AudioEffect::dispatcher(opcode, index, value, ptr, opt);
    }
}

bool AudioEffectX::beginEdit(VstInt32 index) {
    return callHost(audioMasterBeginEdit, index) != 0;
}

bool AudioEffectX::endEdit(VstInt32 index) {
    return callHost(audioMasterEndEdit, index) != 0;
}

bool AudioEffectX::ioChanged() {
    return callHost(audioMasterIOChanged) != 0;
}

double AudioEffectX::updateSampleRate() {
    const VstIntPtr answer = callHost(audioMasterGetSampleRate);
    if (answer > 0)
        sampleRate = static_cast<float>(answer);
    return sampleRate;
}

VstInt32 AudioEffectX::updateBlockSize() {
    const VstIntPtr answer = callHost(audioMasterGetBlockSize);
    if (answer > 0)
        blockSize = static_cast<VstInt32>(answer);
    return blockSize;
}

VstInt32 AudioEffectX::getInputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetInputLatency));
}

VstInt32 AudioEffectX::getOutputLatency() {
    return static_cast<VstInt32>(callHost(audioMasterGetOutputLatency));
}

bool AudioEffectX::getSpeakerArrangement(VstSpeakerArrangement** pluginInput, VstSpeakerArrangement** pluginOutput) {
    if (pluginInput)
        *pluginInput = nullptr;
    if (pluginOutput)
        *pluginOutput = nullptr;
    return false;
}

VstTimeInfo* AudioEffectX::getTimeInfo(VstInt32 filter) {
    return reinterpret_cast<VstTimeInfo*>(callHost(audioMasterGetTime, 0, filter));
}

VstInt32 AudioEffectX::getCurrentProcessLevel() {
    return static_cast<VstInt32>(callHost(audioMasterGetCurrentProcessLevel));
}

VstInt32 AudioEffectX::getAutomationState() {
    return static_cast<VstInt32>(callHost(audioMasterGetAutomationState));
}

bool AudioEffectX::getHostVendorString(char* text) {
    return callHost(audioMasterGetVendorString, 0, 0, text) != 0;
}

bool AudioEffectX::getHostProductString(char* text) {
    return callHost(audioMasterGetProductString, 0, 0, text) != 0;
}

VstInt32 AudioEffectX::getHostVendorVersion() {
    return static_cast<VstInt32>(callHost(audioMasterGetVendorVersion));
}

VstIntPtr AudioEffectX::hostVendorSpecific(VstInt32 lArg1, VstIntPtr lArg2, void* ptrArg, float floatArg) {
    return callHost(audioMasterVendorSpecific, lArg1, lArg2, ptrArg, floatArg);
}

VstInt32 AudioEffectX::canHostDo(char* text) {
    return callHost(audioMasterCanDo, 0, 0, text) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::getHostLanguage() {
    return static_cast<VstInt32>(callHost(audioMasterGetLanguage));
}

void* AudioEffectX::getDirectory() {
    return reinterpret_cast<void*>(callHost(audioMasterGetDirectory));
}

bool AudioEffectX::updateDisplay() {
    return callHost(audioMasterUpdateDisplay) != 0;
}

bool AudioEffectX::sizeWindow(VstInt32 width, VstInt32 height) {
    return callHost(audioMasterSizeWindow, width, height) != 0;
}

bool AudioEffectX::openFileSelector(VstFileSelect* ptr) {
    return ptr && callHost(audioMasterOpenFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::closeFileSelector(VstFileSelect* ptr) {
    return ptr && callHost(audioMasterCloseFileSelector, 0, 0, ptr) != 0;
}

bool AudioEffectX::allocateArrangement(VstSpeakerArrangement** arrangement, VstInt32 nbChannels) {
    if (!arrangement)
        return false;
    if (*arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    if (nbChannels < 0)
        return false;
    const size_t bytes = 8 + sizeof(VstSpeakerProperties) * static_cast<size_t>(nbChannels);
    auto* block = static_cast<VstSpeakerArrangement*>(std::calloc(1, bytes));
    if (!block)
        return false;
    block->numChannels = nbChannels;
    *arrangement = block;
    return true;
}

bool AudioEffectX::deallocateArrangement(VstSpeakerArrangement** arrangement) {
    if (arrangement) {
        std::free(*arrangement);
        *arrangement = nullptr;
    }
    return true;
}

bool AudioEffectX::copySpeaker(VstSpeakerProperties* to, VstSpeakerProperties* from) {
    if (!to || !from)
        return false;
    to->azimuth = from->azimuth;
    to->elevation = from->elevation;
    to->radius = from->radius;
    to->reserved = from->reserved;
    std::strncpy(to->name, from->name, 63);
    to->name[63] = 0;
    to->type = from->type;
    std::memcpy(to->future, from->future, sizeof(to->future));
    return true;
}

bool AudioEffectX::matchArrangement(VstSpeakerArrangement** to, VstSpeakerArrangement* from) {
    if (!from || !to)
        return false;
    if (!allocateArrangement(to, from->numChannels))
        return false;
    (*to)->type = from->type;
    for (VstInt32 i = 0; i < from->numChannels; ++i)
        if (!copySpeaker(&(*to)->speakers[i], &from->speakers[i]))
            return false;
    return true;
}

bool AudioEffectX::offlineRead(VstOfflineTask* offline, VstInt32 option, bool readSource) {
    return callHost(audioMasterOfflineRead, readSource ? 1 : 0, option, offline) != 0;
}

bool AudioEffectX::offlineWrite(VstOfflineTask* offline, VstInt32 option) {
    return callHost(audioMasterOfflineWrite, 0, option, offline) != 0;
}

bool AudioEffectX::offlineStart(VstAudioFile* ptr, VstInt32 numAudioFiles, VstInt32 numNewAudioFiles) {
    return callHost(audioMasterOfflineStart, numNewAudioFiles, numAudioFiles, ptr) != 0;
}

VstInt32 AudioEffectX::offlineGetCurrentPass() {
    return callHost(audioMasterOfflineGetCurrentPass) != 0 ? 1 : 0;
}

VstInt32 AudioEffectX::offlineGetCurrentMetaPass() {
    return callHost(audioMasterOfflineGetCurrentMetaPass) != 0 ? 1 : 0;
}

void AudioEffectX::wantEvents(VstInt32 filter) {
    callHost(audioMasterWantMidi, 0, filter);
}

VstInt32 AudioEffectX::tempoAt(VstInt32 pos) {
    return static_cast<VstInt32>(callHost(audioMasterTempoAt, 0, pos));
}

VstInt32 AudioEffectX::getNumAutomatableParameters() {
    return static_cast<VstInt32>(callHost(audioMasterGetNumAutomatableParameters));
}

VstInt32 AudioEffectX::getParameterQuantization() {
    return static_cast<VstInt32>(callHost(audioMasterGetParameterQuantization));
}

bool AudioEffectX::needIdle() {
    return callHost(audioMasterNeedIdle) != 0;
}

AEffect* AudioEffectX::getPreviousPlug(VstInt32 /*input*/) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetPreviousPlug));
}

AEffect* AudioEffectX::getNextPlug(VstInt32 /*output*/) {
    return reinterpret_cast<AEffect*>(callHost(audioMasterGetNextPlug));
}

VstInt32 AudioEffectX::willProcessReplacing() {
    return static_cast<VstInt32>(callHost(audioMasterWillReplaceOrAccumulate));
}

void AudioEffectX::setOutputSamplerate(float samplerate) {
    callHost(audioMasterSetOutputSampleRate, 0, 0, nullptr, samplerate);
}

VstSpeakerArrangement* AudioEffectX::getInputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetInputSpeakerArrangement));
}

VstSpeakerArrangement* AudioEffectX::getOutputSpeakerArrangement() {
    return reinterpret_cast<VstSpeakerArrangement*>(callHost(audioMasterGetOutputSpeakerArrangement));
}

void* AudioEffectX::openWindow(VstWindow* window) {
    return reinterpret_cast<void*>(callHost(audioMasterOpenWindow, 0, 0, window));
}

bool AudioEffectX::closeWindow(VstWindow* window) {
    return callHost(audioMasterCloseWindow, 0, 0, window) != 0;
}

bool AudioEffectX::getChunkFile(void* nativePath) {
    return nativePath && callHost(audioMasterGetChunkFile, 0, 0, nativePath) != 0;
}
