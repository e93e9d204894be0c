// The mixer: gains, clamping, the two output formats, end handling, and the
// ring that the offline output plays.
#include "soundtest.h"

#include <algorithm>
#include <thread>

using namespace soundtest;

namespace {

class Mixer : public OfflineSound {};

TEST_F(Mixer, FullVolumeCentredSoundIsMixedAtGain127OnEachSide)
{
    testsound s(std::vector<int16_t>(4096, 1000), 1);
    Soundsystem_PlaySound(&s.sound, 1);
    std::vector<int16_t> out = mixblock();
    // (128 x 255 x 255) >> 16 = 127, and 1000 x 127 >> 8 = 496.
    EXPECT_EQ(soundsystem.output_buffer[0], 127000);
    EXPECT_EQ(soundsystem.output_buffer[4095], 127000);
    EXPECT_EQ(out[0], 496);
    EXPECT_EQ(out[4095], 496);
}

TEST_F(Mixer, MusicVolumeAppliesOnlyWhenMusicIsExactlyOne)
{
    testsound s(std::vector<int16_t>(4096, 1000), 1);
    Soundsystem_SetMusicVolume(0);
    Soundsystem_PlaySound(&s.sound, 1);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[0], 127000);  // effect volume
    s.sound.music = 2;
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[0], 127000);
    Soundsystem_PlayMusic(&s.sound, 1);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[0], 0);
    Soundsystem_SetMusicVolume(128);
    Soundsystem_SetMasterVolume(128);
    mixblock();
    // V = 128 x 128; gain (128 x 16384) >> 16 = 32.
    EXPECT_EQ(soundsystem.output_buffer[1], 32000);
}

TEST_F(Mixer, SumsClampToPlusAndMinus32767)
{
    std::vector<testsound*> loud;
    for (int i = 0; i < 3; i++) {
        loud.push_back(new testsound(std::vector<int16_t>(4096, 32767), 1));
        Soundsystem_PlaySound(&loud.back()->sound, 1);
    }
    std::vector<int16_t> out = mixblock();
    EXPECT_EQ(out[0], 32767);
    EXPECT_EQ(out[1], 32767);
    for (testsound* s : loud) delete s;

    // Two sounds at -32768 with a gain of 128 each sum to exactly -32768 x 256.
    testsound a(std::vector<int16_t>(4096, -32768), 1), b(std::vector<int16_t>(4096, -32768), 1);
    for (testsound* s : {&a, &b}) {
        s->sound.volume_left = 130;  // (130 x 65025) >> 16 = 128
        s->sound.volume_right = 130;
        Soundsystem_PlaySound(&s->sound, 1);
    }
    out = mixblock();
    EXPECT_EQ(soundsystem.output_buffer[0], -32768 * 256);
    EXPECT_EQ(out[0], -32767);
    EXPECT_EQ(out[1], -32767);
}

TEST_F(Mixer, EightBitSourcesAreCentredOn128)
{
    uint8_t data[3] = {128, 0, 255};
    s_sound s{};
    s.bits = 8;
    s.channels = 1;
    s.size = 3;
    s.length = 3;
    s.data = data;
    s.volume_left = s.volume_right = 255;  // gain 253
    Soundsystem_SetFrequency(&s, 44100);
    Soundsystem_PlaySound(&s, 1);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[0], 0);
    EXPECT_EQ(soundsystem.output_buffer[2], -32768 * 253);
    EXPECT_EQ(soundsystem.output_buffer[4], 32512 * 253);
    EXPECT_EQ(soundsystem.output_buffer[6], 0);  // looped back to the first sample
    Soundsystem_StopSound(&s);
}

