#include "renderoptions.h"

#include "demo.h"
#include "renderer.h"
#include "rendererror.h"

namespace trs::render {

namespace {

int parseWhole(const std::string& option, const std::string& text, int low, int high) {
    size_t used = 0;
    long v = 0;
    try {
        v = std::stol(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (text.empty() || used != text.size() || v < low || v > high)
        throw RenderError(option + " '" + text + "' is not a whole number from " + std::to_string(low) + " to " +
                          std::to_string(high));
    return static_cast<int>(v);
}

}  // namespace

std::string RenderOptions::usage() {
    return std::string(
               "usage: tresselin-render [options] INPUT -o OUTPUT\n"
               "       tresselin-render --demo [-o OUTPUT] [options]\n"
               "       tresselin-render --list [--plugin PATH] [--set ...]\n"
               "\n"
               "Renders an audio file (WAV, AIFF, FLAC, any rate; mono or stereo; of more\n"
               "channels the first two) through the Tresselin plug-in, or any VST 2.4\n"
               "plug-in, the way a host plays it.\n"
               "\n"
               "  -o, --output FILE     where to write (.wav, .aif/.aiff or .flac; default for\n"
               "                        --demo: ") +
           demo::kDefaultOutput +
           ")\n"
           "  --plugin PATH         the plug-in library (default: Tresselin of this build or install)\n"
           "  --set NAME=VALUE      set a parameter by name or index, value 0..1 (repeatable)\n"
           "  --midi FILE.mid       play a Standard MIDI File (format 0 or 1) into the plug-in\n"
           "  --note T:NOTE[:LEN]   play NOTE (0-127 or e.g. A3) at T seconds for LEN (0.5) s\n"
           "  --block N             block size in frames (default 512)\n"
           "  --bits 16|24|32       output samples: 16- or 24-bit integer, 32 float (default)\n"
           "  --demo                render the built-in 8-second drum loop with demo settings\n"
           "  --list                show the plug-in's name, vendor and parameters, then stop\n"
           "  -q, --quiet           print only errors\n"
           "  -h, --help            this text\n"
           "  --version             the tool's version\n";
}

RenderOptions RenderOptions::parse(const std::vector<std::string>& args) {
    RenderOptions o;
    for (size_t i = 0; i < args.size(); ++i) {
        std::string arg = args[i];
        std::string attached;
        bool hasAttached = false;
        if (arg.rfind("--", 0) == 0) {
            const size_t eq = arg.find('=');
            if (eq != std::string::npos) {
                attached = arg.substr(eq + 1);
                arg = arg.substr(0, eq);
                hasAttached = true;
            }
        }
        const auto value = [&]() -> std::string {
            if (hasAttached)
                return attached;
            if (i + 1 >= args.size())
                throw RenderError("option " + arg + " needs a value (see --help)");
            return args[++i];
        };
        const auto noValue = [&]() {
            if (hasAttached)
                throw RenderError("option " + arg + " takes no value");
        };

        if (arg == "-o" || arg == "--output") {
            o.output = value();
            if (o.output.empty())
                throw RenderError("option " + arg + " needs a file name");
        } else if (arg == "--plugin") {
            o.plugin = value();
        } else if (arg == "--set") {
            o.settings.push_back(ParameterSetting::parse(value()));
        } else if (arg == "--midi") {
            if (!o.midiFile.empty())
                throw RenderError("only one --midi file can be played");
            o.midiFile = value();
        } else if (arg == "--note") {
            o.notes.push_back(NoteOption::parse(value()));
        } else if (arg == "--block") {
            o.blockSize = parseWhole("--block", value(), 1, RenderJob::kMaxBlock);
        } else if (arg == "--bits") {
            const std::string bits = value();
            if (bits != "16" && bits != "24" && bits != "32")
                throw RenderError("--bits '" + bits + "': must be 16, 24 or 32");
            o.bits = std::stoi(bits);
        } else if (arg == "--dither") {
            const std::string d = value();
            if (d != "none" && d != "tpdf")
                throw RenderError("--dither '" + d + "': must be none or tpdf");
            o.dither = d == "none" ? Dither::None : Dither::Tpdf;
        } else if (arg == "--demo") {
            noValue();
            o.demo = true;
        } else if (arg == "--list") {
            noValue();
            o.list = true;
        } else if (arg == "-q" || arg == "--quiet") {
            noValue();
            o.quiet = true;
        } else if (arg == "-h" || arg == "--help") {
            noValue();
            o.help = true;
        } else if (arg == "--version") {
            noValue();
            o.version = true;
        } else if (arg.size() > 1 && arg[0] == '-') {
            throw RenderError("unknown option '" + arg + "' (see --help)");
        } else if (o.input.empty()) {
            o.input = arg;
        } else {
            throw RenderError("more than one input file given ('" + o.input + "' and '" + arg + "')");
        }
    }
    if (o.help || o.version || o.list)
        return o;
    if (o.demo && !o.input.empty())
        throw RenderError("--demo makes its own input; drop '" + o.input + "' or --demo");
    if (!o.demo && o.input.empty())
        throw RenderError("no input file given (give one, or --demo; see --help)");
    if (!o.demo && o.output.empty())
        throw RenderError("no output file given (-o FILE)");
    if (o.demo && o.output.empty())
        o.output = demo::kDefaultOutput;
    return o;
}

}  // namespace trs::render
