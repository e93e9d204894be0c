// timingtool as it is run: text to table and back, refusals with line
// numbers, and the beat listing over a WAV file.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct result {
    int status;
    std::string out, err;
};

std::string slurp(const char* name)
{
    std::string text;
    FILE* f = fopen(name, "rb");
    if (!f) return text;
    int c;
    while ((c = fgetc(f)) != EOF) text += (char)c;
    fclose(f);
    return text;
}
void spill(const char* name, const std::string& text)
{
    FILE* f = fopen(name, "wb");
    fwrite(text.data(), 1, text.size(), f);
    fclose(f);
}

result tool(const std::string& args)
{
    std::string command = std::string(TIMINGTOOL) + " " + args + " >tool.out 2>tool.err";
    int status = system(command.c_str());
    return {WIFEXITED(status) ? WEXITSTATUS(status) : -1, slurp("tool.out"), slurp("tool.err")};
}

const char* HEADER =
    "# sync table: per track, each event's time in timing units and in seconds (22050 units a second)\n";

TEST(TimingTool, BuildThenDumpReproducesTheText)
{
    std::string text = std::string(HEADER) +
                       "track 0 events 3\n"
                       "event 0 0 0.000000\n"
                       "event 1 22050 1.000000\n"
                       "event 2 -11025 -0.500000\n"
                       "track 1 events 0\n"
                       "track 2 events 1\n"
                       "event 0 2147483647 97391.548617\n"
                       "track 3 events 256\n";
    for (int i = 0; i < 256; i++) {
        char line[64];
        snprintf(line, sizeof line, "event %d %d %.6f\n", i, i * 1024, i * 1024 / 22050.0);
        text += line;
    }
    spill("sync.txt", text);
    result built = tool("build sync.txt timing.dat");
    ASSERT_EQ(built.status, 0) << built.err;
    std::string file = slurp("timing.dat");
    ASSERT_EQ(file.size(), 4112u);
    EXPECT_EQ((unsigned char)file[4], 0);          // track 1: no events
    EXPECT_EQ((unsigned char)file[13], 1);         // track 3: 256 events
    EXPECT_EQ((unsigned char)file[16 + 8], 0xef);  // -11025 is 0xffffd4ef
    EXPECT_EQ((unsigned char)file[16 + 11], 0xff);

    result dumped = tool("dump timing.dat");
    ASSERT_EQ(dumped.status, 0) << dumped.err;
    EXPECT_EQ(dumped.out, text);
}

TEST(TimingTool, SecondsColumnIsOptionalAndCommentsAreSkipped)
{
    spill("loose.txt",
          "# made by hand\n\ntrack 0 events 2\r\nevent 0 0\nevent 1 44100   2.0\n"
          "  # indented comment\ntrack 1 events 0\ntrack 2 events 0\ntrack 3 events 0\n");
    ASSERT_EQ(tool("build loose.txt loose.dat").status, 0);
    result dumped = tool("dump loose.dat");
    EXPECT_EQ(dumped.out, std::string(HEADER) +
                              "track 0 events 2\nevent 0 0 0.000000\nevent 1 44100 2.000000\n"
                              "track 1 events 0\ntrack 2 events 0\ntrack 3 events 0\n");
}

TEST(TimingTool, MalformedTextIsRefusedWithItsLineNumber)
{
    const std::string tail = "track 1 events 0\ntrack 2 events 0\ntrack 3 events 0\n";
    struct {
        const char* what;
        std::string text;
        int line;
    } cases[] = {
        {"unknown word", "track 0 events 1\nevent 0 0\nbeat 5\n" + tail, 3},
        {"index out of order", "track 0 events 2\nevent 0 0\nevent 2 5\n" + tail, 3},
        {"too many events", "track 0 events 1\nevent 0 0\nevent 1 5\n" + tail, 3},
        {"too few events", "# c\ntrack 0 events 3\nevent 0 0\n" + tail, 2},
        {"count above 256", "track 0 events 257\n" + tail, 1},
        {"track out of order", "track 1 events 0\n", 1},
        {"missing tracks", "track 0 events 0\ntrack 1 events 0\n", 3},
        {"time beyond 32 bits", "track 0 events 1\nevent 0 2147483648\n" + tail, 2},
        {"time not a number", "track 0 events 1\nevent 0 12x\n" + tail, 2},
        {"seconds disagree", "track 0 events 1\nevent 0 22050 2.0\n" + tail, 2},
        {"event before track", "event 0 0\n", 1},
    };
    for (auto& c : cases) {
        spill("bad.txt", c.text);
        remove("bad.dat");
        result r = tool("build bad.txt bad.dat");
        EXPECT_EQ(r.status, 1) << c.what;
        EXPECT_NE(r.err.find("bad.txt:" + std::to_string(c.line) + ":"), std::string::npos) << c.what << ": " << r.err;
        EXPECT_EQ(slurp("bad.dat").size(), 0u) << c.what;
    }
}

