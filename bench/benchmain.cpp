// trs-bench: nanoseconds per stereo frame of processReplacing at 44100 Hz in
// 512-frame blocks, for Tresselin and peer plug-ins, side by side.
//
//   trs-bench [--reps N] [--seconds S] [--case|--only NAME] [--block N] [--instructions] PLUGIN...
//   trs-bench --digest PLUGIN...
//
// Each run of a case is followed by the same input in short blocks (16
// frames, or --block N) and, for Tresselin, by the filter's latency floor
// (see floorRun), so that the three are compared under the same load; each
// figure is the best of the runs. Times are the thread's CPU time: on a
// machine shared with other work, the time the scheduler gives to other
// processes is not counted.
//
// With --instructions the timed loop is bracketed for callgrind
// (valgrind --tool=callgrind --instr-atstart=no), which then counts only it.
//
// --digest prints a hash of every output sample of the three cases and of
// randomised sessions (parameter changes and notes between blocks, odd block
// sizes, mono input, no second output): two builds that print the same
// lines produced the same bits.
#include "benchinput.h"

#include <valgrind/callgrind.h>
#include <xmmintrin.h>

#include <algorithm>
#include <ctime>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "dsp/moogfilter.h"
#include "tools/host/plugininstance.h"

using trs::host::EventList;
using trs::host::HostConfig;
using trs::host::PluginInstance;

