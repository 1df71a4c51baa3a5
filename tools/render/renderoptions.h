// The command line of tresselin-render.
#pragma once

#include <string>
#include <vector>

#include "noteoption.h"
#include "parametersetting.h"

namespace trs::render {

enum class Dither { Default, None, Tpdf };  // Default: TPDF at 16 bits only

struct RenderOptions {
    std::string input;
    std::string output;
    std::string plugin;  // empty: the Tresselin plug-in of this build or install
    std::string midiFile;
    std::vector<ParameterSetting> settings;
    std::vector<NoteOption> notes;
    int blockSize = 512;
    int bits = 0;  // 16, 24, 32 (float), or 0 for the output format's default
    Dither dither = Dither::Default;
    bool demo = false;
    bool list = false;
    bool quiet = false;
    bool help = false;
    bool version = false;

    // Throws RenderError on anything it cannot use.
    static RenderOptions parse(const std::vector<std::string>& args);
    static std::string usage();
};

}  // namespace trs::render