TEST_F(Mixer, EightBitOutputOfSilenceIs128AndSamplesAreShiftedDown)
{
    ASSERT_EQ(audiodriver_init(44100, 8, 2048, 2), 1);
    std::vector<uint8_t> out(4096, 0);
    audiodriver_mixbuffers(out.data(), (int)out.size(), 0);
    for (uint8_t v : out) ASSERT_EQ(v, 128);

    testsound s(std::vector<int16_t>(4096, 10000), 1);
    Soundsystem_PlaySound(&s.sound, 1);
    audiodriver_mixbuffers(out.data(), (int)out.size(), 0);
    // 10000 x 127 >> 8 = 4960; 4960 >> 8 = 19; + 128.
    EXPECT_EQ(out[0], 147);
    EXPECT_EQ(out[4095], 147);
}

TEST_F(Mixer, StereoSourcePlaysInStereo)
{
    std::vector<int16_t> frames;
    for (int i = 0; i < 100; i++) {
        frames.push_back((int16_t)(100 + i));
        frames.push_back((int16_t)(-100 - i));
    }
    testsound s(frames, 2);
    s.sound.volume_left = 255;
    s.sound.volume_right = 130;  // gains 253 and 128
    Soundsystem_PlaySound(&s.sound, 1);
    mixblock();
    for (int f = 0; f < 100; f++) {
        ASSERT_EQ(soundsystem.output_buffer[2 * f], (100 + f) * 253) << f;
        ASSERT_EQ(soundsystem.output_buffer[2 * f + 1], (-100 - f) * 128) << f;
    }
    // 100 frames later the loop starts again.
    EXPECT_EQ(soundsystem.output_buffer[200], 100 * 253);
}

TEST_F(Mixer, HalfRateStereoSourceKeepsItsSidesOnEveryFrame)
{
    // 22050 Hz stereo: step 256, so every other output frame the position
    // points at a right sample; the sides must not swap there.
    std::vector<int16_t> frames;
    for (int i = 0; i < 50; i++) {
        frames.push_back((int16_t)(1000 + i));
        frames.push_back((int16_t)(-1000 - i));
    }
    testsound s(frames, 2, 22050);
    ASSERT_EQ(s.sound.step, 256u);
    s.sound.volume_left = s.sound.volume_right = 255;  // gain 253
    Soundsystem_PlaySound(&s.sound, 1);
    mixblock();
    for (int f = 0; f < 100; f++) {
        ASSERT_EQ(soundsystem.output_buffer[2 * f], (1000 + f / 2) * 253) << f;
        ASSERT_EQ(soundsystem.output_buffer[2 * f + 1], (-1000 - f / 2) * 253) << f;
    }
}

TEST_F(Mixer, StereoSourceEndingInHalfAFrameReadsNothingBeyondIt)
{
    // Three samples: a whole frame and a left sample without its right,
    // which plays as silence rather than a read past the data.
    testsound s({700, -700, 900}, 2);
    s.sound.volume_left = s.sound.volume_right = 255;
    Soundsystem_PlaySound(&s.sound, 0);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[0], 700 * 253);
    EXPECT_EQ(soundsystem.output_buffer[1], -700 * 253);
    EXPECT_EQ(soundsystem.output_buffer[2], 900 * 253);
    EXPECT_EQ(soundsystem.output_buffer[3], 0);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(Mixer, StereoSourceOnMonoOutputTakesOneSamplePerFrame)
{
    Soundsystem_Init(44100, 16, 1);
    testsound s({1, 2, 3, 4, 5, 6}, 2);
    s.sound.step = 256;  // one sample per frame
    Soundsystem_PlaySound(&s.sound, 1);
    std::vector<int16_t> out(2048);
    audiodriver_mixbuffers(out.data(), 4096, 0);
    for (int f = 0; f < 6; f++) EXPECT_EQ(soundsystem.output_buffer[f], (f + 1) * 253);
}

