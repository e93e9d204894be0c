// WAV files: the canonical layout read and written, and every malformed
// file refused without reading past its end.
#include "soundtest.h"

#include <cstdlib>
#include <filesystem>

#include "core/corefile.h"

using namespace soundtest;

namespace {

class WavFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_EQ(corefile_mountimage(".", COREFILE_DIRECTORY), 1); }
    void TearDown() override
    {
        Soundsystem_DeleteSound(&sound);
        corefile_closeimage();
    }
    // Writes the bytes as `name`, reads them with the WAV reader and keeps
    // what it printed.
    int load(const char* name, const std::vector<uint8_t>& bytes)
    {
        writefile(name, bytes);
        Soundsystem_DeleteSound(&sound);
        sound = s_sound{};
        testing::internal::CaptureStdout();
        int result = Soundsystem_LoadWAV(name, &sound);
        fflush(stdout);
        log = testing::internal::GetCapturedStdout();
        return result;
    }
    s_sound sound{};
    std::string log;
};

TEST_F(WavFiles, Canonical16BitStereoFileFillsTheRecord)
{
    std::vector<uint8_t> data(1000000);
    for (size_t i = 0; i < data.size(); i++) data[i] = (uint8_t)(i * 7);
    ASSERT_EQ(load("big.wav", wavfile(2, 44100, 16, data)), 1);
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.frequency, 44100u);
    EXPECT_EQ(sound.bits, 16);
    EXPECT_EQ(sound.size, 1000000u);
    EXPECT_EQ(sound.length, 500000u);
    ASSERT_NE(sound.data, nullptr);
    EXPECT_EQ(memcmp(sound.data, data.data(), data.size()), 0);
    EXPECT_EQ(log, "");
}

TEST_F(WavFiles, EightBitMonoLengthEqualsSize)
{
    ASSERT_EQ(load("mono8.wav", wavfile(1, 22050, 8, {0, 128, 255})), 1);
    EXPECT_EQ(sound.size, 3u);
    EXPECT_EQ(sound.length, 3u);
    EXPECT_EQ(((uint8_t*)sound.data)[2], 255);
}

TEST_F(WavFiles, WrongRiffOrWaveTagIsNoWavFile)
{
    std::vector<uint8_t> file = wavfile(1, 44100, 8, {1, 2});
    memcpy(file.data() + 8, "AVI ", 4);
    EXPECT_EQ(load("form.wav", file), 0);
    EXPECT_EQ(log, "No WAV file");

    file = wavfile(1, 44100, 8, {1, 2});
    memcpy(file.data(), "RIFX", 4);
    EXPECT_EQ(load("riff.wav", file), 0);
    EXPECT_EQ(log, "No WAV file");
    EXPECT_EQ(sound.data, nullptr);
}

TEST_F(WavFiles, OnlyTheFirstThreeBytesOfTheFormatTagCount)
{
    std::vector<uint8_t> file = wavfile(1, 44100, 8, {1, 2});
    file[15] = 'X';
    EXPECT_EQ(load("fmtx.wav", file), 1);
    file[14] = 'X';
    EXPECT_EQ(load("fxx.wav", file), 0);
    EXPECT_EQ(log, "");
}

TEST_F(WavFiles, FloatingPointIsNotPcmButFormatIsStored)
{
    EXPECT_EQ(load("float.wav", wavfile(3, 2, 48000, 32, {0, 0, 0, 0, 0, 0, 0, 0}, 8)), 0);
    EXPECT_EQ(log, "Not PCM signed");
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.frequency, 48000u);
    EXPECT_EQ(sound.bits, 32);
    EXPECT_EQ(sound.data, nullptr);
}

