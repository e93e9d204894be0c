// The whole demo, end to end, as orlem-capture plays it: the real coremain
// on the offline platform, over a data image whose pictures are flat
// markers (so every frame can be predicted to the pixel from the scene
// table) and a hand-made sync table that passes every scene event in a few
// seconds. The trace gives each frame's timeline values; stills are checked
// against what the scene table says those values show.
#include <gtest/gtest.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#define STB_IMAGE_IMPLEMENTATION
#include <stb/stb_image.h>  // reads the stills back

#include "core/corefile.h"
#include "demo/demotiming.h"
#include "demo/scenes.h"
#include "image.h"
#include "pack.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"

namespace fs = std::filesystem;

namespace {

// The demo steps 60 times a second; the main run draws every second step.
constexpr int W = 1920, H = 1080, STEPS = 60, FPS = 30, BLOCK = 1024;

struct Marker {
    const char* file;
    int x, y, w, h;  // where the picture's coloured part lies on screen
    uint8_t r, g, b;
};

// Full-screen pictures are transparent but for one marker each; captions,
// subtitles and names are flat colours of their real sizes.
const Marker kLogo = {"veldrix.tga", 100, 100, 200, 100, 200, 40, 40};
const Marker kTitle = {"title2.tga", 400, 100, 200, 100, 40, 200, 40};
const Marker kGreetings = {"greetings.tga", 700, 100, 200, 100, 40, 40, 200};
const Marker kCredits = {"credits.tga", 1000, 100, 200, 100, 200, 200, 40};
const Marker kAllover = {"allover.tga", 1300, 100, 200, 100, 40, 200, 200};
const Marker kScreens[] = {kLogo, kTitle, kGreetings, kCredits, kAllover};

// Where the scene table puts them (demo/scenes.h).
Marker caption(int i) { return {"", CAPTION_X, CAPTION_Y, CAPTION_W, CAPTION_H, uint8_t(80 + 40 * i), 120, 250}; }
Marker subtitle(int i) { return {"", SUBTITLE_X, SUBTITLE_Y, SUBTITLE_W, SUBTITLE_H, 250, uint8_t(60 + 30 * i), 100}; }
Marker name(int n) { return {"", NAME_X, NAME_Y, NAME_W, NAME_H, uint8_t(20 + 12 * n), 230, uint8_t(240 - 12 * n)}; }

content_image flat(int w, int h, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255)
{
    content_image im(w, h);
    for (int i = 0; i < w * h; i++) {
        uint8_t* p = &im.rgba[size_t(i) * 4];
        p[0] = r, p[1] = g, p[2] = b, p[3] = a;
    }
    return im;
}

void put(const fs::path& dir, const std::string& file, const content_image& im, tga_kind kind)
{
    ASSERT_TRUE(WriteFile((dir / file).string(), EncodeTGA(im, kind, true)));
}

// Scene events, in blocks of 1,024 units from the start. Event 3 shares
// event 4's time, so its rows never run; 18 shares 19's, so the last frame
// jumps from 17 straight to 19.
const int kSceneBlock[SCENE_EVENTS] = {0, 3, 7, 41, 41, 44, 47, 57, 61, 73, 85, 97, 101, 104, 114, 117, 120, 130, 133, 133};
// Pulses 1..17 every second block from scene event 8 on.
int pulseblock(int i) { return kSceneBlock[8] + 2 * (i - 1); }

void writetiming(const fs::path& file)
{
    InitTiming();
    demotiming_numevents[0] = SCENE_EVENTS;
    for (int i = 0; i < SCENE_EVENTS; i++) demotiming_event[0][i] = kSceneBlock[i] * BLOCK;
    demotiming_numevents[1] = 18;
    for (int i = 1; i < 18; i++) demotiming_event[1][i] = pulseblock(i) * BLOCK;
    demotiming_numevents[2] = 3;  // not queried, but saved back as it was
    demotiming_event[2][1] = 123456;
    demotiming_event[3][255] = -7;
    ASSERT_EQ(SaveTiming(file.string().c_str()), 0);
}

// A quiet pattern, different on each side, so every frame's share of the
// sound track is its own; too quiet to be taken for a beat.
int16_t musicsample(uint32_t i) { return int16_t((i / 2 * 37) % 128 - 64) * (i % 2 ? -1 : 1); }

void writemusic(const fs::path& file, int seconds)
{
    const uint32_t samples = uint32_t(seconds) * 44100 * 2, bytes = samples * 2;
    std::vector<uint8_t> b;
    auto u32 = [&](uint32_t v) {
        for (int i = 0; i < 4; i++) b.push_back(uint8_t(v >> (8 * i)));
    };
    auto u16 = [&](uint32_t v) {
        b.push_back(uint8_t(v));
        b.push_back(uint8_t(v >> 8));
    };
    b.insert(b.end(), {'R', 'I', 'F', 'F'});
    u32(36 + bytes);
    b.insert(b.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    u32(16), u16(1), u16(2), u32(44100), u32(44100 * 4), u16(4), u16(16);
    b.insert(b.end(), {'d', 'a', 't', 'a'});
    u32(bytes);
    for (uint32_t i = 0; i < samples; i++) u16(uint16_t(musicsample(i)));
    ASSERT_TRUE(WriteFile(file.string(), b));
}

// The data image in `dir`: markers for the pictures, the content's own
// objects, floor and font, quiet music. Particles draw nothing (their
// texture is transparent) and the floor adds nothing (it is black).
void makedata(const fs::path& dir)
{
    const fs::path assets = dir / "assets";
    fs::create_directories(assets);
    for (const char* f : {"floor.c3m", "chair.vxl", "flower.vxl", "shoe.vxl", "skull.vxl", "camera.vxl", "money.vxl",
                          "font_heatbig.tga"})
        fs::copy_file(fs::path(CONTENT_ASSET_DIR) / f, assets / f, fs::copy_options::overwrite_existing);
    for (const Marker& m : kScreens) {
        content_image im = flat(W, H, 0, 0, 0, 0);
        for (int y = m.y; y < m.y + m.h; y++)
            for (int x = m.x; x < m.x + m.w; x++) {
                uint8_t* p = im.at(x, y);
                p[0] = m.r, p[1] = m.g, p[2] = m.b, p[3] = 255;
            }
        put(assets, m.file, im, TGA_ALPHA32);
    }
    for (int i = 0; i < 3; i++) {
        Marker c = caption(i);
        put(assets, "intro" + std::to_string(i + 1) + ".tga", flat(1024, 64, c.r, c.g, c.b), TGA_ALPHA32);
    }
    content_image subs(384, 384);
    for (int y = 0; y < 384; y++)
        for (int x = 0; x < 384; x++) {
            Marker s = subtitle(y / 64);
            uint8_t* p = subs.at(x, y);
            p[0] = s.r, p[1] = s.g, p[2] = s.b, p[3] = 255;
        }
    put(assets, "subs.tga", subs, TGA_OPAQUE24);
    content_image names(2048, 2048);
    for (int y = 0; y < 2048; y++)
        for (int x = 0; x < 2048; x++) {
            Marker n = name((y / 256) * 2 + x / 1024 + 1);
            uint8_t* p = names.at(x, y);
            p[0] = n.r, p[1] = n.g, p[2] = n.b, p[3] = 255;
        }
    put(assets, "names.tga", names, TGA_OPAQUE24);
    put(assets, "ground1.tga", flat(1024, 1024, 0, 0, 0), TGA_OPAQUE24);
    put(assets, "splats2.tga", flat(64, 256, 255, 255, 255, 0), TGA_ALPHA32);
    writemusic(assets / "music.wav", 20);
    std::string error;
    ASSERT_TRUE(moxpack::create((dir / "orlem.dat").string(), assets.string(), "", error)) << error;
    writetiming(dir / "timing.dat");
}

std::string slurp(const fs::path& p)
{
    std::ifstream f(p, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(f), {});
}

// One line of the trace: a step, drawn or rehearsed (picture "-").
struct Frame {
    int index = 0;
    uint32_t ms = 0;  // the step's time on the frame clock
    int t = 0, scene = 0, effect = 0, pulse = 0, greet = 0;
    float fade = 0, blend = 0;
    std::string picture, sound;      // the step's fingerprints
    std::string state;               // the show's values as written: step, time, music, ramps, field, camera
    uint64_t wrapped = 0, heap = 0;  // memory held as the step ended
};

std::vector<Frame> readtrace(const fs::path& p)
{
    std::vector<Frame> frames;
    std::ifstream f(p);
    std::string line;
    while (std::getline(f, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream s(line);
        Frame fr;
        double blurzoom, blurrgb, beat, explosion, camrot, centery, centerz;
        int particles;
        s >> fr.index >> fr.ms >> fr.t >> fr.scene >> fr.effect >> fr.pulse >> fr.greet >> fr.fade >> fr.blend >>
            blurzoom >> blurrgb >> beat >> particles >> explosion >> camrot >> centery >> centerz;
        fr.state = line.substr(0, size_t(s.tellg()));
        s >> fr.picture >> fr.sound >> fr.wrapped >> fr.heap;
        frames.push_back(fr);
    }
    return frames;
}

// Runs orlem-capture in `dir`; returns its exit status and keeps its log.
int capture(const fs::path& dir, const std::string& args, std::string* log, const std::string& env = "")
{
    const std::string command = "cd '" + dir.string() + "' && " + (env.empty() ? "" : "env " + env + " ") + "'" +
                                ORLEM_CAPTURE "' " + args + " > capture.log 2>&1";
    const int status = system(command.c_str());
    *log = slurp(dir / "capture.log");
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// An overlay as a frame shows it. The faded overlays carry the blend value
// they were drawn with, which is the one before this frame's HandleFading
// step.
struct Shown {
    Marker m;
    bool faded;
};

// The marker a picture of the show's assets was made with, drawn with its
// top-left corner at (x, y): the full-screen pictures' markers stand where
// they were painted, captions, subtitles and names fill their sprites.
Marker markerof(int asset, int piece, int x, int y)
{
    const int screens[] = {ASSET_LOGO, ASSET_TITLE, ASSET_GREETINGS, ASSET_CREDITS, ASSET_CLOSING};
    for (int i = 0; i < 5; i++)
        if (asset == screens[i]) {
            Marker m = kScreens[i];
            m.x += x, m.y += y;
            return m;
        }
    Marker m = asset == ASSET_SUBTITLES ? subtitle(piece)
               : asset == ASSET_NAMES   ? name(piece + 1)
                                        : caption(asset - ASSET_INTRO1);
    m.x = x, m.y = y;
    return m;
}

// What the show's overlay rows draw for a frame's values, bottom layer
// first; faded ones with the blend value they were drawn with.
std::vector<Shown> expected(const Frame& f)
{
    std::vector<Shown> s;
    for (int i = 0; i < demo_numoverlays; i++) {
        const s_overlayrow& row = demo_overlays[i];
        if (!OverlayActs(row, f.scene, f.effect)) continue;
        if (row.action == ACT_DRAW || row.action == ACT_DRAWFADED)
            s.push_back({markerof(row.asset, row.piece, row.x, row.y), row.action == ACT_DRAWFADED});
        if (row.action == ACT_GREETNAME && f.greet >= 1 && f.greet <= 16)
            s.push_back({markerof(row.asset, f.greet - 1, row.x, row.y), false});
    }
    return s;
}

// Compares a still with the frame the scene table predicts, pixel by pixel
// at a stride; returns the first differences found.
std::string comparestill(const fs::path& png, const Frame& f, float drawnblend)
{
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(png.string().c_str(), &w, &h, &n, 3);
    if (!px) return "no still " + png.string();
    std::string faults;
    const std::vector<Shown> shown = expected(f);
    int wrong = 0;
    for (int y = 1; y < H; y += 3)
        for (int x = 2; x < W; x += 3) {
            double want[3] = {0, 0, 0};
            for (const Shown& s : shown) {
                const Marker& m = s.m;
                if (x < m.x || x >= m.x + m.w || y < m.y || y >= m.y + m.h) continue;
                const double a = s.faded ? std::max(0.0, std::min(1.0, double(drawnblend))) : 1.0;
                if (s.faded && a <= 0) continue;  // cut by the alpha test
                const uint8_t c[3] = {m.r, m.g, m.b};
                for (int k = 0; k < 3; k++) want[k] = c[k] * a + want[k] * (1 - a);
            }
            // The fade is not clamped: above 1 it brightens, below 0 it is black.
            const double fade = std::max(0.0, double(f.fade));
            const unsigned char* p = px + (size_t(y) * w + x) * 3;
            for (int k = 0; k < 3; k++)
                if (std::fabs(p[k] - std::min(255.0, want[k] * fade)) > 6) {  // video-free PNG; blending rounds
                    if (wrong++ < 3)
                        faults += " (" + std::to_string(x) + "," + std::to_string(y) + ") channel " +
                                  std::to_string(k) + " is " + std::to_string(p[k]) + " not " +
                                  std::to_string(int(std::min(255.0, want[k] * fade)));
                    break;
                }
        }
    stbi_image_free(px);
    if (wrong) faults += "; " + std::to_string(wrong) + " pixels wrong";
    return faults;
}

// A still's luminance as the means of cw x ch cells; empty when it cannot
// be read. `size` gets its width and height.
std::vector<double> cells(const fs::path& png, int cw, int ch, int* size = nullptr)
{
    int w = 0, h = 0, n = 0;
    unsigned char* px = stbi_load(png.string().c_str(), &w, &h, &n, 3);
    if (!px) return {};
    if (size) size[0] = w, size[1] = h;
    std::vector<double> c(size_t(cw) * ch, 0.0);
    for (int y = 0; y < h; y++)
        for (int x = 0; x < w; x++) {
            const unsigned char* p = px + (size_t(y) * w + x) * 3;
            c[size_t(y * ch / h) * cw + size_t(x * cw / w)] += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
        }
    for (double& v : c) v /= double(w / cw) * (h / ch);
    stbi_image_free(px);
    return c;
}

double correlation(const std::vector<double>& a, const std::vector<double>& b)
{
    double ma = 0, mb = 0, ab = 0, aa = 0, bb = 0;
    for (size_t i = 0; i < a.size(); i++) ma += a[i], mb += b[i];
    ma /= double(a.size()), mb /= double(b.size());
    for (size_t i = 0; i < a.size(); i++)
        ab += (a[i] - ma) * (b[i] - mb), aa += (a[i] - ma) * (a[i] - ma), bb += (b[i] - mb) * (b[i] - mb);
    return aa > 0 && bb > 0 ? ab / std::sqrt(aa * bb) : 0;
}

class Timeline : public testing::Test {
protected:
    static fs::path dir;
    static std::string log;
    static int status;
    static std::vector<Frame> frames;
    static std::vector<double> at;

    // A fresh folder to play in: the main run's data image and the
    // hand-made sync table.
    static fs::path playfolder(const std::string& name)
    {
        const fs::path d = fs::absolute(name);
        fs::remove_all(d);
        fs::create_directories(d);
        fs::copy_file(dir / "orlem.dat", d / "orlem.dat");
        writetiming(d / "timing.dat");
        return d;
    }

    static void SetUpTestSuite()
    {
        dir = fs::absolute("timeline");
        fs::remove_all(dir);
        fs::create_directories(dir);
        makedata(dir);
        // Stills in the middle of phases that the scene table tells apart.
        at = {0.05, 0.3, 0.5, 1.2, 2.5, 2.7, 3.6, 4.2, 5.0, 5.4, 5.8, 5.95};
        std::string list;
        for (double t : at) list += (list.empty() ? "" : ",") + std::to_string(t);
        status = capture(dir, "timeline.mp4 --fps 30 --trace trace.txt --stills stills --at " + list, &log);
        frames = readtrace(dir / "trace.txt");
    }
};
fs::path Timeline::dir;
std::string Timeline::log;
int Timeline::status = -1;
std::vector<Frame> Timeline::frames;
std::vector<double> Timeline::at;

TEST_F(Timeline, PlaysEverySceneInOrderAndEndsAfterTheFirstFramePast17)
{
    ASSERT_EQ(status, 0) << log;
    ASSERT_GT(frames.size(), 100u) << log;
    // The start-up lines, in their order.
    size_t last = 0;
    for (const char* line : {"Loading resource image: orlem.dat", "[MOX] Init Glew", "[MOX] Init OpenGL",
                             "[MOX] Init Framebuffer: 1920,1080", "- load mesh",
                             "numvox: ", "MOX_LoadFont - Num.Letters", "Loading sound music.wav"}) {
        size_t at = log.find(line, last);
        ASSERT_NE(at, std::string::npos) << line << " missing or out of order";
        last = at;
    }
    // Nothing is missing from this image: the demo's one line is the music's start.
    const size_t said = log.find("orlem: ");
    EXPECT_EQ(log.compare(said, 24, "orlem: the music starts\n"), 0) << log;
    EXPECT_EQ(log.find("orlem: ", said + 1), std::string::npos) << log;

    // Scene events rise one by one, except 3 (it shares 4's time) and 18
    // (it shares 19's): the last frame is the first past 17, and 19's row
    // ran on it.
    std::vector<int> seen;
    for (const Frame& f : frames) {
        if (seen.empty() || seen.back() != f.scene) seen.push_back(f.scene);
        ASSERT_EQ(f.index, &f - &frames[0]);
    }
    EXPECT_EQ(seen, (std::vector<int>{0, 1, 2, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16, 17, 19}));
    EXPECT_EQ(frames.back().scene, SCENE_AFTER);
    EXPECT_EQ(frames.back().fade, 0);
    EXPECT_EQ(frames.back().blend, 0);
    EXPECT_EQ(frames[frames.size() - 2].scene, DEMO_LASTSCENE);

    // The first frame: scene event 0, both ramps one slow step up.
    EXPECT_EQ(frames[0].scene, SCENE_LOGO);
    EXPECT_FLOAT_EQ(frames[0].fade, 0.003f);
    EXPECT_FLOAT_EQ(frames[0].blend, 0.003f);
    // Each block of the music is seen by at least one frame: t moves 1,024
    // units at a time, never more, once the four short silent blocks that
    // open the output (played in the first 46 ms, each refilled as it ends)
    // have passed.
    for (size_t i = 1; i < frames.size(); i++) {
        if (frames[i - 1].t < 4 * BLOCK) continue;
        const int step = frames[i].t - frames[i - 1].t;
        EXPECT_TRUE(step == 0 || step == BLOCK) << "frame " << i << " steps " << step;
    }
}

TEST_F(Timeline, RampsJumpAtSceneStartsAndNamesFollowThePulses)
{
    ASSERT_GT(frames.size(), 100u) << log;
    std::map<int, const Frame*> first;  // the first frame of each scene event
    for (const Frame& f : frames)
        if (!first.count(f.scene)) first[f.scene] = &f;
    // Starts that jump the picture to full brightness (t <= 31), and the
    // credits that start from black.
    for (int scene : {SCENE_CAMERA, SCENE_SKULL, SCENE_FLOWER, SCENE_GREETINGS, SCENE_CLOSING}) {
        ASSERT_TRUE(first.count(scene));
        EXPECT_EQ(first[scene]->effect, 0) << scene;
        EXPECT_NEAR(first[scene]->fade, 1.0f, 0.004f) << scene;  // a slow fall may follow the jump
    }
    EXPECT_NEAR(first[SCENE_CREDITS]->fade, 0.01f, 1e-6);

    // Greeting names: the last pulse's index from scene event 8 on.
    int greet = 0;
    for (const Frame& f : frames) {
        if (f.scene >= SCENE_NAMES && f.scene <= SCENE_GREETINGS && f.pulse > 0) greet = f.pulse;
        EXPECT_EQ(f.greet, greet) << "frame " << f.index;
        if (f.pulse) {
            EXPECT_EQ(f.t, pulseblock(f.pulse) * BLOCK) << "pulse " << f.pulse;
        }
    }
    EXPECT_EQ(greet, 17);  // every pulse was seen
}

TEST_F(Timeline, StillsShowTheOverlaysOfTheirFramesAndNothingElse)
{
    ASSERT_GT(frames.size(), 100u) << log;
    std::set<int> scenes;
    for (double t : at) {
        const size_t index = size_t(std::ceil(t * STEPS - 1e-9));
        ASSERT_LT(index, frames.size());
        char file[64];
        snprintf(file, sizeof file, "still-%07.2fs.png", double(index) / STEPS);
        const Frame& f = frames[index];
        // The faded overlays were drawn with blend as it was before this
        // frame's ramp step: the previous frame's value, or the row's jump.
        float drawn = index > 0 ? frames[index - 1].blend : 0;
        if (f.effect <= DEMO_RAMPWINDOW && (f.scene == SCENE_CAMERA || f.scene == SCENE_SKULL || f.scene == SCENE_FLOWER))
            drawn = 1;
        if (f.scene == SCENE_TITLEHOLD && drawn < 0) drawn = 0;
        EXPECT_EQ(comparestill(dir / "stills" / file, f, drawn), "")
            << file << ": scene event " << f.scene << ", t " << f.effect << ", fade " << f.fade;
        scenes.insert(f.scene);
    }
    EXPECT_GE(scenes.size(), 9u);
}

// The frame loop allocates nothing after start-up. The engine's wrappers
// hold the same bytes at every step; a rehearsed step (the whole loop but
// its GL work) leaves the C heap exactly as the step before left it, once
// the capture's own buffers have grown to their size in the first step.
// Drawn steps add what the GL driver builds as new kinds of drawing appear,
// which settles: a few hundred KiB at most from the first particles on.
TEST_F(Timeline, TheFrameLoopAllocatesNothing)
{
    ASSERT_GT(frames.size(), 100u) << log;
    for (const Frame& f : frames) ASSERT_EQ(f.wrapped, frames[0].wrapped) << "step " << f.index;
    // The last line is written after the demo has ended and closed its window.
    for (size_t i = 2; i + 1 < frames.size(); i++) {
        if (frames[i].picture == "-") {
            EXPECT_EQ(frames[i].heap, frames[i - 1].heap) << "rehearsed step " << i;
        }
    }
    size_t firstfield = 0;
    while (firstfield < frames.size() && frames[firstfield].scene < 2) firstfield++;
    ASSERT_LT(firstfield + 10, frames.size());
    EXPECT_LT(frames[frames.size() - 2].heap, frames[firstfield + 10].heap + 512 * 1024);
}

TEST_F(Timeline, TheSyncTableIsWrittenBackByteForByte)
{
    ASSERT_EQ(status, 0) << log;
    writetiming(dir / "expected.dat");
    EXPECT_EQ(slurp(dir / "timing.dat"), slurp(dir / "expected.dat"));
}

// Escape held, as --frames holds it: the demo ends after the current frame
// by its own path and writes the sync table back.
TEST_F(Timeline, EscapeEndsTheDemoAfterTheCurrentFrame)
{
    const fs::path d = playfolder("escape");
    const std::string before = slurp(d / "timing.dat");
    fs::remove(d / "timing.dat.tmp");
    std::string out;
    ASSERT_EQ(capture(d, "--frames 4 --trace trace.txt", &out), 0) << out;
    EXPECT_EQ(readtrace(d / "trace.txt").size(), 4u);
    EXPECT_NE(out.find("--frames reached"), std::string::npos) << out;
    EXPECT_EQ(slurp(d / "timing.dat"), before);
}

// Bad input: no data image, an image without one asset, an image with a
// damaged asset, a missing sync table. Start-up finishes, one line names
// what is missing, the timeline runs (or says why it cannot) and Escape
// still ends it cleanly.
TEST_F(Timeline, MissingOrDamagedInputIsNamedAndNothingCrashes)
{
    struct Variant {
        const char* name;
        const char* remove;  // an asset left out of the image
        const char* damage;  // an asset cut to a few bytes
        const char* listed;  // a WAV given a LIST chunk before its data, as ffmpeg writes by default
        bool image, timing;
        size_t reports;  // lines of orlem's own
        std::vector<std::string> said;
    };
    const Variant variants[] = {
        {"noimage",
         nullptr,
         nullptr,
         nullptr,
         false,
         true,
         2,
         {"orlem: orlem.dat could not be read", "orlem: no music: the timeline stays at scene event 0 for ever"}},
        {"noskull",
         "skull.vxl",
         nullptr,
         nullptr,
         true,
         true,
         1,
         {"orlem: missing or damaged in the data image: skull.vxl\n"}},
        {"cutnames",
         nullptr,
         "names.tga",
         nullptr,
         true,
         true,
         1,
         {"orlem: missing or damaged in the data image: names.tga\n"}},
        {"nomusic",
         "music.wav",
         nullptr,
         nullptr,
         true,
         true,
         2,
         {"in the data image: music.wav",
          "orlem: no music: the timeline stays at scene event 0 for ever; "
          "Escape ends the demo"}},
        {"listmusic",
         nullptr,
         nullptr,
         "music.wav",
         true,
         true,
         3,
         {"in the data image: music.wav\n",
          "orlem: music.wav: another chunk (LIST) comes before the sample data: only the canonical 44-byte PCM "
          "header is read; write it as 16-bit PCM with the plain header: ffmpeg -i IN -c:a pcm_s16le -ar 44100 "
          "-ac 2 -fflags +bitexact -map_metadata -1 OUT.wav, or sox IN -b 16 -e signed-integer -r 44100 -c 2 "
          "OUT.wav\n",
          "orlem: no music: the timeline stays at scene event 0 for ever"}},
        {"notiming",
         nullptr,
         nullptr,
         nullptr,
         true,
         false,
         1,
         {"timing.dat: cannot be read, keeping the sync table as it is",
          "never reaches scene event 18 while the music plays: the demo plays until Escape"}},
    };
    for (const Variant& v : variants) {
        const fs::path d = fs::absolute(v.name);
        fs::remove_all(d);
        fs::create_directories(d / "assets");
        for (const auto& e : fs::directory_iterator(dir / "assets")) {
            const std::string file = e.path().filename().string();
            if (v.remove && file == v.remove) continue;
            fs::copy_file(e.path(), d / "assets" / file);
            if (v.damage && file == v.damage) fs::resize_file(d / "assets" / file, 30);
            if (v.listed && file == v.listed) {
                std::string wav = slurp(d / "assets" / file);
                wav.insert(36, std::string("LIST\x04\0\0\0INFO", 12));
                ASSERT_TRUE(WriteFile((d / "assets" / file).string(), std::vector<uint8_t>(wav.begin(), wav.end())));
            }
        }
        std::string error;
        if (v.image) {
            ASSERT_TRUE(moxpack::create((d / "orlem.dat").string(), (d / "assets").string(), "", error));
        }
        if (v.timing) writetiming(d / "timing.dat");
        std::string out;
        EXPECT_EQ(capture(d, "--frames 3 --trace trace.txt", &out), 0) << v.name << "\n" << out;
        EXPECT_EQ(readtrace(d / "trace.txt").size(), 3u) << v.name;
        for (const std::string& line : v.said) EXPECT_NE(out.find(line), std::string::npos) << v.name << ": " << line;
        // Exactly the lines that apply: no report for what is there.
        size_t reports = 0;
        for (size_t at = out.find("\norlem: "); at != std::string::npos; at = out.find("\norlem: ", at + 1))
            reports += out.compare(at, 24, "\norlem: the music starts") != 0;
        EXPECT_EQ(reports, v.reports) << v.name << "\n" << out;
    }
}

// The video: every frame, at 30 a second, with a sound track as long as
// the picture; and that sound, frame by frame, is the offline mix of the
// music over the same span.
std::string probe(const fs::path& video, const char* stream, const char* entries)
{
    const std::string command = std::string("ffprobe -v error -select_streams ") + stream +
                                " -count_frames -show_entries stream=" + entries + " -of csv=p=0 '" + video.string() +
                                "' > probe.txt 2>&1";
    if (system(command.c_str()) != 0) return "ffprobe failed";
    std::string out = slurp("probe.txt");
    while (!out.empty() && (out.back() == '\n' || out.back() == ',')) out.pop_back();
    return out;
}

TEST_F(Timeline, TheVideoHasEveryFrameAndTheSoundOfTheMusicInStep)
{
    ASSERT_EQ(status, 0) << log;
    const fs::path video = dir / "timeline.mp4";
    ASSERT_TRUE(fs::exists(video)) << log;
    // Every second step is a frame, from the first.
    const size_t videoframes = (frames.size() + 1) / 2;
    for (const Frame& f : frames) {
        if (f.index % 2 == 0) {
            EXPECT_NE(f.picture, "-") << "step " << f.index << " was not drawn";
        }
    }
    EXPECT_EQ(probe(video, "v:0", "codec_name,width,height,r_frame_rate,nb_read_frames"),
              "h264,1920,1080,30/1," + std::to_string(videoframes));
    EXPECT_EQ(probe(video, "a:0", "codec_name,sample_rate,channels"), "aac,44100,2");
    const double picture = std::stod(probe(video, "v:0", "duration"));
    const double sound = std::stod(probe(video, "a:0", "duration"));
    EXPECT_NEAR(picture, videoframes / double(FPS), 1e-6);
    // AAC pads to whole packets of 1,024 samples: the two agree to within one.
    EXPECT_NEAR(sound, picture, 1024.0 / 44100) << "the sound track is out of step";
    EXPECT_FALSE(fs::exists(dir / "timeline.mp4.picture.mp4"));
    EXPECT_FALSE(fs::exists(dir / "timeline.mp4.sound.raw"));

    // The same music on a fresh offline output, played a step's share at a
    // time: each share is the one the capture wrote for that step.
    ASSERT_TRUE(corefile_mountimage((dir / "orlem.dat").string().c_str(), 0));
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);
    s_sound music{};
    Soundsystem_LoadSound("music.wav", &music);
    Soundsystem_PlaySound(&music, 0);
    uint64_t played = 0;
    int differ = 0;
    bool heard = false;
    for (const Frame& f : frames) {
        // A step's share is what plays until the next step's time; the last
        // one's, until the clock a step later.
        const size_t next = size_t(f.index) + 1;
        const uint64_t ms = next < frames.size() ? frames[next].ms : next * 1000 / STEPS;
        EXPECT_EQ(f.ms, f.index * 1000 / STEPS);
        const uint64_t until = ms * 44100 / 1000;
        std::vector<uint8_t> share((until - played) * 4);
        audiodriver_offline_play(share.data(), unsigned(share.size()));
        played = until;
        uint64_t h = 14695981039346656037ull;
        for (uint8_t c : share) h = (h ^ c) * 1099511628211ull, heard |= c != 0;
        char hex[17];
        snprintf(hex, sizeof hex, "%016llx", (unsigned long long)h);
        if (f.sound != hex && differ++ < 3) ADD_FAILURE() << "step " << f.index << ": sound differs";
    }
    EXPECT_EQ(differ, 0);
    EXPECT_TRUE(heard);
    Soundsystem_DeleteSound(&music);
    Soundsystem_CloseAudio();
}

// The same inputs give the same frames, the same sound and the same file.
TEST_F(Timeline, TwoCapturesOfTheSameInputsAreTheSameBitForBit)
{
    std::string traces[2], videos[2];
    for (int run = 0; run < 2; run++) {
        const fs::path d = playfolder("again" + std::to_string(run));
        std::string out;
        ASSERT_EQ(capture(d, "again.mp4 --from 8 --frames 24 --fps 30 --trace trace.txt", &out), 0) << out;
        EXPECT_NE(out.find("orlem: starting at scene event 8"), std::string::npos) << out;
        // Every line but the memory held, which is the process's, not the show's.
        for (const Frame& f : readtrace(d / "trace.txt")) traces[run] += f.state + f.picture + " " + f.sound + "\n";
        videos[run] = slurp(d / "again.mp4");
        // --from: the steps before scene event 8 are rehearsed; the first
        // drawn one is scene event 8 at effect time 0, then every second.
        std::vector<Frame> drawn;
        for (const Frame& f : readtrace(d / "trace.txt")) {
            if (f.picture != "-") drawn.push_back(f);
            if (drawn.empty()) {
                EXPECT_LT(f.scene, SCENE_NAMES) << "step " << f.index;
            }
        }
        ASSERT_EQ(drawn.size(), 24u);
        EXPECT_EQ(drawn[0].scene, SCENE_NAMES);
        EXPECT_EQ(drawn[0].effect, 0);
        EXPECT_EQ(drawn[23].index - drawn[0].index, 46);
    }
    EXPECT_EQ(traces[0], traces[1]);
    EXPECT_GT(videos[0].size(), 1000u);
    EXPECT_TRUE(videos[0] == videos[1]) << "the two videos differ";
}

// Seeking rehearses every step before the chosen point, so what it draws
// is what the whole run drew there: the camera lowered by scene event 6
// and the field carried into 7 and 13 (no spawn rows of their own), the
// names and the beat of the pulse scenes, and a time instead of a scene.
// Each run here draws every step (60 a second); the main run drew every
// second one, so this also shows that a lower frame rate keeps the show.
TEST_F(Timeline, SeekingDrawsWhatTheWholeRunDrewThereAtAnyFrameRate)
{
    ASSERT_GT(frames.size(), 100u) << log;
    struct Seek {
        const char* from;
        int scene;  // what the first drawn step sees
        int step;   // or, for a time, which step it is (0: not checked)
    };
    for (const Seek& seek : {Seek{"7", SCENE_TITLEHOLD, 0}, Seek{"9", SCENE_MORENAMES, 0}, Seek{"13", SCENE_CLOSING, 0},
                             Seek{"2.5s", 0, 150}}) {
        const fs::path d = playfolder(std::string("from") + seek.from);
        std::string out;
        ASSERT_EQ(capture(d, std::string("--from ") + seek.from + " --frames 12 --trace trace.txt", &out), 0) << out;
        const std::vector<Frame> run = readtrace(d / "trace.txt");
        ASSERT_GT(run.size(), 12u) << out;
        int firstdrawn = -1, compared = 0;
        for (const Frame& f : run) {
            ASSERT_LT(size_t(f.index), frames.size());
            const Frame& whole = frames[size_t(f.index)];
            // Rehearsed or drawn, each step's state and sound are the whole run's.
            EXPECT_EQ(f.state, whole.state) << "--from " << seek.from;
            EXPECT_EQ(f.sound, whole.sound) << "--from " << seek.from << ", step " << f.index;
            if (f.picture == "-") continue;
            if (firstdrawn < 0) firstdrawn = f.index;
            if (whole.picture == "-") continue;
            EXPECT_EQ(f.picture, whole.picture) << "--from " << seek.from << ", step " << f.index;
            compared++;
        }
        ASSERT_GE(firstdrawn, 0) << out;
        if (seek.scene) {
            EXPECT_EQ(frames[size_t(firstdrawn)].scene, seek.scene);
            EXPECT_LT(frames[size_t(firstdrawn) - 1].scene, seek.scene);
        } else {
            EXPECT_EQ(firstdrawn, seek.step);
        }
        EXPECT_GE(compared, 6) << "--from " << seek.from;
        EXPECT_EQ(run.back().index - firstdrawn, 11) << "--from " << seek.from;
    }
}

// Machines of every speed on the offline clock, each drawn frame taking
// the milliseconds --slow gives (a fixed range, jittered): every step
// stands on the grid, so each one, rehearsed or drawn, is the
// 60-steps-a-second run's (its state and its share of the sound, and its
// picture wherever both drew), none is missed or repeated, every scene
// event and pulse is seen as that run saw it, and the show ends at the
// same step. A fast machine (15 ms a frame) waits for each step and draws
// them all. With --every-frame each frame is one step, however late: the
// music runs on while the ramps crawl.
TEST_F(Timeline, MachinesOfEverySpeedShowTheSixtyStepsRunStepForStep)
{
    ASSERT_GT(frames.size(), 100u) << log;
    struct Machine {
        const char* args;
        uint32_t fewest, most;  // steps from one drawn step to the next
        bool whole;             // played to the end
    };
    int machine = 0;
    for (const Machine& m : {Machine{"--slow 170", 10, 11, true}, Machine{"--slow 37 --frames 80", 2, 3, false},
                             Machine{"--slow 120-220", 7, 14, true}, Machine{"--slow 15 --frames 60", 1, 1, false}}) {
        const fs::path d = playfolder("slow" + std::to_string(machine++));
        std::string out;
        ASSERT_EQ(capture(d, std::string(m.args) + " --trace trace.txt", &out), 0) << m.args << "\n" << out;
        const std::vector<Frame> slow = readtrace(d / "trace.txt");
        ASSERT_GT(slow.size(), 59u) << m.args;
        if (m.whole) {
            EXPECT_EQ(slow.size(), frames.size()) << m.args << ": the run ends at another step";
        }
        int lastdrawn = -1, compared = 0;
        for (const Frame& f : slow) {
            ASSERT_EQ(f.index, &f - &slow[0]) << m.args << ": a step missed or repeated";
            const Frame& whole = frames[size_t(f.index)];
            ASSERT_EQ(f.state, whole.state) << m.args;
            // The last step's share runs until the slow clock stops.
            if (&f != &slow.back()) {
                ASSERT_EQ(f.sound, whole.sound) << m.args << ", step " << f.index;
            }
            if (f.picture == "-") continue;
            if (lastdrawn >= 0) {
                EXPECT_GE(uint32_t(f.index - lastdrawn), m.fewest) << m.args << ", step " << f.index;
                EXPECT_LE(uint32_t(f.index - lastdrawn), m.most) << m.args << ", step " << f.index;
            }
            lastdrawn = f.index;
            if (whole.picture == "-") continue;
            EXPECT_EQ(f.picture, whole.picture) << m.args << ", step " << f.index;
            compared++;
        }
        EXPECT_GE(compared, 5) << m.args;
    }

    const fs::path e = playfolder("everyframe");
    std::string out;
    ASSERT_EQ(capture(e, "--slow 100 --every-frame --frames 20 --trace trace.txt", &out), 0) << out;
    const std::vector<Frame> crawl = readtrace(e / "trace.txt");
    ASSERT_EQ(crawl.size(), 20u) << out;
    for (const Frame& f : crawl) {
        EXPECT_NE(f.picture, "-");
        EXPECT_EQ(f.ms, uint32_t(100 * f.index));
        // The music at the same time as the 60-steps run's step there.
        EXPECT_EQ(f.t, frames[size_t(6 * f.index)].t) << "frame " << f.index;
    }
    // One ramp step per frame: the picture's slow rise has taken two steps
    // by the second frame, which shows what the 60-steps run showed at 6.
    EXPECT_FLOAT_EQ(crawl[1].fade, 0.006f);
    EXPECT_FLOAT_EQ(frames[6].fade, 0.021f);
    int behind = 0;
    for (const Frame& f : crawl) behind += std::fabs(f.fade - frames[size_t(6 * f.index)].fade) > 0.01f;
    EXPECT_GE(behind, 5);
}

// A machine that stops for three seconds while the music plays on: the
// next frame rehearses the last second's steps and skips the rest, once,
// saying so in one line. Step numbers only grow and every step still sees
// the music of its place on the grid, so the timeline (the music's
// position, the scene event, its time, the pulse) is the 60-steps run's at
// every step, before and after, and the show ends at the same step; only
// what the skipped steps would have moved (ramps, field, camera) differs.
TEST_F(Timeline, AStallSkipsForwardOnceAndTheMusicNeverGoesBack)
{
    ASSERT_GT(frames.size(), 100u) << log;
    const fs::path d = playfolder("stall");
    std::string out;
    ASSERT_EQ(capture(d, "--slow 170 --stall 2:3000 --trace trace.txt", &out), 0) << out;
    const size_t said = out.find("[MOX] the show is ");
    ASSERT_NE(said, std::string::npos) << out;
    EXPECT_EQ(out.find("[MOX] the show is ", said + 1), std::string::npos) << out;
    EXPECT_NE(out.find(" steps skipped, the last 60 caught up\n", said), std::string::npos) << out;
    const std::vector<Frame> run = readtrace(d / "trace.txt");
    ASSERT_GT(run.size(), 100u);
    int jumps = 0;
    for (size_t i = 0; i < run.size(); i++) {
        const Frame& f = run[i];
        const Frame& whole = frames[size_t(f.index)];
        EXPECT_EQ(f.ms, whole.ms);
        EXPECT_EQ(f.t, whole.t) << "step " << f.index;
        EXPECT_EQ(f.scene, whole.scene) << "step " << f.index;
        EXPECT_EQ(f.effect, whole.effect) << "step " << f.index;
        EXPECT_EQ(f.pulse, whole.pulse) << "step " << f.index;
        if (i == 0) continue;
        ASSERT_GT(f.index, run[i - 1].index);
        ASSERT_GE(f.t, run[i - 1].t) << "the music went back at step " << f.index;
        if (f.index != run[i - 1].index + 1) {
            jumps++;
            EXPECT_GT(f.index - run[i - 1].index, 120) << "about two seconds skipped";
        } else if (!jumps) {
            EXPECT_EQ(f.state, whole.state) << "before the stall, step " << f.index;
        }
    }
    EXPECT_EQ(jumps, 1);
    EXPECT_EQ(run.back().index, frames.back().index);
}

// The picture drawn with fewer or more pixels than its own lands where its
// own does: at 1280 x 720 (shown at 1920 x 1080) and at 3840 x 2160 (a 4K
// video's stills, drawn at that size), every marker and caption stands in
// the same place, the pictures the same once brought to one small size.
TEST_F(Timeline, OtherRenderSizesPutTheOverlaysWhereTheirOwnSizePutsThem)
{
    ASSERT_EQ(status, 0) << log;
    for (const char* size : {"--resolution 1280x720", "--size 3840x2160"}) {
        const fs::path d = playfolder("rendersize");
        std::string out;
        ASSERT_EQ(capture(d, std::string(size) + " --stills stills --at 0.3,3.6,5.95", &out), 0) << out;
        for (const char* still : {"still-0000.30s.png", "still-0003.60s.png", "still-0005.95s.png"}) {
            int got[2] = {0, 0};
            const std::vector<double> own = cells(dir / "stills" / still, 240, 135);
            const std::vector<double> other = cells(d / "stills" / still, 240, 135, got);
            ASSERT_EQ(other.size(), own.size()) << size << ": " << still;
            EXPECT_EQ(got[0], std::string(size).find("3840") != std::string::npos ? 3840 : W) << size;
            double sum = 0, most = 0;
            for (size_t i = 0; i < own.size(); i++) {
                sum += std::fabs(own[i] - other[i]);
                most = std::max(most, std::fabs(own[i] - other[i]));
            }
            printf("%s, %s: cells differ by %.2f on average, %.1f at most\n", size, still, sum / double(own.size()),
                   most);
            EXPECT_LT(sum / double(own.size()), 1.0) << size << ": " << still;
            EXPECT_LT(most, 40.0) << size << ": " << still << ": a marker moved";
            EXPECT_GT(correlation(own, other), 0.99) << size << ": " << still;
        }
    }
}

// The size that keeps pace, on the offline clock: a machine that draws a
// frame in 170 ms is drawn smaller at once and stays at that size; one that
// draws in 15 ms keeps 60 frames a second at the picture's own size. The
// show is the 60-steps run's, step for step, whatever size draws it.
TEST_F(Timeline, TheSizeThatKeepsPaceStepsDownOnASlowMachineAndNeverOnAFastOne)
{
    ASSERT_GT(frames.size(), 100u) << log;
    struct Machine {
        const char* args;
        int changes;
    };
    for (const Machine& m : {Machine{"--slow 170", 1}, Machine{"--slow 15 --frames 150", 0}}) {
        const fs::path d = playfolder("autosize");
        std::string out;
        ASSERT_EQ(capture(d, std::string(m.args) + " --resolution auto --trace trace.txt", &out), 0) << out;
        int changes = 0;
        for (size_t at = out.find("[MOX] drawing at "); at != std::string::npos;
             at = out.find("[MOX] drawing at ", at + 1))
            changes++;
        EXPECT_EQ(changes, m.changes) << m.args << "\n" << out;
        if (m.changes) {
            EXPECT_NE(out.find("[MOX] drawing at 640 x 360: 5.9 frames a second at 1920 x 1080\n"), std::string::npos)
                << out;
        }
        for (const Frame& f : readtrace(d / "trace.txt")) ASSERT_EQ(f.state, frames[size_t(f.index)].state) << m.args;
    }
}

// A new folder `name` with the real show's data image and sync table.
fs::path realfolder(const char* name)
{
    const fs::path d = fs::absolute(name), data = ORLEM_DAT;
    fs::remove_all(d);
    fs::create_directories(d);
    fs::copy_file(data, d / "orlem.dat");
    fs::copy_file(data.parent_path() / "timing.dat", d / "timing.dat");
    return d;
}

// The real show on its own data and sync table, across the camera field's
// spawn at scene event 2 (14.7 s), whose start block a step off the grid
// would see once more or less than the capture, splitting the random draws
// from there: machines of every speed make the 60-steps capture's state
// changes and hear its sound step for step, and draw its pictures where
// both draw.
TEST(RealShow, MachinesOfEverySpeedFollowTheCaptureAcrossASpawn)
{
    const fs::path d = realfolder("realshow");
    std::string out;
    ASSERT_EQ(capture(d, "--fps 3 --from 14.5s --frames 8 --trace ref.txt", &out), 0) << out;
    std::map<int, Frame> capture60;
    for (const Frame& f : readtrace(d / "ref.txt")) capture60[f.index] = f;
    for (const char* machine : {"--slow 170 --frames 8", "--slow 37 --frames 12", "--slow 120-220 --frames 6",
                                "--slow 15 --frames 24"}) {
        ASSERT_EQ(capture(d, std::string(machine) + " --from 14.5s --trace trace.txt", &out), 0) << out;
        const std::vector<Frame> run = readtrace(d / "trace.txt");
        int compared = 0, pictures = 0;
        bool spawned = false;
        for (const Frame& f : run) {
            ASSERT_TRUE(capture60.count(f.index)) << machine << ": step " << f.index;
            const Frame& c = capture60[f.index];
            ASSERT_EQ(f.state, c.state) << machine;
            if (&f != &run.back()) {
                ASSERT_EQ(f.sound, c.sound) << machine << ", step " << f.index;
            }
            spawned |= f.scene == SCENE_CAMERA && f.effect == 0;
            compared++;
            if (f.picture != "-" && c.picture != "-") {
                EXPECT_EQ(f.picture, c.picture) << machine << ", step " << f.index;
                pictures++;
            }
        }
        EXPECT_TRUE(spawned) << machine << " did not reach the spawn";
        EXPECT_GE(pictures, 1) << machine;
        EXPECT_GT(compared, 890) << machine;
    }
}

// The real show drawn smaller or larger: a 960 x 540 still of a grown field
// over the floor, and a 3840 x 2160 one (a 4K capture, drawn at that size),
// are the 1920 x 1080 one, cell for cell (48 x 27 cells).
TEST(RealShow, OtherSizesShowTheSamePicture)
{
    const fs::path d = realfolder("realsizes");
    std::string out;
    for (const char* size : {"--resolution 1920x1080", "--resolution 960x540", "--size 3840x2160"}) {
        ASSERT_EQ(capture(d, std::string(size) + " --stills '" + size + "' --at 61", &out), 0) << out;
    }
    const std::vector<double> own = cells(d / "--resolution 1920x1080" / "still-0061.00s.png", 48, 27);
    for (const char* size : {"--resolution 960x540", "--size 3840x2160"}) {
        int got[2] = {0, 0};
        const double c = correlation(own, cells(d / size / "still-0061.00s.png", 48, 27, got));
        printf("%s against 1920 x 1080 at 61 s: correlation %.4f over 48 x 27 cells\n", size, c);
        EXPECT_GT(c, 0.95) << size;
        EXPECT_EQ(got[0], std::string(size).find("3840") != std::string::npos ? 3840 : W) << size;
    }
}

// --from Ts draws first the step that the still for T shows, however T
// rounds (5.05 s is step 303, not 304); a point at or past the show's end
// starts at its last scene event and says so; a slow machine seeks too.
TEST_F(Timeline, SeekingLandsOnTheStillsStepAndPastTheEndOnTheLastScene)
{
    ASSERT_GT(frames.size(), 100u) << log;
    for (const double t : {1.35, 3.65, 5.05}) {
        const fs::path d = playfolder("fromtime");
        std::string out;
        char from[32];
        snprintf(from, sizeof from, "--from %.2fs", t);
        ASSERT_EQ(capture(d, std::string(from) + " --frames 1 --trace trace.txt", &out), 0) << out;
        const std::vector<Frame> run = readtrace(d / "trace.txt");
        ASSERT_FALSE(run.empty()) << out;
        const size_t still = size_t(std::ceil(t * STEPS - 1e-9));
        size_t first = 0;
        while (first < run.size() && run[first].picture == "-") first++;
        ASSERT_LT(first, run.size()) << from;
        EXPECT_EQ(size_t(run[first].index), still) << from;
        EXPECT_EQ(run[first].state, frames[still].state) << from;
    }
    struct Past {
        const char* from;
        const char* said;
    };
    for (const Past& p : {Past{"19", "orlem: scene event 19 lies"}, Past{"6.5s", "orlem: 6.50 s lies"}}) {
        const fs::path d = playfolder("pastend");
        std::string out;
        ASSERT_EQ(capture(d, std::string("--from ") + p.from + " --frames 2 --trace trace.txt", &out), 0) << out;
        EXPECT_NE(out.find(std::string(p.said) + " at or after the show's end (scene event 18, at 6.18 s): starting "
                                                 "at its last scene event, 17, at 6.04 s\n"),
                  std::string::npos)
            << out;
        EXPECT_NE(out.find(", 2 of them drawn: --frames reached"), std::string::npos) << out;
        const std::vector<Frame> run = readtrace(d / "trace.txt");
        for (const Frame& f : run) {
            if (f.picture == "-") continue;
            EXPECT_EQ(f.scene, DEMO_LASTSCENE) << p.from;
            EXPECT_EQ(f.state, frames[size_t(f.index)].state) << p.from;
        }
    }
    const fs::path d = playfolder("slowfrom");
    std::string out;
    ASSERT_EQ(capture(d, "--slow 170 --from 9 --frames 5 --trace trace.txt", &out), 0) << out;
    const std::vector<Frame> run = readtrace(d / "trace.txt");
    int drawn = 0;
    for (const Frame& f : run) {
        EXPECT_EQ(f.state, frames[size_t(f.index)].state) << "step " << f.index;
        if (f.picture == "-") continue;
        if (!drawn++) {
            EXPECT_EQ(f.scene, SCENE_MORENAMES);
            EXPECT_LT(frames[size_t(f.index) - 1].scene, SCENE_MORENAMES);
        }
    }
    EXPECT_EQ(drawn, 5);
}

// A capture of stills alone rehearses every other step and draws the
// stills' steps exactly as the whole run drew them.
TEST_F(Timeline, StillsAloneAreTheWholeRunsStillsByteForByte)
{
    ASSERT_EQ(status, 0) << log;
    const fs::path d = playfolder("stillsalone");
    std::string out;
    ASSERT_EQ(capture(d, "--stills stills --at 3.6,5.4,5.95", &out), 0) << out;
    EXPECT_NE(out.find("3 of 3 stills written"), std::string::npos) << out;
    EXPECT_NE(out.find(", 3 of them drawn: every still was written"), std::string::npos) << out;
    for (const char* still : {"still-0003.60s.png", "still-0005.40s.png", "still-0005.95s.png"}) {
        const std::string alone = slurp(d / "stills" / still);
        EXPECT_GT(alone.size(), 1000u) << still;
        EXPECT_TRUE(alone == slurp(dir / "stills" / still)) << still << " differs from the whole run's";
    }
}

// OUT's extension picks the container and codecs. Each format is written
// bit-exact (two captures, the same bytes), and its sound track is the
// offline mix: the picture's length to within one of its codec's frames,
// and in FLAC sample for sample.
TEST_F(Timeline, EachVideoFormatIsTheSameBytesTwiceWithTheMixedSound)
{
    struct Format {
        const char* extension;
        std::string video, audio;
        int rate, frame;  // the sound's sample rate, and its codec's frame in samples
    };
    const Format formats[] = {{"mp4", "h264", "aac", 44100, 1024},
                              {"webm", "vp9", "opus", 48000, 960},
                              {"mkv", "h264", "flac", 44100, 0}};
    for (const Format& f : formats) {
        std::string bytes[2];
        fs::path d;
        for (int run = 0; run < 2; run++) {
            d = playfolder(std::string("format") + f.extension + std::to_string(run));
            std::string out;
            const std::string video = std::string("clip.") + f.extension;
            ASSERT_EQ(capture(d, video + " --from 8 --frames 12 --trace trace.txt", &out), 0) << out;
            bytes[run] = slurp(d / video);
        }
        const fs::path video = d / (std::string("clip.") + f.extension);
        EXPECT_GT(bytes[0].size(), 1000u) << f.extension;
        EXPECT_TRUE(bytes[0] == bytes[1]) << f.extension << ": two captures differ";
        EXPECT_EQ(probe(video, "v:0", "codec_name"), f.video);
        EXPECT_EQ(probe(video, "a:0", "codec_name,sample_rate"), f.audio + "," + std::to_string(f.rate));

        // The sound as a player hears it, at the mix's rate.
        const std::string decode = "ffmpeg -loglevel error -y -i '" + video.string() +
                                   "' -map 0:a -f s16le -ar 44100 -ac 2 '" + (d / "sound.raw").string() + "'";
        ASSERT_EQ(system(decode.c_str()), 0) << decode;
        const std::string heard = slurp(d / "sound.raw");
        std::vector<Frame> steps = readtrace(d / "trace.txt");
        size_t first = 0;
        while (first < steps.size() && steps[first].picture == "-") first++;
        ASSERT_LT(first, steps.size());
        const uint64_t from = uint64_t(steps[first].ms) * 44100 / 1000;
        const uint64_t to = uint64_t(steps.back().index + 1) * 1000 / STEPS * 44100 / 1000;
        const double slack = f.frame * 44100.0 / f.rate;
        EXPECT_NEAR(double(heard.size() / 4), double(to - from), slack + 1) << f.extension;
        // The offline mix of the same span.
        ASSERT_TRUE(corefile_mountimage((d / "orlem.dat").string().c_str(), 0));
        audiodriver_setoutput(AUDIODRIVER_OFFLINE);
        Soundsystem_Init(44100, 16, 2);
        s_sound music{};
        Soundsystem_LoadSound("music.wav", &music);
        Soundsystem_PlaySound(&music, 0);
        std::vector<uint8_t> mix(size_t(to) * 4);
        audiodriver_offline_play(mix.data(), unsigned(mix.size()));
        Soundsystem_DeleteSound(&music);
        Soundsystem_CloseAudio();
        corefile_closeimage();
        if (!f.frame) {
            // Lossless: byte for byte.
            EXPECT_TRUE(heard.size() == (to - from) * 4 &&
                        memcmp(heard.data(), mix.data() + from * 4, heard.size()) == 0)
                << "the FLAC track is not the mix";
            continue;
        }
        // Lossy: the same waveform, placed within one of the codec's frames.
        const int16_t* h = reinterpret_cast<const int16_t*>(heard.data());
        const int16_t* m = reinterpret_cast<const int16_t*>(mix.data()) + 2 * from;
        const long n = long(std::min<uint64_t>(heard.size() / 4, to - from)) - long(slack) - 1;
        ASSERT_GT(n, 1000);
        double best = -1;
        long at = 0;
        for (long shift = -long(slack); shift <= long(slack); shift++) {
            double hm = 0, hh = 0, mm = 0;
            for (long i = long(slack); i < n; i++) {
                const double a = h[2 * (i + shift)], b = m[2 * i];
                hm += a * b, hh += a * a, mm += b * b;
            }
            const double r = hh > 0 && mm > 0 ? hm / std::sqrt(hh * mm) : 0;
            if (r > best) best = r, at = shift;
        }
        EXPECT_GT(best, 0.9) << f.extension << ": the sound is not the mix (best correlation at " << at << ")";
    }
    std::string out;
    EXPECT_EQ(capture(playfolder("badformat"), "clip.avi --frames 2", &out), 2) << out;
    EXPECT_NE(out.find("'clip.avi': the video's name ends in .mp4 (H.264 and AAC), .webm (VP9 and Opus) or .mkv "
                       "(H.264 and FLAC)"),
              std::string::npos)
        << out;
}

// Without ffmpeg, or with nowhere to write, one line says why, the exit
// code says it failed, and nothing is left under the video's name.
TEST_F(Timeline, AMissingFfmpegOrAnUnwritablePlaceIsSaidAndLeavesNoVideo)
{
    const fs::path d = playfolder("noffmpeg");
    std::string out;
    EXPECT_EQ(capture(d, "gone.mp4 --frames 2", &out, "PATH=/nonexistent"), 1) << out;
    EXPECT_NE(out.find("orlem-capture: ffmpeg was not found or does not run"), std::string::npos) << out;
    EXPECT_FALSE(fs::exists(d / "gone.mp4"));
    EXPECT_EQ(capture(d, "/nonexistent/folder/gone.mp4 --frames 2", &out), 1) << out;
    EXPECT_NE(out.find("/nonexistent/folder/gone.mp4.sound.raw: cannot be written"), std::string::npos) << out;
    EXPECT_EQ(capture(d, "--fps 7 x.mp4", &out), 2) << out;
    EXPECT_NE(out.find("--fps wants a divisor of 60: 60, 30, 20, 15, 12, 10, 6, 5, 4, 3, 2 or 1"), std::string::npos)
        << out;
    for (const auto& e : fs::directory_iterator(d))
        EXPECT_EQ(e.path().extension().string().find(".mp4"), std::string::npos) << e.path();
}

// Ctrl-C or SIGTERM mid-capture, while it draws or while it still loads:
// it ends within a second, says so, and leaves neither the video nor any
// temporary file; the next capture in the same place works.
TEST_F(Timeline, AnInterruptedCaptureLeavesNothingBehindAndTheNextWorks)
{
    const fs::path d = playfolder("interrupted");
    struct Stop {
        const char* signal;
        double after;  // seconds after the start
        int code;
        const char* said;
    };
    for (const Stop& stop : {Stop{"INT", 4, 130,
                                  "orlem-capture: interrupted (Ctrl-C): stopped, nothing written to "
                                  "cut.mp4"},
                             Stop{"TERM", 0.3, 143,
                                  "orlem-capture: told to stop (SIGTERM): stopped, nothing "
                                  "written to cut.mp4"}}) {
        // The shell takes the times: from the signal to the end.
        const std::string command =
            "cd '" + d.string() +
            "' && { '" ORLEM_CAPTURE
            "' cut.mp4 --stills stills --at 0.1,0.2,0.3,0.4,0.5 "
            "> cut.log 2>&1 & pid=$!; sleep " +
            std::to_string(stop.after) + "; kill -" + stop.signal +
            " $pid; from=$(date +%s%N); wait $pid; echo $? $(( ($(date +%s%N) - from) / 1000000 )) > stopped; }";
        ASSERT_EQ(system(command.c_str()), 0);
        std::istringstream stopped(slurp(d / "stopped"));
        int code = -1, ms = -1;
        stopped >> code >> ms;
        const std::string out = slurp(d / "cut.log");
        EXPECT_EQ(code, stop.code) << out;
        EXPECT_LT(ms, 1000) << stop.signal;
        EXPECT_NE(out.find(stop.said), std::string::npos) << out;
        for (const auto& e : fs::recursive_directory_iterator(d)) {
            const std::string name = e.path().filename().string();
            EXPECT_TRUE(name.find("cut.mp4") == std::string::npos && name.find(".part") == std::string::npos)
                << stop.signal << " left " << e.path();
        }
    }
    std::string out;
    EXPECT_EQ(capture(d, "cut.mp4 --frames 6", &out), 0) << out;
    EXPECT_TRUE(fs::exists(d / "cut.mp4"));
}

// A data image cut short anywhere, as an interrupted download leaves it: at
// every 4 KiB boundary the file layer refuses it at once in one line that
// names it and says how much of it is there; the demo says what that
// leaves missing and plays on to its end without crashing or hanging.
TEST_F(Timeline, ADataImageCutShortIsNamedAtEveryBoundary)
{
    const fs::path d = playfolder("cutshort");
    const fs::path cut = d / "cut.dat";
    fs::copy_file(ORLEM_DAT, cut);  // the demo's own
    const uintmax_t whole = fs::file_size(cut);
    int refused = 0, boundaries = 0;
    const auto start = std::chrono::steady_clock::now();
    for (uintmax_t size = (whole - 1) / 4096 * 4096;; size -= 4096) {
        fs::resize_file(cut, size);
        testing::internal::CaptureStdout();
        const int mounted = corefile_mountimage(cut.string().c_str(), COREFILE_IMAGE);
        const std::string said = testing::internal::GetCapturedStdout();
        corefile_closeimage();
        boundaries++;
        refused += !mounted;
        // An empty file has no "CORE" magic, which is refused without a word.
        if (mounted || (size > 0 && said.find(cut.string() + ": ") == std::string::npos)) {
            ADD_FAILURE() << size << " bytes: " << said;
            break;
        }
        if (size == 0) break;
    }
    EXPECT_EQ(refused, boundaries);
    EXPECT_LT(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(), 60);

    // The demo on three cuts of this image: in its table, in its first
    // picture, a block short.
    const uintmax_t ours = fs::file_size(d / "orlem.dat");
    for (const uintmax_t size : {uintmax_t(40), uintmax_t(8192), (ours - 1) / 4096 * 4096}) {
        fs::copy_file(d / "orlem.dat", cut, fs::copy_options::overwrite_existing);
        fs::resize_file(cut, size);
        fs::rename(cut, d / "orlem.dat.short");
        fs::copy_file(d / "orlem.dat", d / "orlem.dat.whole", fs::copy_options::overwrite_existing);
        fs::rename(d / "orlem.dat.short", d / "orlem.dat");
        std::string out;
        EXPECT_EQ(capture(d, "--frames 2 --trace trace.txt", &out), 0) << size << " bytes\n" << out;
        EXPECT_NE(out.find("orlem: orlem.dat could not be read: every picture, object, the floor and the music "
                           "are missing"),
                  std::string::npos)
            << out;
        EXPECT_EQ(readtrace(d / "trace.txt").size(), 2u);
        fs::rename(d / "orlem.dat.whole", d / "orlem.dat");
    }
}

// The real orlem where there is no display and no sound device: it renders
// off-screen, plays silence in real time, follows the short sync table to
// its end and exits with 0, the table written back unchanged. Played from a
// read-only folder (as from read-only media) it plays the same, says in one
// line that the table could not be written back and why, leaves the file
// as it was and no temporary one, and ends as a normal run does.
TEST_F(Timeline, WithoutDisplayOrSoundDeviceOrlemPlaysToItsEndFromAnyFolder)
{
    for (const bool readonly : {false, true}) {
        const fs::path d = playfolder(readonly ? "readonly" : "headless");
        const fs::path logfile = d.string() + ".log";
        const std::string before = slurp(d / "timing.dat");
        std::string as;  // who plays it: root writes anywhere, so someone else
        if (readonly) {
            if (geteuid() == 0) {
                if (system("setpriv --version > /dev/null 2>&1") != 0) GTEST_SKIP() << "setpriv is needed as root";
                as = "setpriv --reuid=65534 --regid=65534 --clear-groups ";
            }
            fs::permissions(d / "timing.dat", fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
            fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec | fs::perms::group_read |
                                   fs::perms::group_exec | fs::perms::others_read | fs::perms::others_exec);
        }
        const std::string command = "cd '" + d.string() +
                                    "' && env -u DISPLAY -u WAYLAND_DISPLAY SDL_AUDIODRIVER=no-such-driver HOME=/tmp "
                                    "timeout 300 " +
                                    as + "'" ORLEM "' > '" + logfile.string() + "' 2>&1";
        const int rc = system(command.c_str());
        const std::string out = slurp(logfile);
        ASSERT_TRUE(WIFEXITED(rc)) << out;
        EXPECT_EQ(WEXITSTATUS(rc), 0) << out;
        EXPECT_NE(out.find("[MOX] no display: rendering off-screen"), std::string::npos) << out;
        EXPECT_NE(out.find("AUDIO: no audio device"), std::string::npos) << out;
        EXPECT_EQ(slurp(d / "timing.dat"), before);
        EXPECT_FALSE(fs::exists(d / "timing.dat.tmp"));
        const std::string said = "timing.dat: the sync table could not be written back (timing.dat.tmp: ";
        EXPECT_EQ(out.find(said) != std::string::npos, readonly) << out;
        if (readonly) {
            const size_t at = out.find(said);
            EXPECT_NE(out.find("); the file there is left as it was\n", at), std::string::npos) << out;
            fs::permissions(d, fs::perms::owner_all);
        }
    }
}

}  // namespace
