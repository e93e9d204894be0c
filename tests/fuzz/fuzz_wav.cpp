// links: mox_sound mox_core
// Reads arbitrary bytes as a WAV file through the file layer, then plays
// what was accepted through the mixer (looping, both output layouts) and
// writes it back, which must read back the same.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "core/corefile.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"

static std::string dir;

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    dir = "/tmp/fuzz_wav_" + std::to_string(getpid());
    mkdir(dir.c_str(), 0700);
    if (!freopen("/dev/null", "w", stdout)) return 1;  // the loaders' log lines
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    FILE* f = fopen((dir + "/in.wav").c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    if (!corefile_mountimage(dir.c_str(), COREFILE_DIRECTORY)) return 0;

    s_sound sound{};
    Soundsystem_LoadSound("in.wav", &sound);
    if (sound.data) {
        const int channels = size > 0 && (data[0] & 1) ? 1 : 2;
        Soundsystem_Init(44100, 16, channels);
        Soundsystem_PlaySound(&sound, 1);
        audiodriver_offline_play(nullptr, 2048 * 4 * 2);
        Soundsystem_StopSound(&sound);
        Soundsystem_CloseAudio();

        Soundsystem_SaveWAV("out.wav", &sound);
        // The header counts whole samples; a trailing partial one is dropped.
        s_sound back{};
        const uint32_t whole = sound.length * (sound.bits / 8u);
        if (!Soundsystem_LoadWAV("out.wav", &back) || back.size != whole || back.channels != sound.channels ||
            back.frequency != sound.frequency || back.bits != sound.bits || memcmp(back.data, sound.data, whole) != 0)
            abort();
        free(back.data);
    }
    Soundsystem_DeleteSound(&sound);
    corefile_closeimage();
    return 0;
}
