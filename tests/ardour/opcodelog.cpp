// A test-only plug-in module that stands between a host and Tresselin.so and
// writes down every call the host makes, in order. It presents the inner
// effect through a record of its own, forwards each call unchanged and passes
// the inner effect's requests back to the host as if they came from it.
//
// Environment (read by this wrapper only, never by the plug-in):
//   TRS_OPCODELOG_TARGET  the module to wrap
//   TRS_OPCODELOG_FILE    the log, appended to; one line per call, runs of
//                         identical calls folded into one with a count
#include <dlfcn.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <thread>

#include "shell/vstinterface.h"

namespace {

const char* const kOpcodeNames[] = {"effOpen",
                                    "effClose",
                                    "effSetProgram",
                                    "effGetProgram",
                                    "effSetProgramName",
                                    "effGetProgramName",
                                    "effGetParamLabel",
                                    "effGetParamDisplay",
                                    "effGetParamName",
                                    "effGetVu",
                                    "effSetSampleRate",
                                    "effSetBlockSize",
                                    "effMainsChanged",
                                    "effEditGetRect",
                                    "effEditOpen",
                                    "effEditClose",
                                    "effEditDraw",
                                    "effEditMouse",
                                    "effEditKey",
                                    "effEditIdle",
                                    "effEditTop",
                                    "effEditSleep",
                                    "effIdentify",
                                    "effGetChunk",
                                    "effSetChunk",
                                    "effProcessEvents",
                                    "effCanBeAutomated",
                                    "effString2Parameter",
                                    "effGetNumProgramCategories",
                                    "effGetProgramNameIndexed",
                                    "effCopyProgram",
                                    "effConnectInput",
                                    "effConnectOutput",
                                    "effGetInputProperties",
                                    "effGetOutputProperties",
                                    "effGetPlugCategory",
                                    "effGetCurrentPosition",
                                    "effGetDestinationBuffer",
                                    "effOfflineNotify",
                                    "effOfflinePrepare",
                                    "effOfflineRun",
                                    "effProcessVarIo",
                                    "effSetSpeakerArrangement",
                                    "effSetBlockSizeAndSampleRate",
                                    "effSetBypass",
                                    "effGetEffectName",
                                    "effGetErrorText",
                                    "effGetVendorString",
                                    "effGetProductString",
                                    "effGetVendorVersion",
                                    "effVendorSpecific",
                                    "effCanDo",
                                    "effGetTailSize",
                                    "effIdle",
                                    "effGetIcon",
                                    "effSetViewPosition",
                                    "effGetParameterProperties",
                                    "effKeysRequired",
                                    "effGetVstVersion",
                                    "effEditKeyDown",
                                    "effEditKeyUp",
                                    "effSetEditKnobMode",
                                    "effGetMidiProgramName",
                                    "effGetCurrentMidiProgram",
                                    "effGetMidiProgramCategory",
                                    "effHasMidiProgramsChanged",
                                    "effGetMidiKeyName",
                                    "effBeginSetProgram",
                                    "effEndSetProgram",
                                    "effGetSpeakerArrangement",
                                    "effShellGetNextPlugin",
                                    "effStartProcess",
                                    "effStopProcess",
                                    "effSetTotalSampleToProcess",
                                    "effSetPanLaw",
                                    "effBeginLoadBank",
                                    "effBeginLoadProgram",
                                    "effSetProcessPrecision",
                                    "effGetNumMidiInputChannels",
                                    "effGetNumMidiOutputChannels"};
static_assert(sizeof(kOpcodeNames) / sizeof(kOpcodeNames[0]) == effNumXOpcodes, "one name per opcode");

struct Wrapped {
    AEffect outer;  // what the host sees; first, so the cast back is trivial
    AEffect* inner = nullptr;
    audioMasterCallback host = nullptr;
};

// Every line goes out at once, so a host that aborts loses nothing; a run of
// identical calls (the audio blocks) is folded into one line and a count.
class Log {
public:
    void write(const std::string& line) {
        std::lock_guard<std::mutex> lock(mutex);
        const std::string tagged = threadTag() + " " + line;
        if (tagged == last) {
            ++repeats;
            return;
        }
        endRun();
        emit(tagged);
        last = tagged;
    }
    void flush() {
        std::lock_guard<std::mutex> lock(mutex);
        endRun();
        last.clear();
    }

private:
    // Threads are numbered in order of first appearance, so the log shows
    // which calls came from the audio thread without naming raw ids.
    std::string threadTag() {
        auto id = std::this_thread::get_id();
        auto it = threads.find(id);
        if (it == threads.end())
            it = threads.emplace(id, static_cast<int>(threads.size()) + 1).first;
        return "pid" + std::to_string(getpid()) + " t" + std::to_string(it->second);
    }
    void endRun() {
        if (repeats > 0)
            emit("    ... repeated " + std::to_string(repeats) + " more times");
        repeats = 0;
    }
    static void emit(const std::string& text) {
        const char* path = std::getenv("TRS_OPCODELOG_FILE");
        if (!path)
            return;
        if (FILE* f = std::fopen(path, "a")) {
            std::fprintf(f, "%s\n", text.c_str());
            std::fclose(f);
        }
    }

