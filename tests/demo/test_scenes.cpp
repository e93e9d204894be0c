// The scene table on whole frames: for each scene event the overlays it
// draws appear at their places and nowhere else (every other pixel of the
// 1920 x 1080 output stays black), the thresholds fall on the exact timing
// unit, the ramps jump and change mode as the rows say, and the spawn rows,
// blur values and 3D drawing follow the scene event.
#include <algorithm>
#include <cmath>
#include <string>

#include "demotest.h"
#include "glcalls.h"

namespace {

using namespace demotest;

struct Rect {
    int x, y, w, h;
    uint32_t colour;  // 0xAARRGGBB
};

// The overlays where the scene table puts them (demo/scenes.h).
Rect screen(uint32_t c) { return {0, 0, kScreenSide, kScreenSide, c}; }
Rect caption(int i) { return {CAPTION_X, CAPTION_Y, CAPTION_W, CAPTION_H, introcolour(i)}; }
Rect subtitle(int i) { return {SUBTITLE_X, SUBTITLE_Y, SUBTITLE_W, SUBTITLE_H, subtitlecolour(i)}; }
Rect name(int n) { return {NAME_X, NAME_Y, NAME_W, NAME_H, namecolour(n - 1)}; }

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
                faults += " (" + std::to_string(x) + "," + std::to_string(y) + ") is " + std::to_string(got) + " not " +
                          std::to_string(want) + ";";
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
        {SCENE_LOGO, 0, 0, 0, {screen(kLogo)}},
        {SCENE_LOGOSUBTITLE, 0, 0, 0, {screen(kLogo), subtitle(0)}},
        {SCENE_CAMERA, 31999, 0, 0, {caption(0)}},
        {SCENE_CAMERA, 32000, 0, 0, {}},
        {SCENE_SHOE, 0, 0, 0, {}},
        {SCENE_SKULL, 31999, 0, 0, {caption(1), subtitle(2)}},
        {SCENE_SKULL, 32000, 0, 0, {subtitle(2)}},
        {SCENE_FLOWER, 0, 0, 0, {caption(2)}},
        {SCENE_TITLE, 8000, 0, 0, {screen(kTitle)}},
        {SCENE_TITLE, 8001, 0, 0, {screen(kTitle), subtitle(1)}},
        {SCENE_TITLEHOLD, 60000, 0, 0, {screen(kTitle), subtitle(1)}},
        {SCENE_NAMES, 0, 9, 0, {name(9)}},        // the pulse picks the name
        {SCENE_MORENAMES, 500, 0, 9, {name(9)}},  // and it stays while no pulse runs
        {SCENE_LASTNAMES, 0, 17, 9, {}},          // pulse 17: no 17th name
        {SCENE_LASTNAMES, 0, 16, 9, {name(16)}},
        {SCENE_GREETINGS, 0, 0, 3, {name(3), screen(kGreetings), subtitle(3)}},
        {SCENE_CHAIR, 0, 0, 3, {}},
        {SCENE_CLOSING, 8000, 0, 0, {screen(kAllover)}},
        {SCENE_CLOSING, 8001, 0, 0, {screen(kAllover), subtitle(5)}},
        {SCENE_CLOSINGSUBTITLE, 0, 0, 0, {subtitle(5)}},
        {SCENE_FIELDFADE, 9000, 0, 0, {}},
        {SCENE_CREDITS, 8000, 0, 0, {screen(kCredits)}},
        {SCENE_CREDITS, 8001, 0, 0, {screen(kCredits), subtitle(4)}},
        {SCENE_CREDITSFADE, 0, 0, 0, {screen(kCredits)}},
        {SCENE_END, 0, 0, 0, {}},
        {SCENE_AFTER, 0, 0, 0, {}},
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
        {SCENE_LOGO, 0, 0.2f, 0.2f, 0.2f, 0.2f, -1, 3},
        {SCENE_LOGOSUBTITLE, 10000, 0.2f, 0.2f, 0.2f, 0.2f, -1, 1},
        {SCENE_LOGOSUBTITLE, 10001, 0.2f, 0.2f, 0.2f, 0.2f, 4, 1},
        {SCENE_CAMERA, 31, 0.2f, 0.2f, 1, 1, -1, -1},
        {SCENE_CAMERA, 32, 0.2f, 0.2f, 0.2f, 0.2f, -1, -1},
        {SCENE_CAMERA, 20001, 0.2f, 0.2f, 0.2f, 0.2f, 4, -1},
        {SCENE_SHOE, 31, 0.2f, 0.2f, 1, 0.2f, -1, -1},
        {SCENE_FLOWER, 20000, 0.2f, 0.2f, 0.2f, 0.2f, -1, -1},
        {SCENE_TITLE, 8000, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1},
        {SCENE_TITLE, 8001, 0.2f, 0.2f, 0.2f, 0.2f, 1, 4},  // the last mode set counts
        {SCENE_TITLEHOLD, 31, 0.2f, -0.002f, 1, 0, 4, -1},
        {SCENE_TITLEHOLD, 33001, 0.2f, 0.2f, 0.2f, 0.2f, 2, -1},
        {SCENE_NAMES, 500, 0.95f, 0.2f, 1.05f, 0.3f, 1, 1},  // +0.1 while below 1, not clamped
        {SCENE_NAMES, 500, 1.0f, 1.0f, 1, 1, 1, 1},
        {SCENE_MORENAMES, 500, 0.2f, 0.2f, 0.2f, 0.2f, 1, 1},  // the +0.1 is scene event 8's alone
        {SCENE_GREETINGS, 31, 0.2f, 0.2f, 1, 1, 1, 1},
        {SCENE_GREETINGS, 2001, 0.2f, 0.2f, 0.2f, 0.2f, 2, 2},
        {SCENE_CLOSING, 31, 0.2f, 0.2f, 1, 0.2f, -1, -1},
        {SCENE_FIELDFADE, 8001, 0.2f, 0.2f, 0.2f, 0.2f, 2, 2},
        {SCENE_CREDITS, 31, 0.5f, 0.2f, 0, 1, 1, -1},
        {SCENE_CREDITS, 32, 0.5f, 0.2f, 0.5f, 0.2f, 1, -1},
        {SCENE_AFTER, 500, 0.5f, 0.5f, 0, 0, -1, -1},
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
    const Spawn spawns[] = {{2, kCamera, 0.1f, 0.03f}, {3, kShoe, 0.2f, 0.01f},
                            {4, kSkull, 0.1f, 0.04f},  {SCENE_FLOWER, kFlower, 0.1f, 0.02f},
                            {6, kSkull, 0.2f, 0.02f},  {12, kChair, 0.5f, 0.03f}};
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
    for (int scene : {SCENE_LOGO, SCENE_LOGOSUBTITLE, SCENE_TITLEHOLD, SCENE_NAMES, SCENE_GREETINGS, SCENE_CLOSING,
                      SCENE_CREDITS, SCENE_END}) {
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
    demostate = SCENE_SHOE;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, float(std::sin(2 * 0.001) * 0.5 + 1));
    EXPECT_EQ(blurrgb, 1);
    demostate = SCENE_TITLEHOLD;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, float(std::sin(2 * 0.001) * 0.1 + 0.6));
    EXPECT_EQ(blurrgb, 0.5f);

    // Greetings: the beat drives both, and pulse 9 spawns slot 1 (the flower).
    demostate = SCENE_MORENAMES;
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
    demostate = SCENE_GREETINGS;
    beatmultiplyer = 1;
    HandleBlurAndBeat();
    EXPECT_FLOAT_EQ(blurzoom, 0.95f);
    demostate = SCENE_CHAIR;
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
    } cases[] = {{SCENE_TITLE, 0, true},
                 {SCENE_TITLEHOLD, 54999, true},
                 {SCENE_TITLEHOLD, 55000, false},
                 {SCENE_FIELDFADE, 0, true},
                 {SCENE_CREDITS, 0, false}};
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

