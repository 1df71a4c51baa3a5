// What tresselin-render does with its command line: load the plug-in, list
// it or render an input (a file or the demo) through it, and report.
#pragma once

#include <ostream>

#include "renderoptions.h"

namespace trs::render {

class RenderApp {
public:
    // Reports go to out, warnings to err.
    RenderApp(std::ostream& out, std::ostream& err) : out(out), err(err) {}
    // The process exit code; failures throw RenderError.
    int run(const RenderOptions& options);

private:
    std::ostream& out;
    std::ostream& err;
};

}  // namespace trs::render