TEST(TimingTool, DumpRefusesFilesThatAreNotSyncTables)
{
    spill("short.dat", std::string(4111, '\0'));
    result r = tool("dump short.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("short.dat"), std::string::npos);
    std::string counts(4112, '\0');
    counts[8] = 0x01;  // track 2 claims 257 events
    counts[9] = 0x01;
    spill("counts.dat", counts);
    r = tool("dump counts.dat");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("track 2"), std::string::npos) << r.err;
    EXPECT_EQ(tool("dump absent.dat").status, 1);
    EXPECT_EQ(tool("frobnicate").status, 2);
}

// A WAV of 16-bit stereo: 10 blocks of 2048 frames, a loud tone in the first
// five and silence after. Read as the probe reads the mix (left and right
// alternating), a 2612 Hz tone in both channels sits at 1306 Hz.
TEST(TimingTool, BeatsListsEveryMixedBlockWithItsProbeEnergies)
{
    const int frames = 2048 * 10;
    std::vector<unsigned char> wav;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) wav.push_back((unsigned char)(v >> (8 * i)));
    };
    for (const char* t : {"RIFF"}) wav.insert(wav.end(), t, t + 4);
    put(36 + frames * 4, 4);
    for (const char* t : {"WAVE", "fmt "}) wav.insert(wav.end(), t, t + 4);
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(44100, 4);
    put(176400, 4);
    put(4, 2);
    put(16, 2);
    wav.insert(wav.end(), {'d', 'a', 't', 'a'});
    put(frames * 4, 4);
    for (int i = 0; i < frames; i++) {
        int16_t v = i < frames / 2 ? (int16_t)lround(16000 * sin(2 * M_PI * 2612.0 * i / 44100.0)) : 0;
        put((uint16_t)v, 2);
        put((uint16_t)v, 2);
    }
    spill("Tone.WAV", std::string(wav.begin(), wav.end()));  // any spelling of a name plays

    result r = tool("beats Tone.WAV");
    ASSERT_EQ(r.status, 0) << r.err;
    std::vector<std::string> rows;
    std::istringstream lines(r.out);
    for (std::string line; std::getline(lines, line);)
        if (line.rfind("block ", 0) == 0) rows.push_back(line);
    ASSERT_EQ(rows.size(), 10u) << r.out;
    for (int i = 0; i < 10; i++) {
        int block, t;
        double seconds, e1, e2;
        char verdict[8];
        ASSERT_EQ(sscanf(rows[i].c_str(), "block %d t %d %lf s e1306 %lf e1531 %lf %7s", &block, &t, &seconds, &e1, &e2,
                         verdict),
                  6)
            << rows[i];
        EXPECT_EQ(block, i);
        EXPECT_EQ(t, (i + 1) * 1024);  // 1024 units a block
        EXPECT_NEAR(seconds, (i + 1) * 1024 / 22050.0, 0.001);
        if (i < 5) {
            EXPECT_STREQ(verdict, "beat") << rows[i];
            EXPECT_GT(e1, 10 * e2) << rows[i];
        } else {
            EXPECT_STREQ(verdict, "-") << rows[i];
            EXPECT_EQ(e1 + e2, 0.0) << rows[i];
        }
    }
}

TEST(TimingTool, BeatsRefusesWhatItCannotPlay)
{
    EXPECT_EQ(tool("beats missing.wav").status, 1);
    spill("notes.wav", "not a wav file at all, just text that is long enough to have a header");
    EXPECT_EQ(tool("beats notes.wav").status, 1);
}

}  // namespace
