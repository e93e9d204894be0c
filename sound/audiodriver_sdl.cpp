// The SDL2 output: an audio device at the ring's format whose callback, on
// SDL's audio thread, plays the ring and so refills each block that has been
// played. Without a usable device the output falls back to SDL's silent
// "dummy" driver, which still calls back in real time, so positions (the
// demo's clock) keep advancing. The only file that includes SDL for sound.
#include <SDL.h>

#include <cstdio>

#include "sound/audiodriver_output.h"

static SDL_AudioDeviceID g_device = 0;   // the open device, 0: none
static bool g_audio_subsystem = false;   // this module started SDL's audio

static void SDLCALL audiodriver_sdl_callback(void* userdata, Uint8* stream, int len) {
    (void)userdata;
    audiodriver_playring(stream, len > 0 ? (unsigned)len : 0);
}

static SDL_AudioDeviceID open_device(unsigned frequency, unsigned bits, int channels, Uint16 samples) {
    SDL_AudioSpec want;
    SDL_zero(want);
    want.freq = (int)frequency;
    want.format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
    want.channels = (Uint8)channels;
    want.samples = samples;
    want.callback = audiodriver_sdl_callback;
    SDL_AudioSpec have;
    // No changes allowed: SDL converts to the device's format itself.
    return SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
}

int audiodriver_sdl_open(unsigned frequency, unsigned bits, int channels) {
    // One block per callback on a real device. The dummy driver sleeps
    // samples x 1000 / frequency whole milliseconds per callback, so it gets
    // 441 frames: exactly 10 ms at 44100 Hz, and the clock keeps real time.
    g_device = 0;
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        g_audio_subsystem = true;
        g_device = open_device(frequency, bits, channels, 2048);
    }
    if (g_device == 0) {
        printf("AUDIO: no audio device (%s): playing silence in real time\n", SDL_GetError());
        if (g_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
        g_audio_subsystem = false;
        if (SDL_AudioInit("dummy") == 0) {
            g_device = open_device(frequency, bits, channels, 441);
            if (g_device == 0) SDL_AudioQuit();
        }
        if (g_device == 0) return 0;
    }
    SDL_PauseAudioDevice(g_device, 0);
    return 1;
}

void audiodriver_sdl_close() {
    if (g_device) {
        // Returns only after SDL's audio thread has run its last callback.
        SDL_CloseAudioDevice(g_device);
        g_device = 0;
    }
    if (g_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    else SDL_AudioQuit();
    g_audio_subsystem = false;
}
