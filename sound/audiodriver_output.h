// Between the ring (audiodriver.cpp) and the outputs that play it. Not for
// callers outside the sound library.
#pragma once
#include <cstdint>

// Plays `bytes` bytes of the ring into `out` (null: discard), refilling each
// block that finishes. Called by an output on whatever thread it plays on;
// returns the number of blocks mixed.
int audiodriver_playring(void* out, unsigned bytes);

// The ring's block `index` (0..3): its address and the bytes queued in it
// (the short start blocks hold 2048). Null once the ring is closed.
unsigned char* audiodriver_ringblock(int index, uint32_t* bytes);
// The block that fillnextbuffer refills next: the one played longest ago.
int audiodriver_ringnext();
// Bytes of that block already played: 0 but when the ring moves to another
// output in the middle of a block.
uint32_t audiodriver_ringoffset();
// An output that plays the blocks itself (wave-out) reports each one played.
void audiodriver_ringplayed(uint32_t bytes);

// The platform's device (audiodriver_sdl.cpp or audiodriver_win32.cpp): 1
// when a device, or the silent output in its place, plays. It plays the
// ring from where play stands: block audiodriver_ringnext(), from
// audiodriver_ringoffset() bytes in.
int audiodriver_device_open(unsigned frequency, unsigned bits, int channels);
// Stops the device's callback and closes it; returns after the last callback.
void audiodriver_device_close();
// Frames the device holds mixed beyond the ring and not yet played (a
// queue of its own, as the browser's worklet keeps); 0 for the others.
uint32_t audiodriver_device_ahead();

// The silent real-time output, for a machine without a device.
int audiodriver_silent_open(unsigned frequency, unsigned framebytes);
void audiodriver_silent_close();

// The offline output: nothing runs by itself; audiodriver_offline_play plays.
int audiodriver_offline_open(unsigned framebytes);
void audiodriver_offline_close();