TEST_F(Mixer, SoundEndingMidBlockLeavesAndTheNextSoundIsStillMixed)
{
    testsound shortone(std::vector<int16_t>(100, 1000), 1);
    testsound longone(std::vector<int16_t>(8192, 2000), 1);
    testsound third(std::vector<int16_t>(8192, 4000), 1);
    Soundsystem_PlaySound(&shortone.sound, 0);
    Soundsystem_PlaySound(&longone.sound, 0);
    Soundsystem_PlaySound(&third.sound, 0);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[2 * 99], (1000 + 2000 + 4000) * 127);
    EXPECT_EQ(soundsystem.output_buffer[2 * 100], (2000 + 4000) * 127);
    EXPECT_EQ(soundsystem.output_buffer[2 * 2047 + 1], (2000 + 4000) * 127);
    EXPECT_EQ(soundsystem.numactive, 2);
    EXPECT_EQ(active_sounds[0], &longone.sound);
    EXPECT_EQ(active_sounds[1], &third.sound);
    EXPECT_EQ(shortone.sound.playing, 0);
    EXPECT_EQ(Soundsystem_GetSoundOffset(shortone.sound), 0u);
    EXPECT_EQ(Soundsystem_GetSoundOffset(longone.sound), 2048u * 256);
}

TEST_F(Mixer, LoopingSoundCarriesTheFractionPastItsEnd)
{
    testsound s(std::vector<int16_t>(7, 1), 1);
    s.sound.step = 300;
    Soundsystem_PlaySound(&s.sound, 1);
    mixblock();
    // 2048 steps of 300 from 0, less whole passes of 7 x 256.
    EXPECT_EQ(Soundsystem_GetSoundOffset(s.sound), (2048u * 300) % (7 * 256));
    EXPECT_EQ(soundsystem.numactive, 1);
}

TEST_F(Mixer, SoundLongerThan2To24SamplesEndsAtItsRealEnd)
{
    // 20,000,000 samples claimed; only one held, which is all the mixer reads.
    int16_t sample = 5;
    s_sound s{};
    s.bits = 16;
    s.channels = 1;
    s.length = 20000000;
    s.size = 2;
    s.data = &sample;
    s.step = 256;
    s.volume_left = s.volume_right = 128;
    Soundsystem_PlaySound(&s, 0);
    Soundsystem_SetSoundOffset(&s, 20000000ull * 256 - 512);
    std::vector<int16_t> out(2);
    audiodriver_mixbuffers(out.data(), 4, 0);  // one frame
    EXPECT_EQ(soundsystem.numactive, 1);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), 20000000ull * 256 - 256);
    audiodriver_mixbuffers(out.data(), 4, 0);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(Mixer, PositionBeyondTheDataReadsNothing)
{
    testsound s(std::vector<int16_t>(16, 1000), 1);
    s.sound.length = 1000;  // claims more samples than the data holds
    Soundsystem_PlaySound(&s.sound, 1);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[2 * 15], 127000);
    EXPECT_EQ(soundsystem.output_buffer[2 * 16], 0);
}

// Streams: the callback sees the data and its size each time play wraps,
// before the wrap, and what it writes is what plays next.
static int stream_calls = 0;
static void* stream_data = nullptr;
static uint32_t stream_bytes = 0;
static int refill(void* data, uint32_t bytes)
{
    stream_calls++;
    stream_data = data;
    stream_bytes = bytes;
    int16_t* samples = (int16_t*)data;
    for (uint32_t i = 0; i < bytes / 2; i++) samples[i] = (int16_t)(stream_calls * 100);
    return 0;
}

TEST_F(Mixer, StreamCallbackRefillsTheDataEachTimePlayWraps)
{
    stream_calls = 0;
    s_sound s{};
    Soundsystem_CreateSoundStream(&s, refill, 44100, 16, 1, 500);
    Soundsystem_PlaySound(&s, 0);
    mixblock();
    EXPECT_EQ(stream_calls, 4);  // 2048 frames over 500-sample passes
    EXPECT_EQ(stream_data, s.data);
    EXPECT_EQ(stream_bytes, 1000u);
    EXPECT_EQ(soundsystem.output_buffer[2 * 499], 0);
    EXPECT_EQ(soundsystem.output_buffer[2 * 500], 100 * 127);
    EXPECT_EQ(soundsystem.output_buffer[2 * 1000], 200 * 127);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), 48u * 256);
    Soundsystem_DeleteSound(&s);
}

