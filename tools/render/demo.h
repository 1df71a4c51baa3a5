// The built-in demo: a drum pattern made on the fly (kicks and snares from
// sine bursts and decaying noise, hats from filtered noise, with quiet and
// loud bars) so the envelope followers have something to follow, settings
// that bring the oscillator, the noise and a resonant filter forward, and a
// bass line for key tracking. Generated the same way on every machine.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "audiostream.h"
#include "noteoption.h"

namespace trs::render::demo {

constexpr double kSampleRate = 44100.0;
constexpr double kSeconds = 8.0;
constexpr const char* kDefaultOutput = "out/tresselin-demo.wav";

AudioBuffer makeInput(double sampleRate = kSampleRate, double seconds = kSeconds);
// Parameter name and normalised value, applied in this order.
std::vector<std::pair<std::string, float>> settings();
std::vector<NoteOption> notes();

}  // namespace trs::render::demo