TEST_F(WavFiles, AnotherChunkBeforeTheDataIsRefusedSilently)
{
    // A "fact" chunk where the data chunk should start.
    std::vector<uint8_t> file = wavfile(1, 44100, 16, {1, 0, 2, 0});
    memcpy(file.data() + 36, "fact", 4);
    EXPECT_EQ(load("fact.wav", file), 0);
    EXPECT_EQ(log, "");
    EXPECT_EQ(sound.data, nullptr);
}

// A file past the 256 MiB a sound's file may have is refused before any of
// it is read, on every word size (a sparse file here).
TEST_F(WavFiles, AFileBeyondTheCeilingIsRefusedUpFront)
{
    writefile("huge.wav", wavfile(1, 2, 44100, 16, {1, 0, 2, 0}, 4));
    std::filesystem::resize_file("huge.wav", (256u << 20) + 1);
    Soundsystem_DeleteSound(&sound);
    sound = s_sound{};
    testing::internal::CaptureStdout();
    EXPECT_EQ(Soundsystem_LoadWAV("huge.wav", &sound), 0);
    log = testing::internal::GetCapturedStdout();
    std::filesystem::remove("huge.wav");
    EXPECT_NE(log.find("huge.wav: refused, 268435457 bytes is more than the 268435456 a sound's file may have\n"),
              std::string::npos)
        << log;
    EXPECT_EQ(sound.data, nullptr);
}

TEST_F(WavFiles, DataSizeBeyondTheFileIsRefusedNamingTheFile)
{
    // Claims 1000 bytes, holds 4.
    EXPECT_EQ(load("liar.wav", wavfile(1, 2, 44100, 16, {1, 0, 2, 0}, 1000)), 0);
    EXPECT_NE(log.find("liar.wav"), std::string::npos) << log;
    EXPECT_EQ(sound.data, nullptr);
    EXPECT_EQ(sound.size, 0u);
    // Exactly what the file holds is taken.
    EXPECT_EQ(load("exact.wav", wavfile(1, 2, 44100, 16, {1, 0, 2, 0}, 4)), 1);
    // A claim that wraps 32 bits when the header is added.
    EXPECT_EQ(load("wrap.wav", wavfile(1, 2, 44100, 16, {1, 0, 2, 0}, 0xfffffffcu)), 0);
    EXPECT_NE(log.find("wrap.wav"), std::string::npos) << log;
}

TEST_F(WavFiles, UnusableSampleFormatsAreRefusedNamingTheFile)
{
    struct {
        const char* name;
        uint16_t channels;
        uint16_t bits;
    } cases[] = {{"bits0.wav", 1, 0},  {"bits4.wav", 1, 4},   {"bits12.wav", 2, 12},
                 {"chan0.wav", 0, 16}, {"bits24.wav", 2, 24}, {"bits32.wav", 2, 32}};
    for (auto& c : cases) {
        std::vector<uint8_t> file = wavfile(1, c.channels, 44100, c.bits, {1, 2, 3, 4}, 4);
        EXPECT_EQ(load(c.name, file), 0) << c.name;
        EXPECT_NE(log.find(c.name), std::string::npos) << log;
        EXPECT_EQ(sound.data, nullptr);
        EXPECT_EQ(sound.length, 0u);
    }
}

