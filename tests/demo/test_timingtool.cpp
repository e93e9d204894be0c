// timingtool as it is run: text to table and back, refusals with line
// numbers, the beat listing over a WAV file, and the plot.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>  // reads the plots back

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

// A WAV of 16-bit stereo at 44100 Hz: `frames` frames, a loud 2612 Hz tone
// in the first `tone` of them and silence after.
std::string tonewav(int frames, int tone)
{
    std::string wav;
    auto put = [&](uint32_t v, int bytes) {
        for (int i = 0; i < bytes; i++) wav += char(v >> (8 * i));
    };
    wav += "RIFF";
    put(36 + frames * 4, 4);
    wav += "WAVEfmt ";
    put(16, 4);
    put(1, 2);
    put(2, 2);
    put(44100, 4);
    put(176400, 4);
    put(4, 2);
    put(16, 2);
    wav += "data";
    put(frames * 4, 4);
    for (int i = 0; i < frames; i++) {
        int16_t v = i < tone ? (int16_t)lround(16000 * sin(2 * M_PI * 2612.0 * i / 44100.0)) : 0;
        put((uint16_t)v, 2);
        put((uint16_t)v, 2);
    }
    return wav;
}

// 10 blocks of 2048 frames, the tone in the first five. Read as the probe
// reads the mix (left and right alternating), a 2612 Hz tone in both
// channels sits at 1306 Hz.
TEST(TimingTool, BeatsListsEveryMixedBlockWithItsProbeEnergies)
{
    const int frames = 2048 * 10;
    const std::string wav = tonewav(frames, frames / 2);
    spill("Tone.WAV", wav);  // any spelling of a name plays

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

// The plot: each scene event a mark on the pixel column its time gives,
// each pulse a tick, with music or without; a span shows only its own.
struct picture {
    int w = 0, h = 0;
    std::vector<unsigned char> rgb;
    const unsigned char* at(int x, int y) const { return &rgb[(size_t(y) * w + x) * 3]; }
};

picture readpng(const char* name)
{
    picture p;
    int n = 0;
    unsigned char* px = stbi_load(name, &p.w, &p.h, &n, 3);
    if (px) p.rgb.assign(px, px + size_t(p.w) * p.h * 3);
    stbi_image_free(px);
    return p;
}

bool orange(const unsigned char* c) { return c[0] > 240 && c[1] > 150 && c[1] < 175 && c[2] < 20; }
bool green(const unsigned char* c) { return c[0] < 40 && c[1] > 200 && c[2] > 100 && c[2] < 130; }

TEST(TimingTool, PlotPutsEveryMarkOnTheColumnItsTimeGives)
{
    // Scene events at 0, 1.5, 4 and 9 s, pulses at 2 and 3 s; no music.
    spill("plot.txt", std::string(HEADER) +
                          "track 0 events 4\nevent 0 0\nevent 1 33075\nevent 2 88200\nevent 3 198450\n"
                          "track 1 events 2\nevent 0 44100\nevent 1 66150\ntrack 2 events 0\ntrack 3 events 0\n");
    ASSERT_EQ(tool("build plot.txt plot.dat").status, 0);
    struct Span {
        const char* args;
        double from, to;
    };
    for (const Span& s : {Span{"", 0, 10}, Span{" --from 1 --to 5", 1, 5}}) {
        result r = tool(std::string("plot plot.dat plot.png") + s.args);
        ASSERT_EQ(r.status, 0) << r.err;
        const picture p = readpng("plot.png");
        ASSERT_EQ(p.w, 1920);
        ASSERT_EQ(p.h, 600);
        auto column = [&](double t) { return 70 + int(std::lround((t - s.from) * (1920 - 70 - 30) / (s.to - s.from))); };
        for (double t : {0.0, 1.5, 4.0, 9.0}) {
            const bool shown = t >= s.from && t <= s.to;
            const int x = column(std::max(s.from, std::min(s.to, t)));
            EXPECT_EQ(orange(p.at(x, 200)), shown) << "scene mark at " << t << " s" << s.args;
            if (shown) {
                EXPECT_FALSE(orange(p.at(x - 2, 200)));
                EXPECT_FALSE(orange(p.at(x + 2, 200)));
            }
        }
        for (double t : {2.0, 3.0}) EXPECT_TRUE(green(p.at(column(t), 370))) << "pulse at " << t << " s" << s.args;
        // Without music the envelope's band is empty between the marks.
        EXPECT_EQ(p.at(column(3.5), 212)[0], p.at(column(3.5), 100)[0]);
    }

    // With music: the envelope where it plays (a tone, then silence), the
    // marks over it all the same.
    spill("plottone.wav", tonewav(44100 * 2, 44100));  // a second of tone, a second of silence
    result r = tool("plot plot.dat plottone.wav withmusic.png --to 10");
    ASSERT_EQ(r.status, 0) << r.err;
    const picture p = readpng("withmusic.png");
    auto column = [](double t) { return 70 + int(std::lround(t * (1920 - 70 - 30) / 10)); };
    const unsigned char* band = p.at(column(0.3), 195);
    const unsigned char* quiet = p.at(column(1.6), 195);
    EXPECT_GT(band[2], 150) << "no envelope under the tone";
    EXPECT_LT(quiet[2], 60) << "an envelope after the music";
    EXPECT_TRUE(orange(p.at(column(1.5), 195)));
    EXPECT_EQ(tool("plot missing.dat out.png").status, 1);
    EXPECT_EQ(tool("plot plot.dat out.png --to 0").status, 2);
}

TEST(TimingTool, BeatsRefusesWhatItCannotPlay)
{
    EXPECT_EQ(tool("beats missing.wav").status, 1);
    spill("notes.wav", "not a wav file at all, just text that is long enough to have a header");
    EXPECT_EQ(tool("beats notes.wav").status, 1);
}

}  // namespace
