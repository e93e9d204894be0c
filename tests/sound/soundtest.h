// Helpers for the sound tests: WAV files built byte by byte, and a sound
// system started on the offline output so nothing depends on a device.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "sound/audiodriver.h"
#include "sound/coresound.h"

namespace soundtest {

inline void put16(std::vector<uint8_t>& b, uint32_t v)
{
    b.push_back((uint8_t)v);
    b.push_back((uint8_t)(v >> 8));
}
inline void put32(std::vector<uint8_t>& b, uint32_t v)
{
    put16(b, v & 0xffff);
    put16(b, v >> 16);
}
inline void tag(std::vector<uint8_t>& b, const char* t) { b.insert(b.end(), t, t + 4); }

// The canonical 44-byte header and `data` behind it; `datasize` is what
// offset 40 claims.
inline std::vector<uint8_t> wavfile(uint16_t format, uint16_t channels, uint32_t rate, uint16_t bits,
                                    const std::vector<uint8_t>& data, uint32_t datasize)
{
    std::vector<uint8_t> b;
    tag(b, "RIFF");
    put32(b, 36 + datasize);
    tag(b, "WAVE");
    tag(b, "fmt ");
    put32(b, 16);
    put16(b, format);
    put16(b, channels);
    put32(b, rate);
    put32(b, rate * channels * (bits / 8));
    put16(b, channels * (bits / 8));
    put16(b, bits);
    tag(b, "data");
    put32(b, datasize);
    b.insert(b.end(), data.begin(), data.end());
    return b;
}
inline std::vector<uint8_t> wavfile(uint16_t channels, uint32_t rate, uint16_t bits, const std::vector<uint8_t>& data)
{
    return wavfile(1, channels, rate, bits, data, (uint32_t)data.size());
}

inline void writefile(const std::string& name, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(name.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}
inline std::vector<uint8_t> readfile(const std::string& name)
{
    std::vector<uint8_t> bytes;
    FILE* f = fopen(name.c_str(), "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}

// 16-bit samples as little-endian bytes.
inline std::vector<uint8_t> samples16(const std::vector<int16_t>& s)
{
    std::vector<uint8_t> b;
    for (int16_t v : s) put16(b, (uint16_t)v);
    return b;
}

// A sound record over caller-owned samples, as a loader would leave it.
struct testsound {
    std::vector<int16_t> samples;
    s_sound sound{};
    testsound(const std::vector<int16_t>& s, int channels, int frequency = 44100) : samples(s)
    {
        sound.channels = (uint16_t)channels;
        sound.bits = 16;
        sound.frequency = (uint32_t)frequency;
        sound.size = (uint32_t)(samples.size() * 2);
        sound.length = (uint32_t)samples.size();
        sound.data = samples.data();
        sound.volume = 255;
        sound.volume_left = 128;
        sound.volume_right = 128;
        sound.panning = 128;
        Soundsystem_SetFrequency(&sound, frequency);
    }
    ~testsound() { Soundsystem_StopSound(&sound); }
};

// Every test starts from a fresh sound system on the offline output.
class OfflineSound : public ::testing::Test {
protected:
    void SetUp() override
    {
        audiodriver_setoutput(AUDIODRIVER_OFFLINE);
        Soundsystem_Init(44100, 16, 2);
    }
    void TearDown() override
    {
        while (soundsystem.numactive > 0) Soundsystem_StopSound(active_sounds[0]);
        Soundsystem_CloseAudio();
        audiodriver_setoutput(AUDIODRIVER_DEVICE);
    }
    // Mixes one whole block straight into `out` (2048 stereo 16-bit frames).
    std::vector<int16_t> mixblock()
    {
        std::vector<int16_t> out(2048 * 2);
        audiodriver_mixbuffers(out.data(), (int)(out.size() * 2), 0);
        return out;
    }
};

}  // namespace soundtest
