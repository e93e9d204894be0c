// links: mox_demotoolkit mox_sound mox_core
// The mixer's cost per 2048-frame block with 1 and with 16 active 16-bit
// stereo sounds, the beat probe's cost per call, and how closely the silent
// device output keeps real time.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <thread>
#include <vector>

#include "demo/demotiming.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"

static const double BLOCK_MS = 2048.0 * 1000.0 / 44100.0;  // 46.4 ms of sound

static double now_us()
{
    using namespace std::chrono;
    return duration<double, std::micro>(steady_clock::now().time_since_epoch()).count();
}

// Best of several runs of `blocks` blocks, in microseconds per block.
static double time_blocks(int blocks)
{
    std::vector<int16_t> out(2048 * 2);
    double best = 1e30;
    for (int run = 0; run < 7; run++) {
        double start = now_us();
        for (int i = 0; i < blocks; i++) audiodriver_mixbuffers(out.data(), (int)(out.size() * 2), 0);
        double per = (now_us() - start) / blocks;
        if (per < best) best = per;
    }
    return best;
}

int main()
{
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);

    // 16 looping sounds of 10 s of 16-bit stereo noise.
    const int samples = 44100 * 2 * 10;
    std::vector<std::vector<int16_t>> data(16, std::vector<int16_t>(samples));
    std::vector<s_sound> sounds(16);
    srand(1);
    for (int k = 0; k < 16; k++) {
        for (int16_t& v : data[k]) v = (int16_t)(rand() % 65536 - 32768);
        s_sound& s = sounds[k];
        s.channels = 2;
        s.bits = 16;
        s.frequency = 44100;
        s.size = samples * 2;
        s.length = samples;
        s.data = data[k].data();
        s.volume = 255;
        s.volume_left = s.volume_right = 128;
        s.panning = 128;
        Soundsystem_SetFrequency(&s, 44100);
    }

    printf("mixer, 2048-frame block of 16-bit stereo at 44100 Hz (%.1f ms of sound):\n", BLOCK_MS);
    for (int active : {1, 16}) {
        for (int k = 0; k < active; k++) Soundsystem_PlaySound(&sounds[k], 1);
        double us = time_blocks(400);
        printf("  %2d active sound%s: %8.1f us per block, %6.3f %% of the block's time\n", active,
               active == 1 ? " " : "s", us, 100.0 * us / (BLOCK_MS * 1000.0));
        for (int k = 0; k < active; k++) Soundsystem_StopSound(&sounds[k]);
    }

    // The probe over a block of 16 sounds, as the demo calls it twice a frame.
    for (int k = 0; k < 16; k++) Soundsystem_PlaySound(&sounds[k], 1);
    audiodriver_offline_play(nullptr, 8192);
    const int calls = 20000;
    double best = 1e30;
    volatile float sink = 0;
    for (int run = 0; run < 5; run++) {
        double start = now_us();
        for (int i = 0; i < calls; i++) sink = sink + Soundsystem_DetectFrequency(i % 2 ? 1306.0f : 1531.0f);
        double per = (now_us() - start) / calls;
        if (per < best) best = per;
    }
    printf("probe (copy of the last block + 2048-value Goertzel): %.2f us per call\n", best);
    for (int k = 0; k < 16; k++) Soundsystem_StopSound(&sounds[k]);
    Soundsystem_CloseAudio();

    // The device output; without a device it is the silent real-time one.
    audiodriver_setoutput(AUDIODRIVER_DEVICE);
    Soundsystem_Init(44100, 16, 2);
    Soundsystem_PlayMusic(&sounds[0], 1);
    // Both ends are taken where the position moves, so whole blocks are
    // compared with the wall time they took.
    auto next_block = [&](uint64_t from) {
        uint64_t p;
        while ((p = Soundsystem_GetSoundOffset(sounds[0])) == from)
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        return p;
    };
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    uint64_t p0 = next_block(Soundsystem_GetSoundOffset(sounds[0]));
    double t0 = now_us();
    std::this_thread::sleep_for(std::chrono::seconds(5));
    uint64_t p1 = next_block(Soundsystem_GetSoundOffset(sounds[0]));
    double t1 = now_us();
    double played_ms = (double)(p1 - p0) / 256.0 / 2.0 / 44100.0 * 1000.0;
    printf("device output: %.0f ms of sound mixed in %.0f ms of wall time (%+.2f %%, blocks of %.1f ms)\n", played_ms,
           (t1 - t0) / 1000.0, 100.0 * (played_ms / ((t1 - t0) / 1000.0) - 1.0), BLOCK_MS);
    Soundsystem_StopSound(&sounds[0]);
    Soundsystem_CloseAudio();
    return 0;
}
