// Helpers for the tests that run tresselin-render as a user would.
#pragma once

#include <sndfile.h>

#include <functional>
#include <string>
#include <vector>

#include "audiostream.h"

namespace trstest {

struct ToolRun {
    int code = -1;
    std::string out;
    std::string err;
};

// A fresh directory for one test, removed with everything in it afterwards.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    std::string file(const std::string& name) const { return path + "/" + name; }
    std::vector<std::string> entries() const;  // names, hidden ones included
    const std::string path;
};

// Runs the tool with these arguments (and `env`, e.g. "X=1 ", before it).
ToolRun runTool(const std::vector<std::string>& args, const std::string& env = "");
// Starts the tool with TRS_PROBE_HOLD=`marker` in its environment, waits until
// the marker file exists (the render is under way), sends `signal` and returns
// the exit code (128 + n for a process killed by signal n).
// `ready`, when given, must also hold before the signal is sent.
int interruptTool(const std::vector<std::string>& args, const std::string& marker, int signal,
                  const std::function<bool()>& ready = {});
// Runs a shell command; its exit code.
int runShell(const std::string& command);

void writeSound(const std::string& path, const trs::render::AudioBuffer& audio,
                int format = SF_FORMAT_WAV | SF_FORMAT_FLOAT);
trs::render::AudioBuffer readSound(const std::string& path, SF_INFO* info = nullptr);

// A stereo test signal: a sine whose level steps between loud and quiet.
trs::render::AudioBuffer steppedSine(double seconds, double rate = 44100.0, int channels = 2);
std::string readText(const std::string& path);
double rms(const std::vector<float>& v, size_t begin = 0, size_t end = SIZE_MAX);

}  // namespace trstest
