#include "renderoptions.h"

#include <CLI/CLI.hpp>

#include <sstream>

#include "demo.h"
#include "renderer.h"
#include "rendererror.h"
#include "soundfilewriter.h"

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

std::string fileName(const std::string& option, const std::string& v) {
    if (v.empty())
        throw RenderError("option " + option + " needs a file name");
    return v;
}

// The usage lines first, then what the tool does, then the options.
class Usage : public CLI::Formatter {
public:
    std::string make_description(const CLI::App*) const override { return {}; }
    std::string make_usage(const CLI::App* app, std::string) const override {
        return "usage: tresselin-render [options] INPUT -o OUTPUT\n"
               "       tresselin-render [options] INPUT... -o DIRECTORY/ [-j N] [--format EXT]\n"
               "       tresselin-render --demo [-o OUTPUT] [options]\n"
               "       tresselin-render --list [--plugin PATH] [--set ...]\n"
               "       tresselin-render [--preset FILE] [--set ...] --save-preset FILE\n\n" +
               app->get_description() + "\n";
    }
};

// Every option, its help line and what it does with its value, in one place:
// the parser and the help text are both made from this.
void declare(CLI::App& app, RenderOptions& o) {
    app.formatter(std::make_shared<Usage>());
    app.get_formatter()->column_width(24);
    app.get_formatter()->label("Positionals", "Input");
    app.get_formatter()->label("TEXT", "");
    app.description(
        "Renders an audio file (anything libsndfile reads: WAV, AIFF, FLAC, Ogg, ...;\n"
        "any rate; of more than two channels the first two) through the Tresselin\n"
        "plug-in, or any VST 2.4 plug-in, the way a host plays it. Options take their\n"
        "value as --name value or --name=value; -- ends the options.");
    app.set_help_flag("-h,--help", "this text");
    app.option_defaults()->disable_flag_override();

    app.add_option("INPUT", o.inputs,
                   "the audio files to render; several go to the\ndirectory -o names, rendered in parallel")
        ->type_name("");
    app.add_option_function<std::string>(
           "-o,--output", [&o](const std::string& v) { o.output = fileName("--output", v); },
           std::string("where to write; the extension picks the format:\n") + OutputFormat::knownExtensions() +
               "\n(none: WAV); default for --demo: " + demo::kDefaultOutput +
               ".\nA directory (a name ending in /, made if missing; with\nseveral inputs any directory): each "
               "input is written\nthere under its own name with the --format extension")
        ->type_name("FILE|DIR/");
    app.add_option_function<std::string>(
           "-j,--jobs", [&o](const std::string& v) { o.jobs = parseWhole("-j", v, 1, RenderOptions::kMaxJobs); },
           "files rendered at once, each by its own instance of\nthe plug-in (default: one per core)")
        ->type_name("N");
    app.add_option_function<std::string>(
           "--format",
           [&o](const std::string& v) {
               const std::string ext = v.rfind('.', 0) == 0 ? v.substr(1) : v;
               try {
                   if (ext.empty() || ext.find_first_of("./\\") != std::string::npos)
                       throw RenderError("");
                   OutputFormat::forPath("x." + ext, 0);
               } catch (const RenderError&) {
                   throw RenderError("--format '" + v + "': not a format the tool writes (known: " +
                                     OutputFormat::knownExtensions() + ")");
               }
               o.format = ext;
           },
           "the extension, and so the format, of the files written\nto a directory (default: wav)")
        ->type_name("EXT");
    app.add_option_function<std::string>(
           "--preset", [&o](const std::string& v) { o.preset = fileName("--preset", v); },
           "load a VST program file (.fxp, or an .fxb bank of one\nprogram) saved for this plug-in; "
           "--set overrides\nits values")
        ->type_name("FILE.fxp");
    app.add_option_function<std::string>(
           "--save-preset", [&o](const std::string& v) { o.savePreset = fileName("--save-preset", v); },
           "write the parameters the render used as a program file\n(.fxp) a DAW can load, once the "
           "render succeeded;\nwithout an input (or with --list) just write it")
        ->type_name("FILE.fxp");
    app.add_option("--plugin", o.plugin, "the plug-in library (default: Tresselin of this build or install)")
        ->type_name("PATH");
    app.add_option_function<std::vector<std::string>>(
           "--set",
           [&o](const std::vector<std::string>& all) {
               for (const auto& v : all)
                   o.settings.push_back(ParameterSetting::parse(v));
           },
           "set a parameter by name or index to a value 0..1\n(repeatable)")
        ->type_name("NAME=VALUE")
        ->allow_extra_args(false);
    app.add_option_function<std::vector<std::string>>(
           "--midi",
           [&o](const std::vector<std::string>& all) {
               if (all.size() > 1)
                   throw RenderError("only one --midi file can be played");
               o.midiFile = all.front();
           },
           "play a Standard MIDI File (format 0 or 1) into the plug-in:\nnotes, controllers, SysEx; "
           "its tempo and time signature\nfor plug-ins that ask the host")
        ->type_name("FILE.mid")
        ->allow_extra_args(false);
    app.add_option_function<std::vector<std::string>>(
           "--note",
           [&o](const std::vector<std::string>& all) {
               for (const auto& v : all)
                   o.notes.push_back(NoteOption::parse(v));
           },
           "play NOTE (0-127 or a name: A3, C#4, Eb2, H3 = B3)\nat T seconds for LEN (0.5) seconds (repeatable)")
        ->type_name("T:NOTE[:LEN]")
        ->allow_extra_args(false);
    app.add_option_function<std::string>(
           "--block", [&o](const std::string& v) { o.blockSize = parseWhole("--block", v, 1, RenderJob::kMaxBlock); },
           "frames per block (default 512); the render is the\nsame for every size")
        ->type_name("N");
    app.add_option_function<std::string>(
           "--bits",
           [&o](const std::string& v) {
               if (v != "16" && v != "24" && v != "32")
                   throw RenderError("--bits '" + v + "': must be 16, 24 or 32");
               o.bits = std::stoi(v);
           },
           "16- or 24-bit integer samples, rounded to nearest,\nor 32-bit float (default; FLAC: 24)")
        ->type_name("16|24|32");
    app.add_option_function<std::string>(
           "--dither",
           [&o](const std::string& v) {
               if (v != "none" && v != "tpdf")
                   throw RenderError("--dither '" + v + "': must be none or tpdf");
               o.dither = v == "none" ? Dither::None : Dither::Tpdf;
           },
           "dither integer samples with triangular noise of one\nstep (default: tpdf at 16 bits, none at 24)")
        ->type_name("none|tpdf");
    app.add_flag("--demo", o.demo, "render the built-in 8-second drum loop with demo settings");
    app.add_flag("--list", o.list, "show the plug-in's name, vendor and parameters, then stop");
    app.add_flag("-q,--quiet", o.quiet, "print only warnings and errors");
    app.add_flag("--version", o.version, "the tool's version");
}

