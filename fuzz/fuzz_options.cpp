// The tool's own value parsers for --set and --note: any text either parses
// to a value in range or is refused with the tool's error.
#include <cmath>
#include <string>

#include "fuzzsupport.h"
#include "noteoption.h"
#include "parametersetting.h"
#include "rendererror.h"

using namespace trs::render;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const ParameterSetting s = ParameterSetting::parse(text);
        if (!(s.value >= 0.0f && s.value <= 1.0f))
            trsfuzz::fail("--set accepted a value outside 0..1");
    } catch (const RenderError&) {
    }
    try {
        const NoteOption n = NoteOption::parse(text);
        if (n.note < 0 || n.note > 127 || !std::isfinite(n.start) || n.start < 0 || !std::isfinite(n.length) ||
            n.length < 0)
            trsfuzz::fail("--note accepted a note outside the keyboard or a time that is no time");
    } catch (const RenderError&) {
    }
    return 0;
}
