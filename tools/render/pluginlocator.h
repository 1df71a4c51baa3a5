// Finds the Tresselin plug-in library to load when none is named: the one
// built beside this executable, or the installed one.
#pragma once

#include <string>
#include <vector>

namespace trs::render {

struct PluginLocator {
    std::string executable;       // this program's path
    std::string buildExecutable;  // where the build tree puts this program
    std::string buildPlugin;      // the plug-in in the same build tree
    std::string installedPlugin;  // where `cmake --install` puts the plug-in
    std::string home;             // the user's home directory, if any

    // The paths worth trying, best first.
    std::vector<std::string> candidates() const;
    // The first candidate that exists; throws RenderError listing them if none.
    std::string locate() const;

    // Filled from this build's settings and the running process.
    static PluginLocator forThisProgram();
};

}  // namespace trs::render
