#include "renderapp.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <filesystem>
#include <iomanip>
#include <memory>
#include <mutex>
#include <sstream>
#include <thread>

#include "demo.h"
#include "eventschedule.h"
#include "platform.h"
#include "plugininstance.h"
#include "pluginlocator.h"
#include "programfile.h"
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

std::string lowered(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return std::tolower(c); });
    return s;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

// Also for files not made yet: one path, however written.
bool sameTarget(const std::string& a, const std::string& b) {
    auto resolved = [](const std::string& path, std::error_code& ec) {
        fs::path p = fs::weakly_canonical(path, ec).lexically_normal();
        return p.has_filename() ? p : p.parent_path();  // "dir/" is "dir"
    };
    std::error_code ea, eb;
    const fs::path ca = resolved(a, ea), cb = resolved(b, eb);
    return sameFile(a, b) || (!ea && !eb && lowered(ca.string()) == lowered(cb.string()));
}

// The files a run reads, each with what it is called in messages.
std::vector<std::pair<std::string, std::string>> filesRead(const RenderOptions& o, const std::string& pluginPath) {
    std::vector<std::pair<std::string, std::string>> read;
    for (const auto& input : o.inputs)
        read.emplace_back(input, o.inputs.size() > 1 ? "an input file" : "the input file");
    read.emplace_back(o.midiFile, "the MIDI file");
    read.emplace_back(o.preset, "the preset read");
    read.emplace_back(pluginPath, "the plug-in");
    return read;
}

// Checked before anything is opened for writing: the same file under another
// name, a symlink or a hard link would be truncated before it is read.
void refuseToOverwrite(const std::string& target, const std::string& what,
                       const std::vector<std::pair<std::string, std::string>>& read) {
    for (const auto& [path, name] : read)
        if (sameFile(path, target))
            throw RenderError(what + " '" + target + "' is " + name + " ('" + path + "'); choose another " +
                              (what == "output" ? "output name" : "name"));
}

// Several inputs, or one and an output ending in a slash. One input and an
// existing directory without the slash stays the error it always was.
bool isBatch(const RenderOptions& o) {
    if (o.demo || o.inputs.empty())
        return false;
    const bool endsInSlash = !o.output.empty() && (o.output.back() == '/' || o.output.back() == '\\');
    return o.inputs.size() > 1 || endsInSlash;
}

struct BatchFile {
    std::string input;
    std::string output;
};

// Each input's output in the directory, under the input's stem. Two outputs
// that would land on one file (same stem, names differing only in case,
// which is one file on many disks, or a link) are refused before anything
// is rendered.
std::vector<BatchFile> planBatch(const RenderOptions& o) {
    std::error_code ec;
    if (fs::exists(o.output, ec) && !fs::is_directory(o.output, ec))
        throw RenderError(std::to_string(o.inputs.size()) + " input files need an output directory; '" + o.output +
                          "' is a file (end the name with / to have a directory made)");
    const std::string ext = "." + (o.format.empty() ? std::string("wav") : o.format);
    std::vector<BatchFile> files;
    std::vector<std::string> keys;
    for (const auto& input : o.inputs) {
        const std::string stem = fs::path(input).stem().string();
        if (stem.empty() || stem == "." || stem == "..")
            throw RenderError("input '" + input + "' has no file name to name its output after");
        const std::string output = (fs::path(o.output) / (stem + ext)).string();
        const fs::path resolved = fs::weakly_canonical(output, ec);
        const std::string key = lowered(ec ? output : resolved.string());
        for (size_t i = 0; i < keys.size(); ++i)
            if (keys[i] == key)
                throw RenderError(sameFile(files[i].input, input) ? "input '" + input + "' is given twice"
                                                                  : "inputs '" + files[i].input + "' and '" + input +
                                                                        "' would both be written to '" + output +
                                                                        "'; render them to different directories");
        keys.push_back(key);
        files.push_back({input, output});
    }
    return files;
}

void checkChannels(host::PluginInstance& plugin) {
    const AEffect* e = plugin.effect();
    if (e->numInputs < 0 || e->numInputs > Renderer::kMaxChannels || e->numOutputs < 1 ||
        e->numOutputs > Renderer::kMaxChannels)
        throw RenderError("the plug-in declares " + std::to_string(e->numInputs) + " audio inputs and " +
                          std::to_string(e->numOutputs) + " outputs; cannot render through it (1 to " +
                          std::to_string(Renderer::kMaxChannels) + " outputs needed)");
}

std::string channelWord(int n) {
    return std::to_string(n) + (n == 1 ? " channel" : " channels");
}

