// A module whose entry point declines to create an effect.
#include "shell/vstinterface.h"

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    return nullptr;
}
