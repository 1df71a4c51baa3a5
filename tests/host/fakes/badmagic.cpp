// A module whose entry point returns a record without the magic.
#include "shell/vstinterface.h"

static AEffect record;

extern "C" __attribute__((visibility("default"))) AEffect* VSTPluginMain(audioMasterCallback) {
    return &record;
}
