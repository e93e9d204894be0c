// The SDL2 output: an audio device at the ring's format whose callback, on
// SDL's audio thread, plays the ring and so refills each block that has been
// played. Without a usable device the silent real-time output takes over
// (audiodriver_silent.cpp); SDL's own "dummy" driver sleeps a whole number
// of milliseconds after each callback and falls behind by the callback's
// time and the sleep's overshoot (about a tenth here), so it is not used.
// The only file that includes SDL for sound.
#include <SDL.h>

#include <cstdio>

#include "sound/audiodriver_output.h"

static SDL_AudioDeviceID g_device = 0;  // the open device, 0: none
static bool g_audio_subsystem = false;  // this module started SDL's audio
static bool g_silent = false;           // the silent output plays instead

static void SDLCALL audiodriver_sdl_callback(void* userdata, Uint8* stream, int len)
{
    (void)userdata;
    audiodriver_playring(stream, len > 0 ? (unsigned)len : 0);
}

int audiodriver_device_open(unsigned frequency, unsigned bits, int channels)
{
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
    // Said once: a demo maker's seeks and pauses come back to it often.
    static bool said = false;
    if (!said) printf("AUDIO: no audio device (%s): playing silence in real time\n", SDL_GetError());
    said = true;
    if (g_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audio_subsystem = false;
    g_silent = true;
    return audiodriver_silent_open(frequency, (bits / 8) * (unsigned)channels);
}

void audiodriver_device_close()
{
    if (g_device) {
        // Returns only after SDL's audio thread has run its last callback.
        SDL_CloseAudioDevice(g_device);
        g_device = 0;
    }
    if (g_audio_subsystem) SDL_QuitSubSystem(SDL_INIT_AUDIO);
    g_audio_subsystem = false;
    if (g_silent) audiodriver_silent_close();
    g_silent = false;
}

// The device asks for each block as it needs it: nothing is queued beyond the ring.
uint32_t audiodriver_device_ahead() { return 0; }
