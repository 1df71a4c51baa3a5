// Judges what Ardour made of Tresselin: the parameter list it reports and the
// WAV files it exported, against renders of the same input and settings
// through our host library.
//
//   trs-ardour-check PLUGIN WORKDIR [--same-as OTHER_WORKDIR]
//
// WORKDIR holds params.txt, NAME.case.txt and export/NAME.wav as session.lua
// leaves them. With --same-as, the exact cases must also equal those of the
// other run bit for bit (the run through the opcode-logging wrapper).
// Ends with "N passed, M failed"; exits 1 when anything failed.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "plugininstance.h"

namespace {

const char* const kNames[18] = {"OSC.Amt",    "OSC.Note",   "OSC.Wave",   "Noise.Amt",  "Noise.Color",  "CutOff",
                                "Resonance",  "FilterType", "EF1.Smooth", "EF1.Osc.AM", "EF1.Noise.AM", "EF2.Smooth",
                                "EF2.Cutoff", "EF2.OSC.FM", "Dry2Filter", "Dry",        "Fil.KeyTrack", "Osc.KeyTrack"};
constexpr int kBlock = 1024;  // the dummy backend's period
constexpr int kPreroll = 48000;

int passed = 0, failed = 0;

void check(bool ok, const std::string& what) {
    std::printf("%s: %s\n", ok ? "PASS" : "FAIL", what.c_str());
    (ok ? passed : failed)++;
}

std::string fmt(const char* f, double a, double b = 0, double c = 0) {
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, f, a, b, c);
    return buffer;
}

struct Case {
    std::string name, kind;
    long start = 0, frames = 0;
    double rate = 0;
    std::vector<float> values;                // as Ardour holds them
    std::vector<std::pair<int, float>> sets;  // what the session set, in order
    int automated = -1;
    struct Step {
        long at;  // frame in the segment, a block start
        int index;
        float value;
    };
    std::vector<Step> steps;  // automation that changes at block starts
};

struct Stereo {
    std::vector<float> left, right;
    size_t size() const { return left.size(); }
};

bool readWav(const std::string& path, Stereo& out, int& rate, std::string& error) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = "cannot open " + path;
        return false;
    }
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto u32 = [&](size_t at) {
        uint32_t v;
        std::memcpy(&v, &bytes[at], 4);
        return v;
    };
    auto u16 = [&](size_t at) {
        uint16_t v;
        std::memcpy(&v, &bytes[at], 2);
        return v;
    };
    if (bytes.size() < 12 || std::memcmp(&bytes[0], "RIFF", 4) || std::memcmp(&bytes[8], "WAVE", 4)) {
        error = path + " is not a RIFF WAVE file";
        return false;
    }
    int channels = 0, bits = 0, format = 0;
    for (size_t at = 12; at + 8 <= bytes.size();) {
        const uint32_t size = u32(at + 4);
        const size_t body = at + 8;
        if (body + size > bytes.size())
            break;
        if (!std::memcmp(&bytes[at], "fmt ", 4)) {
            format = u16(body);
            channels = u16(body + 2);
            rate = static_cast<int>(u32(body + 4));
            bits = u16(body + 14);
            if (format == 0xFFFE && size >= 26)
                format = u16(body + 24);  // the sub-format's first two bytes
        } else if (!std::memcmp(&bytes[at], "data", 4)) {
            if (format != 3 || bits != 32 || channels != 2) {
                error = path +
                        fmt(": format %g, %g bits, %g channels; expected 32-bit float stereo", format, bits, channels);
                return false;
            }
            const size_t frames = size / 8;
            out.left.resize(frames);
            out.right.resize(frames);
            for (size_t i = 0; i < frames; ++i) {
                std::memcpy(&out.left[i], &bytes[body + i * 8], 4);
                std::memcpy(&out.right[i], &bytes[body + i * 8 + 4], 4);
            }
            return true;
        }
        at = body + size + (size & 1);
    }
    error = path + " has no data chunk";
    return false;
}

// The samples TrsTestSignal writes, with its arithmetic: double, then float.
Stereo makeInput(long frames, double rate) {
    const double pi = 3.141592653589793;
    Stereo s;
    s.left.resize(frames);
    s.right.resize(frames);
    for (long n = 0; n < frames; ++n) {
        const double amp = ((n / 12000) % 2 == 0) ? 0.6 : 0.1;
        s.left[n] = static_cast<float>(amp * std::sin(2 * pi * 220 * static_cast<double>(n) / rate));
        s.right[n] = static_cast<float>(amp * std::sin(2 * pi * 331 * static_cast<double>(n) / rate));
    }
    return s;
}

