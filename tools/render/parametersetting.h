// A parameter setting from the command line, "NAME=VALUE" or "INDEX=VALUE"
// with a normalised value, and its binding to a loaded plug-in's parameter.
#pragma once

#include <string>

namespace trs::host {
class PluginInstance;
}

namespace trs::render {

struct ParameterSetting {
    std::string key;  // a parameter name or index, as given
    float value = 0.0f;

    // Throws RenderError when the text is not KEY=VALUE with a value 0..1.
    static ParameterSetting parse(const std::string& text);
};

// The index of the parameter the key names: an index in range, the exact
// name, or else the name ignoring case. Throws RenderError if none matches.
int findParameter(host::PluginInstance& plugin, const std::string& key);

// "CutOff = 1234.5 Hz": the plug-in's own name, display and label.
std::string describeParameter(host::PluginInstance& plugin, int index);

}  // namespace trs::render
