// The offline output: no device and no thread. The ring plays only when the
// caller says how many bytes have been played (a capture's virtual clock, a
// test, a tool), and each block that finishes is mixed on the caller's
// thread. The same calls on the same sounds give the same bytes.
#include "sound/audiodriver.h"
#include "sound/audiodriver_output.h"

static bool g_offline_open = false;       // an offline output is open
static uint64_t g_offline_played = 0;     // bytes played since it opened
static uint32_t g_offline_framesize = 0;  // bytes per output frame

int audiodriver_offline_open(unsigned framebytes)
{
    g_offline_open = true;
    g_offline_played = 0;
    g_offline_framesize = framebytes;
    return 1;
}

void audiodriver_offline_close() { g_offline_open = false; }

int audiodriver_offline_play(void* out, unsigned bytes)
{
    if (!g_offline_open) return 0;
    g_offline_played += bytes;
    return audiodriver_playring(out, bytes);
}

int audiodriver_offline_playuntil(uint64_t frames)
{
    if (!g_offline_open) return 0;
    uint64_t target = frames * g_offline_framesize;
    int mixed = 0;
    while (g_offline_played < target) {
        uint64_t left = target - g_offline_played;
        mixed += audiodriver_offline_play(nullptr, (unsigned)(left < (1u << 30) ? left : (1u << 30)));
    }
    return mixed;
}