    std::mutex mutex;
    std::map<std::thread::id, int> threads;
    std::string last;
    long repeats = 0;
};

Log& log() {
    static Log instance;
    return instance;
}

// The inner effect calls back with its own record; the host only knows ours.
std::mutex mapLock;
std::map<AEffect*, Wrapped*> byInner;
thread_local Wrapped* creating = nullptr;

Wrapped* fromInner(AEffect* inner) {
    std::lock_guard<std::mutex> lock(mapLock);
    auto it = byInner.find(inner);
    return it == byInner.end() ? nullptr : it->second;
}

VstIntPtr VSTCALLBACK innerCallback(AEffect* inner, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                    float opt) {
    Wrapped* w = inner ? fromInner(inner) : nullptr;
    if (!w)
        w = creating;
    if (!w || !w->host)
        return 0;
    return w->host(&w->outer, opcode, index, value, ptr, opt);
}

void syncRecord(Wrapped* w) {
    w->outer.numPrograms = w->inner->numPrograms;
    w->outer.numParams = w->inner->numParams;
    w->outer.numInputs = w->inner->numInputs;
    w->outer.numOutputs = w->inner->numOutputs;
    w->outer.flags = w->inner->flags;
    w->outer.initialDelay = w->inner->initialDelay;
    w->outer.uniqueID = w->inner->uniqueID;
    w->outer.version = w->inner->version;
    w->outer.ioRatio = w->inner->ioRatio;
}

std::string describeCall(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    std::string line;
    line += opcode >= 0 && opcode < effNumXOpcodes ? kOpcodeNames[opcode] : "opcode" + std::to_string(opcode);
    line += " index=" + std::to_string(index) + " value=" + std::to_string(static_cast<long long>(value));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, " opt=%g", opt);
    line += buffer;
    if (opcode == effCanDo && ptr)
        line += std::string(" \"") + static_cast<const char*>(ptr) + "\"";
    return line;
}

VstIntPtr VSTCALLBACK outerDispatcher(AEffect* e, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                      float opt) {
    auto* w = reinterpret_cast<Wrapped*>(e);
    log().write(describeCall(opcode, index, value, ptr, opt));
    if (opcode == effClose) {
        const VstIntPtr answer = w->inner->dispatcher(w->inner, opcode, index, value, ptr, opt);
        {
            std::lock_guard<std::mutex> lock(mapLock);
            byInner.erase(w->inner);
        }
        log().flush();
        delete w;
        return answer;
    }
    const VstIntPtr answer = w->inner->dispatcher(w->inner, opcode, index, value, ptr, opt);
    syncRecord(w);
    return answer;
}

void VSTCALLBACK outerSetParameter(AEffect* e, VstInt32 index, float v) {
    auto* w = reinterpret_cast<Wrapped*>(e);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "setParameter index=%d value=%.9g", index, v);
    log().write(buffer);
    w->inner->setParameter(w->inner, index, v);
}

float VSTCALLBACK outerGetParameter(AEffect* e, VstInt32 index) {
    auto* w = reinterpret_cast<Wrapped*>(e);
    log().write("getParameter index=" + std::to_string(index));
    return w->inner->getParameter(w->inner, index);
}

void VSTCALLBACK outerProcess(AEffect* e, float** in, float** out, VstInt32 frames) {
    auto* w = reinterpret_cast<Wrapped*>(e);
    log().write("process frames=" + std::to_string(frames));
    w->inner->process(w->inner, in, out, frames);
}

void VSTCALLBACK outerProcessReplacing(AEffect* e, float** in, float** out, VstInt32 frames) {
    auto* w = reinterpret_cast<Wrapped*>(e);
    log().write("processReplacing frames=" + std::to_string(frames));
    w->inner->processReplacing(w->inner, in, out, frames);
}

void VSTCALLBACK outerProcessDouble(AEffect* e, double** in, double** out, VstInt32 frames) {
    auto* w = reinterpret_cast<Wrapped*>(e);
    log().write("processDoubleReplacing frames=" + std::to_string(frames));
    w->inner->processDoubleReplacing(w->inner, in, out, frames);
}

typedef AEffect*(VSTCALLBACK* EntryProc)(audioMasterCallback);

}  // namespace

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback host) {
    const char* target = std::getenv("TRS_OPCODELOG_TARGET");
    if (!target)
        return nullptr;
    // Kept loaded for the life of the process, like a host keeps a module.
    void* library = dlopen(target, RTLD_NOW | RTLD_LOCAL);
    if (!library)
        return nullptr;
    auto entry = reinterpret_cast<EntryProc>(dlsym(library, "VSTPluginMain"));
    if (!entry)
        return nullptr;

    auto* w = new Wrapped();
    std::memset(&w->outer, 0, sizeof w->outer);
    w->host = host;
    log().write("entry VSTPluginMain");
    creating = w;
    w->inner = entry(innerCallback);
    creating = nullptr;
    if (!w->inner) {
        delete w;
        return nullptr;
    }
    {
        std::lock_guard<std::mutex> lock(mapLock);
        byInner[w->inner] = w;
    }
    w->outer.magic = w->inner->magic;
    w->outer.dispatcher = outerDispatcher;
    w->outer.process = outerProcess;
    w->outer.setParameter = outerSetParameter;
    w->outer.getParameter = outerGetParameter;
    w->outer.processReplacing = outerProcessReplacing;
    w->outer.processDoubleReplacing = outerProcessDouble;
    syncRecord(w);
    return &w->outer;
}
