// A private X server for one test process: started on a free display
// number, stopped when the object goes.
#pragma once

#include <sys/types.h>

#include <string>

class XvfbServer {
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;

    bool running() const { return reason.empty(); }
    // Why the server is not running: Xvfb missing, or it did not come up.
    const std::string& whyNot() const { return reason; }
    bool missing() const { return xvfbMissing; }
    const std::string& display() const { return name; }

private:
    pid_t pid = 0;
    std::string name;
    std::string reason;
    bool xvfbMissing = false;
};
