// The Windows output: the wave-out device plays the ring's own four blocks
// (audiodriver.cpp), queued back to back. The four start blocks are short
// and silent; each block the device hands back is refilled by the mixer and
// queued again behind the other three, so the mixer's positions run ahead of
// what is heard by the queued blocks.
//
// Threads: the device's completion callback (waveOutProc, on a system
// thread) only wakes the driver's refill thread: wave-out calls made from
// inside that callback can deadlock, so the refill (unprepare, mix, prepare,
// write) runs on the driver's thread. Blocks come back in queue order, so
// the refill walks the ring from the block refilled next while the device
// marks it done. Without a device, the silent real-time output plays the
// ring instead. The only file that includes the wave-out interface.
#include <windows.h>
#include <mmsystem.h>  // wave-out

#include <atomic>
#include <cstdio>
#include <cstring>
#include <thread>

#include "sound/audiodriver.h"
#include "sound/audiodriver_output.h"

enum {
    WAVE_BLOCKS = 4
};

static HWAVEOUT g_wo = nullptr;          // the open device, null: none
static WAVEFORMATEX g_wf;                // its PCM format
static WAVEHDR g_hdr[WAVE_BLOCKS];       // one header per block of the ring
static HANDLE g_refill_event = nullptr;  // set by waveOutProc on each block done
static std::thread g_refill_thread;
static std::atomic<bool> g_refill_running{false};
static bool g_silent = false;  // the silent output plays instead

static void CALLBACK waveOutProc(HWAVEOUT, UINT message, DWORD_PTR, DWORD_PTR, DWORD_PTR)
{
    if (message == WOM_DONE) SetEvent(g_refill_event);
}

// Points header `index` at its block of the ring from `offset` bytes in,
// with the bytes the block holds (2048 for the short start blocks), and
// prepares it.
static bool prepareblock(int index, uint32_t offset = 0)
{
    WAVEHDR& h = g_hdr[index];
    uint32_t bytes = 0;
    unsigned char* data = audiodriver_ringblock(index, &bytes);
    memset(&h, 0, sizeof h);
    if (!data || offset > bytes) return false;  // the ring was closed
    h.lpData = reinterpret_cast<LPSTR>(data + offset);
    h.dwBufferLength = bytes - offset;
    return waveOutPrepareHeader(g_wo, &h, sizeof h) == MMSYSERR_NOERROR;
}

static void refill()
{
    while (g_refill_running.load(std::memory_order_acquire)) {
        WaitForSingleObject(g_refill_event, INFINITE);
        // One wake may stand for several blocks done.
        for (;;) {
            if (!g_refill_running.load(std::memory_order_acquire)) return;
            const int index = audiodriver_ringnext();
            WAVEHDR& h = g_hdr[index];
            if (!(h.dwFlags & WHDR_DONE)) break;
            if (h.dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(g_wo, &h, sizeof h);
            audiodriver_ringplayed(h.dwBufferLength);
            h.dwFlags = 0;
            fillnextbuffer();  // mixes this block; the ring moves on
            if (prepareblock(index)) waveOutWrite(g_wo, &h, sizeof h);
        }
    }
}

// A program may end without closing its output (the demo never does): the
// refill thread is stopped before its record goes.
static struct refill_guard {
    ~refill_guard() { audiodriver_device_close(); }
} g_refill_guard;

int audiodriver_device_open(unsigned frequency, unsigned bits, int channels)
{
    memset(&g_wf, 0, sizeof g_wf);
    const unsigned framebytes = (bits / 8) * unsigned(channels);
    g_wf.wFormatTag = WAVE_FORMAT_PCM;
    g_wf.nChannels = WORD(channels);
    g_wf.nSamplesPerSec = frequency;
    g_wf.nAvgBytesPerSec = framebytes * frequency;
    g_wf.nBlockAlign = WORD(framebytes);
    g_wf.wBitsPerSample = WORD(bits);
    g_wf.cbSize = 0;
    g_refill_event = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    const MMRESULT opened = g_refill_event
                                ? waveOutOpen(&g_wo, WAVE_MAPPER, &g_wf, DWORD_PTR(waveOutProc), 0, CALLBACK_FUNCTION)
                                : MMSYSERR_NOMEM;
    if (opened != MMSYSERR_NOERROR) {
        g_wo = nullptr;
        // Said once: a demo maker's seeks and pauses come back to it often.
        static bool said = false;
        if (!said) printf("AUDIO: no audio device (wave-out error %u): playing silence in real time\n", unsigned(opened));
        said = true;
        g_silent = true;
        return audiodriver_silent_open(frequency, framebytes);
    }
    // The refill thread first, so no completion finds nobody waiting.
    g_refill_running.store(true, std::memory_order_release);
    g_refill_thread = std::thread(refill);
    // From where play stands: block 0 of a new ring, or the rest of the
    // block an earlier output was playing.
    const int first = audiodriver_ringnext();
    const uint32_t offset = audiodriver_ringoffset();
    for (int i = 0; i < WAVE_BLOCKS; i++) {
        if (!prepareblock((first + i) % WAVE_BLOCKS, i == 0 ? offset : 0)) {
            audiodriver_device_close();
            return 0;
        }
    }
    for (int i = 0; i < WAVE_BLOCKS; i++) waveOutWrite(g_wo, &g_hdr[(first + i) % WAVE_BLOCKS], sizeof g_hdr[0]);
    return 1;
}

void audiodriver_device_close()
{
    if (g_silent) {
        audiodriver_silent_close();
        g_silent = false;
    }
    if (g_refill_thread.joinable()) {
        g_refill_running.store(false, std::memory_order_release);
        SetEvent(g_refill_event);
        g_refill_thread.join();
    }
    if (g_wo) {
        // The reset hands every queued block back; then none is held.
        waveOutReset(g_wo);
        for (int i = 0; i < WAVE_BLOCKS; i++)
            if (g_hdr[i].dwFlags & WHDR_PREPARED) waveOutUnprepareHeader(g_wo, &g_hdr[i], sizeof g_hdr[i]);
        waveOutClose(g_wo);
        g_wo = nullptr;
    }
    if (g_refill_event) CloseHandle(g_refill_event);
    g_refill_event = nullptr;
}

// The device asks for each block as it needs it: nothing is queued beyond the ring.
uint32_t audiodriver_device_ahead() { return 0; }
