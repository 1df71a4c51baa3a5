#include "pluginlocator.h"

#include <cstdlib>
#include <filesystem>

#include "platform.h"
#include "rendererror.h"

namespace fs = std::filesystem;

namespace trs::render {

namespace {

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ec;
    return !a.empty() && !b.empty() && fs::equivalent(a, b, ec);
}

}  // namespace

std::vector<std::string> PluginLocator::candidates() const {
    std::vector<std::string> out;
    // A build-tree program uses the plug-in built with it, never a stale
    // installed copy.
    if (sameFile(executable, buildExecutable) && !buildPlugin.empty())
        return {buildPlugin};
    const fs::path plugin = fs::path(installedPlugin).filename();
    if (!executable.empty() && !plugin.empty()) {
        // bin/tresselin-render beside lib/vst/Tresselin.so: an install under
        // any prefix, or an unpacked release archive.
        out.push_back((fs::path(executable).parent_path().parent_path() / "lib" / "vst" / plugin).string());
    }
    if (!installedPlugin.empty())
        out.push_back(installedPlugin);
    if (!home.empty() && !plugin.empty())
        out.push_back((fs::path(home) / ".vst" / plugin).string());
    if (!buildPlugin.empty())
        out.push_back(buildPlugin);
    return out;
}

std::string PluginLocator::locate() const {
    const auto list = candidates();
    std::string tried;
    for (const auto& path : list) {
        std::error_code ec;
        if (fs::is_regular_file(path, ec))
            return path;
        tried += (tried.empty() ? "" : ", ") + path;
    }
    throw RenderError("no Tresselin plug-in found (looked for " + tried + "); name one with --plugin PATH");
}

PluginLocator PluginLocator::forThisProgram() {
    PluginLocator l;
    l.executable = platform::executablePath();
#ifdef TRS_BUILD_EXECUTABLE
    l.buildExecutable = TRS_BUILD_EXECUTABLE;
#endif
#ifdef TRS_BUILD_PLUGIN
    l.buildPlugin = TRS_BUILD_PLUGIN;
#endif
#ifdef TRS_INSTALLED_PLUGIN
    l.installedPlugin = TRS_INSTALLED_PLUGIN;
#endif
    if (const char* home = std::getenv("HOME"))
        l.home = home;
    return l;
}

}  // namespace trs::render
