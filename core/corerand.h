// The runtime library's random pair, made the engine's own: one generator
// with the same sequence on every platform and build, so that every viewer
// sees the same show. It is the classic linear congruential generator
// (state = state x 214013 + 2531011, modulo 2^32) giving bits 16..30 of the
// new state: 0..32767. One state for the process; the demo thread draws.
#pragma once

enum {
    MOX_RAND_MAX = 32767
};

// Sets the state to `seed`; before any call the state is 1.
void MOX_srand(unsigned int seed);
// Steps the state and gives 0..MOX_RAND_MAX. Demo thread only: the order
// of the draws is part of the show.
int MOX_rand();
// The generator's state: MOX_srand of it goes on with the same sequence
// from there (a program that starts its show again from a saved point).
unsigned int MOX_GetRandState();
