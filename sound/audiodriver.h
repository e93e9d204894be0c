// The audio driver: a ring of 4 blocks of 2048 frames that an output plays
// in order; each block that has been played is refilled by the mixer
// (audiodriver_mixbuffers) and queued again, so the mixer's positions run
// ahead of what is heard by the queued blocks. The outputs: an SDL2 audio
// device (a silent, real-time paced one when there is no device) and an
// offline output that plays the ring only when asked to, and the silent
// real-time output on request.
#pragma once
#include <cstdint>

// The outputs: the platform's device (or the silent one when there is
// none), the offline output that plays only when told, and the silent
// real-time output asked for outright (tests, machines meant to be quiet).
enum {
    AUDIODRIVER_DEVICE = 0,
    AUDIODRIVER_OFFLINE = 1,
    AUDIODRIVER_SILENT = 2
};

// Opens a new ring of 4 blocks of 2048 frames at `frequency` Hz and `bits`
// (8 or 16) per sample, stereo when flags bit 1 is set, and starts the
// output audiodriver_setoutput chose; `bufferlength` is not used. An open
// ring is closed first. Returns 1 when the output plays, 0 for other bits
// or an output that does not open; frequency 0 does nothing and returns 1.
// Demo thread (Soundsystem_Init calls it).
int audiodriver_init(unsigned frequency, unsigned bits, int bufferlength, int flags);
// Stops the output (its last callback has run when it returns), then frees
// the ring. Demo thread.
void audiodriver_close();
// The block the ring refills next and the bytes of a block (both may be
// null). Returns 1. For a program that feeds an output by hand.
int audiodriver_getbuffer(void** block, unsigned* bytes);
// Queues that block whole and moves the ring on to the next, unmixed.
void audiodriver_submitbuffer();
// Mixes the block played longest ago and moves the ring on; an output
// calls it (through the ring) each time a block has been played.
void fillnextbuffer();
// The mixer: every started sound into `block`, `bytes` bytes in the
// output's format (at most one mix buffer's worth), stopping sounds that
// end and keeping the block in the history. Runs under the lock, on the
// thread that plays the ring; `unused` is not used.
void audiodriver_mixbuffers(void* block, int bytes, int unused);

// The blocks a new ring has mixed once `frames` output frames have played
// (the offline output at t ms has played t x 44100 / 1000 of them), and the
// frames played when a new ring mixes its block number `blocks`: the
// schedule that every output keeps, give or take its own timing.
uint32_t audiodriver_blocksby(uint64_t frames);
// See audiodriver_blocksby: the frames played when block `blocks` is mixed.
uint64_t audiodriver_framesfor(uint32_t blocks);

// Frames the open output holds mixed beyond the ring, not played yet: the
// blocks the browser's worklet keeps queued; 0 for the other outputs.
uint32_t audiodriver_aheadframes();

// Output frames the open output has played since it opened: what a device
// reports played, or what the silent and offline outputs played.
uint64_t audiodriver_playedframes();

// Chooses the output the next audiodriver_init opens (device by default).
void audiodriver_setoutput(int output);
// Moves the open ring to another output, keeping what it holds: the blocks
// already mixed play next on the new output, so every sound's position goes
// on without a jump (a demo maker's rehearsal on the offline output handing
// over to the device). With `restart` the ring starts again instead, with
// the four short silent blocks of a new output, so what follows is what a
// new output would play: for when nothing mixed so far is heard (a sound
// started under the lock, before any block of it was mixed). The old output
// has stopped when it returns. Returns 1 when the new output plays (the
// device may be the silent one in its place), 0 when nothing is open.
int audiodriver_switchoutput(int output, int restart);
// The output that is open: AUDIODRIVER_DEVICE, AUDIODRIVER_OFFLINE, or -1.
int audiodriver_openoutput();
// The offline output: plays `bytes` bytes of the ring into `out` (may be
// null), mixing each block that finishes, on the calling thread. Returns the
// number of blocks mixed. Does nothing unless the offline output is open.
int audiodriver_offline_play(void* out, unsigned bytes);
// The same, up to `frames` output frames played since the output opened: a
// virtual clock at t ms asks for t x 44100 / 1000 frames. Returns the blocks
// mixed.
int audiodriver_offline_playuntil(uint64_t frames);
