#include "platform.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#include <process.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace trs::render::platform {

namespace {

char pendingPath[4096];
volatile std::sig_atomic_t pending = 0;

extern "C" void onSignal(int sig) {
    if (pending)
        std::remove(pendingPath);
    std::_Exit(128 + sig);
}

}  // namespace

bool stderrIsTerminal() {
#ifdef _WIN32
    return _isatty(_fileno(stderr)) != 0;
#else
    return isatty(STDERR_FILENO) != 0;
#endif
}

std::string executablePath() {
#ifdef _WIN32
    char buffer[MAX_PATH * 4];
    const DWORD n = GetModuleFileNameA(nullptr, buffer, sizeof buffer);
    if (n == 0 || n >= sizeof buffer)
        return {};
    return std::string(buffer, n);
#else
    char buffer[4096];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0)
        return {};
    return std::string(buffer, static_cast<size_t>(n));
#endif
}

unsigned long processId() {
#ifdef _WIN32
    return static_cast<unsigned long>(_getpid());
#else
    return static_cast<unsigned long>(getpid());
#endif
}

}  // namespace trs::render::platform

namespace trs::render::platform {

void removeOnInterrupt(const std::string& path) {
    if (path.size() >= sizeof pendingPath)
        return;
    pending = 0;
    std::memcpy(pendingPath, path.c_str(), path.size() + 1);
    pending = 1;
    std::signal(SIGINT, onSignal);
    std::signal(SIGTERM, onSignal);
}

void clearRemoveOnInterrupt() {
    pending = 0;
    std::signal(SIGINT, SIG_DFL);
    std::signal(SIGTERM, SIG_DFL);
}

}  // namespace trs::render::platform