// WAV files as ffmpeg and sox write them, made here by the tools when they
// are installed: each is read as the canonical layout says, or refused, and
// then the reason a program gives its viewer names the file and what is in
// the way.
TEST_F(WavFiles, FilesFromFfmpegAndSoxAreReadOrTheirLayoutIsExplained)
{
    const bool ffmpeg = system("ffmpeg -version > /dev/null 2>&1") == 0;
    const bool sox = system("sox --version > /dev/null 2>&1") == 0;
    if (!ffmpeg && !sox) GTEST_SKIP() << "neither ffmpeg nor sox is installed";
    const std::string tone = "-f lavfi -i sine=frequency=440:duration=0.2";
    const std::string plain = " -fflags +bitexact -map_metadata -1";
    struct Case {
        bool byffmpeg;
        std::string command;  // writes the file named by the case
        const char* name;
        int channels, frequency, bits;  // when read; 0: refused
        const char* problem;            // what is in the way, when refused
    };
    const Case cases[] = {
        {true, tone + " -ac 2 -c:a pcm_s16le" + plain, "ff16.wav", 2, 44100, 16, nullptr},
        {true, tone + " -ac 2 -c:a pcm_s16le", "ffdefault.wav", 0, 0, 0,
         "another chunk (LIST) comes before the sample data: only the canonical 44-byte PCM header is read"},
        {true, tone + " -ac 2 -c:a pcm_u8" + plain, "ff8.wav", 2, 44100, 8, nullptr},
        {true, tone + " -ac 2 -c:a pcm_s24le" + plain, "ff24.wav", 0, 0, 0,
         "the format is the extensible one (40 bytes, 24-bit PCM): only the canonical 44-byte PCM header is read"},
        {true, tone + " -ac 2 -c:a pcm_f32le" + plain, "fffloat.wav", 0, 0, 0,
         "the format is the extensible one (40 bytes, 32-bit floating point): only the canonical 44-byte PCM "
         "header is read"},
        {true, tone + " -ac 1 -c:a pcm_s16le" + plain, "ffmono.wav", 1, 44100, 16, nullptr},
        {true, tone + " -ac 2 -ar 48000 -c:a pcm_s16le" + plain, "ff48k.wav", 2, 48000, 16, nullptr},
        {false, "-b 16", "sox16.wav", 2, 44100, 16, nullptr},
        {false, "-b 8", "sox8.wav", 2, 44100, 8, nullptr},
        {false, "-b 24", "sox24.wav", 0, 0, 0,
         "the format is the extensible one (40 bytes, 24-bit PCM): only the canonical 44-byte PCM header is read"},
        {false, "-b 32 -e floating-point", "soxfloat.wav", 0, 0, 0,
         "32-bit floating-point samples: 8- or 16-bit PCM is played"},
        {false, "-c 1 -r 48000 -b 16", "soxmono48k.wav", 1, 48000, 16, nullptr},
    };
    for (const Case& c : cases) {
        if (c.byffmpeg ? !ffmpeg : !sox) continue;
        const std::string command =
            c.byffmpeg ? "ffmpeg -loglevel error -y " + c.command + " " + c.name
                       : "sox -n -r 44100 -c 2 " + c.command + " " + c.name + " synth 0.2 sine 440 2> /dev/null";
        ASSERT_EQ(system(command.c_str()), 0) << command;
        const std::vector<uint8_t> bytes = readfile(c.name);
        const int read = load(c.name, bytes);
        const char* problem = Soundsystem_WAVProblem(c.name);
        if (c.bits) {
            EXPECT_EQ(read, 1) << c.name << ": " << log;
            EXPECT_EQ(sound.channels, c.channels) << c.name;
            EXPECT_EQ(sound.frequency, uint32_t(c.frequency)) << c.name;
            EXPECT_EQ(sound.bits, c.bits) << c.name;
            EXPECT_EQ(sound.size, bytes.size() - 44) << c.name;
            EXPECT_EQ(problem, nullptr) << c.name << ": " << problem;
        } else {
            EXPECT_EQ(read, 0) << c.name;
            EXPECT_EQ(sound.data, nullptr) << c.name;
            ASSERT_NE(problem, nullptr) << c.name;
            EXPECT_EQ(std::string(problem), std::string(c.name) + ": " + c.problem) << c.name;
        }
    }
    // The way out it names gives a file that is read.
    if (ffmpeg) {
        std::string remedy = Soundsystem_WAVRemedy();
        remedy = remedy.substr(remedy.find("ffmpeg"), remedy.find(", or") - remedy.find("ffmpeg"));
        remedy.replace(remedy.find("IN"), 2, "ffdefault.wav");
        remedy.replace(remedy.find("OUT.wav"), 7, "mended.wav");
        ASSERT_EQ(system(("ffmpeg -loglevel error -y " + remedy.substr(7)).c_str()), 0) << remedy;
        EXPECT_EQ(load("mended.wav", readfile("mended.wav")), 1);
    }
}

