// Writes the bundle's Turtle from the parameter table, so that the ports can
// never disagree with the effect:
//   trs-lv2-ttlgen BUNDLE_DIR   writes manifest.ttl and tresselin.ttl there
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "lv2/lv2ports.h"

namespace {

using namespace trs::lv2;

// "EF1.Osc.AM" -> "ef1_osc_am": lower case, anything else an underscore.
std::string symbolOf(const char* name) {
    std::string s;
    for (const char* c = name; *c; ++c)
        s += std::isalnum((unsigned char)*c) ? (char)std::tolower((unsigned char)*c) : '_';
    return s;
}

// The shortest decimal a host reads back (as a double, then a float) to the
// very float the effect starts from.
std::string literal(float value) {
    char text[32];
    for (int digits = 1; digits <= 9; ++digits) {
        std::snprintf(text, sizeof text, "%.*g", digits, (double)value);
        if ((float)std::strtod(text, nullptr) == value)
            break;
    }
    std::string s = text;
    if (s.find_first_of(".e") == std::string::npos)
        s += ".0";
    return s;
}

const char kPrefixes[] =
    "@prefix atom: <http://lv2plug.in/ns/ext/atom#> .\n"
    "@prefix doap: <http://usefulinc.com/ns/doap#> .\n"
    "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
    "@prefix midi: <http://lv2plug.in/ns/ext/midi#> .\n"
    "@prefix rdf: <http://www.w3.org/1999/02/22-rdf-syntax-ns#> .\n"
    "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
    "@prefix ui: <http://lv2plug.in/ns/extensions/ui#> .\n"
    "@prefix urid: <http://lv2plug.in/ns/ext/urid#> .\n\n";

std::string manifest() {
    std::string t = kPrefixes;
    t += "<" + std::string(kPluginUri) + ">\n  a lv2:Plugin ;\n  lv2:binary <" + kDspBinary +
         "> ;\n  rdfs:seeAlso <tresselin.ttl> .\n\n";
    t += "<" + std::string(kUiUri) + ">\n  a ui:X11UI ;\n  ui:binary <" + kUiBinary +
         "> ;\n  rdfs:seeAlso <tresselin.ttl> .\n";
    return t;
}

std::string audioPort(uint32_t index, const char* io, const char* symbol, const char* name) {
    return "  [\n    a lv2:AudioPort , lv2:" + std::string(io) + " ;\n    lv2:index " + std::to_string(index) +
           " ;\n    lv2:symbol \"" + symbol + "\" ;\n    lv2:name \"" + name + "\"\n  ]";
}

std::string description() {
    std::string t = kPrefixes;
    t += "<" + std::string(kPluginUri) + ">\n";
    t += "  a lv2:Plugin , lv2:FilterPlugin ;\n";
    t += "  doap:name \"Tresselin\" ;\n";
    t += "  lv2:minorVersion 5 ;\n  lv2:microVersion 0 ;\n";
    t += "  lv2:optionalFeature urid:map , lv2:hardRTCapable ;\n";
    t += "  ui:ui <" + std::string(kUiUri) + "> ;\n";
    t += "  lv2:port\n";
    std::set<std::string> symbols;
    for (int i = 0; i < kNumParams; ++i) {
        const std::string symbol = symbolOf(kParams[i].name);
        if (!symbols.insert(symbol).second) {
            std::fprintf(stderr, "trs-lv2-ttlgen: two parameters give the symbol %s\n", symbol.c_str());
            std::exit(1);
        }
        t += "  [\n    a lv2:InputPort , lv2:ControlPort ;\n";
        t += "    lv2:index " + std::to_string(kFirstControl + i) + " ;\n";
        t += "    lv2:symbol \"" + symbol + "\" ;\n";
        t += "    lv2:name \"" + std::string(kParams[i].name) + "\" ;\n";
        t += "    lv2:default " + literal(kParams[i].defaultValue) + " ;\n";
        t += "    lv2:minimum 0.0 ;\n    lv2:maximum 1.0";
        if (i == kFilterType) {
            // The values the editor's three buttons send.
            t += " ;\n    lv2:portProperty lv2:enumeration ;\n    lv2:scalePoint\n";
            t += "      [ rdfs:label \"LP\" ; rdf:value 0.0 ] ,\n";
            t += "      [ rdfs:label \"HP\" ; rdf:value 0.5 ] ,\n";
            t += "      [ rdfs:label \"BP\" ; rdf:value 1.0 ]";
        }
        t += "\n  ] ,\n";
    }
    t += audioPort(kInputLeft, "InputPort", "in_left", "In Left") + " ,\n";
    t += audioPort(kInputRight, "InputPort", "in_right", "In Right") + " ,\n";
    t += audioPort(kOutputLeft, "OutputPort", "out_left", "Out Left") + " ,\n";
    t += audioPort(kOutputRight, "OutputPort", "out_right", "Out Right") + " ,\n";
    // Optional, so that hosts without MIDI (lv2apply) can run the effect.
    t += "  [\n    a lv2:InputPort , atom:AtomPort ;\n    atom:bufferType atom:Sequence ;\n";
    t += "    atom:supports midi:MidiEvent ;\n    lv2:designation lv2:control ;\n";
    t += "    lv2:portProperty lv2:connectionOptional ;\n";
    t += "    lv2:index " + std::to_string(kMidiInput) + " ;\n";
    t += "    lv2:symbol \"midi_in\" ;\n    lv2:name \"MIDI In\"\n  ] .\n\n";

    t += "<" + std::string(kUiUri) + ">\n";
    t += "  a ui:X11UI ;\n";
    t += "  lv2:requiredFeature ui:parent , ui:idleInterface ;\n";
    t += "  lv2:optionalFeature ui:touch , ui:resize , ui:noUserResize ;\n";
    t += "  lv2:extensionData ui:idleInterface .\n";
    return t;
}

bool write(const std::string& path, const std::string& text) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(text.data(), 1, text.size(), f) == text.size();
    return std::fclose(f) == 0 && ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trs-lv2-ttlgen BUNDLE_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    if (!write(dir + "/manifest.ttl", manifest()) || !write(dir + "/tresselin.ttl", description())) {
        std::fprintf(stderr, "trs-lv2-ttlgen: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}
