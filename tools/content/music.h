// The demo's music, synthesized from the score in music.cpp along the
// arrangement's sections. Single-threaded tool code.
#pragma once
#include <cstdint>
#include <vector>

#include "master.h"

// The demo plays each side of its centred music at half amplitude, so its
// mixed output comes out 6 dB below the file: mastering the file to -9 LUFS
// puts what viewers hear near -15 LUFS, where players and sites expect it.
constexpr double MUSIC_LUFS = -9.0;
constexpr double MUSIC_CEILING = 0.944;  // -0.5 dBFS

// The score played into a float buffer: the track before mastering, its
// loud parts peaking above full scale, without the closing fade.
stereo_buffer ComposeMusic();

// The whole track as interleaved 16-bit stereo at 44100 Hz, mastered;
// `mastered` receives the gain, loudness and peak the master reached.
std::vector<int16_t> RenderMusic(master_result* mastered);
