// The editor's idle timing on Linux: the monotonic clock and a thread sleep.
#include <chrono>
#include <thread>

#include "toolkit/platform.h"

unsigned long platform::nowMs() {
    using namespace std::chrono;
    return static_cast<unsigned long>(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void platform::sleepMs(unsigned long ms) {
    std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
