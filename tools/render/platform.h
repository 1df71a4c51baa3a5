// The few operating-system calls the tool needs, kept in one place so the
// rest stays portable.
#pragma once

#include <string>

namespace trs::render::platform {

// True when standard error is an interactive terminal.
bool stderrIsTerminal();
// Full path of the running executable, or empty when it cannot be told.
std::string executablePath();
// Number that tells this process apart from others running now.
unsigned long processId();
// While set, Ctrl-C or a termination request removes this file before the
// process ends, so an interrupted render leaves nothing half-written.
void removeOnInterrupt(const std::string& path);
void clearRemoveOnInterrupt();

}  // namespace trs::render::platform
