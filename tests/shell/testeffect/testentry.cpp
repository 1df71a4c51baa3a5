// Creation function of the test plug-in module. The host steers the variant
// through capability texts so one module serves every test.
#include <new>
#include <stdexcept>

#include "testeffect.h"

AudioEffect* createEffectInstance(audioMasterCallback audioMaster) {
    auto hostCan = [audioMaster](const char* text) {
        return audioMaster(nullptr, audioMasterCanDo, 0, 0, const_cast<char*>(text), 0) == 1;
    };
    if (hostCan(trstest::kCanDoThrowInCreate))
        throw std::runtime_error("test: create");
    return new (std::nothrow) TestEffect(audioMaster, !hostCan(trstest::kCanDoNoEditor));
}
