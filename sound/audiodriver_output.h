// Between the ring (audiodriver.cpp) and the outputs that play it. Not for
// callers outside the sound library.
#pragma once
#include <cstdint>

// Plays `bytes` bytes of the ring into `out` (null: discard), refilling each
// block that finishes. Called by an output on whatever thread it plays on;
// returns the number of blocks mixed.
int audiodriver_playring(void* out, unsigned bytes);

// The SDL2 device: 1 when a device (or the silent fallback) plays.
int audiodriver_sdl_open(unsigned frequency, unsigned bits, int channels);
// Stops the device's callback and closes it; returns after the last callback.
void audiodriver_sdl_close();

// The offline output: nothing runs by itself; audiodriver_offline_play plays.
int audiodriver_offline_open(unsigned framebytes);
void audiodriver_offline_close();
