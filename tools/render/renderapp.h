// What tresselin-render does with its command line: load the plug-in, list
// it or render an input (a file or the demo) through it, and report.
#pragma once

#include <ostream>

#include "renderoptions.h"

namespace trs::render {

class RenderApp {
public:
    explicit RenderApp(std::ostream& out) : out(out) {}
    // The process exit code; failures throw RenderError.
    int run(const RenderOptions& options);

private:
    std::ostream& out;
};

}  // namespace trs::render