TEST_F(Mixer, StereoStreamCallsBackAfterHalfItsBuffer)
{
    stream_calls = 0;
    s_sound s{};
    Soundsystem_CreateSoundStream(&s, refill, 44100, 16, 2, 1024);
    Soundsystem_PlaySound(&s, 0);
    mixblock();
    // Step 512 over an end of 1024 samples: every 512 frames.
    EXPECT_EQ(stream_calls, 4);
    EXPECT_EQ(stream_bytes, 4096u);
    Soundsystem_DeleteSound(&s);
}

// At a wrap inside a block the callback sees its sound's position where play
// has got to, past the end and not yet wrapped, through the record itself
// and by value; the record published to other threads still holds the
// block's start. What the callback sets is where play goes on.
static s_sound* watched = nullptr;
static std::vector<uint64_t> seen_position, seen_offset, seen_published;
static uint64_t moveto = UINT64_MAX;
static int watch(void*, uint32_t)
{
    seen_position.push_back(watched->position);
    seen_offset.push_back(Soundsystem_GetSoundOffset(*watched));
    seen_published.push_back(__atomic_load_n(&watched->position.value, __ATOMIC_ACQUIRE));
    if (moveto != UINT64_MAX) watched->position = moveto;
    return 0;
}

TEST_F(Mixer, StreamCallbackSeesThePositionPlayHasReachedBeforeTheWrap)
{
    s_sound s{};
    Soundsystem_CreateSoundStream(&s, watch, 30000, 16, 1, 300);
    watched = &s;
    seen_position.clear(), seen_offset.clear(), seen_published.clear();
    moveto = UINT64_MAX;
    const uint64_t step = s.step, end = 300u * 256;
    ASSERT_NE(end % step, 0u);  // play passes the end by a fraction
    Soundsystem_PlaySound(&s, 0);
    mixblock();

    // The frame whose step reaches the end, then the same again from the
    // fraction left over.
    const uint64_t first = (end + step - 1) / step * step;
    ASSERT_EQ(seen_position.size(), size_t(2048 * step / end));
    EXPECT_EQ(seen_position[0], first);
    EXPECT_EQ(seen_offset[0], first);
    EXPECT_EQ(seen_published[0], 0u);  // the demo thread's view: the block's start
    uint64_t position = 0;
    for (int f = 0; f < 2048; f++) {
        position += step;
        if (position >= end) position -= end;
    }
    for (size_t i = 1; i < seen_position.size(); i++) {
        EXPECT_GE(seen_position[i], end);
        EXPECT_LT(seen_position[i], end + step);
        EXPECT_EQ(seen_published[i], 0u);
    }
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), position);

    // A callback that sends play back to the start: play goes on from
    // there, and the block's end is published as usual.
    Soundsystem_SetSoundOffset(&s, 0);
    seen_position.clear();
    moveto = 0;
    mixblock();
    ASSERT_GE(seen_position.size(), 2u);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), (2048 - first / step * seen_position.size()) * step);
    Soundsystem_DeleteSound(&s);
}

// A stream may stop or delete itself from its own callback: the mixer must
// not read the freed data, and the sound after it still plays this block.
static s_sound* self_deleting = nullptr;
static int delete_itself(void*, uint32_t)
{
    Soundsystem_DeleteSound(self_deleting);
    return 0;
}

TEST_F(Mixer, StreamDeletedByItsOwnCallbackStopsAndTheNextSoundIsStillMixed)
{
    s_sound s{};
    Soundsystem_CreateSoundStream(&s, delete_itself, 44100, 16, 1, 100);
    for (int i = 0; i < 100; i++) ((int16_t*)s.data)[i] = 1000;
    self_deleting = &s;
    testsound after(std::vector<int16_t>(4096, 2000), 1);
    Soundsystem_PlaySound(&s, 0);
    Soundsystem_PlaySound(&after.sound, 1);
    mixblock();
    EXPECT_EQ(soundsystem.output_buffer[2 * 99], (1000 + 2000) * 127);
    EXPECT_EQ(soundsystem.output_buffer[2 * 100], 2000 * 127);
    EXPECT_EQ(soundsystem.output_buffer[2 * 2047 + 1], 2000 * 127);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(s.playing, 0);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), 0u);
    EXPECT_EQ(soundsystem.numactive, 1);
    EXPECT_EQ(active_sounds[0], &after.sound);
}

