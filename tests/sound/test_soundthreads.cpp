// The demo thread and the audio thread at once: starts, stops and position
// reads on one thread while the mixer runs on another. Run under
// ThreadSanitizer (label "threads"); the checks also catch torn positions
// and half-mixed blocks without it.
#include "soundtest.h"

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <thread>

using namespace soundtest;

namespace {

class SoundThreads : public OfflineSound {};

// A device plays one block and then waits for the next; an audio thread that
// mixed back to back would take the lock again the moment it let go and
// starve the demo thread on a multi-core machine.
void pause_like_a_device() { std::this_thread::sleep_for(std::chrono::microseconds(200)); }

// How long a test lets its threads run before it gives up and reports.
std::chrono::steady_clock::time_point deadline() { return std::chrono::steady_clock::now() + std::chrono::seconds(60); }

TEST_F(SoundThreads, DemoThreadSeesWholePositionsAndFinishedBlocks)
{
    // The music: a looping constant, so every finished block is uniform, 16
    // blocks long, so its position is always a whole number of blocks.
    testsound music(std::vector<int16_t>(2048 * 2 * 16, 1200), 2);
    // Effects are silent, so they change the table but not the sound.
    std::vector<testsound*> effects;
    for (int i = 0; i < 20; i++) effects.push_back(new testsound(std::vector<int16_t>(3000, 0), 1));
    Soundsystem_PlayMusic(&music.sound, 1);

    std::atomic<bool> done{false};
    std::atomic<int> blocks{0};
    std::thread audio([&]() {
        std::vector<uint8_t> out(8192);
        while (!done.load()) {
            blocks += audiodriver_offline_play(out.data(), (unsigned)out.size());
            pause_like_a_device();
        }
    });

    const uint64_t block = 2048ull * 512;  // the music's advance per mixed block
    int torn = 0, halfmixed = 0;
    const auto end = deadline();
    int rounds = 0;
    for (; (rounds < 3000 || blocks.load() < 50) && std::chrono::steady_clock::now() < end; rounds++) {
        const int round = rounds;
        testsound* e = effects[round % effects.size()];
        if (round % 3 == 2)
            Soundsystem_StopSound(&e->sound);
        else
            Soundsystem_PlaySound(&e->sound, round % 2);
        uint64_t position = Soundsystem_GetSoundOffset(music.sound);
        if (position % block != 0) torn++;
        int32_t* finished = Soundsystem_GetOutputBuffer();
        for (int i = 1; i < 4096; i++)
            if (finished[i] != finished[0]) {
                halfmixed++;
                break;
            }
        if (round % 500 == 0) std::this_thread::yield();
    }
    done = true;
    audio.join();
    for (testsound* e : effects) delete e;

    EXPECT_EQ(torn, 0);
    EXPECT_EQ(halfmixed, 0);
    EXPECT_GE(rounds, 3000);
    EXPECT_GE(blocks.load(), 50);
    EXPECT_LE(soundsystem.numactive, 16);
}

TEST_F(SoundThreads, EndingSoundsLeaveTheTableWhileTheDemoStartsOthers)
{
    // Short non-looping sounds end inside the mixer while the demo thread
    // starts them again and reads the table's effect through their flags.
    std::vector<testsound*> shorts;
    for (int i = 0; i < 8; i++) shorts.push_back(new testsound(std::vector<int16_t>(300 + 50 * i, 7), 1));
    std::atomic<bool> done{false};
    std::thread audio([&]() {
        while (!done.load()) {
            audiodriver_offline_play(nullptr, 2048);
            pause_like_a_device();
        }
    });
    int restarted = 0;
    // Until sounds have ended and been started again a few times.
    const auto end = deadline();
    for (int round = 0; restarted < 32 && std::chrono::steady_clock::now() < end; round++) {
        testsound* s = shorts[round % shorts.size()];
        if (!s->sound.playing) {
            Soundsystem_PlaySound(&s->sound, 0);
            restarted++;
        }
        (void)Soundsystem_GetSoundOffset(s->sound);
        if (round % 100 == 0) std::this_thread::yield();
    }
    done = true;
    audio.join();
    EXPECT_GE(restarted, 32);
    // The table holds started sounds only, each once.
    for (int i = 0; i < soundsystem.numactive; i++) {
        EXPECT_EQ(active_sounds[i]->playing, 1);
        for (int j = 0; j < i; j++) EXPECT_NE(active_sounds[i], active_sounds[j]);
    }
    for (testsound* s : shorts) delete s;
    EXPECT_EQ(soundsystem.numactive, 0);
}

// The real-time output the tests ask for: the device where one must open
// (MOX_EXPECT_DEVICE=1: a wave-out device over ALSA's null device under
// Wine), else the silent output, asked for through the engine.
static int realtimeoutput()
{
    const char* expect = getenv("MOX_EXPECT_DEVICE");
    return expect && *expect == '1' ? AUDIODRIVER_DEVICE : AUDIODRIVER_SILENT;
}

// A real-time output: the callback runs on the output's thread, the clock
// advances on its own at the rate of real time, and after the close no
// callback runs.

TEST(SoundDevice, TheOutputKeepsRealTimeAndStopsOnClose)
{
    const bool device = realtimeoutput() == AUDIODRIVER_DEVICE;
    audiodriver_setoutput(realtimeoutput());
    testing::internal::CaptureStdout();
    Soundsystem_Init(44100, 16, 2);
    fflush(stdout);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_EQ(log.find("AUDIO: no audio device"), std::string::npos) << log;
    EXPECT_EQ(log.find("AUDIO: the silent output, as asked") == std::string::npos, device) << log;
    EXPECT_EQ(audiodriver_openoutput(), realtimeoutput());
    testsound music(std::vector<int16_t>(44100 * 2 * 10, 100), 2);  // 10 s, longer than the test
    Soundsystem_PlayMusic(&music.sound, 0);
    // Past the start blocks, then two seconds of play against the clock. The
    // position of a stereo 44100 Hz sound moves 512 a frame.
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::seconds(10);
    while (Soundsystem_GetSoundOffset(music.sound) == 0 && clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    const uint64_t from = Soundsystem_GetSoundOffset(music.sound), playedfrom = audiodriver_playedframes();
    const auto start = clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(2));
    const uint64_t to = Soundsystem_GetSoundOffset(music.sound), playedto = audiodriver_playedframes();
    const double seconds = std::chrono::duration<double>(clock::now() - start).count();
    const double mixed = double(to - from) / 512, played = double(playedto - playedfrom);
    printf("output: %.0f frames a second mixed, %.0f played, over %.2f s (%s)\n", mixed / seconds, played / seconds,
           seconds, device ? "device" : "silent");
    // The position follows what the output plays, a block (2048 frames) at a
    // time: two blocks of slack over the span.
    EXPECT_NEAR(mixed, played, 2 * 2048);
    // The silent output keeps real time itself; a device keeps its own.
    if (!device) {
        EXPECT_NEAR(mixed / seconds, 44100.0, 2 * 2048 / seconds);
    }
    Soundsystem_CloseAudio();
    uint64_t closed = Soundsystem_GetSoundOffset(music.sound);
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Soundsystem_GetSoundOffset(music.sound), closed);
    Soundsystem_StopSound(&music.sound);
}

