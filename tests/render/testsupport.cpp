#include "testsupport.h"

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace trstest {

namespace {

std::string quote(const std::string& s) {
    std::string q = "'";
    for (char c : s)
        q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

std::string uniqueDir() {
    static std::atomic<int> counter{0};
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    std::string name = info ? std::string(info->test_suite_name()) + "." + info->name() : "render";
    for (char& c : name)
        if (c == '/')
            c = '_';
    return (fs::temp_directory_path() /
            ("trs-render-" + name + "-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
        .string();
}

}  // namespace

TempDir::TempDir() : path(uniqueDir()) {
    fs::remove_all(path);
    fs::create_directories(path);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::remove_all(path, ec);
}

std::vector<std::string> TempDir::entries() const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(path))
        names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

int interruptTool(const std::vector<std::string>& args, const std::string& marker, int signal,
                  const std::function<bool()>& ready) {
    std::vector<std::string> argv{TRS_RENDER_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> cargs;
    for (auto& a : argv)
        cargs.push_back(a.data());
    cargs.push_back(nullptr);
    const pid_t pid = fork();
    if (pid < 0)
        throw std::runtime_error("fork failed");
    if (pid == 0) {
        const int null = open("/dev/null", O_RDWR);
        dup2(null, 0);
        dup2(null, 1);
        dup2(null, 2);
        setenv("TRS_PROBE_HOLD", marker.c_str(), 1);
        execv(cargs[0], cargs.data());
        _exit(127);
    }
    // Waiting has no deadline: a tool that never starts to render makes the
    // test time out, which is a failure too.
    int status = 0;
    while (!fs::exists(marker) || (ready && !ready())) {
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        usleep(1000);
    }
    kill(pid, signal);
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

int runShell(const std::string& command) {
    const int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

ToolRun runTool(const std::vector<std::string>& args, const std::string& env) {
    static std::atomic<int> counter{0};
    const std::string base =
        (fs::temp_directory_path() / ("trs-render-run-" + std::to_string(getpid()) + "-" + std::to_string(counter++)))
            .string();
    std::string command = env + quote(TRS_RENDER_TOOL);
    for (const auto& a : args)
        command += " " + quote(a);
    command += " >" + quote(base + ".out") + " 2>" + quote(base + ".err") + " </dev/null";
    ToolRun run;
    run.code = runShell(command);
    run.out = readText(base + ".out");
    run.err = readText(base + ".err");
    fs::remove(base + ".out");
    fs::remove(base + ".err");
    return run;
}

std::string readText(const std::string& path) {
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

void writeSound(const std::string& path, const trs::render::AudioBuffer& audio, int format) {
    SF_INFO info{};
    info.samplerate = static_cast<int>(audio.sampleRate);
    info.channels = static_cast<int>(audio.channels.size());
    info.format = format;
    SNDFILE* f = sf_open(path.c_str(), SFM_WRITE, &info);
    if (!f)
        throw std::runtime_error("cannot write " + path + ": " + sf_strerror(nullptr));
    std::vector<float> frames(static_cast<size_t>(audio.frames()) * audio.channels.size());
    for (size_t c = 0; c < audio.channels.size(); ++c)
        for (size_t i = 0; i < audio.channels[c].size(); ++i)
            frames[i * audio.channels.size() + c] = audio.channels[c][i];
    sf_writef_float(f, frames.data(), audio.frames());
    sf_close(f);
}

trs::render::AudioBuffer readSound(const std::string& path, SF_INFO* infoOut) {
    SF_INFO info{};
    SNDFILE* f = sf_open(path.c_str(), SFM_READ, &info);
    if (!f)
        throw std::runtime_error("cannot read " + path + ": " + sf_strerror(nullptr));
    std::vector<float> frames(static_cast<size_t>(info.frames * info.channels));
    sf_readf_float(f, frames.data(), info.frames);
    sf_close(f);
    trs::render::AudioBuffer audio;
    audio.sampleRate = info.samplerate;
    audio.channels.assign(static_cast<size_t>(info.channels), std::vector<float>(static_cast<size_t>(info.frames)));
    for (int c = 0; c < info.channels; ++c)
        for (sf_count_t i = 0; i < info.frames; ++i)
            audio.channels[static_cast<size_t>(c)][static_cast<size_t>(i)] =
                frames[static_cast<size_t>(i * info.channels + c)];
    if (infoOut)
        *infoOut = info;
    return audio;
}

trs::render::AudioBuffer steppedSine(double seconds, double rate, int channels) {
    trs::render::AudioBuffer audio;
    audio.sampleRate = rate;
    const size_t n = static_cast<size_t>(seconds * rate);
    audio.channels.assign(static_cast<size_t>(channels), std::vector<float>(n));
    for (size_t i = 0; i < n; ++i) {
        const double t = static_cast<double>(i) / rate;
        const double level = (static_cast<int>(t * 4.0) % 2) ? 0.1 : 0.6;
        for (int c = 0; c < channels; ++c)
            audio.channels[static_cast<size_t>(c)][i] =
                static_cast<float>(level * std::sin(2.0 * M_PI * (220.0 + 110.0 * c) * t));
    }
    return audio;
}

double rms(const std::vector<float>& v, size_t begin, size_t end) {
    end = std::min(end, v.size());
    if (end <= begin)
        return 0.0;
    double sum = 0.0;
    for (size_t i = begin; i < end; ++i)
        sum += static_cast<double>(v[i]) * v[i];
    return std::sqrt(sum / static_cast<double>(end - begin));
}

}  // namespace trstest
