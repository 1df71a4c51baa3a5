#include "effect/tresselin.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

// The shaper's drive is the float just above 1.05f; saved renders depend on it.
float shaperDrive() {
    const uint32_t bits = 0x3F866667u;
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

}  // namespace

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    return new (std::nothrow) Tresselin(audioMaster);
}

Tresselin::Tresselin(audioMasterCallback audioMaster)
    : AudioEffectX(audioMaster, kNumPrograms, kNumParams),
      noteTable(nullptr),
      programs(nullptr),
      heldNote(-1),
      noiseAmount(0.25f),
      oscAmount(0.25f),
      ef2CutoffDepth(0.0f),
      ef2OscFmDepth(0.0f),
      ef1OscAmDepth(0.5f),
      ef1NoiseAmDepth(0.5f),
      dryToFilter(0.5f),
      dryLevel(1.0f),
      filterKeyTrack(0.0f),
      oscKeyTrack(0.0f),
      filterKeyOffset(0.0f),
      oscKeyOffset(0.0f) {
    programs = new (std::nothrow) ProgramRecord[kNumPrograms];
    if (programs) {
        for (int p = 0; p < kNumPrograms; p++) {
            for (int i = 0; i < kNumParams; i++)
                programs[p].values[i] = kParams[i].defaultValue;
            std::memset(programs[p].name, 0, sizeof programs[p].name);
            std::strcpy(programs[p].name, "Init");
        }
    }

    shaper.drive = shaperDrive();
    shaper.fold = false;
    filterLeft.headroom = 3.0f;
    filterRight.headroom = 3.0f;

    noteTable = &NoteTable::instance();

    if (programs)
        setProgram(0);

    canProcessReplacing(true);
    setNumInputs(2);
    setNumOutputs(2);
    setUniqueID(fourCharCode('T', 'r', 's', '5'));

    createEditor();

    if (wantsMidi())
        wantEvents(1);
}

Tresselin::~Tresselin() {
    closeEditor();
    delete[] programs;
    programs = nullptr;
}

bool Tresselin::wantsMidi() {
    char text[] = "receiveVstMidiEvent";
    return (cEffect.flags & effFlagsIsSynth) != 0 || canDo(text) == 1;
}

void Tresselin::resume() {
    if (wantsMidi())
        wantEvents(1);
}

void Tresselin::setSampleRate(float rate) {
    // A host that sends zero, a negative or a non-finite rate would leave every
    // coefficient meaningless; keep the rate we have.
    if (!(rate > 0.0f) || !std::isfinite(rate))
        return;
    AudioEffectX::setSampleRate(rate);
    filterLeft.setSampleRate(rate);
    filterRight.setSampleRate(rate);
    oscillator.setSampleRate(rate);
    follower1.setSampleRate(rate);
    follower2.setSampleRate(rate);
}

bool Tresselin::getEffectName(char* name) {
    std::strcpy(name, "Tresselin");
    return true;
}

bool Tresselin::getVendorString(char* text) {
    std::strcpy(text, "Orv.VST.Tresselin v0.5 BETA");
    return true;
}

bool Tresselin::getProductString(char* text) {
    std::strcpy(text, "Tresselin v0.5 BETA");
    return true;
}

VstInt32 Tresselin::getVendorVersion() {
    return 1;
}

VstInt32 Tresselin::canDo(char* text) {
    if (!text)
        return -1;
    static const char* const kCanDo[] = {"receiveVstEvents", "receiveVstMidiEvent", "midiProgramNames"};
    for (const char* c : kCanDo)
        if (std::strcmp(text, c) == 0)
            return 1;
    return -1;
}

VstPlugCategory Tresselin::getPlugCategory() {
    return kPlugCategEffect;
}

VstInt32 Tresselin::getNumMidiInputChannels() {
    return 1;
}

VstInt32 Tresselin::getChunk(void** data, bool /*isPreset*/) {
    // The host reads the text after the call returns, so it must outlive it.
    static char chunk[] = "Test Data";
    if (!data)
        return 0;
    *data = chunk;
    return sizeof chunk;
}
