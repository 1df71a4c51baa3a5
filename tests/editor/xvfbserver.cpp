#include "xvfbserver.h"

#include <X11/Xlib.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

std::string findXvfb() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos) end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
        if (access(candidate.c_str(), X_OK) == 0) return candidate;
        start = end + 1;
    }
    return "";
}

bool exists(const std::string& p) {
    struct stat st;
    return stat(p.c_str(), &st) == 0;
}

}  // namespace

XvfbServer::XvfbServer() {
    const std::string xvfb = findXvfb();
    if (xvfb.empty()) {
        reason = "Xvfb is not installed";
        xvfbMissing = true;
        return;
    }
    int number = 90 + int(getpid() % 40);
    for (int tries = 0; tries < 60; ++tries, ++number)
        if (!exists("/tmp/.X11-unix/X" + std::to_string(number)) &&
            !exists("/tmp/.X" + std::to_string(number) + "-lock"))
            break;
    name = ":" + std::to_string(number);
    pid = fork();
    if (pid == 0) {
        execl(xvfb.c_str(), "Xvfb", name.c_str(), "-screen", "0", "800x600x24", "-nolisten", "tcp",
              static_cast<char*>(nullptr));
        _exit(127);
    }
    for (int i = 0; i < 100; ++i) {
        if (Display* d = XOpenDisplay(name.c_str())) {
            XCloseDisplay(d);
            setenv("DISPLAY", name.c_str(), 1);
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    reason = "Xvfb did not start on " + name;
}

XvfbServer::~XvfbServer() {
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
    }
}
