// tresselin-render: renders audio through the Tresselin plug-in (or any
// VST 2.4 plug-in) from the command line.
#include <cstdio>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "platform.h"
#include "renderapp.h"
#include "rendererror.h"

int main(int argc, char** argv) {
    trs::render::platform::reportCrashes();
    try {
        const std::vector<std::string> args(argv + 1, argv + argc);
        const auto options = trs::render::RenderOptions::parse(args);
        return trs::render::RenderApp(std::cout, std::cerr).run(options);
    } catch (const trs::render::RenderError& e) {
        std::cout.flush();
        std::fprintf(stderr, "tresselin-render: error: %s\n", e.what());
    } catch (const std::exception& e) {
        std::cout.flush();
        std::fprintf(stderr, "tresselin-render: internal error: %s\n", e.what());
    } catch (...) {
        std::fprintf(stderr, "tresselin-render: internal error\n");
    }
    return 1;
}