namespace {

constexpr int kRate = 44100;
constexpr int kBlock = 512;

struct Case {
    const char* name;
    bool ownParameters;  // the settings only mean something to Tresselin
    bool tail;           // 1 s of loud input, then silence is measured
};

const Case kCases[] = {{"first", false, false}, {"busy", true, false}, {"tail", false, true}};

// Nanoseconds of CPU time this thread has used.
double cpuNow() {
    timespec t;
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return (double)t.tv_sec * 1e9 + (double)t.tv_nsec;
}

bool isTresselin(PluginInstance& fx) {
    return fx.effectName() == "Tresselin";
}

void applyBusy(PluginInstance& fx) {
    const std::pair<int, float> busy[] = {{0, 0.6f},  {2, 0.45f}, {3, 0.6f}, {4, 0.3f},  {5, 0.5f},
                                          {6, 0.7f},  {7, 1.0f},  {9, 0.8f}, {10, 0.8f}, {12, 0.8f},
                                          {13, 0.8f}, {16, 0.5f}, {17, 0.5f}};
    for (const auto& p : busy)
        fx.setParameter(p.first, p.second);
    EventList note;
    note.addMidi(0, 0x90, 57, 100);
    fx.processEvents(note);
}

void run(PluginInstance& fx, std::vector<float>& l, std::vector<float>& r, std::vector<float>& ol,
         std::vector<float>& orr, int frames, int block = kBlock) {
    for (int start = 0; start < frames; start += block) {
        const int n = std::min(block, frames - start);
        float* ins[] = {l.data() + start, r.data() + start};
        float* outs[] = {ol.data() + start, orr.data() + start};
        fx.effect()->processReplacing(fx.effect(), ins, outs, n);
    }
}

// The latency floor of Tresselin's chain: the filter's own kernel on both
// channels packed as the block loop packs them, with the input and the
// coefficients ready beforehand, so that nothing but the operations carried
// from frame to frame (feedback product, four stages with their roundings,
// the cubic, the output rounding and the finiteness branch) takes time. No
// structure of the block loop can run faster than this.
double floorRun(const std::vector<StereoPair>& in, std::vector<float>& ol, std::vector<float>& orr) {
    // Settings read at run time, as the chain reads them.
    static volatile float cutoff = 0.5f;
    static volatile int32_t mode = filtermode::lowPass;
    FilterCoefficients c;
    updateCoefficients(c, cutoff);
    const double p = c.poleCoef, k = c.stageCoef, feedback = c.feedback;
    const int32_t m = mode;
    const StereoPair headroom(3.0);
    FilterStagesOf<StereoPair> stages;
    const unsigned csr = _mm_getcsr();
    _mm_setcsr(csr | 0x8040u);  // flush to zero and denormals are zero, as the plug-in runs
    const double t0 = cpuNow();
    for (size_t n = 0; n < in.size(); n++) {
        const StereoPair y = runStages<StereoPair, StereoPair>(stages, in[n], p, k, feedback, m, headroom);
        const __m128 out = _mm_cvtpd_ps(y.v);
        _mm_store_ss(&ol[n], out);
        _mm_store_ss(&orr[n], _mm_shuffle_ps(out, out, 1));
    }
    const double t1 = cpuNow();
    _mm_setcsr(csr);
    return (t1 - t0) / (double)in.size();
}

struct Result {
    double nsPerFrame = 0;
    double shortBlockNs = 0;  // the same in short blocks
    double floorNs = 0;       // 0: not measured
    bool valid = false;
};

Result measure(const std::string& path, const Case& c, int seconds, int reps, bool instructions, int shortBlock) {
    Result result;
    const int frames = seconds * kRate;
    std::vector<float> l = makeBenchInput(frames, 1), r = makeBenchInput(frames, 2);
    std::vector<float> ol(frames), orr(frames);
    std::vector<float> silence(frames, 0.0f), silenceR(frames, 0.0f);
    std::vector<StereoPair> floorInput;
    double best = 1e300, bestShort = 1e300, bestFloor = 1e300;
    for (int rep = 0; rep < reps; rep++) {
        // The case in full blocks, then in short ones, each on a fresh instance.
        for (const int block : {kBlock, shortBlock}) {
            if (instructions && block != kBlock)
                break;
            HostConfig config;
            config.record = false;
            auto loaded = PluginInstance::load(path, config);
            if (!loaded) {
                std::fprintf(stderr, "trs-bench: %s: %s\n", path.c_str(), loaded.message.c_str());
                return result;
            }
            PluginInstance& fx = *loaded.plugin;
            if (c.ownParameters && !isTresselin(fx))
                return result;
            fx.setSampleRate((float)kRate);
            fx.setBlockSize(block);
            fx.open();
            fx.resume();
            if (c.ownParameters)
                applyBusy(fx);
            if (c.tail) {
                std::vector<float> loudL = makeBenchInput(kRate, 3), loudR = makeBenchInput(kRate, 4);
                std::vector<float> a(kRate), b(kRate);
                run(fx, loudL, loudR, a, b, kRate, block);
            }
            std::vector<float>& inL = c.tail ? silence : l;
            std::vector<float>& inR = c.tail ? silenceR : r;
            if (instructions)
                CALLGRIND_START_INSTRUMENTATION;
            const double t0 = cpuNow();
            run(fx, inL, inR, ol, orr, frames, block);
            const double t1 = cpuNow();
            if (instructions)
                CALLGRIND_STOP_INSTRUMENTATION;
            const double ns = (t1 - t0) / frames;
            double& into = block == kBlock ? best : bestShort;
            into = std::min(into, ns);
            if (floorInput.empty() && isTresselin(fx))
                for (int n = 0; n < frames; n++)
                    floorInput.emplace_back(0.5f * l[n], 0.5f * r[n]);
            fx.suspend();
        }
        if (!instructions && !floorInput.empty())
            bestFloor = std::min(bestFloor, floorRun(floorInput, ol, orr));
    }
    result.nsPerFrame = best;
    result.shortBlockNs = instructions ? 0 : bestShort;
    result.floorNs = floorInput.empty() || instructions ? 0 : bestFloor;
    result.valid = true;
    return result;
}

// FNV-1a over the bits of the samples.
struct Digest {
    uint64_t h = 1469598103934665603ull;
    void add(const float* p, int n) {
        const unsigned char* b = reinterpret_cast<const unsigned char*>(p);
        for (size_t i = 0; i < (size_t)n * sizeof(float); i++)
            h = (h ^ b[i]) * 1099511628211ull;
    }
};

struct Rng {
    uint32_t s;
    uint32_t next() { return s = s * 1664525u + 1013904223u; }
    float unit() { return (float)(next() >> 8) * (1.0f / 16777216.0f); }
    int below(int n) { return (int)(next() % (uint32_t)n); }
};

bool prepare(PluginInstance& fx) {
    fx.setSampleRate((float)kRate);
    fx.setBlockSize(kBlock);
    fx.open();
    fx.resume();
    return true;
}

uint64_t digestCase(const std::string& path, const Case& c) {
    const int frames = 2 * kRate;
    std::vector<float> l = makeBenchInput(frames, 1), r = makeBenchInput(frames, 2), ol(frames), orr(frames);
    std::vector<float> silence(frames, 0.0f), silenceR(frames, 0.0f);
    auto loaded = PluginInstance::load(path, HostConfig{});
    if (!loaded)
        return 0;
    PluginInstance& fx = *loaded.plugin;
    prepare(fx);
    if (c.ownParameters)
        applyBusy(fx);
    Digest d;
    if (c.tail) {
        std::vector<float> loudL = makeBenchInput(kRate, 3), loudR = makeBenchInput(kRate, 4), a(kRate), b(kRate);
        run(fx, loudL, loudR, a, b, kRate);
        d.add(a.data(), kRate);
        d.add(b.data(), kRate);
    }
    run(fx, c.tail ? silence : l, c.tail ? silenceR : r, ol, orr, frames);
    d.add(ol.data(), frames);
    d.add(orr.data(), frames);
    return d.h;
}

// A session with everything a host may vary between blocks.
uint64_t digestRandom(const std::string& path, uint32_t seed) {
    Rng rng{seed};
    const int frames = kRate;
    std::vector<float> l = makeBenchInput(frames, seed * 2 + 5), r = makeBenchInput(frames, seed * 2 + 6);
    // Loud stretches, exact silence and a few non-finite samples.
    for (int n = 0; n < frames; n++) {
        if ((n / 4000) % 5 == 3)
            l[n] = r[n] = 0.0f;
        if ((n / 4000) % 5 == 1) {
            l[n] *= 40.0f;
            r[n] *= -25.0f;
        }
    }
    l[1234] = 1.0f / 0.0f;
    r[2345] = std::nanf("");
    std::vector<float> ol(frames), orr(frames);
    auto loaded = PluginInstance::load(path, HostConfig{});
    if (!loaded)
        return 0;
    PluginInstance& fx = *loaded.plugin;
    prepare(fx);
    const bool mono = seed % 4 == 1, noRight = seed % 4 == 2;
    for (int p = 0; p < 18; p++)
        fx.setParameter(p, rng.unit());
    Digest d;
    for (int start = 0; start < frames;) {
        const int sizes[] = {1, 2, 3, 7, 64, 100, 333, 512, 1024};
        const int n = std::min(sizes[rng.below(9)], frames - start);
        if (rng.below(6) == 0)
            fx.setParameter(rng.below(18), rng.below(8) == 0 ? (float)rng.below(2) : rng.unit());
        if (rng.below(10) == 0) {
            EventList ev;
            ev.addMidi(0, rng.below(3) == 0 ? 0x80 : 0x90, (uint8_t)rng.below(128), (uint8_t)(1 + rng.below(127)));
            fx.processEvents(ev);
        }
        float* ins[] = {l.data() + start, mono ? nullptr : r.data() + start};
        float* outs[] = {ol.data() + start, noRight ? nullptr : orr.data() + start};
        fx.effect()->processReplacing(fx.effect(), ins, outs, n);
        start += n;
    }
    d.add(ol.data(), frames);
    if (!noRight)
        d.add(orr.data(), frames);
    return d.h;
}

std::string shortName(const std::string& path) {
    const size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

}  // namespace

int main(int argc, char** argv) {
    int reps = 5, seconds = 20, shortBlock = 16;
    bool instructions = false, digest = false;
    std::string only;
    std::vector<std::string> plugins;
    for (int i = 1; i < argc; i++) {
        const std::string a = argv[i];
        if (a == "--reps" && i + 1 < argc)
            reps = std::max(1, std::atoi(argv[++i]));
        else if (a == "--seconds" && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else if ((a == "--case" || a == "--only") && i + 1 < argc)
            only = argv[++i];
        else if (a == "--block" && i + 1 < argc)
            shortBlock = std::max(1, std::atoi(argv[++i]));
        else if (a == "--instructions")
            instructions = true;
        else if (a == "--digest")
            digest = true;
        else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr,
                         "usage: trs-bench [--reps N] [--seconds S] [--case|--only NAME] [--block N] [--instructions] "
                         "[--digest] PLUGIN...\n");
            return 2;
        } else
            plugins.push_back(a);
    }
    if (plugins.empty()) {
        std::fprintf(stderr, "trs-bench: no plug-in given\n");
        return 2;
    }
    if (digest) {
        for (const auto& p : plugins) {
            for (const Case& c : kCases)
                std::printf("%s %s %016llx\n", shortName(p).c_str(), c.name, (unsigned long long)digestCase(p, c));
            for (uint32_t seed = 1; seed <= 24; seed++)
                std::printf("%s random%u %016llx\n", shortName(p).c_str(), seed,
                            (unsigned long long)digestRandom(p, seed));
        }
        return 0;
    }
    std::printf(
        "| plug-in | case | ns/frame | x real time | floor ns/frame | x floor | ns/frame in %d-frame blocks | x "
        "%d-frame cost |\n",
        shortBlock, kBlock);
    std::printf("|---|---|---:|---:|---:|---:|---:|---:|\n");
    for (const auto& p : plugins)
        for (const Case& c : kCases) {
            if (!only.empty() && only != c.name)
                continue;
            const Result r = measure(p, c, seconds, reps, instructions, shortBlock);
            if (!r.valid)
                continue;
            std::printf("| %s | %s | %.1f | %.0f |", shortName(p).c_str(), c.name, r.nsPerFrame,
                        1e9 / kRate / r.nsPerFrame);
            if (r.floorNs > 0)
                std::printf(" %.1f | %.2f |", r.floorNs, r.nsPerFrame / r.floorNs);
            else
                std::printf(" | |");
            if (r.shortBlockNs > 0)
                std::printf(" %.1f | %.2f |\n", r.shortBlockNs, r.shortBlockNs / r.nsPerFrame);
            else
                std::printf(" | |\n");
            std::fflush(stdout);
        }
    return 0;
}