// The ring: four short silent blocks are queued at start. The first one to
// come back is mixed and queued behind the other three, so the position has
// moved four blocks on before the first mixed sample is heard.
TEST_F(Mixer, FirstMixedBlockIsHeardAfterTheFourStartBlocks)
{
    testsound s(std::vector<int16_t>(100000, 1000), 2);
    Soundsystem_PlayMusic(&s.sound, 0);
    std::vector<uint8_t> out(8192 * 2, 0xee);
    EXPECT_EQ(audiodriver_offline_play(out.data(), 2047), 0);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s.sound), 0u);
    EXPECT_EQ(audiodriver_offline_play(out.data() + 2047, 1), 1);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s.sound), 2048u * 512);
    EXPECT_EQ(audiodriver_offline_play(out.data() + 2048, 6144), 3);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s.sound), 4 * 2048u * 512);
    for (int i = 0; i < 8192; i++) ASSERT_EQ(out[i], 0) << i;
    EXPECT_EQ(audiodriver_offline_play(out.data() + 8192, 8192), 1);
    for (int i = 8192; i < 16384; i += 2) {
        int16_t v;
        memcpy(&v, out.data() + i, 2);
        ASSERT_EQ(v, 496) << i;
    }
}

TEST_F(Mixer, OfflineOutputGivesTheSameBytesForTheSameInput)
{
    auto render = []() {
        Soundsystem_Init(44100, 16, 2);
        std::vector<int16_t> ramp(30000);
        for (size_t i = 0; i < ramp.size(); i++) ramp[i] = (int16_t)(i * 13);
        testsound a(ramp, 2), b(std::vector<int16_t>(777, -3000), 1);
        Soundsystem_PlaySound(&a.sound, 0);
        Soundsystem_PlaySound(&b.sound, 1);
        Soundsystem_SetPanning(&b.sound, 40);
        std::vector<uint8_t> out(8192 * 10);
        for (size_t at = 0; at < out.size(); at += 1000)
            audiodriver_offline_play(out.data() + at, (unsigned)std::min<size_t>(1000, out.size() - at));
        return out;
    };
    std::vector<uint8_t> first = render(), second = render();
    EXPECT_EQ(first, second);
    // Not all silence: the comparison means something.
    EXPECT_NE(std::count(first.begin(), first.end(), 0), (long)first.size());
}

TEST_F(Mixer, OfflineOutputPlaysUpToAFrameCount)
{
    testsound s(std::vector<int16_t>(1000000, 1), 2);
    Soundsystem_PlaySound(&s.sound, 0);
    EXPECT_EQ(audiodriver_offline_playuntil(511), 0);  // inside the first start block
    EXPECT_EQ(audiodriver_offline_playuntil(512), 1);
    EXPECT_EQ(audiodriver_offline_playuntil(512), 0);  // already there
    // One second at 44100 Hz: 3 more start blocks, then whole blocks.
    EXPECT_EQ(audiodriver_offline_playuntil(44100), 3 + (44100 - 2048) / 2048);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s.sound), (uint64_t)(4 + (44100 - 2048) / 2048) * 2048 * 512);
}

TEST_F(Mixer, GetBufferHandsOutTheCurrentBlock)
{
    void* block = nullptr;
    unsigned bytes = 0;
    EXPECT_EQ(audiodriver_getbuffer(&block, &bytes), 1);
    EXPECT_NE(block, nullptr);
    EXPECT_EQ(bytes, 8192u);
    EXPECT_EQ(audiodriver_getbuffer(nullptr, nullptr), 1);
    // Submitting it moves the ring on to the next block.
    audiodriver_submitbuffer();
    void* next = nullptr;
    audiodriver_getbuffer(&next, nullptr);
    EXPECT_EQ((uint8_t*)next - (uint8_t*)block, 8192);
}

