// trs-loadcheck [--expect-refusal] PLUGIN: loads a plug-in through the host
// library and prints what happened. With --expect-refusal it succeeds only if
// the module is refused as one of the other architecture, with that said.
#include <cstdio>
#include <cstring>
#include <string>

#include "tools/host/plugininstance.h"

int main(int argc, char** argv) {
    const bool expectRefusal = argc == 3 && std::strcmp(argv[1], "--expect-refusal") == 0;
    if (argc != 2 && !expectRefusal) {
        std::fprintf(stderr, "usage: trs-loadcheck [--expect-refusal] PLUGIN\n");
        return 2;
    }
    auto loaded = trs::host::PluginInstance::load(argv[argc - 1]);
    if (loaded) {
        std::printf("loaded: %s, %d parameters\n", loaded.plugin->effectName().c_str(),
                    int(loaded.plugin->numParameters()));
        return expectRefusal ? 1 : 0;
    }
    std::printf("refused (%s): %s\n", trs::host::describe(loaded.status), loaded.message.c_str());
    if (!expectRefusal)
        return 1;
    const bool clear = loaded.status == trs::host::LoadStatus::NotLoadable &&
                       loaded.message.find("not a module for this") != std::string::npos;
    return clear ? 0 : 1;
}
