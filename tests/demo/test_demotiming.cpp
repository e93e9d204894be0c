// The sync table: queries against a position, the file's layout, loading
// bad files, and the frequency probe.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "demo/demotiming.h"
#include "sound/audiodriver.h"
#include "tests/sound/soundtest.h"

namespace {

constexpr double kPi = 3.14159265358979323846;

// A sound whose position gives sync time t.
s_sound at(int32_t t)
{
    s_sound s{};
    s.position = (uint64_t)(uint32_t)t << 10;
    return s;
}

void settrack(int track, const std::vector<int32_t>& times)
{
    demotiming_numevents[track] = (int32_t)times.size();
    for (size_t i = 0; i < times.size(); i++) demotiming_event[track][i] = times[i];
}

std::vector<uint8_t> readfile(const char* name)
{
    std::vector<uint8_t> bytes;
    FILE* f = fopen(name, "rb");
    if (!f) return bytes;
    int c;
    while ((c = fgetc(f)) != EOF) bytes.push_back((uint8_t)c);
    fclose(f);
    return bytes;
}
void writefile(const char* name, const std::vector<uint8_t>& bytes)
{
    FILE* f = fopen(name, "wb");
    if (!bytes.empty()) fwrite(bytes.data(), 1, bytes.size(), f);
    fclose(f);
}
int32_t get32(const std::vector<uint8_t>& b, size_t at)
{
    return (int32_t)((uint32_t)b[at] | (uint32_t)b[at + 1] << 8 | (uint32_t)b[at + 2] << 16 |
                     (uint32_t)b[at + 3] << 24);
}
void put32(std::vector<uint8_t>& b, size_t at, int32_t v)
{
    for (int i = 0; i < 4; i++) b[at + i] = (uint8_t)((uint32_t)v >> (8 * i));
}

class Timing : public ::testing::Test {
protected:
    void SetUp() override
    {
        memset(demotiming_numevents, 0, sizeof demotiming_numevents);
        memset(demotiming_event, 0, sizeof demotiming_event);
        InitTiming();
    }
};

TEST_F(Timing, AfterInitEveryTrackIsAtEventZeroWithoutPulse)
{
    for (int track = 0; track < 4; track++) {
        EXPECT_EQ(demotiming_numevents[track], 1);
        EXPECT_EQ(GetTimingEvent(at(5000), track), 0);
        EXPECT_EQ(GetTimingEffectTime(at(5000), track), 5000);
        EXPECT_EQ(GetTimingPulse(at(5000), track, 40), 0);
        EXPECT_EQ(GetTimingPulse(at(10), track, 40), 0);  // index 0 never pulses
    }
}

TEST_F(Timing, InitAndClearTouchOnlyCountAndFirstSlot)
{
    settrack(2, {5, 6, 7});
    ClearTiming(2);
    EXPECT_EQ(demotiming_numevents[2], 1);
    EXPECT_EQ(demotiming_event[2][0], 0);
    EXPECT_EQ(demotiming_event[2][1], 6);
    settrack(1, {9, 9});
    ClearTiming(2);  // other tracks untouched
    EXPECT_EQ(demotiming_numevents[1], 2);
    EXPECT_EQ(demotiming_event[1][0], 9);
}

TEST_F(Timing, EventAtExactlyTIsCurrentAndOneUnitEarlierThePreviousIs)
{
    settrack(0, {0, 100, 200});
    EXPECT_EQ(GetTimingEvent(at(100), 0), 1);
    EXPECT_EQ(GetTimingEffectTime(at(100), 0), 0);
    EXPECT_EQ(GetTimingEvent(at(99), 0), 0);
    EXPECT_EQ(GetTimingEffectTime(at(99), 0), 99);
    EXPECT_EQ(GetTimingEvent(at(100000), 0), 2);
    EXPECT_EQ(GetTimingEffectTime(at(100000), 0), 99800);
}

TEST_F(Timing, EqualTimesGoToTheHigherIndex)
{
    settrack(1, {0, 50, 50, 80});
    EXPECT_EQ(GetTimingEvent(at(60), 1), 2);
}

TEST_F(Timing, UnsortedTrackGivesTheHighestQualifyingIndex)
{
    settrack(1, {0, 500, 100, 900, 200});
    EXPECT_EQ(GetTimingEvent(at(300), 1), 4);
    EXPECT_EQ(GetTimingEffectTime(at(300), 1), 100);
    EXPECT_EQ(GetTimingEvent(at(150), 1), 2);
}

TEST_F(Timing, CountZeroGivesEventZeroAndTimeFromSlotZero)
{
    settrack(3, {});
    demotiming_event[3][0] = 700;
    demotiming_event[3][1] = 10;  // beyond the count: never looked at
    EXPECT_EQ(GetTimingEvent(at(500), 3), 0);
    EXPECT_EQ(GetTimingEffectTime(at(500), 3), -200);
}

TEST_F(Timing, NoQualifyingEventMeasuresFromSlotZero)
{
    settrack(0, {1000, 2000});
    EXPECT_EQ(GetTimingEvent(at(10), 0), 0);
    EXPECT_EQ(GetTimingEffectTime(at(10), 0), -990);
}

TEST_F(Timing, PulseLastsLessThanItsLength)
{
    settrack(1, {0, 1000, 2000});
    EXPECT_EQ(GetTimingPulse(at(1039), 1, 40), 1);
    EXPECT_EQ(GetTimingPulse(at(1040), 1, 40), 0);
    EXPECT_EQ(GetTimingPulse(at(2000), 1, 40), 2);
}

TEST_F(Timing, TimeIsThePositionOver1024ReadAsSigned32Bits)
{
    settrack(0, {0, 3});
    s_sound s{};
    s.position = 3 * 1024 - 1;  // t = 2
    EXPECT_EQ(GetTimingEvent(s, 0), 0);
    s.position = 3 * 1024;
    EXPECT_EQ(GetTimingEvent(s, 0), 1);
    // Bit 31 of t set: a negative time, before every event.
    s.position = 0x80000000ull << 10;
    EXPECT_EQ(GetTimingEffectTime(s, 0), INT32_MIN);
    EXPECT_EQ(GetTimingEvent(s, 0), 0);
    // Bits above the low 32 of t are dropped.
    s.position = (0x100000000ull + 5) << 10;
    EXPECT_EQ(GetTimingEvent(s, 0), 1);
    EXPECT_EQ(GetTimingEffectTime(s, 0), 2);
}

TEST_F(Timing, SavedTableIs4112BytesInItsLayoutAndLoadsBackWhole)
{
    for (int track = 0; track < 4; track++)
        for (int i = 0; i < 256; i++) demotiming_event[track][i] = track * 100000 + i * 7 - 3;
    demotiming_numevents[0] = 1;
    demotiming_numevents[1] = 256;
    demotiming_numevents[2] = 0;
    demotiming_numevents[3] = 17;
    SaveTiming("timing.dat");
    std::vector<uint8_t> file = readfile("timing.dat");
    ASSERT_EQ(file.size(), 4112u);
    EXPECT_EQ(get32(file, 4), 256);
    EXPECT_EQ(get32(file, 12), 17);
    EXPECT_EQ(get32(file, 16), -3);            // track 0, slot 0
    EXPECT_EQ(get32(file, 1040 + 4), 100004);  // track 1, slot 1
    EXPECT_EQ(get32(file, 3088 + 1020), 300000 + 255 * 7 - 3);
    EXPECT_EQ(file[16], 0xfd);                         // little-endian
    EXPECT_EQ(readfile("timing.dat.tmp").size(), 0u);  // renamed into place

    int32_t counts[4], events[4][256];
    memcpy(counts, demotiming_numevents, sizeof counts);
    memcpy(events, demotiming_event, sizeof events);
    memset(demotiming_numevents, 0, sizeof demotiming_numevents);
    memset(demotiming_event, 0, sizeof demotiming_event);
    LoadTiming("timing.dat");
    EXPECT_EQ(memcmp(counts, demotiming_numevents, sizeof counts), 0);
    EXPECT_EQ(memcmp(events, demotiming_event, sizeof events), 0);
}

TEST_F(Timing, MissingOrShortFileKeepsTheTableAndSaysSo)
{
    settrack(0, {0, 10});
    testing::internal::CaptureStdout();
    LoadTiming("absent.dat");
    fflush(stdout);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("absent.dat"), std::string::npos);
    EXPECT_EQ(demotiming_numevents[0], 2);