TEST_F(Mixer, OutputBufferIsACopyOfTheLastFinishedBlock)
{
    testsound s(std::vector<int16_t>(5000, 300), 1);
    Soundsystem_PlaySound(&s.sound, 1);
    audiodriver_offline_play(nullptr, 8192);  // mixes one block
    int32_t* copy = Soundsystem_GetOutputBuffer();
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(copy, soundsystem.output_buffer);
    for (int i = 0; i < 4096; i++) ASSERT_EQ(copy[i], 300 * 127) << i;
    Soundsystem_StopSound(&s.sound);
    mixblock();
    EXPECT_EQ(copy[0], 300 * 127);  // the copy holds until asked again
    EXPECT_EQ(Soundsystem_GetOutputBuffer()[0], 0);
}

// A late frame's rehearsed steps look back: each sees a past block whole
// (the mix and every sound's place after it) on its own thread, while the
// mixer and every other thread go on with the live values.
TEST_F(Mixer, APastBlockIsSeenWholeOnTheViewingThreadAlone)
{
    std::vector<int16_t> ramp(2048 * 40);
    for (size_t i = 0; i < ramp.size(); i++) ramp[i] = int16_t(100 * (i / 2048 + 1));
    testsound s(ramp, 1);
    Soundsystem_PlaySound(&s.sound, 0);
    uint64_t after[4] = {0};
    for (int b = 1; b <= 3; b++) {
        mixblock();
        after[b] = s.sound.position;
    }
    EXPECT_EQ(Soundsystem_BlocksMixed(), 3u);
    ASSERT_EQ(Soundsystem_ViewBlock(2), 1);
    EXPECT_EQ(uint64_t(s.sound.position), after[2]);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s.sound), after[2]);  // copies by value see it too
    EXPECT_EQ(Soundsystem_GetOutputBuffer()[0], 200 * 127);
    EXPECT_EQ(Soundsystem_GetOutputBuffer()[4095], 200 * 127);
    uint64_t elsewhere = 0;
    std::thread([&] { elsewhere = s.sound.position; }).join();
    EXPECT_EQ(elsewhere, after[3]);
    // Mixing on the viewing thread moves the live sound on; the view stays.
    const std::vector<int16_t> fourth = mixblock();
    EXPECT_EQ(fourth[0], int16_t(400 * 127 >> 8));
    EXPECT_EQ(uint64_t(s.sound.position), after[2]);
    Soundsystem_ViewLive();
    EXPECT_EQ(uint64_t(s.sound.position), after[3] + (after[3] - after[2]));
    EXPECT_EQ(Soundsystem_GetOutputBuffer()[0], 400 * 127);

    // A sound that ended is still playing in the blocks before its end.
    Soundsystem_SetSoundOffset(&s.sound, uint64_t(ramp.size() - 100) * 256);
    mixblock();  // block 5: the end
    EXPECT_EQ(int(s.sound.playing), 0);
    ASSERT_EQ(Soundsystem_ViewBlock(4), 1);
    EXPECT_EQ(int(s.sound.playing), 1);
    // Blocks not mixed yet, and those the history has let go, are refused.
    EXPECT_EQ(Soundsystem_ViewBlock(6), 0);
    EXPECT_EQ(int(s.sound.playing), 0);  // refused: live values
    for (int b = 0; b < SOUNDSYSTEM_HISTORY; b++) mixblock();
    EXPECT_EQ(Soundsystem_ViewBlock(4), 0);
    EXPECT_EQ(Soundsystem_ViewBlock(5 + SOUNDSYSTEM_HISTORY), 1);
    Soundsystem_ViewLive();
}

