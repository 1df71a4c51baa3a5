#include "plugininstance.h"

#include <cstring>

#include "callbackrouter.h"

namespace trs::host {

namespace {

constexpr size_t kTextBuffer = 256;

void copyOut(void* ptr, const std::string& text, size_t limit) {
    if (!ptr)
        return;
    const size_t n = std::min(text.size(), limit - 1);
    std::memcpy(ptr, text.data(), n);
    static_cast<char*>(ptr)[n] = 0;
}

}  // namespace

const char* describe(LoadStatus status) {
    switch (status) {
        case LoadStatus::Ok:
            return "loaded";
        case LoadStatus::NotLoadable:
            return "not a loadable module";
        case LoadStatus::NoEntry:
            return "no entry point";
        case LoadStatus::NoEffect:
            return "the entry point created no effect";
        case LoadStatus::BadMagic:
            return "the effect record has no VstP magic";
    }
    return "unknown";
}

PluginInstance::PluginInstance(std::shared_ptr<PluginModule> module, HostConfig config)
    : pluginModule(std::move(module)), hostConfig(std::move(config)) {}

PluginInstance::Result PluginInstance::load(const std::string& path, HostConfig config) {
    PluginModule::Status status = PluginModule::Status::Ok;
    Result result;
    auto module = PluginModule::open(path, &status, &result.message);
    if (!module) {
        result.status = status == PluginModule::Status::NoEntry ? LoadStatus::NoEntry : LoadStatus::NotLoadable;
        return result;
    }
    return create(std::move(module), std::move(config));
}

PluginInstance::Result PluginInstance::create(std::shared_ptr<PluginModule> module, HostConfig config) {
    Result result;
    std::unique_ptr<PluginInstance> instance(new PluginInstance(module, std::move(config)));
    AEffect* effect = nullptr;
    {
        router::CreationScope scope(instance.get());
        try {
            effect = module->entry()(router::hostCallback);
        } catch (...) {
            effect = nullptr;  // a broken module; it should never throw at us
        }
    }
    if (!effect) {
        result.status = LoadStatus::NoEffect;
        result.message = module->path() + ": " + module->entryName() + " returned no effect";
        return result;
    }
    if (effect->magic != kEffectMagic) {
        // Whatever this is, its dispatcher cannot be trusted: leave it alone.
        result.status = LoadStatus::BadMagic;
        result.message = module->path() + ": the record returned has the wrong magic";
        return result;
    }
    instance->aeffect = effect;
    router::add(effect, instance.get());
    result.plugin = std::move(instance);
    return result;
}

PluginInstance::~PluginInstance() {
    if (aeffect)
        close();
}

VstIntPtr PluginInstance::answerRequest(AEffect* effect, VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr,
                                        float opt) {
    HostRequest request{effect, opcode, index, value, ptr, opt, {}, 0};
    if (opcode == audioMasterCanDo && ptr)
        request.text = static_cast<const char*>(ptr);

    VstIntPtr answer = 0;
    auto fixed = hostConfig.answers.find(opcode);
    if (fixed != hostConfig.answers.end())
        answer = fixed->second;
    else if (!(hostConfig.handler && hostConfig.handler(request, answer)))
        answer = defaultAnswer(request);

    if (hostConfig.record) {
        request.answer = answer;
        std::lock_guard<std::mutex> lock(logLock);
        log.push_back(std::move(request));
    }
    return answer;
}

VstIntPtr PluginInstance::defaultAnswer(const HostRequest& request) {
    switch (request.opcode) {
        case audioMasterVersion:
            return hostConfig.version;
        case audioMasterGetSampleRate:
            return static_cast<VstIntPtr>(hostConfig.sampleRate);
        case audioMasterGetBlockSize:
            return hostConfig.blockSize;
        case audioMasterGetVendorString:
            copyOut(request.ptr, hostConfig.vendor, kVstMaxVendorStrLen);
            return request.ptr ? 1 : 0;
        case audioMasterGetProductString:
            copyOut(request.ptr, hostConfig.product, kVstMaxProductStrLen);
            return request.ptr ? 1 : 0;
        case audioMasterGetVendorVersion:
            return hostConfig.vendorVersion;
        case audioMasterCanDo: {
            auto it = hostConfig.canDo.find(request.text);
            return it != hostConfig.canDo.end() ? it->second : 0;
        }
        default:
            return 0;
    }
}

VstIntPtr PluginInstance::dispatch(VstInt32 opcode, VstInt32 index, VstIntPtr value, void* ptr, float opt) {
    if (!aeffect)
        return 0;
    if (opcode == effClose)
        return close();
    return aeffect->dispatcher(aeffect, opcode, index, value, ptr, opt);
}

std::string PluginInstance::queryText(VstInt32 opcode, VstInt32 index, VstIntPtr value, VstIntPtr* answer) {
    char buffer[kTextBuffer] = {};
    const VstIntPtr a = dispatch(opcode, index, value, buffer, 0.0f);
    if (answer)
        *answer = a;
    buffer[kTextBuffer - 1] = 0;
    return buffer;
}

void PluginInstance::open() {
    dispatch(effOpen);
}

VstIntPtr PluginInstance::close() {
    if (!aeffect)
        return 0;
    AEffect* effect = aeffect;
    aeffect = nullptr;
    // Requests sent while closing still reach this instance's log.
    const VstIntPtr answer = effect->dispatcher(effect, effClose, 0, 0, nullptr, 0.0f);
    router::remove(effect);
    return answer;
}

void PluginInstance::setSampleRate(float rate) {
    hostConfig.sampleRate = rate;
    dispatch(effSetSampleRate, 0, 0, nullptr, rate);
}

void PluginInstance::setBlockSize(VstInt32 frames) {
    hostConfig.blockSize = frames;
    dispatch(effSetBlockSize, 0, frames);
}

void PluginInstance::suspend() {
    dispatch(effMainsChanged, 0, 0);
}

void PluginInstance::resume() {
    dispatch(effMainsChanged, 0, 1);
}

VstIntPtr PluginInstance::canDo(const std::string& text) {
    std::string copy = text;
    return dispatch(effCanDo, 0, 0, &copy[0]);
}

std::string PluginInstance::effectName() {
    return queryText(effGetEffectName);
}

std::string PluginInstance::vendorString() {
    return queryText(effGetVendorString);
}

std::string PluginInstance::productString() {
    return queryText(effGetProductString);
}

VstInt32 PluginInstance::vendorVersion() {
    return static_cast<VstInt32>(dispatch(effGetVendorVersion));
}

VstInt32 PluginInstance::program() {
    return static_cast<VstInt32>(dispatch(effGetProgram));
}

void PluginInstance::setProgram(VstInt32 program) {
    dispatch(effSetProgram, 0, program);
}

std::string PluginInstance::programName() {
    return queryText(effGetProgramName);
}

bool PluginInstance::editorRect(ERect& rect) {
    ERect* r = nullptr;
    if (!dispatch(effEditGetRect, 0, 0, &r) || !r)
        return false;
    rect = *r;
    return true;
}

VstInt32 PluginInstance::numParameters() const {
    return aeffect ? aeffect->numParams : 0;
}

void PluginInstance::setParameter(VstInt32 index, float value) {
    if (aeffect)
        aeffect->setParameter(aeffect, index, value);
}

float PluginInstance::getParameter(VstInt32 index) {
    return aeffect ? aeffect->getParameter(aeffect, index) : 0.0f;
}

std::string PluginInstance::parameterName(VstInt32 index) {
    return queryText(effGetParamName, index);
}

std::string PluginInstance::parameterLabel(VstInt32 index) {
    return queryText(effGetParamLabel, index);
}

std::string PluginInstance::parameterDisplay(VstInt32 index) {
    return queryText(effGetParamDisplay, index);
}

void PluginInstance::processReplacing(float** inputs, float** outputs, VstInt32 frames) {
    if (aeffect && aeffect->processReplacing)
        aeffect->processReplacing(aeffect, inputs, outputs, frames);
}

void PluginInstance::process(std::vector<float*> inputs, std::vector<float*> outputs, VstInt32 frames) {
    processReplacing(inputs.data(), outputs.data(), frames);
}

void PluginInstance::processDouble(std::vector<double*> inputs, std::vector<double*> outputs, VstInt32 frames) {
    if (aeffect && aeffect->processDoubleReplacing)
        aeffect->processDoubleReplacing(aeffect, inputs.data(), outputs.data(), frames);
}

void PluginInstance::processAccumulating(std::vector<float*> inputs, std::vector<float*> outputs, VstInt32 frames) {
    if (aeffect && aeffect->process)
        aeffect->process(aeffect, inputs.data(), outputs.data(), frames);
}

VstIntPtr PluginInstance::processEvents(EventList& list) {
    return dispatch(effProcessEvents, 0, 0, list.events());
}

std::vector<HostRequest> PluginInstance::requests() const {
    std::lock_guard<std::mutex> lock(logLock);
    return log;
}

std::vector<HostRequest> PluginInstance::requestsWith(VstInt32 opcode) const {
    std::lock_guard<std::mutex> lock(logLock);
    std::vector<HostRequest> out;
    for (const auto& r : log)
        if (r.opcode == opcode)
            out.push_back(r);
    return out;
}

size_t PluginInstance::countRequests(VstInt32 opcode) const {
    return requestsWith(opcode).size();
}

void PluginInstance::clearRequests() {
    std::lock_guard<std::mutex> lock(logLock);
    log.clear();
}

}  // namespace trs::host