    std::vector<uint8_t> file(4111, 0x11);
    writefile("short.dat", file);
    testing::internal::CaptureStdout();
    LoadTiming("short.dat");
    fflush(stdout);
    log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("short.dat"), std::string::npos);
    EXPECT_EQ(demotiming_numevents[0], 2);
    EXPECT_EQ(demotiming_event[0][1], 10);
}

TEST_F(Timing, CountsOutsideTheTrackAreClampedOnLoad)
{
    std::vector<uint8_t> file(4112, 0);
    put32(file, 0, 100000);
    put32(file, 4, -5);
    put32(file, 8, 256);
    put32(file, 12, 257);
    for (int i = 0; i < 256; i++) put32(file, 16 + 4 * i, i);
    writefile("counts.dat", file);
    testing::internal::CaptureStdout();
    LoadTiming("counts.dat");
    fflush(stdout);
    std::string log = testing::internal::GetCapturedStdout();
    EXPECT_NE(log.find("counts.dat"), std::string::npos);
    EXPECT_EQ(demotiming_numevents[0], 256);
    EXPECT_EQ(demotiming_numevents[1], 0);
    EXPECT_EQ(demotiming_numevents[2], 256);
    EXPECT_EQ(demotiming_numevents[3], 256);
    EXPECT_EQ(GetTimingEvent(at(1000000), 0), 255);  // and no further
}