TEST_F(WavFiles, FilesShorterThanTheHeaderAreRefused)
{
    std::vector<uint8_t> full = wavfile(1, 44100, 16, {});
    for (size_t n : {0, 3, 12, 15, 36, 40, 43}) {
        std::vector<uint8_t> cut(full.begin(), full.begin() + n);
        EXPECT_EQ(load("short.wav", cut), 0) << n << " bytes";
        EXPECT_EQ(sound.data, nullptr);
    }
    // The header alone is an empty sound.
    EXPECT_EQ(load("empty.wav", full), 1);
    EXPECT_EQ(sound.size, 0u);
    EXPECT_EQ(sound.length, 0u);
}

TEST_F(WavFiles, MissingFileIsRefused)
{
    EXPECT_EQ(Soundsystem_LoadWAV("nothing.wav", &sound), 0);
    EXPECT_EQ(sound.data, nullptr);
}

TEST_F(WavFiles, SavedSoundReadsBackWithTheSameFieldsAndBytes)
{
    std::vector<int16_t> samples = {0, 1, -1, 32767, -32768, 1234, -4321, 77};
    testsound original(samples, 2);
    Soundsystem_SaveWAV("saved.wav", &original.sound);
    ASSERT_EQ(Soundsystem_LoadWAV("saved.wav", &sound), 1);
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.frequency, 44100u);
    EXPECT_EQ(sound.bits, 16);
    EXPECT_EQ(sound.size, 16u);
    EXPECT_EQ(sound.length, 8u);
    EXPECT_EQ(memcmp(sound.data, samples.data(), 16), 0);
}

TEST_F(WavFiles, Saved16BitStereoHeaderIsCanonical)
{
    testsound original({10, -10, 20, -20}, 2);
    Soundsystem_SaveWAV("header.wav", &original.sound);
    std::vector<uint8_t> file = readfile("header.wav");
    std::vector<uint8_t> expected = {'R',  'I',  'F',  'F', 44,  0,   0,   0,                    // 36 + 8 data bytes
                                     'W',  'A',  'V',  'E', 'f', 'm', 't', ' ', 16, 0, 0,    0,  // format body
                                     1,    0,    2,    0,                                        // PCM, 2 channels
                                     0x44, 0xac, 0,    0,                                        // 44100 Hz
                                     0x10, 0xb1, 0x02, 0,  // 176400 bytes a second
                                     4,    0,    16,   0,  // block align 4, 16 bits
                                     'd',  'a',  't',  'a', 8,   0,   0,   0,   10, 0, 0xf6, 0xff, 20, 0, 0xec, 0xff};
    EXPECT_EQ(file, expected);
}

TEST_F(WavFiles, Saved8BitMonoHeaderSizesComeFromLength)
{
    s_sound s{};
    uint8_t data[5] = {1, 2, 3, 4, 5};
    s.channels = 1;
    s.bits = 8;
    s.frequency = 8000;
    s.size = 5;    // copied whole
    s.length = 3;  // but the header's sizes count these
    s.data = data;
    EXPECT_EQ(Soundsystem_SaveWAV("mono.wav", &s), 1);
    std::vector<uint8_t> file = readfile("mono.wav");
    ASSERT_EQ(file.size(), 49u);
    EXPECT_EQ(file[4], 39);     // 36 + 3
    EXPECT_EQ(file[28], 0x40);  // 8000 bytes a second
    EXPECT_EQ(file[29], 0x1f);
    EXPECT_EQ(file[32], 1);  // block align
    EXPECT_EQ(file[40], 3);
    EXPECT_EQ(file[48], 5);
}

}  // namespace
