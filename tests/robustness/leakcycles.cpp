// Creates and closes the effect many times through its entry point, with
// some processing, MIDI and (now and then) the editor opened and closed
// without a window. Run under Valgrind or LeakSanitizer: whatever one
// instance allocates must go with it.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "plugininstance.h"

using trs::host::EventList;
using trs::host::PluginInstance;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s plugin.so [cycles]\n", argv[0]);
        return 2;
    }
    const int cycles = argc > 2 ? std::atoi(argv[2]) : 1000;
    auto first = PluginInstance::load(argv[1]);
    if (!first) {
        std::fprintf(stderr, "%s\n", first.message.c_str());
        return 1;
    }
    auto module = first.plugin->module();
    first.plugin->close();

    std::vector<float> in(64, 0.25f), out0(64), out1(64);
    EventList notes;
    notes.addMidi(0, 0x90, 64, 90);
    notes.addMidi(3, 0x80, 64, 0);
    for (int i = 0; i < cycles; i++) {
        auto r = PluginInstance::create(module);
        if (!r) {
            std::fprintf(stderr, "cycle %d: %s\n", i, r.message.c_str());
            return 1;
        }
        PluginInstance& p = *r.plugin;
        p.setSampleRate(44100);
        p.setBlockSize(64);
        p.open();
        p.resume();
        p.setParameter(i % 18, 0.7f);
        p.processEvents(notes);
        p.process({in.data(), in.data()}, {out0.data(), out1.data()}, 64);
        if (i % 100 == 0) {
            // Headless (no parent window): the frame and its controls exist all the same.
            p.dispatch(effEditOpen, 0, 0, nullptr);
            p.dispatch(effEditIdle);
            p.setParameter(3, 0.5f);
            if (i % 200 == 0)
                p.dispatch(effEditClose);  // otherwise closing the effect must take it down
        }
        p.suspend();
        if (p.close() != 1) {
            std::fprintf(stderr, "cycle %d: effClose answered 0\n", i);
            return 1;
        }
    }
    std::printf("%d create/close cycles\n", cycles);
    return 0;
}
