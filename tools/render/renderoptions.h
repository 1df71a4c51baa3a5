// The command line of tresselin-render.
#pragma once

#include <string>
#include <vector>

#include "noteoption.h"
#include "parametersetting.h"

namespace trs::render {

enum class Dither { Default, None, Tpdf };  // Default: TPDF at 16 bits only

struct RenderOptions {
    static constexpr int kMaxJobs = 32;

    std::vector<std::string> inputs;
    std::string output;      // a file, or with several inputs a directory
    std::string preset;      // a program file to load
    std::string savePreset;  // where to write the program the render used
    std::string format;      // extension of the files a batch writes, without the dot
    int jobs = 0;            // files rendered at once; 0: one per core
    std::string plugin;      // empty: the Tresselin plug-in of this build or install
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
