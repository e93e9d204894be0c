// The sound records and the active table: setters, start and stop rules,
// loading by extension, streams.
#include "soundtest.h"

#include "core/corefile.h"

using namespace soundtest;

namespace {

class SoundSystem : public OfflineSound {};

TEST_F(SoundSystem, InitSetsUpTheOutputRecordFor16BitStereo)
{
    EXPECT_EQ(soundsystem.frequency, 44100u);
    EXPECT_EQ(soundsystem.channels, 2);
    EXPECT_EQ(soundsystem.bits, 16);
    EXPECT_EQ(soundsystem.bufferlength, 2048u);
    EXPECT_EQ(soundsystem.output_size, 2u * 2048 * 4);
    EXPECT_EQ(soundsystem.master_volume, 255);
    EXPECT_EQ(soundsystem.music_volume, 255);
    EXPECT_EQ(soundsystem.effect_volume, 255);
    EXPECT_EQ(soundsystem.numactive, 0);
    ASSERT_NE(soundsystem.output_buffer, nullptr);
}

TEST_F(SoundSystem, InitOpensTheDeviceAt16BitWhateverBitsAreAsked)
{
    Soundsystem_Init(44100, 8, 1);
    EXPECT_EQ(soundsystem.bits, 16);
    EXPECT_EQ(soundsystem.channels, 1);
    EXPECT_EQ(soundsystem.output_size, 2048u * 4);
}

TEST_F(SoundSystem, VolumeLevelsClampToByteRange)
{
    Soundsystem_SetMasterVolume(-5);
    Soundsystem_SetMusicVolume(300);
    Soundsystem_SetEffectVolume(255);
    EXPECT_EQ(soundsystem.master_volume, 0);
    EXPECT_EQ(soundsystem.music_volume, 255);
    EXPECT_EQ(soundsystem.effect_volume, 255);
}

TEST_F(SoundSystem, SoundVolumeAndPanningSetBothSides)
{
    s_sound s{};
    s.panning = 128;
    Soundsystem_SetVolume(&s, 200);
    EXPECT_EQ(s.volume, 200);
    EXPECT_EQ(s.volume_left, 99);    // (127 x 200) >> 8
    EXPECT_EQ(s.volume_right, 100);  // (128 x 200) >> 8
    Soundsystem_SetVolume(&s, -5);
    EXPECT_EQ(s.volume, 0);
    Soundsystem_SetVolume(&s, 300);
    EXPECT_EQ(s.volume, 255);

    Soundsystem_SetPanning(&s, 300);
    EXPECT_EQ(s.panning, 255);
    EXPECT_EQ(s.volume_left, 0);
    EXPECT_EQ(s.volume_right, 254);  // (255 x 255) >> 8
    Soundsystem_SetPanning(&s, -1);  // no lower clamp: the low 8 bits
    EXPECT_EQ(s.panning, 255);
    Soundsystem_SetPanning(&s, 0);
    EXPECT_EQ(s.volume_left, 254);
    EXPECT_EQ(s.volume_right, 0);
}

TEST_F(SoundSystem, StepCountsChannelsAgainstTheOutputFrequency)
{
    s_sound s{};
    s.channels = 2;
    Soundsystem_SetFrequency(&s, 22050);
    EXPECT_EQ(s.step, 256u);
    Soundsystem_SetFrequency(&s, 44100);
    EXPECT_EQ(s.step, 512u);
    s.channels = 1;
    Soundsystem_SetFrequency(&s, 11025);
    EXPECT_EQ(s.step, 64u);
    EXPECT_EQ(s.frequency, 0u);  // the sound's own rate is left alone
}

TEST_F(SoundSystem, SeventeenthStartedSoundIsMarkedPlayingButNotAdded)
{
    s_sound s[17] = {};
    for (int i = 0; i < 16; i++) Soundsystem_PlaySound(&s[i], 0);
    testing::internal::CaptureStdout();
    Soundsystem_PlaySound(&s[16], 0);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "AUDIO: 16 sounds already play, this one is not mixed\n");
    EXPECT_EQ(soundsystem.numactive, 16);
    for (int i = 0; i < 16; i++) EXPECT_EQ(active_sounds[i], &s[i]);
    EXPECT_EQ(s[16].playing, 1);
    for (int i = 0; i < 17; i++) Soundsystem_StopSound(&s[i]);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(SoundSystem, StartingTwiceKeepsOneEntryAndRestartsAtZero)
{
    s_sound a{}, b{};
    Soundsystem_PlaySound(&a, 0);
    Soundsystem_PlaySound(&b, 0);
    Soundsystem_SetSoundOffset(&a, 123456);
    Soundsystem_PlaySound(&a, 0);
    EXPECT_EQ(soundsystem.numactive, 2);
    EXPECT_EQ(active_sounds[0], &a);
    EXPECT_EQ(active_sounds[1], &b);
    EXPECT_EQ(Soundsystem_GetSoundOffset(a), 0u);
    Soundsystem_StopSound(&a);
    Soundsystem_StopSound(&b);
}

TEST_F(SoundSystem, StoppingTheMiddleSoundKeepsTheOthersInOrder)
{
    s_sound a{}, b{}, c{};
    Soundsystem_PlaySound(&a, 0);
    Soundsystem_PlaySound(&b, 0);
    Soundsystem_PlaySound(&c, 0);
    Soundsystem_SetSoundOffset(&b, 999);
    Soundsystem_StopSound(&b);
    EXPECT_EQ(soundsystem.numactive, 2);
    EXPECT_EQ(active_sounds[0], &a);
    EXPECT_EQ(active_sounds[1], &c);
    EXPECT_EQ(b.playing, 0);
    EXPECT_EQ(Soundsystem_GetSoundOffset(b), 0u);
    // Stopping a sound that is not in the table changes nothing else.
    Soundsystem_StopSound(&b);
    EXPECT_EQ(soundsystem.numactive, 2);
    Soundsystem_StopMusic(&a);
    Soundsystem_StopSound(&c);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST_F(SoundSystem, PlayWithoutLoopKeepsAnEarlierLoop)
{
    s_sound s{};
    Soundsystem_PlaySound(&s, 1);
    Soundsystem_PlaySound(&s, 0);
    EXPECT_EQ(s.loop, 1u);
    Soundsystem_StopSound(&s);
}

TEST_F(SoundSystem, PlayMusicMarksTheSoundAsMusic)
{
    s_sound s{};
    Soundsystem_PlayMusic(&s, 0);
    EXPECT_EQ(s.music, 1u);
    EXPECT_EQ(s.playing, 1);
    EXPECT_EQ(soundsystem.numactive, 1);
    Soundsystem_StopMusic(&s);
}

TEST_F(SoundSystem, SoundOffsetIsStoredAndReadUnchanged)
{
    s_sound s{};
    Soundsystem_SetSoundOffset(&s, 0x123456789abcull);
    EXPECT_EQ(Soundsystem_GetSoundOffset(s), 0x123456789abcull);
}

TEST(UpcaseSound, TurnsOnlyLowerCaseLettersToUpperCase)
{
    char text[] = "a.wav-Z{`}\xe4z";
    EXPECT_EQ(upcase_sound(text), text);
    EXPECT_STREQ(text, "A.WAV-Z{`}\xe4Z");
}

// Loading by name: only a ".wav" extension in any letter case reaches the
// reader; every load leaves the same defaults.
class SoundLoading : public OfflineSound {
protected:
    void SetUp() override
    {
        OfflineSound::SetUp();
        // 4 frames of 16-bit stereo at 44100 Hz.
        writefile("tone.wav", wavfile(2, 44100, 16, samples16({1, 2, 3, 4, 5, 6, 7, 8})));
        writefile("tone.raw", wavfile(2, 44100, 16, samples16({1, 2, 3, 4, 5, 6, 7, 8})));
        ASSERT_EQ(corefile_mountimage(".", COREFILE_DIRECTORY), 1);
    }
    void TearDown() override
    {
        corefile_closeimage();
        OfflineSound::TearDown();
    }
};

TEST_F(SoundLoading, WavExtensionInAnyCaseReachesTheReader)
{
    for (const char* name : {"tone.wav", "tone.WAV", "tone.Wav"}) {
        s_sound s{};
        Soundsystem_LoadSound(name, &s);
        ASSERT_NE(s.data, nullptr) << name;
        EXPECT_EQ(s.length, 8u) << name;
        EXPECT_EQ(s.step, 512u) << name;
        EXPECT_EQ(s.volume, 255) << name;
        EXPECT_EQ(s.volume_left, 128) << name;  // set directly, not derived
        EXPECT_EQ(s.volume_right, 128) << name;
        EXPECT_EQ(s.panning, 128) << name;
        EXPECT_EQ(s.loop, 0u) << name;
        EXPECT_EQ(s.music, 0u) << name;
        EXPECT_EQ(s.playing, 0) << name;
        EXPECT_EQ(s.callback, nullptr) << name;
        EXPECT_EQ(((int16_t*)s.data)[7], 8) << name;
        Soundsystem_DeleteSound(&s);
        EXPECT_EQ(s.data, nullptr);
    }
}

TEST_F(SoundLoading, OtherExtensionsLoadNothingButLeaveTheDefaults)
{
    // The last one's extension is far longer than the 15 characters that
    // are looked at: it must load nothing and overrun nothing.
    for (std::string name : {std::string("tone.raw"), std::string("tone"), std::string(".wav"),
                             std::string("tone.wav.is.a.very.long.ext"), "tone." + std::string(300, 'w')}) {
        s_sound s{};
        s.size = 77;  // the record is cleared first
        testing::internal::CaptureStdout();
        Soundsystem_LoadSound(name.c_str(), &s);
        fflush(stdout);
        std::string log = testing::internal::GetCapturedStdout();
        EXPECT_EQ(log, "Loading sound " + name + "\n");
        EXPECT_EQ(s.data, nullptr) << name;
        EXPECT_EQ(s.size, 0u) << name;
        EXPECT_EQ(s.length, 0u) << name;
        EXPECT_EQ(s.step, 0u) << name;
        EXPECT_EQ(s.volume, 255) << name;
        EXPECT_EQ(s.volume_left, 128) << name;
        EXPECT_EQ(s.volume_right, 128) << name;
        EXPECT_EQ(s.panning, 128) << name;
    }
}

TEST_F(SoundLoading, FailedLoadStartsButIsSkippedByTheMixer)
{
    s_sound s{};
    Soundsystem_LoadSound("missing.wav", &s);
    EXPECT_EQ(s.data, nullptr);
    Soundsystem_PlaySound(&s, 0);
    EXPECT_EQ(soundsystem.numactive, 1);
    std::vector<int16_t> out = mixblock();
    for (int16_t v : out) ASSERT_EQ(v, 0);
    Soundsystem_StopSound(&s);
}

TEST_F(SoundSystem, StreamIsSilentLoopingAndSizedForAllChannels)
{
    s_sound s{};
    auto refill = [](void*, uint32_t) { return 0; };
    Soundsystem_CreateSoundStream(&s, refill, 22050, 16, 2, 1000);
    EXPECT_EQ(s.length, 1000u);
    EXPECT_EQ(s.size, 4000u);
    EXPECT_EQ(s.loop, 1u);
    EXPECT_EQ(s.step, 256u);
    EXPECT_EQ(s.callback, +refill);
    EXPECT_EQ(s.volume, 255);
    EXPECT_EQ(s.volume_left, 128);
    ASSERT_NE(s.data, nullptr);
    for (uint32_t i = 0; i < s.size; i++) ASSERT_EQ(((uint8_t*)s.data)[i], 0);
    Soundsystem_DeleteSound(&s);
}

TEST_F(SoundSystem, DeleteStopsTheSoundAndFreesItsData)
{
    s_sound s{};
    Soundsystem_CreateSoundStream(&s, nullptr, 44100, 8, 1, 16);
    Soundsystem_PlaySound(&s, 0);
    Soundsystem_DeleteSound(&s);
    EXPECT_EQ(s.data, nullptr);
    EXPECT_EQ(s.playing, 0);
    EXPECT_EQ(soundsystem.numactive, 0);
}

TEST(AudioDriver, FrequencyZeroOpensNothingAndUnsupportedBitsFail)
{
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    EXPECT_EQ(audiodriver_init(0, 16, 2048, 2), 1);
    EXPECT_EQ(audiodriver_offline_play(nullptr, 4), 0);  // nothing open
    EXPECT_EQ(audiodriver_init(44100, 24, 2048, 2), 0);
    EXPECT_EQ(audiodriver_offline_play(nullptr, 4), 0);
    audiodriver_setoutput(AUDIODRIVER_DEVICE);
}

TEST_F(SoundSystem, DriverLogsItsStartLines)
{
    testing::internal::CaptureStdout();
    Soundsystem_Init(44100, 16, 2);
    fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(),
              "sample size: 4\nbuffer size: 8192\nopen waveout\n"
              "AUDIO: opening audio device succesful!\nopen wav-buffers\naudiodriver inited\n"
              "soundsystem bufferlength = 2048\n");
}

}  // namespace
