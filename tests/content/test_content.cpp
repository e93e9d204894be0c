// The content the build made, read back the way the demo reads it: every
// file the demo loads is in "orlem.dat" and passes its loader's checks, and
// "timing.dat" places the scenes and pulses where the demo can see them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/corefile.h"
#include "arrangement.h"
#include "demo/demotiming.h"
#include "demo/helpers.h"
#include "master.h"
#include "music.h"
#include "sound/audiodriver.h"
#include "sound/coresound.h"
#include "tgaread.h"

namespace {

const std::string demo_dir = CONTENT_DEMO_DIR;

class PackedContent : public testing::Test {
protected:
    void SetUp() override
    {
        testing::internal::CaptureStdout();
        const int mounted = corefile_mountimage((demo_dir + "/orlem.dat").c_str(), COREFILE_IMAGE);
        testing::internal::GetCapturedStdout();
        ASSERT_TRUE(mounted) << demo_dir << "/orlem.dat";
    }
    void TearDown() override { corefile_closeimage(); }

    static std::vector<uint8_t> load(const char* name)
    {
        std::vector<uint8_t> bytes;
        corefile_handle h = {};
        testing::internal::CaptureStdout();
        const int found = corefile_open(name, &h, 0);
        testing::internal::GetCapturedStdout();
        if (!found) return bytes;
        bytes.resize((size_t)h.size);
        if (h.size > 0) corefile_read(bytes.data(), h.size, 1, &h);
        corefile_close(&h);
        return bytes;
    }
};

// Every file the demo's start-up loads.
const char* const demo_files[] = {
    "floor.c3m",   "chair.vxl",  "flower.vxl", "shoe.vxl",         "skull.vxl",   "camera.vxl",    "money.vxl",
    "veldrix.tga", "intro1.tga", "intro2.tga", "intro3.tga",       "title2.tga",  "greetings.tga", "credits.tga",
    "allover.tga", "subs.tga",   "names.tga",  "font_heatbig.tga", "ground1.tga", "splats2.tga",   "music.wav",
};

TEST_F(PackedContent, TheImageHoldsEveryFileTheDemoLoads)
{
    for (const char* name : demo_files) EXPECT_FALSE(load(name).empty()) << name;
}

struct picture_spec {
    const char* name;
    int width, height, depth;
    bool keyed;  // transparency through the colour key
};
const picture_spec picture_specs[] = {
    {"veldrix.tga", 1920, 1080, 32, false}, {"intro1.tga", 1024, 64, 32, false},
    {"intro2.tga", 1024, 64, 32, false},    {"intro3.tga", 1024, 64, 32, false},
    {"title2.tga", 1920, 1080, 32, false},  {"greetings.tga", 1920, 1080, 24, true},
    {"credits.tga", 1920, 1080, 24, true},  {"allover.tga", 1920, 1080, 24, true},
    {"subs.tga", 384, 384, 24, true},       {"names.tga", 2048, 2048, 24, true},
    {"ground1.tga", 1024, 1024, 24, false}, {"splats2.tga", 64, 256, 32, false},
};

// The share of pixels in a rectangle that are not fully transparent.
double coverage(const tga_picture& p, int x0, int y0, int w, int h)
{
    size_t n = 0;
    for (int y = y0; y < y0 + h; y++)
        for (int x = x0; x < x0 + w; x++) n += p.at(x, y)[3] != 0;
    return (double)n / ((double)w * h);
}

TEST_F(PackedContent, PicturesDecodeExactlyAtTheSizesTheTimelineCuts)
{
    for (const picture_spec& s : picture_specs) {
        const tga_picture p = DecodeTGA(load(s.name));
        ASSERT_EQ(p.error, "") << s.name;
        EXPECT_EQ(p.width, s.width) << s.name;
        EXPECT_EQ(p.height, s.height) << s.name;
        EXPECT_EQ(p.depth, s.depth) << s.name;
        const double shown = coverage(p, 0, 0, p.width, p.height);
        if (s.keyed || s.depth == 32) {
            // Overlays must leave most of the picture see-through, yet show
            // something; the particle sprites fade out before their edges.
            EXPECT_GT(shown, 0.005) << s.name;
            EXPECT_LT(shown, strcmp(s.name, "splats2.tga") ? 0.6 : 0.9) << s.name;
        } else {
            EXPECT_EQ(shown, 1.0) << s.name << ": a texture with keyed holes";
        }
    }
}

TEST_F(PackedContent, SheetsKeepEachStripInsideItsCell)
{
    // A strip that spills over its cell edge shows up cut on screen.
    const tga_picture subs = DecodeTGA(load("subs.tga"));
    ASSERT_EQ(subs.error, "");
    for (int i = 0; i < 6; i++) {
        EXPECT_GT(coverage(subs, 0, 64 * i, 384, 64), 0.02) << "subtitle " << i;
        EXPECT_EQ(coverage(subs, 0, 64 * i, 384, 1), 0) << "subtitle " << i;
        EXPECT_EQ(coverage(subs, 0, 64 * i + 63, 384, 1), 0) << "subtitle " << i;
    }
    const tga_picture names = DecodeTGA(load("names.tga"));
    ASSERT_EQ(names.error, "");
    for (int i = 0; i < 16; i++) {
        const int x = 1024 * (i % 2), y = 256 * (i / 2);
        EXPECT_GT(coverage(names, x, y, 1024, 256), 0.02) << "name " << i;
        EXPECT_EQ(coverage(names, x, y, 1024, 2), 0) << "name " << i;
        EXPECT_EQ(coverage(names, x, y + 254, 1024, 2), 0) << "name " << i;
        EXPECT_EQ(coverage(names, x, y, 2, 256), 0) << "name " << i;
        EXPECT_EQ(coverage(names, x + 1022, y, 2, 256), 0) << "name " << i;
    }
    const tga_picture splats = DecodeTGA(load("splats2.tga"));
    ASSERT_EQ(splats.error, "");
    for (int k = 0; k < 4; k++) {
        const int h = splats.height / 4;
        EXPECT_GT(coverage(splats, 0, h * k, splats.width, h), 0.02) << "sprite " << k;
        EXPECT_EQ(coverage(splats, 0, h * k, splats.width, 1), 0) << "sprite " << k;
        EXPECT_EQ(coverage(splats, 0, h * k + h - 1, splats.width, 1), 0) << "sprite " << k;
    }
}

TEST_F(PackedContent, TheFontHasALetterFromSpaceToTheVerticalBar)
{
    const tga_picture font = DecodeTGA(load("font_heatbig.tga"));
    ASSERT_EQ(font.error, "");
    EXPECT_EQ(font.depth, 32);
    // As the font loader measures: 92 markers give letters 0 to 93, the
    // last of which is '|'; the space (letter 1) has a width of its own.
    std::vector<int> markers;
    for (int x = 0; x < font.width; x++)
        if (font.at(x, 0)[3] != 0) markers.push_back(x);
    ASSERT_EQ(markers.size(), 92u);
    EXPECT_GT(markers[0], 1);
    for (size_t i = 1; i < markers.size(); i++) EXPECT_GT(markers[i], markers[i - 1] + 2) << i;
    EXPECT_GT(font.width - markers.back(), 2);
    // Every drawable letter but the space shows something below the marker row.
    for (size_t i = 0; i < markers.size(); i++) {
        const int end = i + 1 < markers.size() ? markers[i + 1] : font.width;
        EXPECT_GT(coverage(font, markers[i], 1, end - markers[i], font.height - 1), 0.01) << "letter " << i + 2;
    }
    EXPECT_EQ(coverage(font, 1, 1, markers[0] - 1, font.height - 1), 0) << "the space";
}

TEST_F(PackedContent, TheFloorMeshReadsToItsLastByteAndFacesUp)
{
    const std::vector<uint8_t> f = load("floor.c3m");
    size_t pos = 0;
    bool cut = false;
    auto u16 = [&]() -> int {
        if (pos + 2 > f.size()) return cut = true, 0;
        pos += 2;
        return f[pos - 2] | f[pos - 1] << 8;
    };
    auto f32 = [&]() -> float {
        if (pos + 4 > f.size()) return cut = true, 0.0f;
        float v;
        memcpy(&v, &f[pos], 4);
        pos += 4;
        return v;
    };
    pos = 4;
    const int verts = u16(), groups = u16(), channels = u16();
    u16();
    ASSERT_EQ(groups, 1);
    ASSERT_EQ(channels, 1);
    std::vector<float> v((size_t)verts * 3);
    for (float& x : v) x = f32();
    const int faces = u16();
    u16();
    std::vector<int> tri;
    for (int i = 0; i < faces; i++) {
        for (int c = 0; c < 3; c++) tri.push_back(u16());
        u16();
    }
    const int uvs = u16();
    u16();
    for (int i = 0; i < uvs * 2; i++) {
        const float t = f32();
        EXPECT_TRUE(t >= 0 && t <= 1) << t;
    }
    std::vector<int> uvtri;
    for (int i = 0; i < faces * 3; i++) uvtri.push_back(u16());
    ASSERT_FALSE(cut);
    EXPECT_EQ(pos, f.size());
    ASSERT_GT(faces, 0);
    for (int i = 0; i < faces * 3; i++) {
        ASSERT_LT(tri[i], verts);
        ASSERT_LT(uvtri[i], uvs);
    }
    for (int i = 0; i < faces; i++) {
        const float* a = &v[tri[3 * i] * 3];
        const float* b = &v[tri[3 * i + 1] * 3];
        const float* c = &v[tri[3 * i + 2] * 3];
        EXPECT_EQ(a[1], 0);
        // y of (b - a) x (c - a): counter-clockwise seen from above.
        const float ny = (b[2] - a[2]) * (c[0] - a[0]) - (b[0] - a[0]) * (c[2] - a[2]);
        EXPECT_GT(ny, 0) << "face " << i;
    }
}

TEST_F(PackedContent, VoxelObjectsLoadWithinTheBufferAndStandAboveTheFloor)
{
    std::vector<float> buffer((size_t)VOXEL_MAXVOXELS * VOXEL_FLOATS);
    for (const char* name : {"chair.vxl", "flower.vxl", "shoe.vxl", "skull.vxl", "camera.vxl", "money.vxl"}) {
        int count = -1;
        testing::internal::CaptureStdout();
        LoadVoxel(name, buffer.data(), &count);
        const std::string log = testing::internal::GetCapturedStdout();
        EXPECT_NE(log.find("numvox: " + std::to_string(count) + "\n"), std::string::npos) << log;
        ASSERT_GT(count, 500) << name;
        ASSERT_LE(count, VOXEL_MAXVOXELS) << name;
        float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
        for (int i = 0; i < count; i++) {
            const float* r = &buffer[(size_t)i * VOXEL_FLOATS];
            for (int a = 0; a < 3; a++) lo[a] = std::min(lo[a], r[a]), hi[a] = std::max(hi[a], r[a]);
            for (int c = 3; c < 6; c++) ASSERT_TRUE(r[c] >= 0 && r[c] <= 1) << name << " voxel " << i;
        }
        // In the field: coordinates / 20, lifted by 2.5. Above the floor,
        // a few units across, inside the camera's view.
        EXPECT_GE(lo[1] / 20 + 2.5, 0) << name;
        EXPECT_GE(hi[1] - lo[1], 40) << name;
        EXPECT_LE(hi[1] / 20 + 2.5, 8) << name;
        for (int a : {0, 2}) EXPECT_LE(std::max(std::fabs(lo[a]), std::fabs(hi[a])) / 20, 6) << name;
    }
}

// Where a field position lands in the picture (-1..1 across and down) from
// the demo's camera: the eye at (0, eyey, eyez) looking at (0, 2, 0), 45
// degrees of view, aspect 1.33.
void Project(const double p[3], double eyey, double eyez, double* across, double* up)
{
    const double eye[3] = {0, eyey, eyez};
    double f[3] = {0 - eye[0], 2 - eye[1], 0 - eye[2]};
    const double fl = std::sqrt(f[0] * f[0] + f[1] * f[1] + f[2] * f[2]);
    for (double& c : f) c /= fl;
    double s[3] = {-f[2], 0, f[0]};  // f x (0, 1, 0)
    const double sl = std::sqrt(s[0] * s[0] + s[2] * s[2]);
    for (double& c : s) c /= sl;
    const double u[3] = {s[1] * f[2] - s[2] * f[1], s[2] * f[0] - s[0] * f[2], s[0] * f[1] - s[1] * f[0]};
    const double d[3] = {p[0] - eye[0], p[1] - eye[1], p[2] - eye[2]};
    const double xe = d[0] * s[0] + d[1] * s[1] + d[2] * s[2];
    const double ye = d[0] * u[0] + d[1] * u[1] + d[2] * u[2];
    const double ze = d[0] * f[0] + d[1] * f[1] + d[2] * f[2];
    const double t = std::tan(22.5 * M_PI / 180);
    *across = xe / (ze * t * 1.33);
    *up = ye / (ze * t);
}

// A voxel record's place in the field: shrunk twentyfold, lifted by 2.5 and
// turned by the camera yaw as the demo turns its world (glRotatef about y:
// x' = x cos + z sin, z' = z cos - x sin).
void FieldPoint(const float* r, double yaw, double p[3])
{
    const double a = yaw * M_PI / 180, x = r[0] / 20.0, z = r[2] / 20.0;
    p[0] = x * std::cos(a) + z * std::sin(a);
    p[1] = r[1] / 20.0 + 2.5;
    p[2] = z * std::cos(a) - x * std::sin(a);
}

// A voxel object from the mounted image, quietly; returns its count.
int LoadField(const char* name, std::vector<float>& buffer)
{
    int count = 0;
    testing::internal::CaptureStdout();
    LoadVoxel(name, buffer.data(), &count);
    testing::internal::GetCapturedStdout();
    return count;
}

// How far an object reaches in the picture: top and bottom (-1..1, up) and
// the widest side, grown over every view it is projected from.
struct extent {
    double top = -9, bottom = 9, side = 0;
    void add(const std::vector<float>& buffer, int count, double yaw, double eyey, double eyez)
    {
        for (int i = 0; i < count; i++) {
            double p[3], across, up;
            FieldPoint(&buffer[(size_t)i * VOXEL_FLOATS], yaw, p);
            Project(p, eyey, eyez, &across, &up);
            top = std::max(top, up), bottom = std::min(bottom, up);
            side = std::max(side, std::fabs(across));
        }
    }
};

// The camera yaw and eye where each scene's field spawns, for frames on
// time at 60 to 67 a second: the yaw grows by 0.1 to 0.2 degrees a frame,
// the eye swings between 10 and 15 units away, 8 high until the floor
// scenes and 4 high from then on.
struct spawn_view {
    const char* name;
    double yawlo, yawhi, eyey, nearz, farz;
};
const spawn_view spawn_views[] = {
    {"camera.vxl", 105, 120, 8, -10.2, -10.7}, {"shoe.vxl", 147, 167, 8, -10, -10.3},
    {"skull.vxl", 180, 204, 8, -10, -10.5},    {"flower.vxl", 222, 250, 8, -10.7, -11.2},
    {"chair.vxl", 190, 256, 4, -13, -13.6},    {"skull.vxl", 276, 311, 4, -11.8, -12.4},
};

TEST_F(PackedContent, EachObjectIsWholeInThePictureWhenItsFieldSpawns)
{
    std::vector<float> buffer((size_t)VOXEL_MAXVOXELS * VOXEL_FLOATS);
    for (const spawn_view& v : spawn_views) {
        const int count = LoadField(v.name, buffer);
        ASSERT_GT(count, 0) << v.name;
        extent e;
        for (double eyez : {v.nearz, (v.nearz + v.farz) / 2, v.farz})
            for (double yaw : {v.yawlo, (v.yawlo + v.yawhi) / 2, v.yawhi}) e.add(buffer, count, yaw, v.eyey, eyez);
        EXPECT_LT(e.top, 1.0) << v.name << " at " << v.yawlo << " degrees";
        EXPECT_GT(e.bottom, -1.0) << v.name << " at " << v.yawlo << " degrees";
        EXPECT_LT(e.side, 1.0) << v.name << " at " << v.yawlo << " degrees";
        // Big enough to be seen: a quarter of the picture's height at least.
        EXPECT_GT(e.top - e.bottom, 0.5) << v.name;
    }
}

TEST_F(PackedContent, PulseObjectsAreWholeFromEveryYaw)
{
    // The beat pulses turn the camera to a random yaw, with the eye 4 high
    // and 13.8 to 15 units away while the names run.
    std::vector<float> buffer((size_t)VOXEL_MAXVOXELS * VOXEL_FLOATS);
    for (const char* name : {"shoe.vxl", "flower.vxl", "camera.vxl", "skull.vxl", "chair.vxl"}) {
        const int count = LoadField(name, buffer);
        ASSERT_GT(count, 0) << name;
        for (int yaw = 0; yaw < 360; yaw += 15) {
            extent e;
            for (double eyez : {-13.8, -15.0}) e.add(buffer, count, yaw, 4, eyez);
            EXPECT_LT(e.top, 1.0) << name << " at " << yaw << " degrees";
            EXPECT_GT(e.bottom, -1.0) << name << " at " << yaw << " degrees";
            EXPECT_LT(e.side, 1.0) << name << " at " << yaw << " degrees";
        }
    }
}

TEST_F(PackedContent, EachObjectShowsItsFaceWhenItsFieldSpawns)
{
    // The cubes that make an object recognisable lie on the side nearer
    // the eye: the lens, the shoe's side stripe, the skull's dark sockets
    // and teeth at its caption, the chair's cushion; the flower's petals
    // spread across the picture about as much as into it or more, which
    // holds within some 50 degrees of facing the eye. The skull's second
    // spawn, under the title, is not held to this.
    struct feature {
        bool (*is)(const float* rgb);
        bool flat;
    };
    const feature features[] = {
        {[](const float* c) { return c[2] > 0.6f && c[0] < 0.5f; }, false},                // blue glass
        {[](const float* c) { return c[2] > 0.55f && c[0] < 0.35f; }, false},              // stripe
        {[](const float* c) { return c[0] < 0.4f && c[1] < 0.15f; }, false},               // sockets
        {[](const float* c) { return c[0] > 0.8f && c[1] < 0.7f && c[2] > 0.5f; }, true},  // petals
        {[](const float* c) { return c[0] > 0.6f && c[1] < 0.25f; }, false},               // cushion
    };
    std::vector<float> buffer((size_t)VOXEL_MAXVOXELS * VOXEL_FLOATS);
    for (size_t k = 0; k < sizeof features / sizeof features[0]; k++) {
        const spawn_view& v = spawn_views[k];
        const int count = LoadField(v.name, buffer);
        ASSERT_GT(count, 0) << v.name;
        for (double yaw : {v.yawlo, v.yawhi}) {
            double all = 0, part = 0, lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
            int parts = 0;
            for (int i = 0; i < count; i++) {
                const float* r = &buffer[(size_t)i * VOXEL_FLOATS];
                double p[3];
                FieldPoint(r, yaw, p);
                all += p[2];
                if (!features[k].is(r + 3)) continue;
                part += p[2], parts++;
                for (int a = 0; a < 3; a++) lo[a] = std::min(lo[a], p[a]), hi[a] = std::max(hi[a], p[a]);
            }
            ASSERT_GT(parts, 10) << v.name;
            if (features[k].flat)
                EXPECT_GT(hi[0] - lo[0], 0.8 * (hi[2] - lo[2])) << v.name << " at " << yaw << " degrees";
            else
                EXPECT_LT(part / parts, all / count - 0.1) << v.name << " at " << yaw << " degrees";
        }
    }
}

TEST_F(PackedContent, TheMusicIsCanonicalStereoUnder190SecondsWithoutClipping)
{
    const std::vector<uint8_t> f = load("music.wav");
    ASSERT_GT(f.size(), 44u);
    s_sound sound{};
    testing::internal::CaptureStdout();
    const int loaded = Soundsystem_LoadWAV("music.wav", &sound);
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(loaded, 1);
    EXPECT_EQ(sound.channels, 2);
    EXPECT_EQ(sound.bits, 16);
    EXPECT_EQ(sound.frequency, 44100u);
    EXPECT_EQ(sound.size + 44, f.size());
    EXPECT_EQ(memcmp(&f[12], "fmt \x10\0\0\0\x01\0", 10), 0);
    EXPECT_LT(sound.length / 2 / 44100.0, 190.0);
    const int16_t* s = (const int16_t*)sound.data;
    int peak = 0;
    for (uint32_t i = 0; i < sound.length; i++) peak = std::max(peak, std::abs((int)s[i]));
    EXPECT_LT(peak, 32767);
    EXPECT_GT(peak, 16384);
    // The last scene event must come before the music stops.
    LoadTiming((demo_dir + "/timing.dat").c_str());
    EXPECT_LT((int64_t)demotiming_event[0][19] * 4, (int64_t)sound.length);
    free(sound.data);
}

// The music from the image through the demo's mixer on the offline output:
// `mixed(music)` runs after every mixed block, as the demo's beat probe
// does, and `out`, when given, receives the output's stereo samples. False
// when the music never played to its end.
template <class F>
bool mixmusic(F mixed, std::vector<int16_t>* out = nullptr)
{
    testing::internal::CaptureStdout();
    audiodriver_setoutput(AUDIODRIVER_OFFLINE);
    Soundsystem_Init(44100, 16, 2);
    s_sound music{};
    Soundsystem_LoadSound("music.wav", &music);
    Soundsystem_PlaySound(&music, 0);
    // Four calls of 2,048 bytes mix one block; 200 seconds of blocks is more
    // than the music lasts, so an output that never mixes cannot hang here.
    // The last calls play out what the ring still holds.
    const int calls = 4 * 200 * 44100 / 2048;
    int after = 64;
    int16_t bytes[1024];
    for (int call = 0; call < calls && after > 0; call++) {
        after -= !music.playing;
        const bool block = audiodriver_offline_play(bytes, sizeof bytes) != 0;
        if (out) out->insert(out->end(), bytes, bytes + 1024);
        if (block) mixed(music);
    }
    const bool ended = !music.playing;
    Soundsystem_DeleteSound(&music);
    Soundsystem_CloseAudio();
    audiodriver_setoutput(AUDIODRIVER_DEVICE);
    testing::internal::GetCapturedStdout();
    return ended;
}

TEST_F(PackedContent, TheBeatProbeFiresOncePerClapUnderTheNamesAndNowhereBetween)
{
    // The probe run after every mixed block as the demo runs it.
    LoadTiming((demo_dir + "/timing.dat").c_str());
    const int32_t from = demotiming_event[0][8], to = demotiming_event[0][11];
    int onsets = 0, beatblocks = 0, blocks = 0;
    bool previous = false;
    const bool ended = mixmusic([&](const s_sound& music) {
        const float e = Soundsystem_DetectFrequency(1306.0f) * 0.0002f + Soundsystem_DetectFrequency(1531.0f) * 0.0002f;
        // The block just mixed began 1,024 units before the position.
        const int32_t t = (int32_t)(uint32_t)(Soundsystem_GetSoundOffset(music) >> 10) - 1024;
        const bool beat = e > 1000;
        if (music.playing && t >= from && t < to) {
            blocks++;
            beatblocks += beat;
            onsets += beat && !previous;
        }
        previous = beat;
    });
    ASSERT_TRUE(ended) << "the music never played to its end";
    ASSERT_EQ(blocks, (to - from) / 1024);
    // Claps on beats 2 and 4 of every bar: two a bar, one block each.
    const int bars = (to - from) / (40 * 1024);
    EXPECT_EQ(onsets, 2 * bars);
    EXPECT_EQ(beatblocks, onsets);
}

// The loudness of a stretch of whole bars.
double barsloudness(const stereo_buffer& sound, int from, int to)
{
    stereo_buffer part((size_t)(to - from) * FRAMES_PER_BAR);
    const size_t at = (size_t)from * FRAMES_PER_BAR;
    for (size_t i = 0; i < part.frames() && at + i < sound.frames(); i++)
        part.left[i] = sound.left[at + i], part.right[i] = sound.right[at + i];
    return IntegratedLoudness(part);
}

// What viewers hear: the demo's mixed output lands where players and video
// sites expect music (-16 to -14 LUFS integrated) with no clipped sample,
// and the sections keep their shape: each stands against the drop within
// 3 dB of where it stands in the unmastered score, and one clearly quieter
// there stays quieter.
TEST_F(PackedContent, TheMixedMusicIsAsLoudAsSharedMusicAndKeepsItsSections)
{
    std::vector<int16_t> out;
    ASSERT_TRUE(mixmusic([](const s_sound&) {}, &out));
    stereo_buffer mixed(out.size() / 2);
    int clipped = 0;
    for (size_t i = 0; i < mixed.frames(); i++) {
        mixed.left[i] = out[2 * i] / 32768.0f, mixed.right[i] = out[2 * i + 1] / 32768.0f;
        clipped += std::abs(out[2 * i]) >= 32767 || std::abs(out[2 * i + 1]) >= 32767;
    }
    const double lufs = IntegratedLoudness(mixed);
    printf("the demo's mixed music: %.2f LUFS integrated, peak %.3f of full scale\n", lufs, SamplePeak(mixed));
    EXPECT_GE(lufs, -16.0);
    EXPECT_LE(lufs, -14.0);
    EXPECT_EQ(clipped, 0);

    // A broadcast meter reads the same figure off the mixed output.
    if (system("ffmpeg -version > /dev/null 2>&1") == 0) {
        const std::string wav = testing::TempDir() + "mixed.wav", log = testing::TempDir() + "ebur128.log";
        FILE* f = fopen(wav.c_str(), "wb");
        ASSERT_TRUE(f);
        const uint32_t bytes = (uint32_t)(out.size() * 2);
        const uint32_t header[] = {0x46464952, 36 + bytes, 0x45564157, 0x20746d66, 16, 0x00020001, 44100, 44100 * 4,
                                   0x00100004, 0x61746164, bytes};
        fwrite(header, sizeof header, 1, f);
        fwrite(out.data(), 2, out.size(), f);
        fclose(f);
        ASSERT_EQ(system(("ffmpeg -nostats -hide_banner -i " + wav + " -af ebur128 -f null - 2> " + log).c_str()), 0);
        std::string text;
        FILE* l = fopen(log.c_str(), "r");
        for (int c; l && (c = fgetc(l)) != EOF;) text += (char)c;
        if (l) fclose(l);
        const size_t at = text.rfind("I:");
        ASSERT_NE(at, std::string::npos) << text;
        EXPECT_NEAR(atof(text.c_str() + at + 2), lufs, 0.2) << text.substr(at);
        remove(wav.c_str());
        remove(log.c_str());
    }

    // Intro, riser, drop, break, closing and credits, against the drop.
    const stereo_buffer score = ComposeMusic();
    const int drop[2] = {SceneBar(SCENE_TITLE), SceneBar(SCENE_NAMES)};
    const int parts[][2] = {
        {0, SceneBar(SCENE_CAMERA)},                                  // the intro
        {SceneBar(SCENE_CAMERA), SceneBar(SCENE_SKULL)},             // the build's first half
        {SceneBar(SCENE_SKULL), SceneBar(SCENE_TITLE)},              // and the riser's end
        {SceneBar(SCENE_GREETINGS), SceneBar(SCENE_CHAIR)},          // the break
        {SceneBar(SCENE_CHAIR), SceneBar(SCENE_CREDITS)},            // the closing
        {SceneBar(SCENE_CREDITS), SceneBar(SCENE_CREDITSFADE) + 1},  // the credits, before the fade
    };
    const double scoredrop = barsloudness(score, drop[0], drop[1]), mixeddrop = barsloudness(mixed, drop[0], drop[1]);
    for (const auto& p : parts) {
        const double before = barsloudness(score, p[0], p[1]) - scoredrop;
        const double after = barsloudness(mixed, p[0], p[1]) - mixeddrop;
        printf("bars %2d to %2d: %+5.1f dB from the drop, %+5.1f in the score\n", p[0], p[1], after, before);
        EXPECT_NEAR(after, before, 3.0) << "bars " << p[0] << " to " << p[1];
        if (before < -2) {
            EXPECT_LT(after, -1.0) << "bars " << p[0] << " to " << p[1];
        }
    }
    // The riser rises.
    EXPECT_LT(barsloudness(mixed, parts[1][0], parts[1][1]), barsloudness(mixed, parts[2][0], parts[2][1]));
}

TEST(TimingFile, ScenesAndPulsesLieOnBlockBoundaries)
{
    const std::vector<uint8_t> f = readfile(demo_dir + "/timing.dat");
    ASSERT_EQ(f.size(), 4112u);
    InitTiming();
    LoadTiming((demo_dir + "/timing.dat").c_str());
    ASSERT_EQ(demotiming_numevents[0], 20);
    EXPECT_EQ(demotiming_event[0][0], 0);
    for (int i = 0; i < 20; i++) {
        EXPECT_EQ(demotiming_event[0][i] % 1024, 0) << "scene " << i;
        if (i) {
            EXPECT_GT(demotiming_event[0][i], demotiming_event[0][i - 1]) << "scene " << i;
        }
    }
    // Track 1: event 0 at 0, then a pulse for each of the sixteen names,
    // all inside scene events 8 to 10 and at least the pulse length apart.
    ASSERT_GE(demotiming_numevents[1], 17);
    EXPECT_EQ(demotiming_event[1][0], 0);
    int inside = 0;
    for (int i = 1; i < demotiming_numevents[1]; i++) {
        const int32_t t = demotiming_event[1][i];
        EXPECT_EQ(t % 1024, 0) << "pulse " << i;
        EXPECT_GE(t - demotiming_event[1][i - 1], 1024) << "pulse " << i;
        inside += t >= demotiming_event[0][8] && t < demotiming_event[0][11];
    }
    EXPECT_GE(inside, 16);
    // A caption needs 32,000 units of its scene, the title and the
    // credits several seconds.
    for (int e : {2, 4, 5}) EXPECT_GE(demotiming_event[0][e + 1] - demotiming_event[0][e], 32000) << e;
    EXPECT_GE(demotiming_event[0][7] - demotiming_event[0][6], 22050 * 3);
    EXPECT_GE(demotiming_event[0][18] - demotiming_event[0][16], 22050 * 5);
    // Tracks 2 and 3 hold the empty table.
    for (int track : {2, 3}) {
        EXPECT_EQ(demotiming_numevents[track], 1);
        EXPECT_EQ(demotiming_event[track][0], 0);
    }
}

}  // namespace