// Renders in the order Ardour drives the plug-in: rate and block size, the
// parameters the session set, resume, then silence until the segment begins. rampParameter,
// when set, is moved from 1 to 0 across the segment at every block start; the case's
// steps are set before the blocks they start.
bool render(const std::string& plugin, const Case& c, const Stereo& input, Stereo& out, std::string& error,
            int rampParameter = -1) {
    auto loaded = trs::host::PluginInstance::load(plugin);
    if (!loaded) {
        error = loaded.message;
        return false;
    }
    auto& fx = *loaded.plugin;
    fx.open();
    fx.setSampleRate(static_cast<float>(c.rate));
    fx.setBlockSize(kBlock);
    // Only what Ardour sent: a value sent again after the rate is not a
    // no-op (the cutoff keeps its Hz across a rate change, not its value).
    for (auto [index, value] : c.sets)
        fx.setParameter(index, value);
    fx.resume();
    std::vector<float> zeros(kBlock, 0.0f), sink0(kBlock), sink1(kBlock);
    for (int done = 0; done < kPreroll; done += kBlock)
        fx.process({zeros.data(), zeros.data()}, {sink0.data(), sink1.data()}, kBlock);
    const long frames = static_cast<long>(input.size());
    out.left.assign(frames, 0.0f);
    out.right.assign(frames, 0.0f);
    std::vector<float> in0(input.left), in1(input.right);
    for (long at = 0; at < frames; at += kBlock) {
        const int n = static_cast<int>(std::min<long>(kBlock, frames - at));
        if (rampParameter >= 0)
            fx.setParameter(rampParameter, static_cast<float>(1.0 - static_cast<double>(at) / frames));
        for (const auto& step : c.steps)
            if (step.at == at)
                fx.setParameter(step.index, step.value);
        fx.process({in0.data() + at, in1.data() + at}, {out.left.data() + at, out.right.data() + at}, n);
    }
    return true;
}

double rms(const std::vector<float>& v, size_t from, size_t to) {
    double sum = 0;
    for (size_t i = from; i < to; ++i)
        sum += static_cast<double>(v[i]) * v[i];
    return to > from ? std::sqrt(sum / static_cast<double>(to - from)) : 0.0;
}

double peak(const Stereo& s, size_t from = 0) {
    double p = 0;
    for (size_t i = from; i < s.size(); ++i)
        p = std::max({p, std::fabs(static_cast<double>(s.left[i])), std::fabs(static_cast<double>(s.right[i]))});
    return p;
}

struct Difference {
    double maxAbs = 0;
    size_t unequal = 0;
    size_t first = 0, last = 0;  // frames of the first and the last difference
};

Difference compare(const Stereo& a, const Stereo& b) {
    Difference d;
    for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
        for (auto [x, y] : {std::pair{a.left[i], b.left[i]}, std::pair{a.right[i], b.right[i]}}) {
            if (x != y) {
                if (!d.unequal++)
                    d.first = i;
                d.last = i;
            }
            d.maxAbs = std::max(d.maxAbs, std::fabs(static_cast<double>(x) - y));
        }
    }
    return d;
}

bool readLines(const std::string& path, std::vector<std::vector<std::string>>& rows) {
    std::ifstream in(path);
    if (!in)
        return false;
    std::string line;
    while (std::getline(in, line)) {
        std::vector<std::string> fields;
        std::stringstream ss(line);
        std::string field;
        while (std::getline(ss, field, '\t'))
            fields.push_back(field);
        rows.push_back(fields);
    }
    return true;
}

void checkParameters(const std::string& plugin, const std::string& work) {
    std::vector<std::vector<std::string>> rows;
    if (!readLines(work + "/params.txt", rows) || rows.empty()) {
        check(false, "params.txt written by the session");
        return;
    }
    check(rows[0].size() == 2 && rows[0][1] == "18", "Ardour counts 18 parameters");
    auto loaded = trs::host::PluginInstance::load(plugin);
    if (!loaded) {
        check(false, "our host loads " + plugin + ": " + loaded.message);
        return;
    }
    std::string names, wrong;
    for (int i = 0; i < 18; ++i) {
        if (i + 1 >= static_cast<int>(rows.size()) || rows[i + 1].size() != 5) {
            wrong += " missing:" + std::to_string(i);
            continue;
        }
        const auto& r = rows[i + 1];
        names += (i ? ", " : "") + r[1];
        if (r[1] != kNames[i])
            wrong += " name" + std::to_string(i) + "='" + r[1] + "'";
        if (std::stod(r[2]) != 0.0 || std::stod(r[3]) != 1.0)
            wrong += " range" + std::to_string(i);
        // Ardour's default is what getParameter answered when it loaded us.
        if (std::stof(r[4]) != loaded.plugin->getParameter(i))
            wrong += " default" + std::to_string(i) + "=" + r[4];
    }
    std::printf("Ardour's parameter names: %s\n", names.c_str());
    check(wrong.empty(), "Ardour's names, ranges 0..1 and defaults match the plug-in" + wrong);
}

