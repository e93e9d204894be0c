// Mastering for the music: make-up gain and a stereo-linked look-ahead peak
// limiter, with the loudness measured as broadcast meters
// measure it (K-weighted, gated, in LUFS). Plain double arithmetic in a
// fixed order, so the same mix masters to the same samples. Single-threaded
// tool code.
#pragma once
#include <cstddef>

#include "synth.h"

// Integrated loudness of 44100 Hz stereo in LUFS: K-weighting, 400 ms blocks
// every 100 ms, the absolute gate at -70 LUFS and the relative one 10 LU
// below the blocks that pass it. -70 or less for silence.
double IntegratedLoudness(const stereo_buffer& sound);

// The largest absolute sample of either channel.
double SamplePeak(const stereo_buffer& sound);

struct master_result {
    double gain_db;  // the make-up gain it settled on
    double lufs;     // the loudness it reached
    double peak;     // the largest sample, under the ceiling
};

// Masters `mix` in place to `target_lufs` integrated with no sample above
// `ceiling`: raises it, limits its peaks (only the loud sections' drum hits
// reach the limiter, so the quiet sections keep their distance below them),
// then multiplies it by `fade` (one factor per frame, the track's fade-out,
// or null), searching the make-up gain until the faded result lands within
// 0.05 LU of the target.
master_result MasterMusic(stereo_buffer& mix, double target_lufs, double ceiling, const float* fade);
