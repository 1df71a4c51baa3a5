#include "parametersetting.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

#include "plugininstance.h"
#include "rendererror.h"

namespace trs::render {

namespace {

std::string trimmed(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b])))
        ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1])))
        --e;
    return s.substr(b, e - b);
}

bool equalIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    return true;
}

// "7", "-1", "+3": meant as an index, in range or not.
bool isIndex(const std::string& s) {
    const size_t first = !s.empty() && (s[0] == '-' || s[0] == '+') ? 1 : 0;
    if (s.size() == first || s.size() > first + 9)
        return false;
    for (size_t i = first; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9')
            return false;
    return true;
}

}  // namespace

ParameterSetting ParameterSetting::parse(const std::string& text) {
    const size_t eq = text.rfind('=');
    if (eq == std::string::npos)
        throw RenderError("bad --set '" + text + "': expected NAME=VALUE or INDEX=VALUE");
    ParameterSetting setting;
    setting.key = trimmed(text.substr(0, eq));
    const std::string valueText = trimmed(text.substr(eq + 1));
    if (setting.key.empty())
        throw RenderError("bad --set '" + text + "': no parameter name before '='");
    if (valueText.empty())
        throw RenderError("bad --set '" + text + "': no value after '='");
    char* end = nullptr;
    const double v = std::strtod(valueText.c_str(), &end);
    const bool spelledOut = valueText.find_first_of("iInN") != std::string::npos;  // inf, nan
    if (end != valueText.c_str() + valueText.size() || (!std::isfinite(v) && spelledOut))
        throw RenderError("bad --set '" + text + "': value '" + valueText + "' is not a number");
    if (v < 0.0 || v > 1.0)
        throw RenderError("bad --set '" + text + "': value " + valueText + " is outside 0..1");
    setting.value = static_cast<float>(v);
    return setting;
}

int findParameter(host::PluginInstance& plugin, const std::string& key) {
    const int count = plugin.numParameters();
    if (isIndex(key)) {
        const long index = std::atol(key.c_str());
        if (index < 0 || index >= count)
            throw RenderError("parameter index " + key + " is out of range: this plug-in has " + std::to_string(count) +
                              " (0-" + std::to_string(count - 1) + ")");
        return static_cast<int>(index);
    }
    int folded = -1;
    for (int i = 0; i < count; ++i) {
        const std::string name = plugin.parameterName(i);
        if (name == key)
            return i;
        if (folded < 0 && equalIgnoringCase(name, key))
            folded = i;
    }
    if (folded >= 0)
        return folded;
    throw RenderError("unknown parameter '" + key + "' (--list shows this plug-in's parameters)");
}

std::string describeParameter(host::PluginInstance& plugin, int index) {
    std::string text = plugin.parameterName(index) + " = " + trimmed(plugin.parameterDisplay(index));
    const std::string label = trimmed(plugin.parameterLabel(index));
    if (!label.empty())
        text += " " + label;
    return text;
}

}  // namespace trs::render
