// trs-golden PLUGIN: prints the checksums of the golden renders through a
// plug-in, in the format of golden-renders.txt.
#include <cinttypes>
#include <cstdio>

#include "goldenrender.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: trs-golden PLUGIN\n");
        return 2;
    }
    std::vector<float> l, r;
    trs::golden::makeInput(l, r);
    std::printf("input %016" PRIx64 "\n", trs::golden::checksum(l, r));
    for (const auto& c : trs::golden::cases()) {
        std::string error;
        if (!trs::golden::render(argv[1], c, l, r, &error)) {
            std::fprintf(stderr, "trs-golden: %s\n", error.c_str());
            return 1;
        }
        std::printf("%s %016" PRIx64 "\n", c.name, trs::golden::checksum(l, r));
    }
    return 0;
}
