#include "toolkit/idleclock.h"

#include <chrono>
#include <thread>

namespace {

unsigned long systemNow()
{
    using namespace std::chrono;
    return static_cast<unsigned long>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

void systemSleep(unsigned long ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

IdleClock::Now nowFn = systemNow;
IdleClock::Sleep sleepFn = systemSleep;

}  // namespace

unsigned long IdleClock::now() { return nowFn(); }

void IdleClock::sleep(unsigned long ms) { sleepFn(ms); }

void IdleClock::set(Now n, Sleep s)
{
    nowFn = n ? n : systemNow;
    sleepFn = s ? s : systemSleep;
}
