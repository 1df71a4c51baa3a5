// The editor's idle timing on Windows: the system tick count and Sleep.
#include "toolkit/idleclock.h"

#include <windows.h>

namespace {

unsigned long systemNow() { return GetTickCount(); }

void systemSleep(unsigned long ms) { Sleep(DWORD(ms)); }

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
