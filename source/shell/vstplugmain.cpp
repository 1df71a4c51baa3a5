// The library's exported entry point, linked into every plug-in module.
// Each plug-in defines createEffectInstance.

#include "shell/audioeffect.h"

#if defined(_WIN32)
#include <windows.h>
#define TRS_EXPORT __declspec(dllexport)
#else
#define TRS_EXPORT __attribute__((visibility("default")))
#endif

AudioEffect* createEffectInstance(audioMasterCallback audioMaster);

extern "C" {

TRS_EXPORT AEffect* VSTCALLBACK VSTPluginMain(audioMasterCallback audioMaster) {
    if (!audioMaster)
        return nullptr;
    try {
        // No record exists yet, so the version query goes out without one.
        if (audioMaster(nullptr, audioMasterVersion, 0, 0, nullptr, 0.0f) == 0)
            return nullptr;
        AudioEffect* effect = createEffectInstance(audioMaster);
        return effect ? effect->getAeffect() : nullptr;
    } catch (...) {
        return nullptr;
    }
}

#if !defined(_WIN32)
// Older hosts look for "main". A C++ function cannot carry that name, so the
// assembler label gives the same code a second symbol (the Windows build
// does this in its module-definition file).
TRS_EXPORT AEffect* trsLegacyMain(audioMasterCallback audioMaster) __asm__("main")
    __attribute__((alias("VSTPluginMain")));
#endif

}  // extern "C"

#if defined(_WIN32)
BOOL WINAPI DllMain(HINSTANCE instance, DWORD /*reason*/, LPVOID /*reserved*/) {
    hInstance = instance;
    return TRUE;
}
#endif
