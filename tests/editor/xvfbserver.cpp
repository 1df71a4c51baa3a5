#include "xvfbserver.h"

#include <X11/Xlib.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

// Shared with tests/windows/editor-test.sh.
const char* const kStartLock = "/tmp/.trs-xvfb-start.lock";

std::string findXvfb() {
    const char* path = std::getenv("PATH");
    std::string dirs = path ? path : "/usr/bin:/bin";
    dirs += ":/usr/bin";
    size_t start = 0;
    while (start <= dirs.size()) {
        size_t end = dirs.find(':', start);
        if (end == std::string::npos)
            end = dirs.size();
        const std::string candidate = dirs.substr(start, end - start) + "/Xvfb";
        if (access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return "";
}

}  // namespace

XvfbServer::XvfbServer() {
    const std::string xvfb = findXvfb();
    if (xvfb.empty()) {
        reason = "Xvfb is not installed";
        xvfbMissing = true;
        return;
    }
    // The server picks a free display itself and writes its number to the
    // pipe once it listens. Two servers starting at the same moment can still
    // settle on one number, so our test programs start theirs one at a time.
    const int startLock = open(kStartLock, O_CREAT | O_RDWR | O_CLOEXEC, 0666);
    if (startLock >= 0)
        flock(startLock, LOCK_EX);
    int fds[2];
    if (pipe(fds) != 0) {
        reason = "no pipe for Xvfb";
        if (startLock >= 0)
            close(startLock);
        return;
    }
    pid = fork();
    if (pid == 0) {
        close(fds[0]);
        const std::string fd = std::to_string(fds[1]);
        // -noreset: by default the server resets when its last client leaves,
        // and a connection made during the reset is refused.
        execl(xvfb.c_str(), "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1600x1200x24", "-nolisten", "tcp",
              "-noreset", static_cast<char*>(nullptr));
        _exit(127);
    }
    close(fds[1]);
    std::string number;
    char c;
    while (read(fds[0], &c, 1) == 1 && c != '\n')
        number += c;
    close(fds[0]);
    if (startLock >= 0)
        close(startLock);
    if (pid < 0 || number.empty()) {
        reason = "Xvfb did not start";
        return;
    }
    name = ":" + number;
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
