#include "toolkit/idleclock.h"

#include "toolkit/platform.h"

namespace {

IdleClock::Now nowFn = platform::nowMs;
IdleClock::Sleep sleepFn = platform::sleepMs;

}  // namespace

unsigned long IdleClock::now() {
    return nowFn();
}

void IdleClock::sleep(unsigned long ms) {
    sleepFn(ms);
}

void IdleClock::set(Now n, Sleep s) {
    nowFn = n ? n : platform::nowMs;
    sleepFn = s ? s : platform::sleepMs;
}
