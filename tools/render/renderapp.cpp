#include "renderapp.h"

#include <chrono>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <sstream>

#include "demo.h"
#include "eventschedule.h"
#include "platform.h"
#include "plugininstance.h"
#include "pluginlocator.h"
#include "progressmeter.h"
#include "renderer.h"
#include "rendererror.h"
#include "soundfilereader.h"
#include "soundfilewriter.h"

namespace fs = std::filesystem;

namespace trs::render {

namespace {

constexpr VstInt32 kTresselinId = 0x54727335;  // 'Trs5'
constexpr double kListRate = 44100.0;

std::unique_ptr<host::PluginInstance> loadPlugin(const std::string& path) {
    std::error_code ec;
    if (!fs::exists(path, ec))
        throw RenderError("plug-in '" + path + "' does not exist");
    host::HostConfig config;
    config.record = false;  // a long render would log every time query
    auto result = host::PluginInstance::load(path, config);
    switch (result.status) {
        case host::LoadStatus::Ok:
            break;
        case host::LoadStatus::NotLoadable:
            throw RenderError("'" + path + "' is not a plug-in library: " + result.message);
        case host::LoadStatus::NoEntry:
            throw RenderError("'" + path + "' has no VST 2.4 entry point (VSTPluginMain or main)");
        case host::LoadStatus::NoEffect:
            throw RenderError("'" + path + "': the plug-in's entry point returned no effect");
        case host::LoadStatus::BadMagic:
            throw RenderError("'" + path + "': the entry point returned something that is not a VST 2.4 effect");
    }
    if (!result.plugin)
        throw RenderError("'" + path + "' could not be loaded: " + result.message);
    return std::move(result.plugin);
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

// Checked before the output is opened: the same file under another name, a
// symlink or a hard link would be truncated before it is read.
void refuseToOverwrite(const RenderOptions& o, const std::string& pluginPath) {
    const std::pair<const std::string*, const char*> inputs[] = {
        {&o.input, "the input file"}, {&o.midiFile, "the MIDI file"}, {&pluginPath, "the plug-in"}};
    for (const auto& [path, what] : inputs)
        if (sameFile(*path, o.output))
            throw RenderError("output '" + o.output + "' is " + what + " ('" + *path +
                              "'); choose another output name");
}

void checkChannels(host::PluginInstance& plugin) {
    const AEffect* e = plugin.effect();
    if (e->numInputs < 0 || e->numInputs > Renderer::kMaxChannels || e->numOutputs < 1 ||
        e->numOutputs > Renderer::kMaxChannels)
        throw RenderError("the plug-in declares " + std::to_string(e->numInputs) + " audio inputs and " +
                          std::to_string(e->numOutputs) + " outputs; cannot render through it (1 to " +
                          std::to_string(Renderer::kMaxChannels) + " outputs needed)");
}

std::string channelWord(int n) { return std::to_string(n) + (n == 1 ? " channel" : " channels"); }

std::string fixed(double v, int places) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(places) << v;
    return s.str();
}

}  // namespace

int RenderApp::run(const RenderOptions& o) {
    if (o.help) {
        out << RenderOptions::usage();
        return 0;
    }
    if (o.version) {
        out << "tresselin-render " << TRS_RENDER_VERSION << "\n";
        return 0;
    }

    const std::string pluginPath = o.plugin.empty() ? PluginLocator::forThisProgram().locate() : o.plugin;
    OutputFormat format;
    if (!o.list) {
        refuseToOverwrite(o, pluginPath);
        format = OutputFormat::forPath(o.output, o.bits);
    }
    auto plugin = loadPlugin(pluginPath);
    plugin->open();
    const bool ours = plugin->effect()->uniqueID == kTresselinId;

    RenderJob job;
    job.blockSize = o.blockSize;
    job.nullForMissingInputs = ours;
    if (o.demo) {
        if (ours) {
            for (const auto& s : demo::settings())
                job.parameters.emplace_back(findParameter(*plugin, s.first), s.second);
        } else if (!o.quiet) {
            out << "note: the demo settings are Tresselin's; this plug-in renders with its own defaults\n";
        }
    }
    for (const auto& s : o.settings)
        job.parameters.emplace_back(findParameter(*plugin, s.key), s.value);

    Renderer renderer(*plugin);
    if (o.list) {
        renderer.prepare(kListRate, job);
        out << "plug-in:  " << pluginPath << "\n"
            << "name:     " << plugin->effectName() << "\n"
            << "vendor:   " << plugin->vendorString() << "\n"
            << "product:  " << plugin->productString() << "\n"
            << "version:  " << plugin->vendorVersion() << "\n"
            << "audio:    " << plugin->effect()->numInputs << " in, " << plugin->effect()->numOutputs << " out\n"
            << "parameters (" << plugin->numParameters() << ", shown at " << kListRate << " Hz):\n";
        for (int i = 0; i < plugin->numParameters(); ++i) {
            out << "  " << std::setw(3) << i << "  " << std::left << std::setw(14) << plugin->parameterName(i)
                << std::right << std::setw(10) << plugin->parameterDisplay(i) << "  " << plugin->parameterLabel(i)
                << "\n";
        }
        plugin->close();
        return 0;
    }

    // Everything that can fail on the user's input fails before the first
    // sample is written.
    std::unique_ptr<AudioSource> source;
    AudioBuffer demoInput;
    std::string inputName;
    if (o.demo) {
        demoInput = demo::makeInput();
        source = std::make_unique<BufferSource>(demoInput);
        inputName = "built-in demo loop";
    } else {
        auto reader = std::make_unique<SoundFileReader>(o.input);
        if (reader->droppedChannels() > 0 && !o.quiet)
            out << "note: '" << o.input << "' has " << reader->channelCount() + reader->droppedChannels()
                << " channels; rendering the first two\n";
        if (reader->cutShort())
            err << "tresselin-render: warning: '" << o.input
                << "' is shorter than its header says (cut off?); rendering the " << reader->frameCount()
                << " frames it holds\n";
        source = std::move(reader);
        inputName = o.input;
    }

    EventSchedule schedule;
    if (!o.midiFile.empty())
        schedule.addMidiFile(MidiFile::load(o.midiFile));
    if (o.demo && o.midiFile.empty() && o.notes.empty())
        for (const auto& n : demo::notes())
            schedule.addNote(n);
    for (const auto& n : o.notes)
        schedule.addNote(n);
    job.events = schedule.atRate(source->sampleRate());
    job.tempo = schedule.tempo();
    job.meter = schedule.meter();

    if (o.demo && o.output == demo::kDefaultOutput) {
        std::error_code ec;
        fs::create_directories(fs::path(o.output).parent_path(), ec);
    }
    checkChannels(*plugin);
    const int outputChannels = renderer.outputChannels();
    const int inputChannels = plugin->effect()->numInputs;
    // Say what becomes of a stereo input that the plug-in cannot take whole.
    if (!o.quiet && source->channelCount() > 1) {
        const std::string file = outputChannels == 1 ? ", the file is mono" : "";
        if (inputChannels >= source->channelCount() && outputChannels == 1)
            out << "note: the plug-in has one output: both input channels go in" << file << "\n";
        else if (inputChannels < source->channelCount())
            out << "note: the plug-in takes " << channelWord(inputChannels) << " and gives "
                << (outputChannels == 1 ? "one" : std::to_string(outputChannels)) << ": the input's "
                << (inputChannels == 0 ? "channels are" : "second channel is") << " not used" << file << "\n";
    }
    const bool dither = o.dither == Dither::Tpdf || (o.dither == Dither::Default && format.bits == 16);
    SoundFileWriter writer(o.output, outputChannels, source->sampleRate(), format, dither, source->frameCount());

    renderer.prepare(source->sampleRate(), job);
    const double seconds = static_cast<double>(source->frameCount()) / source->sampleRate();
    if (!o.quiet) {
        out << "plug-in:  " << plugin->effectName() << " (" << pluginPath << ")\n"
            << "input:    " << inputName << ", " << source->channelCount() << " ch, " << source->sampleRate()
            << " Hz, " << fixed(seconds, 2) << " s\n";
        for (const auto& p : job.parameters)
            out << "  set " << std::setw(3) << p.first << "  " << describeParameter(*plugin, p.first) << "\n";
        if (!schedule.empty())
            out << "midi:     " << schedule.size() << " events\n";
        out.flush();
    }

    ProgressMeter meter(!o.quiet && platform::stderrIsTerminal() && seconds > ProgressMeter::kMinSeconds,
                        source->sampleRate());
    const auto started = std::chrono::steady_clock::now();
    const RenderStats stats =
        renderer.run(*source, writer, job, [&meter](int64_t done, int64_t total) { meter.update(done, total); });
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    meter.finish();
    plugin->close();
    writer.commit();

    const SampleConverter& written = writer.converter();
    if (written.nonFinite() > 0)
        err << "tresselin-render: warning: the plug-in gave " << written.nonFinite()
            << " samples that are not numbers (NaN or infinite); they were written as 0\n";
    if (written.clipped() > 0)
        err << "tresselin-render: warning: " << written.clipped() << " samples clipped at full scale in "
            << format.name << " (lower the level, or write 32-bit float)\n";
    if (!o.quiet) {
        if (stats.eventsDropped > 0)
            out << "note: " << stats.eventsDropped << " MIDI events fall after the end of the input and were not sent\n";
        const double rendered = static_cast<double>(stats.frames) / source->sampleRate();
        out << "rendered " << fixed(rendered, 2) << " s in " << fixed(took, 3) << " s";
        if (took > 0.0)
            out << " (" << fixed(rendered / took, 1) << "x real time)";
        out << "\n"
            << "wrote:    " << o.output << " (" << outputChannels << " ch, " << source->sampleRate()
            << " Hz, " << format.name << (writer.converter().dithered() ? ", TPDF dither" : "") << ")\n";
    }
    return 0;
}

}  // namespace trs::render
