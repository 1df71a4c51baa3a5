// The input both benches feed their plug-ins, so their figures compare.
#pragma once

#include <cstdint>
#include <vector>

// Drum-like bursts of noise over a triangle at 44100 Hz, so followers and
// dynamics work.
std::vector<float> makeBenchInput(int frames, uint32_t seed);