// A demo maker's rehearsal hands the music to the device (here the silent
// real-time output, or a device where one must open) as it stands: the
// blocks mixed offline play first, so the position goes on from where the
// rehearsal left it, without a jump back or ahead, then keeps real time.
TEST(SoundDevice, TheDeviceTakesTheRingOverWhereTheOfflineOutputLeftIt)
{
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);
    testsound music(std::vector<int16_t>(44100 * 2 * 10, 100), 2);
    Soundsystem_PlayMusic(&music.sound, 0);
    audiodriver_offline_playuntil(44100 + 700);  // a second and a bit, mid-block
    const uint64_t left = Soundsystem_GetSoundOffset(music.sound);
    ASSERT_GT(left, 44100u * 512);
    ASSERT_EQ(audiodriver_switchoutput(realtimeoutput(), 0), 1);
    EXPECT_EQ(audiodriver_openoutput(), realtimeoutput());
    uint64_t seen = left, lowest = left;
    const uint64_t playedfrom = audiodriver_playedframes();
    const auto start = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() - start < std::chrono::milliseconds(600)) {
        seen = Soundsystem_GetSoundOffset(music.sound);
        lowest = std::min(lowest, seen);
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    EXPECT_EQ(lowest, left) << "the position went back";
    // What the output played over the span (0.6 s of real time for the
    // silent output; a device keeps its own rate), to within the ring's four
    // blocks of play-ahead.
    const double moved = double(seen - left) / 512 / 44100;
    const double played = realtimeoutput() == AUDIODRIVER_DEVICE
                              ? double(audiodriver_playedframes() - playedfrom) / 44100
                              : 0.6;
    EXPECT_GT(moved, played - 4 * 2048 / 44100.0);
    EXPECT_LT(moved, played + 4 * 2048 / 44100.0);
    Soundsystem_CloseAudio();
    Soundsystem_StopSound(&music.sound);
    audiodriver_setoutput(AUDIODRIVER_DEVICE);
}

}  // namespace