// A whole frame of the loop makes few draws in every scene, however large
// the field: the squares go in one array, 16384 a draw, and everything else
// (floor, blur passes, overlays, the post pass) is a draw or two each.
TEST_F(Demo, EveryScenesFrameMakesAtMost64DrawsWithTheLargestField)
{
    float* voxels = new float[size_t(DEMO_MAXPARTICLES) * 6];
    for (int i = 0; i < DEMO_MAXPARTICLES; i++) {
        float* v = voxels + 6 * i;
        v[0] = float(i % 181 - 90), v[1] = float(i / 181 % 181 - 60), v[2] = float(i / 32768);
        v[3] = v[4] = v[5] = 0.5f;
    }
    demostate = SCENE_TITLE;
    InitParticles(voxels, DEMO_MAXPARTICLES, 0.1f, 0.03f, 0.8f, 0);
    delete[] voxels;
    for (int scene = SCENE_LOGO; scene <= SCENE_AFTER; scene++) {
        demostate = scene;
        effecttime = 100;  // past every start window: the field stays
        eventpulse = 0;
        greetname = 3;
        const int before = glcalls_draws;
        PrepareScene(buffers().scene);
        HandleSceneStart();
        HandleBlurAndBeat();
        DrawScene();
        glColor4f(1, 1, 1, 1);
        DoZoomBlur(buffers().scene, buffers().blur, buffers().output, blurzoom, blurrgb);
        MOX_Enable2D();
        DrawOverlays();
        MOX_SetPostShader(postshader_id);
        MOX_SwapBuffers();
        const int draws = glcalls_draws - before;
        printf("scene event %d: %d draws\n", scene, draws);
        EXPECT_LE(draws, 64) << "scene event " << scene;
        EXPECT_GE(draws, 3) << "scene event " << scene << ": the blur passes and the post pass at least";
        if (scene <= SCENE_FIELDFADE && scene != SCENE_LOGO) {
            EXPECT_GE(FieldDraws(), 2) << "scene event " << scene;
        }
    }
    EXPECT_EQ(numparticles, DEMO_MAXPARTICLES);
}

}  // namespace