std::string fixed(double v, int places) {
    std::ostringstream s;
    s << std::fixed << std::setprecision(places) << v;
    return s.str();
}

// The program the plug-in holds now, as a program file a DAW can load.
ProgramFile currentProgram(host::PluginInstance& plugin) {
    ProgramFile p;
    p.pluginId = plugin.effect()->uniqueID;
    p.pluginVersion = plugin.effect()->version;
    p.name = plugin.programName();
    for (int i = 0; i < plugin.numParameters(); ++i) {
        const float v = plugin.getParameter(i);
        // Such a file would be refused when read back: write none.
        if (!(v >= 0.0f && v <= 1.0f))
            throw RenderError("cannot save a preset: the plug-in reports the value " + std::to_string(v) +
                              " for parameter " + std::to_string(i) + ", outside 0..1");
        p.values.push_back(v);
    }
    return p;
}

void setProgramName(host::PluginInstance& plugin, const std::string& name) {
    char text[256] = {};
    name.copy(text, sizeof text - 1);
    plugin.dispatch(effSetProgramName, 0, 0, text);
}

EventSchedule makeSchedule(const RenderOptions& o, const MidiFile* midi) {
    EventSchedule schedule;
    if (midi)
        schedule.addMidiFile(*midi);
    if (o.demo && !midi && o.notes.empty())
        for (const auto& n : demo::notes())
            schedule.addNote(n);
    for (const auto& n : o.notes)
        schedule.addNote(n);
    return schedule;
}

void withEvents(RenderJob& job, const EventSchedule& schedule, double sampleRate) {
    job.events = schedule.atRate(sampleRate);
    job.tempo = schedule.tempo();
    job.meter = schedule.meter();
}

// What every file of a batch shares. Instances are created, opened and
// closed one at a time, as a host does on its main thread; they render in
// parallel.
struct Batch {
    const RenderOptions& options;
    std::shared_ptr<host::PluginModule> module;
    host::HostConfig config;
    RenderJob job;
    const MidiFile* midi = nullptr;
    OutputFormat format;
    bool dither = false;
    std::mutex hostLock;
};

// One file of a batch, with a fresh instance of its own so that nothing of
// another file's render carries over. Notes and warnings go to `notes` and
// `warnings`; the summary is returned.
std::string renderBatchFile(Batch& b, const BatchFile& f, std::ostream& notes, std::ostream& warnings) {
    const RenderOptions& o = b.options;
    std::unique_ptr<host::PluginInstance> plugin;
    {
        std::lock_guard<std::mutex> lock(b.hostLock);
        auto result = host::PluginInstance::create(b.module, b.config);
        if (!result.plugin)
            throw RenderError("could not create an instance of the plug-in: " + result.message);
        plugin = std::move(result.plugin);
        plugin->open();
    }
    struct Closer {
        Batch& b;
        host::PluginInstance& p;
        ~Closer() {
            std::lock_guard<std::mutex> lock(b.hostLock);
            p.close();
        }
    } closer{b, *plugin};

    SoundFileReader source(f.input);
    if (source.droppedChannels() > 0 && !o.quiet)
        notes << "note: '" << f.input << "' has " << source.channelCount() + source.droppedChannels()
              << " channels; rendering the first two\n";
    if (source.cutShort())
        warnings << "tresselin-render: warning: '" << f.input
                 << "' is shorter than its header says (cut off?); rendering the " << source.frameCount()
                 << " frames it holds\n";
    RenderJob job = b.job;
    withEvents(job, makeSchedule(o, b.midi), source.sampleRate());
    checkChannels(*plugin);
    Renderer renderer(*plugin);
    SoundFileWriter writer(f.output, renderer.outputChannels(), source.sampleRate(), b.format, b.dither,
                           source.frameCount());
    renderer.prepare(source.sampleRate(), job);
    const auto started = std::chrono::steady_clock::now();
    const RenderStats stats = renderer.run(source, writer, job);
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    writer.commit();

    const SampleConverter& written = writer.converter();
    if (written.nonFinite() > 0)
        warnings << "tresselin-render: warning: '" << f.input << "': the plug-in gave " << written.nonFinite()
                 << " samples that are not numbers (NaN or infinite); they were written as 0\n";
    if (written.clipped() > 0)
        warnings << "tresselin-render: warning: '" << f.input << "': " << written.clipped()
                 << " samples clipped at full scale in " << b.format.name
                 << " (lower the level, or write 32-bit float)\n";
    if (stats.eventsDropped > 0 && !o.quiet)
        notes << "note: '" << f.input << "': " << stats.eventsDropped
              << " MIDI events fall after the end of the input and were not sent\n";
    return fixed(static_cast<double>(stats.frames) / source.sampleRate(), 2) + " s in " + fixed(took, 3) + " s";
}