// CLI11's own complaints, in the words the rest of the tool uses.
[[noreturn]] void rethrow(const CLI::ParseError& e, const CLI::App& app) {
    const std::string what = e.what();
    if (dynamic_cast<const CLI::ExtrasError*>(&e)) {
        const auto rest = app.remaining();
        throw RenderError("unknown option '" + (rest.empty() ? what : rest.front()) + "' (see --help)");
    }
    std::string name = what.substr(0, what.find(':'));
    name = name.substr(name.rfind(',') == std::string::npos ? 0 : name.rfind(',') + 1);
    name = name.substr(0, name.find(' '));
    if (name.rfind("-", 0) != 0)
        name = (name.size() == 1 ? "-" : "--") + name;
    if (what.find("flag override") != std::string::npos)
        throw RenderError("option " + name + " takes no value (see --help)");
    if (what.find("At Most") != std::string::npos)
        throw RenderError("option " + name + " given more than once (see --help)");
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&e))
        throw RenderError("option " + name + " needs a value (see --help)");
    throw RenderError(what + " (see --help)");
}

}  // namespace

std::string RenderOptions::usage() {
    CLI::App app("", "tresselin-render");
    RenderOptions ignored;
    declare(app, ignored);
    return app.help();
}

RenderOptions RenderOptions::parse(const std::vector<std::string>& args) {
    RenderOptions o;
    CLI::App app("", "tresselin-render");
    declare(app, o);
    // CLI11 takes the arguments last to first.
    std::vector<std::string> reversed(args.rbegin(), args.rend());
    try {
        app.parse(reversed);
    } catch (const CLI::CallForHelp&) {
        o.help = true;
        return o;
    } catch (const CLI::ParseError& e) {
        rethrow(e, app);
    }
    if (o.help || o.version || o.list)
        return o;
    if (o.demo && !o.inputs.empty())
        throw RenderError("--demo makes its own input; drop '" + o.inputs.front() + "' or --demo");
    if (!o.demo && o.inputs.empty() && o.savePreset.empty())
        throw RenderError("no input file given (give one, or --demo; see --help)");
    if (o.inputs.size() > 1 && o.output.empty())
        throw RenderError(std::to_string(o.inputs.size()) + " input files need an output directory (-o DIR/)");
    if (o.inputs.size() == 1 && o.output.empty())
        throw RenderError("no output file given (-o FILE)");
    if (o.demo && o.output.empty())
        o.output = demo::kDefaultOutput;
    return o;
}

}  // namespace trs::render
