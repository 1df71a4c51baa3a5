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
// From now on a crash (most likely in a plug-in, while it loads too) ends
// the process with a one-line message.
void reportCrashes();
// While set, any signal that ends the process (an interrupt, a hang-up, a
// broken pipe, a plug-in that crashes) or an exit() from a plug-in removes
// this file first, so an interrupted render leaves nothing half-written.
// False when the path is too long to be kept for that.
bool removeOnInterrupt(const std::string& path);
void clearRemoveOnInterrupt();
// The permission bits of an existing file.
bool fileMode(const std::string& path, unsigned& mode);
// Gives `to` the permission bits `mode` and, where allowed (as root), the
// owner and group of `from`.
void copyOwnerAndMode(const std::string& from, const std::string& to, unsigned mode);

}  // namespace trs::render::platform