// Renders every file, `jobs` at a time; the number that failed.
size_t runBatch(Batch& b, const std::vector<BatchFile>& files, int jobs, std::ostream& out, std::ostream& err) {
    std::atomic<size_t> next{0};
    size_t done = 0, failed = 0;
    std::mutex printLock;
    auto work = [&](bool worker) {
        std::unique_ptr<platform::ThreadSignalStack> signalStack;
        if (worker)
            signalStack = std::make_unique<platform::ThreadSignalStack>();
        for (size_t i = next++; i < files.size(); i = next++) {
            std::ostringstream notes, warnings;
            std::string summary, error;
            try {
                summary = renderBatchFile(b, files[i], notes, warnings);
            } catch (const RenderError& e) {
                error = e.what();
            } catch (const std::exception& e) {
                error = std::string("internal error: ") + e.what();
            }
            // Whole lines, one file at a time.
            std::lock_guard<std::mutex> lock(printLock);
            const std::string count = "[" + std::to_string(++done) + "/" + std::to_string(files.size()) + "] ";
            out << notes.str();
            if (error.empty() && !b.options.quiet)
                out << count << files[i].input << " -> " << files[i].output << ": " << summary << "\n";
            out.flush();
            err << warnings.str();
            if (!error.empty()) {
                ++failed;
                err << "tresselin-render: error: " << count << files[i].input << ": " << error << "\n";
            }
            err.flush();
        }
    };
    std::vector<std::thread> workers;
    for (int w = 1; w < jobs; ++w)
        workers.emplace_back(work, true);
    work(false);
    for (auto& t : workers)
        t.join();
    return failed;
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
    const bool batch = isBatch(o);
    const bool renders = !o.list && (o.demo || !o.inputs.empty());
    const auto read = filesRead(o, pluginPath);
    OutputFormat format;
    std::vector<BatchFile> files;
    if (!o.format.empty() && !batch)
        throw RenderError(
            "--format names the format of files written to a directory; with -o FILE the "
            "extension does");
    if (batch) {
        files = planBatch(o);
        format = OutputFormat::forPath(files.front().output, o.bits);
        for (const auto& f : files)
            refuseToOverwrite(f.output, "output", read);
    } else if (renders) {
        refuseToOverwrite(o.output, "output", read);
        format = OutputFormat::forPath(o.output, o.bits);
    }
    if (!o.savePreset.empty()) {
        // Found out now rather than after a long render.
        std::error_code ec;
        const fs::path presetDir = fs::path(o.savePreset).parent_path();
        const bool batchMakesIt = batch && sameTarget(presetDir.string(), o.output);
        if (fs::is_directory(o.savePreset, ec) ||
            (!batchMakesIt && !fs::is_directory(presetDir.empty() ? "." : presetDir, ec)))
            throw RenderError("cannot write preset '" + o.savePreset + "': " +
                              (fs::is_directory(o.savePreset, ec)
                                   ? "it is a directory"
                                   : "directory '" + presetDir.string() + "' does not exist"));
        refuseToOverwrite(o.savePreset, "preset to save", read);
        if (renders && !batch && sameTarget(o.savePreset, o.output))
            throw RenderError("the preset to save and the output are one file ('" + o.savePreset + "')");
        for (const auto& f : files)
            if (sameTarget(o.savePreset, f.output))
                throw RenderError("the preset to save and an output are one file ('" + o.savePreset + "')");
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
    // The preset's values go first so that --set overrides them; only the
    // settings made one by one are listed.
    const size_t presetAt = job.parameters.size();
    ProgramFile preset;
    if (!o.preset.empty()) {
        preset = ProgramFile::read(o.preset, plugin->effect()->uniqueID, plugin->numParameters());
        for (size_t i = 0; i < preset.values.size(); ++i)
            job.parameters.emplace_back(static_cast<int>(i), preset.values[i]);
        setProgramName(*plugin, preset.name);
    }
    const size_t presetEnd = job.parameters.size();
    for (const auto& s : o.settings)
        job.parameters.emplace_back(findParameter(*plugin, s.key), s.value);
    auto describeSettings = [&] {
        if (!o.preset.empty())
            out << "preset:   " << o.preset << " ('" << preset.name << "')\n";
        for (size_t i = 0; i < job.parameters.size(); ++i)
            if (i < presetAt || i >= presetEnd)
                out << "  set " << std::setw(3) << job.parameters[i].first << "  "
                    << describeParameter(*plugin, job.parameters[i].first) << "\n";
    };
    auto savePreset = [&](const ProgramFile& program) {
        program.write(o.savePreset);
        if (!o.quiet)
            out << "saved:    " << o.savePreset << " (program '" << program.name << "', " << program.values.size()
                << " parameters)\n";
    };

    Renderer renderer(*plugin);
    if (o.list || !renders) {
        renderer.prepare(kListRate, job);
        if (o.list) {
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
        }
        if (!o.savePreset.empty())
            savePreset(currentProgram(*plugin));
        plugin->close();
        return 0;
    }

    if (batch) {
        renderer.prepare(kListRate, job);
        const ProgramFile program = o.savePreset.empty() ? ProgramFile{} : currentProgram(*plugin);
        std::unique_ptr<MidiFile> midi;
        if (!o.midiFile.empty())
            midi = std::make_unique<MidiFile>(MidiFile::load(o.midiFile));
        checkChannels(*plugin);
        const int jobs = std::min<int>(
            o.jobs > 0
                ? o.jobs
                : std::clamp<int>(static_cast<int>(std::thread::hardware_concurrency()), 1, RenderOptions::kMaxJobs),
            static_cast<int>(files.size()));
        if (!o.quiet) {
            out << "plug-in:  " << plugin->effectName() << " (" << pluginPath << ")\n";
            describeSettings();
            out << "files:    " << files.size() << " into " << o.output << ", " << jobs << " at a time\n";
            out.flush();
        }
        std::error_code ec;
        fs::create_directories(o.output, ec);
        if (!fs::is_directory(o.output, ec))
            throw RenderError("cannot make output directory '" + o.output + "'");
        Batch b{o,
                plugin->module(),
                plugin->config(),
                job,
                midi.get(),
                format,
                o.dither == Dither::Tpdf || (o.dither == Dither::Default && format.bits == 16),
                {}};
        const auto started = std::chrono::steady_clock::now();
        const size_t failed = runBatch(b, files, jobs, out, err);
        const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
        plugin->close();
        if (failed > 0) {
            err << "tresselin-render: error: " << failed << " of " << files.size() << " files failed"
                << (o.savePreset.empty() ? "" : "; no preset saved") << "\n";
            return 1;
        }
        if (!o.quiet)
            out << "rendered " << files.size() << " files in " << fixed(took, 3) << " s\n";
        if (!o.savePreset.empty())
            savePreset(program);
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
        const std::string& input = o.inputs.front();
        auto reader = std::make_unique<SoundFileReader>(input);
        if (reader->droppedChannels() > 0 && !o.quiet)
            out << "note: '" << input << "' has " << reader->channelCount() + reader->droppedChannels()
                << " channels; rendering the first two\n";
        if (reader->cutShort())
            err << "tresselin-render: warning: '" << input
                << "' is shorter than its header says (cut off?); rendering the " << reader->frameCount()
                << " frames it holds\n";
        source = std::move(reader);
        inputName = input;
    }

    std::unique_ptr<MidiFile> midi;
    if (!o.midiFile.empty())
        midi = std::make_unique<MidiFile>(MidiFile::load(o.midiFile));
    const EventSchedule schedule = makeSchedule(o, midi.get());
    withEvents(job, schedule, source->sampleRate());

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
    const ProgramFile program = o.savePreset.empty() ? ProgramFile{} : currentProgram(*plugin);
    const double seconds = static_cast<double>(source->frameCount()) / source->sampleRate();
    if (!o.quiet) {
        out << "plug-in:  " << plugin->effectName() << " (" << pluginPath << ")\n"
            << "input:    " << inputName << ", " << source->channelCount() << " ch, " << source->sampleRate() << " Hz, "
            << fixed(seconds, 2) << " s\n";
        describeSettings();
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
        err << "tresselin-render: warning: " << written.clipped() << " samples clipped at full scale in " << format.name
            << " (lower the level, or write 32-bit float)\n";
    if (!o.quiet) {
        if (stats.eventsDropped > 0)
            out << "note: " << stats.eventsDropped
                << " MIDI events fall after the end of the input and were not sent\n";
        const double rendered = static_cast<double>(stats.frames) / source->sampleRate();
        out << "rendered " << fixed(rendered, 2) << " s in " << fixed(took, 3) << " s";
        if (took > 0.0)
            out << " (" << fixed(rendered / took, 1) << "x real time)";
        out << "\n"
            << "wrote:    " << o.output << " (" << outputChannels << " ch, " << source->sampleRate() << " Hz, "
            << format.name << (writer.converter().dithered() ? ", TPDF dither" : "") << ")\n";
    }
    if (!o.savePreset.empty())
        savePreset(program);
    return 0;
}

}  // namespace trs::render
