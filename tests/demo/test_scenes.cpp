// The scene table on whole frames: for each scene event the overlays it
// draws appear at their places and nowhere else (every other pixel of the
// 1920 x 1080 output stays black), the thresholds fall on the exact timing
// unit, the ramps jump and change mode as the rows say, and the spawn rows,
// blur values and 3D drawing follow the scene event.
#include <algorithm>
#include <cmath>
#include <string>

#include "demotest.h"

namespace {

using namespace demotest;

struct Rect {
    int x, y, w, h;
    uint32_t colour;  // 0xAARRGGBB
};

enum { CX = 448, CY = 508, NX = 448, NY = 824, SX = 768, SY = 984 };

Rect screen(uint32_t c) { return {0, 0, kScreenSide, kScreenSide, c}; }
Rect caption(int i) { return {CX, CY, 1024, 64, introcolour(i)}; }
Rect subtitle(int i) { return {SX, SY, 384, 64, subtitlecolour(i)}; }
Rect name(int n) { return {NX, NY, 1024, 256, namecolour(n - 1)}; }

// Every pixel is the colour of the last listed rectangle that holds it, or
// black; returns a description of the first few that are not.
std::string compare(const std::vector<uint32_t>& frame, const std::vector<Rect>& rects)
{
    std::string faults;
    int count = 0;
    for (int y = 0; y < DEMO_HEIGHT; y++)
        for (int x = 0; x < DEMO_WIDTH; x++) {
            uint32_t want = 0;
            for (const Rect& r : rects)
                if (x >= r.x && x < r.x + r.w && y >= r.y && y < r.y + r.h) want = stored(r.colour);
            uint32_t got = frame[size_t(y) * DEMO_WIDTH + x] & 0xFFFFFF;
            if (got != want && count++ < 4)
                faults += " (" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(got) +
                          " not " + std::to_string(want) + ";";
        }
    if (count) faults += " " + std::to_string(count) + " pixels wrong";
    return faults;
}

struct Case {
    int scene, t, pulse, greet;
    std::vector<Rect> shown;
};

TEST_F(Demo, EachSceneShowsItsOverlaysAtTheirPlacesAndOnlyThere)
{
    const Case cases[] = {
        {0, 0, 0, 0, {screen(kLogo)}},
        {1, 0, 0, 0, {screen(kLogo), subtitle(0)}},
        {2, 31999, 0, 0, {caption(0)}},
        {2, 32000, 0, 0, {}},
        {3, 0, 0, 0, {}},
        {4, 31999, 0, 0, {caption(1), subtitle(2)}},
        {4, 32000, 0, 0, {subtitle(2)}},
        {5, 0, 0, 0, {caption(2)}},
        {6, 8000, 0, 0, {screen(kTitle)}},
        {6, 8001, 0, 0, {screen(kTitle), subtitle(1)}},
        {7, 60000, 0, 0, {screen(kTitle), subtitle(1)}},
        {8, 0, 9, 0, {name(9)}},     // the pulse picks the name
        {9, 500, 0, 9, {name(9)}},   // and it stays while no pulse runs
        {10, 0, 17, 9, {}},          // pulse 17: no 17th name
        {10, 0, 16, 9, {name(16)}},
        {11, 0, 0, 3, {name(3), screen(kGreetings), subtitle(3)}},
        {12, 0, 0, 3, {}},
        {13, 8000, 0, 0, {screen(kAllover)}},
        {13, 8001, 0, 0, {screen(kAllover), subtitle(5)}},
        {14, 0, 0, 0, {subtitle(5)}},
        {15, 9000, 0, 0, {}},
        {16, 8000, 0, 0, {screen(kCredits)}},
        {16, 8001, 0, 0, {screen(kCredits), subtitle(4)}},
        {17, 0, 0, 0, {screen(kCredits)}},
        {18, 0, 0, 0, {}},
        {19, 0, 0, 0, {}},
    };
    for (const Case& c : cases) {
        demostate = c.scene;
        effecttime = c.t;
        eventpulse = c.pulse;
        greetname = c.greet;
        fade = blend = 1;
        blankoutput();
        DrawOverlays();
        EXPECT_EQ(compare(readoutput(), c.shown), "") << "scene event " << c.scene << ", t " << c.t;
    }
}

// Ramp jumps and modes, row by row: {scene, t, fade and blend before} then
// what the row leaves.
TEST_F(Demo, RowsJumpTheRampsAndSetTheirModesAtExactThresholds)
{
    struct Row {
        int scene, t;
        float fade0, blend0;
        float fade, blend;
        int fademode, blendmode;  // -1: left as it was (0)
    };
    const Row rows[] = {
        {0, 0, 0.2f, 0.2f, 0.2f, 0.2f, -1, 3},
        {1, 10000, 0.2f, 0.2f, 0.2f, 0.2f, -1, 1},
        {1, 10001, 0.2f, 0.2f, 0.2f, 0.2f, 4, 1},
        {2, 31, 0.2f, 0.2f, 1, 1, -1, -1},
        {2, 32, 0.2f, 0.2f, 0.2f, 0.2f, -1, -1},
        {2, 20001, 0.2f, 0.2f, 0.2f, 0.2f, 4, -1},
        {3, 31, 0.2f, 0.2f, 1, 0.2f, -1, -1},
        {5, 20000, 0.2f, 0.2f, 0.2f, 0.2f, -1, -1},
        {6, 8000, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1},
        {6, 8001, 0.2f, 0.2f, 0.2f, 0.2f, 1, 4},  // the last mode set counts
        {7, 31, 0.2f, -0.002f, 1, 0, 4, -1},
        {7, 33001, 0.2f, 0.2f, 0.2f, 0.2f, 2, -1},
        {8, 500, 0.95f, 0.2f, 1.05f, 0.3f, 1, 1},  // +0.1 while below 1, not clamped
        {8, 500, 1.0f, 1.0f, 1, 1, 1, 1},
        {9, 500, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1},   // the +0.1 is scene event 8's alone
        {11, 31, 0.2f, 0.2f, 1, 1, 1, 1},
        {11, 2001, 0.2f, 0.2f, 0.2f, 0.2f, 2, 2},
        {13, 31, 0.2f, 0.2f, 1, 0.2f, -1, -1},
        {15, 8001, 0.2f, 0.2f, 0.2f, 0.2f, 2, 2},
        {16, 31, 0.5f, 0.2f, 0, 1, 1, -1},
        {16, 32, 0.5f, 0.2f, 0.5f, 0.2f, 1, -1},
        {19, 500, 0.5f, 0.5f, 0, 0, -1, -1},
    };
    for (const Row& r : rows) {
        demostate = r.scene;
        effecttime = r.t;
        fade = r.fade0;
        blend = r.blend0;
        fadeevent = blendevent = -1;
        blankoutput();
        DrawOverlays();
        const std::string where = "scene event " + std::to_string(r.scene) + ", t " + std::to_string(r.t);
        EXPECT_FLOAT_EQ(fade, r.fade) << where;
        EXPECT_FLOAT_EQ(blend, r.blend) << where;
        EXPECT_EQ(fadeevent, r.fademode) << where;
        EXPECT_EQ(blendevent, r.blendmode) << where;
    }
}

TEST_F(Demo, SpawnRowsRunOnlyInTheFirst60UnitsOfTheirScene)
{
    struct Spawn {
        int scene, count;
        float startsize, scalefactor;
    };
    const Spawn spawns[] = {{2, kCamera, 0.1f, 0.03f}, {3, kShoe, 0.2f, 0.01f}, {4, kSkull, 0.1f, 0.04f},
                            {5, kFlower, 0.1f, 0.02f}, {6, kSkull, 0.2f, 0.02f}, {12, kChair, 0.5f, 0.03f}};
    for (const Spawn& s : spawns) {
        demostate = s.scene;
        effecttime = 60;
        numparticles = 0;
        HandleSceneStart();
        EXPECT_EQ(numparticles, 0) << "scene event " << s.scene << " at t 60";
        effecttime = 59;
        explosionCount = 3;
        HandleSceneStart();
        EXPECT_EQ(numparticles, s.count) << "scene event " << s.scene;
        EXPECT_FLOAT_EQ(particle_startsize, s.startsize);
        EXPECT_FLOAT_EQ(particle_scalefactor, s.scalefactor);
        EXPECT_EQ(explosionCount, 0);
    }
    EXPECT_EQ(centerY, 4);  // scene event 6 brings the eye down
    for (int scene : {0, 1, 7, 8, 11, 13, 16, 18}) {
        demostate = scene;
        effecttime = 0;
        numparticles = -1;
        HandleSceneStart();
        EXPECT_EQ(numparticles, -1) << "scene event " << scene << " spawns nothing";
    }
}

TEST_F(Demo, BlurFollowsTheSceneAndTheBeatAndPulsesSpawnTheirSlot)
{
    explosionCount = 2;
    demostate = 3;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, float(std::sin(2 * 0.001) * 0.5 + 1));
    EXPECT_EQ(blurrgb, 1);
    demostate = 7;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, float(std::sin(2 * 0.001) * 0.1 + 0.6));
    EXPECT_EQ(blurrgb, 0.5f);

    // Greetings: the beat drives both, and pulse 9 spawns slot 1 (the flower).
    demostate = 9;
    beatmultiplyer = 1.9f;
    eventpulse = 9;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, 0.95f);
    EXPECT_FLOAT_EQ(blurrgb, 0.95f);
    EXPECT_EQ(numparticles, kFlower);
    EXPECT_EQ(particle_startsize, pulse_startsize[1]);
    EXPECT_EQ(particle_scalefactor, pulse_scale[1]);
    // Pulse 10 takes slot 2, the camera with its larger sizes.
    eventpulse = 10;
    HandleBlurAndBeat();
    EXPECT_EQ(numparticles, kCamera);
    EXPECT_EQ(particle_startsize, pulse_startsize[2]);

    // Scene event 11 keeps what the last beat frame left.
    demostate = 11;
    beatmultiplyer = 1;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, 0.95f);
    demostate = 12;
    explosionCount = 2;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, float(std::cos(2 * 0.001) * 0.2 + 0.8));
    EXPECT_EQ(blurrgb, 0.5f);
}

TEST_F(Demo, TheFieldStopsInSceneEvent7After54999AndFromSceneEvent16On)
{
    // DrawParticles ages the field by 0.01: that tells whether it ran.
    const struct {
        int scene, t;
        bool drawn;
    } cases[] = {{6, 0, true}, {7, 54999, true}, {7, 55000, false}, {15, 0, true}, {16, 0, false}};
    for (const auto& c : cases) {
        demostate = c.scene;
        effecttime = c.t;
        explosionCount = 0;
        MOX_SetFrameBuffer(buffers().scene);
        MOX_Disable2D();
        glMatrixMode(GL_MODELVIEW);
        DrawScene();
        EXPECT_EQ(explosionCount > 0, c.drawn) << "scene event " << c.scene << ", t " << c.t;
    }
}

}  // namespace
