// The demo's music as its mixer plays it, block by block, for timingtool's
// beats and plot: each block's time, the beat detector's two probes over
// it and the lowest and highest sample it holds.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct musicblock {
    int32_t units;       // the music's time after the block, in timing units
    double seconds;      // and in seconds
    float e1306, e1531;  // the probe energies x 0.0002, as the demo's beat detector takes them
    float low, high;     // the block's lowest and highest sample, -1..1
};

// Plays the WAV file `path` once through the offline output, as the demo
// does; false with `error` saying why when it gives no sound.
bool MixMusicBlocks(const char* path, std::vector<musicblock>* blocks, std::string* error);