TEST_F(Timing, SaveReplacesAnExistingFile)
{
    writefile("again.dat", std::vector<uint8_t>(10000, 0xaa));
    EXPECT_EQ(SaveTiming("again.dat"), 0);
    std::vector<uint8_t> file = readfile("again.dat");
    ASSERT_EQ(file.size(), 4112u);
    EXPECT_EQ(get32(file, 0), 1);
}

TEST_F(Timing, SaveToAnUnwritablePlaceLeavesTheTableAlone)
{
    testing::internal::CaptureStdout();
    EXPECT_NE(SaveTiming("no-such-directory/timing.dat"), 0);
    fflush(stdout);
    EXPECT_NE(testing::internal::GetCapturedStdout().find("no-such-directory"), std::string::npos);
    EXPECT_EQ(demotiming_numevents[0], 1);
}

// The probe works on the last finished block of a running sound system.
class Probe : public soundtest::OfflineSound {};

TEST_F(Probe, SilentBlockHasNoEnergyAtAnyFrequency)
{
    audiodriver_offline_play(nullptr, 2048);  // one block mixed, of nothing
    for (float f : {0.0f, 100.0f, 1306.0f, 1531.0f, 22050.0f}) EXPECT_EQ(Soundsystem_DetectFrequency(f), 0.0f);
}

TEST_F(Probe, EnergyIsTheSquaredMagnitudeOfTheToneOverTheFirst2048Values)
{
    // A 1306 Hz tone in both channels; the probe runs over the interleaved
    // values, so a channel's tone appears at half the frequency per value.
    std::vector<int16_t> tone(2 * 44100);
    for (int i = 0; i < 44100; i++)
        tone[2 * i] = tone[2 * i + 1] = (int16_t)lround(8000 * sin(2 * kPi * 1306.0 * i / 44100.0));
    s_sound s{};
    s.channels = 2;
    s.bits = 16;
    s.frequency = 44100;
    s.size = (uint32_t)tone.size() * 2;
    s.length = (uint32_t)tone.size();
    s.data = tone.data();
    s.volume_left = s.volume_right = 255;
    Soundsystem_SetFrequency(&s, 44100);
    Soundsystem_PlaySound(&s, 1);
    audiodriver_offline_play(nullptr, 2048);
    const int32_t* block = soundsystem.output_buffer;
    // Goertzel's energy is |X(w)|^2 of the sequence at w = 2 pi f / 44100;
    // single precision is held to a thousandth of the tone's peak energy.
    auto energy = [&](double f) {
        std::complex<double> x = 0;
        double w = 2 * kPi * f / 44100.0;
        for (int n = 0; n < 2048; n++) x += (block[n] / 32768.0) * std::polar(1.0, -w * n);
        return std::norm(x);
    };
    const double peak = energy(653.0);
    for (float f : {653.0f, 700.0f, 1306.0f, 1531.0f, 5000.0f})
        EXPECT_NEAR(Soundsystem_DetectFrequency(f), energy(f), peak * 1e-3) << f;
    // The tone read as alternating L, R values peaks at half its frequency.
    EXPECT_GT(Soundsystem_DetectFrequency(653.0f), 100 * Soundsystem_DetectFrequency(1531.0f));
    Soundsystem_StopSound(&s);
}

TEST_F(Probe, EachStepIsRoundedToSinglePrecisionOnlyWhenStored)
{
    // Sums well beyond 2^24, irregular, so that rounding after every single
    // operation, or rounding x, would drift from one rounding per stored step.
    uint32_t seed = 12345;
    for (int i = 0; i < 4096; i++) {
        seed = seed * 1103515245u + 12345u;
        soundsystem.output_buffer[i] = (int32_t)(seed % 400000001u) - 200000000;
    }
    const float c = (float)(2.0 * cos(6.283185307179586 * (double)(1306.0f / 44100.0f)));
    float q1 = 0, q2 = 0, p1 = 0, p2 = 0;
    for (int i = 0; i < 2048; i++) {
        const int32_t v = soundsystem.output_buffer[i];
        float q0 = (float)((double)c * q1 + v / 32768.0 - q2);
        q2 = q1;
        q1 = q0;
        float p0 = c * p1 + (float)v / 32768.0f - p2;  // every operation rounded
        p2 = p1;
        p1 = p0;
    }
    const float expected = (float)((double)q1 * q1 + (double)q2 * q2 - (double)c * q1 * q2);
    const float everyop = p1 * p1 + p2 * p2 - c * p1 * p2;
    ASSERT_NE(expected, everyop);  // the block tells the two apart
    EXPECT_EQ(Soundsystem_DetectFrequency(1306.0f), expected);
}

}  // namespace
