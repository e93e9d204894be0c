#include "corerand.h"

#include <cstdint>

static uint32_t mox_randstate = 1;  // as if seeded with 1

void MOX_srand(unsigned int seed) { mox_randstate = seed; }

unsigned int MOX_GetRandState() { return mox_randstate; }

int MOX_rand()
{
    mox_randstate = mox_randstate * 214013u + 2531011u;
    return int((mox_randstate >> 16) & 0x7FFF);
}
