// The offline output: no device and no thread. The ring plays only when the
// caller says how many bytes have been played (a capture's virtual clock, a
// test, a tool), and each block that finishes is mixed on the caller's
// thread. The same calls on the same sounds give the same bytes.
#include "sound/audiodriver.h"
#include "sound/audiodriver_output.h"

static bool g_offline_open = false;  // an offline output is open

int audiodriver_offline_open() {
    g_offline_open = true;
    return 1;
}

void audiodriver_offline_close() { g_offline_open = false; }

int audiodriver_offline_play(void* out, unsigned bytes) {
    if (!g_offline_open) return 0;
    return audiodriver_playring(out, bytes);
}