// A sound started between two blocks is seen at its start in a view of
// the first of them, as a step between them would have seen it.
TEST_F(Mixer, AViewOfABlockShowsTheSoundsStartedAfterIt)
{
    testsound early(std::vector<int16_t>(2048 * 8, 10), 1), late(std::vector<int16_t>(2048 * 8, 20), 1);
    Soundsystem_PlaySound(&early.sound, 0);
    mixblock();
    mixblock();
    Soundsystem_PlaySound(&late.sound, 0);
    Soundsystem_SetSoundOffset(&late.sound, 256 * 1000);
    ASSERT_EQ(Soundsystem_ViewBlock(2), 1);
    EXPECT_EQ(int(late.sound.playing), 1);
    mixblock();
    ASSERT_EQ(Soundsystem_ViewBlock(2), 1);
    EXPECT_EQ(uint64_t(late.sound.position), 256u * 1000);
    EXPECT_EQ(uint64_t(early.sound.position), 2u * 2048 * 256);  // mono: a sample a frame
    ASSERT_EQ(Soundsystem_ViewBlock(3), 1);
    EXPECT_EQ(uint64_t(late.sound.position), 256u * (1000 + 2048));
    Soundsystem_ViewLive();
}

// A new ring's schedule, as the offline output keeps it: the four short
// start blocks end first, then a block is mixed for every whole one played.
TEST_F(Mixer, ANewRingMixesItsBlocksOnTheScheduleItsFunctionsGive)
{
    EXPECT_EQ(audiodriver_framesfor(1), 512u);
    EXPECT_EQ(audiodriver_framesfor(4), 2048u);
    EXPECT_EQ(audiodriver_framesfor(5), 4096u);
    uint64_t played = 0;
    for (uint64_t frames = 1; frames < 2048 * 40; frames += 1 + frames % 301) {
        audiodriver_offline_playuntil(frames);
        played = frames;
        const uint32_t mixed = Soundsystem_BlocksMixed();
        ASSERT_EQ(audiodriver_blocksby(frames), mixed) << frames << " frames";
        ASSERT_LE(audiodriver_framesfor(mixed), frames);
        ASSERT_GT(audiodriver_framesfor(mixed + 1), frames);
    }
    EXPECT_EQ(audiodriver_playedframes(), played);
}

// Moving the ring to another output keeps what it holds: play goes on where
// it stood, mid-block, byte for byte as if nothing had moved; a restarted
// ring begins with the four short silent start blocks of a new output.
TEST_F(Mixer, AnotherOutputPlaysTheRingOnFromWhereItStood)
{
    std::vector<int16_t> music(44100 * 2);
    for (size_t i = 0; i < music.size(); i++) music[i] = int16_t(i % 2000 - 1000);
    auto play = [&](int switchat, int restart) {
        Soundsystem_Init(44100, 16, 2);
        testsound s(music, 2);
        Soundsystem_PlaySound(&s.sound, 0);
        std::vector<uint8_t> out(60000);
        audiodriver_offline_play(out.data(), unsigned(switchat));
        if (restart >= 0) {
            EXPECT_EQ(audiodriver_switchoutput(AUDIODRIVER_OFFLINE, restart), 1);
        }
        audiodriver_offline_play(out.data() + switchat, unsigned(out.size() - switchat));
        Soundsystem_StopSound(&s.sound);
        return out;
    };
    const std::vector<uint8_t> straight = play(13000, -1);
    EXPECT_EQ(play(13000, 0), straight);
    const std::vector<uint8_t> restarted = play(13000, 1);
    EXPECT_TRUE(std::equal(restarted.begin(), restarted.begin() + 13000, straight.begin()));
    EXPECT_TRUE(
        std::all_of(restarted.begin() + 13000, restarted.begin() + 13000 + 4 * 2048, [](uint8_t b) { return b == 0; }));
    EXPECT_NE(restarted, straight);
    EXPECT_EQ(audiodriver_openoutput(), AUDIODRIVER_OFFLINE);
}

}  // namespace
