#include "toolkit/displayscale.h"

#include <cstdlib>
#include <cstring>

#include "toolkit/platform.h"

namespace {

bool valid(const char* variable) {
    return variable && (std::strcmp(variable, "1") == 0 || std::strcmp(variable, "2") == 0);
}

}  // namespace

int displayscale::choose(const char* variable, double dpi) {
    if (valid(variable))
        return variable[0] - '0';
    return dpi >= 144.0 ? 2 : 1;
}

int displayscale::forEditor() {
    const char* variable = std::getenv("TRESSELIN_SCALE");
    // The display is asked only when the variable does not decide.
    return choose(variable, valid(variable) ? 0.0 : platform::systemDpi());
}