bool readCase(const std::string& path, Case& c) {
    std::vector<std::vector<std::string>> rows;
    if (!readLines(path, rows))
        return false;
    for (const auto& r : rows) {
        if (r.size() == 6 && r[0] == "case") {
            c.name = r[1];
            c.kind = r[2];
            c.start = std::stol(r[3]);
            c.frames = std::stol(r[4]);
            c.rate = std::stod(r[5]);
        } else if (r.size() == 3 && r[0] == "set") {
            c.sets.emplace_back(std::stoi(r[1]), std::stof(r[2]));
        } else if (r.size() == 3 && r[0] == "value") {
            c.values.push_back(std::stof(r[2]));
        } else if (r.size() == 4 && r[0] == "step") {
            c.steps.push_back({std::stol(r[1]), std::stoi(r[2]), std::stof(r[3])});
        } else if (r.size() == 2 && r[0] == "automated") {
            c.automated = std::stoi(r[1]);
        }
    }
    return !c.name.empty() && c.values.size() == 18;
}

void checkCase(const std::string& plugin, const std::string& work, const Case& c, const std::string& sameAs) {
    Stereo wav;
    int rate = 0;
    std::string error;
    if (!readWav(work + "/export/" + c.name + ".wav", wav, rate, error)) {
        check(false, c.name + ": " + error);
        return;
    }
    check(rate == static_cast<int>(c.rate) && static_cast<long>(wav.size()) == c.frames,
          c.name + fmt(": export has %g frames at %g Hz", static_cast<double>(wav.size()), rate));
    if (static_cast<long>(wav.size()) != c.frames)
        return;
    bool finite = true;
    for (size_t i = 0; i < wav.size(); ++i)
        finite = finite && std::isfinite(wav.left[i]) && std::isfinite(wav.right[i]);
    check(finite, c.name + ": every exported sample is finite");

    const Stereo input = makeInput(c.frames, c.rate);
    const double inPeak = peak(input);
    const double outPeak = peak(wav);
    std::printf("%s: peak %.6f (input %.6f), rms L %.6f R %.6f\n", c.name.c_str(), outPeak, inPeak,
                rms(wav.left, 0, wav.size()), rms(wav.right, 0, wav.size()));

    Stereo reference;
    if (!render(plugin, c, input, reference, error, c.kind == "automated" ? c.automated : -1)) {
        check(false, c.name + ": reference render: " + error);
        return;
    }
    const Difference d = compare(wav, reference);
    std::printf("%s: against our host's render: %zu of %zu samples differ, largest difference %.3g\n", c.name.c_str(),
                d.unequal, 2 * wav.size(), d.maxAbs);
    if (d.unequal)
        std::printf("%s: frames %zu to %zu differ\n", c.name.c_str(), d.first, d.last);

    if (c.kind == "stepped") {
        // Ardour 7.3 applies a discrete automation point at the cycle that
        // starts on it or at the next one (here two of three steps came a
        // cycle late): find where each step landed, then ask for every bit.
        Difference best = d;
        std::string landed;
        for (unsigned late = 1; late < (1u << c.steps.size()) && best.unequal; ++late) {
            Case moved = c;
            std::string where;
            for (size_t k = 0; k < c.steps.size(); ++k) {
                if (late >> k & 1)
                    moved.steps[k].at += kBlock;
                where += " " + std::to_string(moved.steps[k].at);
            }
            Stereo shifted;
            render(plugin, moved, input, shifted, error);
            const Difference m = compare(wav, shifted);
            if (m.unequal < best.unequal) {
                best = m;
                landed = where;
            }
        }
        if (!landed.empty())
            std::printf("%s: Ardour applied the steps at frames%s\n", c.name.c_str(), landed.c_str());
        check(best.unequal == 0, c.name + ": Ardour's export equals our host's render, steps included, bit for bit");
        Case still = c;
        still.steps.clear();
        Stereo unstepped;
        render(plugin, still, input, unstepped, error);
        check(compare(wav, unstepped).unequal > 0, c.name + ": the automation changed the sound");
    } else if (c.kind == "exact") {
        check(d.unequal == 0, c.name + ": Ardour's export equals our host's render bit for bit");
        if (c.name == "dryoff") {
            // Nothing but filter ringing may come out; the input had 0.6 peaks.
            check(outPeak < 1e-6, c.name + fmt(": Dry 0 and Dry2Filter 0 give silence (peak %.3g)", outPeak));
        } else {
            check(outPeak > 0.1 * inPeak, c.name + fmt(": the export is not silent (peak %.3g)", outPeak));
        }
        if (c.name == "default") {
            // The default program passes the input: dry plus its filtered half.
            double dot = 0, xx = 0, yy = 0;
            for (size_t i = 0; i < wav.size(); ++i) {
                dot += static_cast<double>(wav.left[i]) * input.left[i];
                xx += static_cast<double>(input.left[i]) * input.left[i];
                yy += static_cast<double>(wav.left[i]) * wav.left[i];
            }
            const double corr = dot / std::sqrt(xx * yy);
            check(corr > 0.95, c.name + fmt(": the default program passes the signal (correlation %.4f)", corr));
        }
        if (!sameAs.empty()) {
            Stereo other;
            if (!readWav(sameAs + "/export/" + c.name + ".wav", other, rate, error)) {
                check(false, c.name + ": " + error);
            } else {
                const Difference w = compare(wav, other);
                check(w.unequal == 0 && other.size() == wav.size(),
                      c.name + ": the run through the logging wrapper exported the same samples");
            }
        }
    } else if (c.kind == "generators") {
        // Dry is 0: whatever exceeds the processed input is oscillator and
        // noise, and follower 1 must make it louder where the input is loud.
        Case quiet = c;
        quiet.sets.clear();
        for (auto set : c.sets)
            if (set.first != 0 && set.first != 3 && set.first != 9)  // back to silent generators
                quiet.sets.push_back(set);
        Stereo without;
        render(plugin, quiet, input, without, error);
        std::vector<float> extra(wav.size());
        for (size_t i = 0; i < wav.size(); ++i)
            extra[i] = wav.left[i] - without.left[i];
        const double total = rms(extra, 0, extra.size());
        check(total > 0.02, c.name + fmt(": oscillator and noise add sound (rms %.4f)", total));
        double loud = 0, soft = 0;
        for (size_t seg = 0; seg + 12000 <= extra.size(); seg += 12000)
            ((seg / 12000) % 2 == 0 ? loud : soft) += rms(extra, seg + 2000, seg + 12000);
        check(loud > 1.5 * soft,
              c.name + fmt(": follower 1 makes them louder in loud stretches (%.4f vs %.4f)", loud, soft));
        check(outPeak > 0.05, c.name + fmt(": the export is not silent (peak %.3g)", outPeak));
    } else if (c.kind == "automated") {
        // Dry ramps 1 -> 0 with the processed path closed: out = dry * in.
        const size_t n = wav.size(), tenth = n / 10;
        const double head = rms(wav.left, 0, tenth) / rms(input.left, 0, tenth);
        const double mid = rms(wav.left, 5 * tenth - tenth / 2, 5 * tenth + tenth / 2) /
                           rms(input.left, 5 * tenth - tenth / 2, 5 * tenth + tenth / 2);
        const double tail = rms(wav.left, n - tenth, n) / rms(input.left, n - tenth, n);
        check(head > 0.85 && mid > 0.35 && mid < 0.65 && tail < 0.1,
              c.name + fmt(": Dry automation fades the signal (gain %.3f, %.3f, %.3f)", head, mid, tail));
        check(
            d.maxAbs < 1e-3,
            c.name + fmt(": close to a render that sets Dry at every block start (largest difference %.3g)", d.maxAbs));
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 && !(argc == 5 && std::string(argv[3]) == "--same-as")) {
        std::fprintf(stderr, "usage: %s PLUGIN WORKDIR [--same-as OTHER_WORKDIR]\n", argv[0]);
        return 2;
    }
    const std::string plugin = argv[1], work = argv[2], sameAs = argc == 5 ? argv[4] : "";
    checkParameters(plugin, work);
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(work))
        if (entry.path().string().size() > 9 &&
            entry.path().string().rfind(".case.txt") == entry.path().string().size() - 9)
            files.push_back(entry.path().string());
    std::sort(files.begin(), files.end());
    check(!files.empty(), "the session described its cases");
    for (const auto& file : files) {
        Case c;
        if (!readCase(file, c)) {
            check(false, file + ": a case with 18 values");
            continue;
        }
        // What Ardour holds must be what the session set.
        std::string off;
        for (auto [index, value] : c.sets)
            if (c.values[index] != value)
                off += " " + std::to_string(index);
        check(off.empty(), c.name + ": Ardour holds the values the session set" + off);
        checkCase(plugin, work, c, sameAs);
    }
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}
