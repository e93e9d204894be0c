// The demo's music, synthesized from the score in music.cpp along the
// arrangement's sections. Single-threaded tool code.
#pragma once
#include <cstdint>
#include <vector>

// The whole track as interleaved 16-bit stereo at 44100 Hz; `peak` receives
// the largest absolute sample before conversion (full scale 1).
std::vector<int16_t> RenderMusic(double* peak);
