// The SDL2 output: an audio device at the ring's format whose callback, on
// SDL's audio thread, plays the ring and so refills each block that has been
// played. Without a usable device a silent output takes over: a thread that
// plays the ring in steps of 10 ms against deadlines on the steady clock, so
// positions (the demo's clock) keep real time. SDL's own "dummy" driver
// sleeps a whole number of milliseconds after each callback and falls behind
// by the callback's time and the sleep's overshoot (about a tenth here), so
// it is not used. The only file that includes SDL for sound.
#include <SDL.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "sound/audiodriver_output.h"

static SDL_AudioDeviceID g_device = 0;        // the open device, 0: none
static bool g_audio_subsystem = false;        // this module started SDL's audio
static std::thread g_silent_thread;           // the silent output, when it runs
static std::atomic<bool> g_silent_running{false};

// A program may end without closing its output (the demo stops no sound and
// frees nothing): the silent thread is stopped before its record goes,
// since destroying a running thread's record ends the process abnormally.
static struct silent_guard {
    ~silent_guard() {
        if (!g_silent_thread.joinable()) return;
        g_silent_running.store(false, std::memory_order_release);
        g_silent_thread.join();
    }
} g_silent_guard;

static void SDLCALL audiodriver_sdl_callback(void* userdata, Uint8* stream, int len) {
    (void)userdata;
    audiodriver_playring(stream, len > 0 ? (unsigned)len : 0);
}

// Plays 441 frames (10 ms at 44100 Hz) per step; each deadline is counted
// from the start, so sleeping late never adds up.
static void silent_output(unsigned frequency, unsigned framebytes) {
    using clock = std::chrono::steady_clock;
    const unsigned stepframes = frequency / 100 ? frequency / 100 : 1;
    const clock::time_point start = clock::now();
    uint64_t frames = 0;
    while (g_silent_running.load(std::memory_order_acquire)) {
        audiodriver_playring(nullptr, stepframes * framebytes);
        frames += stepframes;
        std::this_thread::sleep_until(start + std::chrono::microseconds(frames * 1000000 / frequency));
    }
}

int audiodriver_sdl_open(unsigned frequency, unsigned bits, int channels) {
    g_device = 0;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        g_audio_subsystem = true;
        SDL_AudioSpec want;
        SDL_zero(want);
        want.freq = (int)frequency;
        want.format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
        want.channels = (Uint8)channels;
        want.samples = 2048;  // one block per callback
        want.callback = audiodriver_sdl_callback;
        SDL_AudioSpec have;
        // No changes allowed: SDL converts to the device's format itself.
        g_device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    }
    if (g_device) {
        SDL_PauseAudioDevice(g_device, 0);
        return 1;
    }
    printf("AUDIO: no audio device (%s): playing silence in real time\n", SDL_GetError());
    if (g_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audio_subsystem = false;
    g_silent_running.store(true, std::memory_order_release);
    g_silent_thread = std::thread(silent_output, frequency, (bits / 8) * (unsigned)channels);
    return 1;
}

void audiodriver_sdl_close() {
    if (g_device) {
        // Returns only after SDL's audio thread has run its last callback.
        SDL_CloseAudioDevice(g_device);
        g_device = 0;
    }
    if (g_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audio_subsystem = false;
    if (g_silent_thread.joinable()) {
        g_silent_running.store(false, std::memory_order_release);
        g_silent_thread.join();
    }
}
