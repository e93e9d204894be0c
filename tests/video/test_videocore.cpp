// The video core on llvmpipe: start-up, pacing, culling and winding of
// quads, lines, the render-state and texture caches, blending.
#include <SDL2/SDL.h>  // the window's title

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "gltest.h"

namespace gltest {
namespace {

using VideoStart = GL;

TEST_F(VideoStart, LogsInOrderAndSelectsAWindowSizedFrameBufferZero)
{
    const std::string& log = initlog();
    size_t glew = log.find("[MOX] Init Glew\n");
    size_t ready = log.find("\nReady for GLSL\n");
    size_t opengl = log.find("[MOX] Init OpenGL\n");
    size_t fb = log.find("[MOX] Init Framebuffer\n[MOX] Init Framebuffer: 64,48\n");
    ASSERT_NE(glew, std::string::npos) << log;
    ASSERT_NE(ready, std::string::npos) << log;
    ASSERT_NE(opengl, std::string::npos) << log;
    ASSERT_NE(fb, std::string::npos) << log;
    EXPECT_LT(glew, ready);
    EXPECT_LT(ready, opengl);
    EXPECT_LT(opengl, fb);
    // The loader's "no GLX display" under EGL is not an error here.
    EXPECT_EQ(log.find("Error Initing Glew"), std::string::npos) << log;

    EXPECT_EQ(MOX_shaders_enabled, 1);
    EXPECT_EQ(MOX_framebuffers_enabled, 1);
    EXPECT_EQ(MOX_framebuffers[0].width, kWidth);
    EXPECT_EQ(MOX_framebuffers[0].height, kHeight);
    EXPECT_EQ(MOX_framebuffers[0].flags, 0);
    EXPECT_EQ(MOX_framebuffers[0].dataindex, 0);
    EXPECT_EQ(MOX_GetFrameBufferDepth(0), 0);
    EXPECT_NE(MOX_GetFrameBufferTexture(0), 0);
    EXPECT_EQ(MOX_FrameBuffer, &MOX_framebuffers[0]);
    EXPECT_EQ(MOX_video.width, kWidth);
    EXPECT_EQ(MOX_video.height, kHeight);
    EXPECT_EQ(MOX_video.pitch, kWidth);
    EXPECT_EQ(MOX_video.bitsperpixel, 32);
    EXPECT_EQ(MOX_video.redmask, 0x00FF0000);
    EXPECT_EQ(MOX_video.redshift, 16);
    EXPECT_EQ(MOX_video.reserved, 0);
    EXPECT_EQ(MOX_video_updatespeed, 15);
    EXPECT_EQ(MOX_postshader_id, -1);
    EXPECT_FLOAT_EQ(MOX_fadevalue, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_VERTEX_ARRAY));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    GLint depthfunc = 0;
    glGetIntegerv(GL_DEPTH_FUNC, &depthfunc);
    EXPECT_EQ(depthfunc, GL_LEQUAL);
}

TEST_F(VideoStart, TheWindowKeepsTheTitleSetBeforeIt)
{
    SDL_Window* window = SDL_GL_GetCurrentWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(std::string(SDL_GetWindowTitle(window)), kTitle);
}

TEST_F(VideoStart, WhiteTextureIsOpaqueWhite)
{
    MOX_BindTexture(mox_whitetexture_id);
    glColor4f(1, 1, 1, 1);
    MOX_DrawQuad(0, 0, 8, 8, 0, 0, 1, 1);
    EXPECT_EQ(pixel(3, 3), rgb(255, 255, 255));
}

using Pacing = GL;

TEST_F(Pacing, RefreshRatesGiveTheirTicks)
{
    const int cases[][2] = {{60, 15}, {50, 18}, {30, 30}, {-20, 20}, {1000, 1}, {2000, 1}, {1, 909}, {0, 1}};
    for (const auto& c : cases) {
        MOX_SetRefreshRate(c[0]);
        EXPECT_EQ(MOX_video_updatespeed, c[1]) << "rate " << c[0];
    }
    MOX_SetRefreshRate(60);
}

TEST_F(Pacing, ALateFrameReturnsItsLengthInTicksWithoutWaiting)
{
    mox_setvirtualclock(1000, 5000);
    MOX_SetRefreshRate(60);
    EXPECT_EQ(MOX_video_time, 5000u);
    mox_setvirtualclock(1000, 5045);  // the frame took 45 ms
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 3.0f);
    EXPECT_EQ(MOX_video_time, 5045u);
    mox_setvirtualclock(1000, 5060);
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 1.0f);
}

TEST_F(Pacing, TicksAcrossTheMillisecondWrap)
{
    mox_setvirtualclock(1000, 0xFFFFFFF0u);
    MOX_SetRefreshRate(60);
    mox_setvirtualclock(1000, 0xFFFFFFF0u + 30u);  // 14 after the wrap
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 2.0f);
    EXPECT_EQ(MOX_video_time, 14u);
}

TEST_F(Pacing, VsyncFlagReturnsOneForAFrameOnTime)
{
    mox_setvirtualclock(1000, 100);
    MOX_SetRefreshRate(60);
    MOX_vsync_enabled = 1;
    mox_setvirtualclock(1000, 110);
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 1.0f);
    mox_setvirtualclock(1000, 140);  // 30 ms: late even with the flag
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 2.0f);
    MOX_vsync_enabled = 0;
}

TEST_F(Pacing, RealClockWaitsForTheTick)
{
    MOX_SetRefreshRate(-20);
    uint32_t start = MOX_video_time;
    MOX_WaitRefresh();
    EXPECT_GE(MOX_video_time - start, 20u);
    MOX_SetRefreshRate(60);
}

TEST_F(Pacing, VirtualClockMovesOnlyWhenAFrameIsPresented)
{
    mox_setvirtualclock(50, 1000);
    EXPECT_EQ(MOX_GetMillis(), 1000u);
    EXPECT_EQ(MOX_GetMillis(), 1000u);
    MOX_SwapBuffers();
    EXPECT_EQ(MOX_GetMillis(), 1020u);
    MOX_SwapBuffers();
    MOX_SwapBuffers();
    EXPECT_EQ(MOX_GetMillis(), 1060u);
}

// A machine on the offline clock whose frame j takes took(j) ms to draw:
// what each wait placed. Each frame's wait begins where the last one's
// drawing ended.
struct Frames {
    std::vector<uint32_t> steps;   // every step placed, in order
    std::vector<uint32_t> drawn;   // the frames' drawn steps
    std::vector<uint32_t> times;   // each step's time, from the show's start
    std::vector<uint32_t> arrived; // each frame's wait began at, from the show's start
    float ticks = 0;               // the framesteps' sum
};

Frames play(uint32_t start, int frames, const std::function<uint32_t(int)>& took)
{
    Frames r;
    for (int j = 0; j < frames; j++) {
        r.arrived.push_back(MOX_GetMillis() - start);
        do {
            r.ticks += MOX_WaitRefresh();
            r.steps.push_back(MOX_video_step);
            r.times.push_back(MOX_video_time - start);
        } while (MOX_rehearsing);
        r.drawn.push_back(MOX_video_step);
        mox_setvirtualclock(1000, MOX_GetMillis() + took(j));
    }
    return r;
}

// Starts a show at 60 steps a second on the offline clock after `loading`
// ms of start-up; returns its step 0's clock.
uint32_t startshow(uint32_t loading)
{
    mox_setvirtualclock(1000, 1000);
    MOX_SetRefreshRate(60);
    MOX_SetStepRate(60);
    mox_setvirtualclock(1000, 1000 + loading);
    return 1000 + loading;
}

// Step k stands at k x 1000 / 60 ms (rounded down) of the show's clock
// however the frames fall: a fast machine waits for each step, a slow one
// rehearses those it missed and draws the last it has reached, and every
// step's framestep is its place on the grid, so the framesteps add up to
// the grid's time. Nothing of start-up counts.
TEST_F(Pacing, EveryStepStandsOnTheSixtyASecondGridHoweverTheFramesFall)
{
    struct Machine {
        const char* name;
        std::function<uint32_t(int)> took;
    };
    uint32_t seed = 7;
    const Machine machines[] = {
        {"15 ms frames", [](int) { return 15u; }},
        {"60 Hz", [](int j) { return uint32_t((j + 1) * 1000 / 60 - j * 1000 / 60); }},
        {"60 Hz, 3 ms of jitter", [](int j) { return uint32_t(16 + (j * 7919) % 7 - 3 + (j % 3 == 2)); }},
        {"37 ms frames", [](int) { return 37u; }},
        {"170 ms frames", [](int) { return 170u; }},
        {"120 to 220 ms", [&](int) { return 120 + (seed = seed * 1103515245u + 12345u) / 65536u % 101u; }},
    };
    for (const Machine& m : machines) {
        const uint32_t start = startshow(3000);
        const Frames r = play(start, 300, m.took);
        ASSERT_EQ(r.steps[0], 0u) << m.name;
        EXPECT_EQ(r.times[0], 0u) << m.name;
        for (size_t i = 0; i < r.steps.size(); i++) {
            ASSERT_EQ(r.steps[i], i) << m.name << ": a step missed or repeated";
            ASSERT_EQ(r.times[i], i * 1000 / 60) << m.name << ", step " << i;
        }
        for (size_t j = 1; j < r.drawn.size(); j++) {
            // The last step the frame's time has reached, or the next one,
            // waited for.
            const uint32_t k = r.drawn[j];
            EXPECT_EQ(k, std::max(r.drawn[j - 1] + 1, (r.arrived[j] + 1) * 60 / 1000 + ((r.arrived[j] + 1) * 60 % 1000 != 0) - 1))
                << m.name << ", frame " << j;
        }
        EXPECT_NEAR(r.ticks, float(r.times.back()) / 15, r.times.back() * 1e-5) << m.name;
    }
    // A fast machine draws every step; 170 ms frames draw every 10th or 11th.
    const uint32_t start = startshow(0);
    const Frames fast = play(start, 120, [](int) { return 15u; });
    EXPECT_EQ(fast.drawn.size(), fast.steps.size());
    const Frames slow = play(MOX_video_time - MOX_StepTime(MOX_video_step), 30, [](int) { return 170u; });
    for (size_t j = 1; j < slow.drawn.size(); j++) {
        const uint32_t gap = slow.drawn[j] - slow.drawn[j - 1];
        EXPECT_TRUE(gap == 10 || gap == 11) << gap;
    }
}

// A stall (the whole program stopped three seconds while the clock ran
// on): the next frame rehearses the last second's steps and skips the
// rest, once, saying so; step numbers and times only grow.
TEST_F(Pacing, AStallSkipsForwardOnceAndNeverGoesBack)
{
    const uint32_t start = startshow(500);
    testing::internal::CaptureStdout();
    const Frames r = play(start, 40, [](int j) { return j == 20 ? 3000u : 170u; });
    const std::string said = testing::internal::GetCapturedStdout();
    for (size_t i = 1; i < r.steps.size(); i++) {
        ASSERT_GT(r.steps[i], r.steps[i - 1]);
        ASSERT_EQ(r.times[i], r.steps[i] * 1000 / 60);
    }
    size_t jumps = 0;
    for (size_t i = 1; i < r.steps.size(); i++) jumps += r.steps[i] != r.steps[i - 1] + 1;
    EXPECT_EQ(jumps, 1u);
    // The frame after the stall: 60 steps rehearsed, then the drawn one.
    const size_t after = std::find(r.steps.begin(), r.steps.end(), r.drawn[21]) - r.steps.begin();
    EXPECT_EQ(r.steps[after] - r.steps[after - MOX_MAXCATCHUP], uint32_t(MOX_MAXCATCHUP));
    EXPECT_EQ(r.steps[after - MOX_MAXCATCHUP - 1], r.drawn[20]);
    EXPECT_EQ(r.drawn[21], (r.arrived[21] + 1) * 60 / 1000 - ((r.arrived[21] + 1) * 60 % 1000 == 0));
    EXPECT_EQ(said.find("[MOX] the show is 2.98 s behind its clock: "), 0u) << said;
    EXPECT_NE(said.find(" steps skipped, the last 60 caught up\n"), std::string::npos) << said;
    EXPECT_EQ(said.find('\n'), said.size() - 1) << said;
}

// A program's own clock drives the grid while the offline clock is off;
// each clock that takes over goes on from where the show stands.
uint32_t programclock = 0;
int readprogramclock(uint32_t* ms)
{
    *ms = programclock += 5;  // 5 ms a reading
    return 1;
}

TEST_F(Pacing, AProgramsClockDrivesTheGridAndHandsOverWithoutAJump)
{
    startshow(0);
    const Frames offline = play(1000, 5, [](int) { return 170u; });
    EXPECT_EQ(offline.drawn.back(), 40u);
    programclock = 50;  // behind the show: the show waits for it
    MOX_SetShowClock(readprogramclock);
    mox_setvirtualclock(0, 0);
    std::vector<uint32_t> steps;
    for (int i = 0; i < 5; i++) {
        MOX_WaitRefresh();
        steps.push_back(MOX_video_step);
    }
    EXPECT_EQ(steps, (std::vector<uint32_t>{41, 42, 43, 44, 45}));
    EXPECT_GE(programclock, MOX_StepTime(45));
    MOX_SetShowClock(nullptr);
    MOX_SetStepRate(0);
}

// One step per frame (no grid): each frame is a step whatever it took,
// its framestep the frame's duration in ticks; the first is the show's start.
TEST_F(Pacing, WithoutAGridEachFrameIsOneStepOfItsOwnLength)
{
    startshow(0);
    MOX_SetStepRate(0);
    mox_setvirtualclock(1000, 9000);
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 0.0f) << "start-up is no frame's time";
    const uint32_t first = MOX_video_step;
    mox_setvirtualclock(1000, 9300);
    EXPECT_FLOAT_EQ(MOX_WaitRefresh(), 20.0f);
    EXPECT_EQ(MOX_rehearsing, 0);
    EXPECT_EQ(MOX_video_step, first + 1);
    MOX_WaitRefresh();  // early: waits for the tick
    EXPECT_EQ(MOX_video_time, 9315u);
}

TEST_F(Pacing, ARehearsedStepMovesTheClockAndPresentsNothing)
{
    mox_setvirtualclock(50, 1000);
    const uint32_t presented = mox_framespresented();
    MOX_rehearsing = 1;
    MOX_SwapBuffers();
    MOX_rehearsing = 0;
    EXPECT_EQ(MOX_GetMillis(), 1020u);
    EXPECT_EQ(mox_framespresented(), presented);
    MOX_SwapBuffers();
    EXPECT_EQ(mox_framespresented(), presented + 1);
    // A slow machine: 100 ms a drawn frame, none a rehearsed step.
    mox_setvirtualdrawtime(100);
    MOX_rehearsing = 1;
    MOX_SwapBuffers();
    MOX_rehearsing = 0;
    EXPECT_EQ(MOX_GetMillis(), 1040u);
    MOX_SwapBuffers();
    EXPECT_EQ(MOX_GetMillis(), 1140u);
    mox_setvirtualdrawtime(0);
}

TEST_F(Pacing, FpsLatchesOncePerSecondAndAtTheFirstCall)
{
    mox_setvirtualclock(1000, 50000);
    MOX_video_oldtime = 0;
    MOX_video_numframes = 0;
    for (int i = 0; i < 3; i++) MOX_WaitRefresh();
    mox_setvirtualclock(1000, 50000);  // the waits moved the clock on by their ticks
    EXPECT_EQ(MOX_GetFPS(), 3);        // the latch tick starts at 0
    for (int i = 0; i < 5; i++) MOX_WaitRefresh();
    mox_setvirtualclock(1000, 50999);
    EXPECT_EQ(MOX_GetFPS(), 3);
    mox_setvirtualclock(1000, 51000);
    EXPECT_EQ(MOX_GetFPS(), 5);
}

using Quads = GL;

TEST_F(Quads, EdgeTouchingQuadsAreCulledWithoutTouchingAnything)
{
    const float w = 10, h = 10;
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float culled[][2] = {{-w, 5}, {kWidth, 5}, {5, -h}, {5, kHeight}, {nan, 5}, {5, nan}};
    for (const auto& c : culled) {
        MOX_projectionmode = 1;
        MOX_DrawColorQuad(c[0], c[1], w, h, 1, 0, 0);
        EXPECT_EQ(triangles(), 0) << c[0] << "," << c[1];
        EXPECT_EQ(MOX_projectionmode, 1) << "a culled quad changed the projection";
    }
    MOX_DrawQuad(5, 5, nan, 10, 0, 0, 1, 1);
    EXPECT_EQ(triangles(), 0);
    MOX_DrawColorQuad(-w + 0.5f, 5, w, h, 1, 0, 0);
    EXPECT_EQ(triangles(), 2);
    MOX_DrawColorQuad(5, kHeight - 0.5f, w, h, 1, 0, 0);
    EXPECT_EQ(triangles(), 4);
}

TEST_F(Quads, AQuadJustInsideTheLeftEdgeShowsItsRightColumns)
{
    MOX_DrawColorQuad(-8, 4, 10, 4, 1, 0, 0);  // covers columns 0 and 1
    EXPECT_EQ(pixel(0, 5), rgb(255, 0, 0));
    EXPECT_EQ(pixel(1, 5), rgb(255, 0, 0));
    EXPECT_EQ(pixel(2, 5), rgb(0, 0, 0));
}

TEST_F(Quads, CornersLandOnTheirPixelsWithTheOriginTopLeft)
{
    MOX_DrawColorQuad(4, 2, 8, 6, 0, 1, 0);
    EXPECT_EQ(pixel(4, 2), rgb(0, 255, 0));
    EXPECT_EQ(pixel(11, 7), rgb(0, 255, 0));
    EXPECT_EQ(pixel(3, 2), rgb(0, 0, 0));
    EXPECT_EQ(pixel(12, 2), rgb(0, 0, 0));
    EXPECT_EQ(pixel(4, 1), rgb(0, 0, 0));
    EXPECT_EQ(pixel(4, 8), rgb(0, 0, 0));
    EXPECT_EQ(triangles(), 2);
    // The colour quad puts the current colour back to white.
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_FLOAT_EQ(c[1] + c[0] + c[2] + c[3], 4.0f);
}

TEST_F(Quads, ColourQuadsAreTintedByTheBoundTexture)
{
    // Texturing stays on: a colour quad over a grey texture is darkened.
    uint8_t grey[4] = {128, 128, 128, 255};
    int t = MOX_CreateTexture(1, 1, grey, 0);
    MOX_BindTexture(t);
    MOX_DrawColorQuad(0, 0, 8, 8, 1, 0, 0);
    EXPECT_NEAR(int(pixel(4, 4) & 0xFF), 128, 1);
    EXPECT_EQ(pixel(4, 4) & 0x00FFFF00, 0u);
    MOX_DeleteTexture(t);
}

TEST_F(Quads, NewTexturesMagnifyWithoutBlending)
{
    // Red and blue side by side, stretched to 16 pixels: the pixels either
    // side of the middle keep their texel's colour.
    uint8_t texels[8] = {255, 0, 0, 255, 0, 0, 255, 255};
    int t = MOX_CreateTexture(2, 1, texels, 0);
    GLint mag = 0, min = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
    EXPECT_EQ(mag, GL_NEAREST);
    EXPECT_EQ(min, GL_LINEAR);
    MOX_BindTexture(t);
    MOX_DrawQuad(0, 0, 16, 4, 0, 0, 1, 1);
    EXPECT_EQ(pixel(7, 1), rgb(255, 0, 0));
    EXPECT_EQ(pixel(8, 1), rgb(0, 0, 255));
    MOX_DeleteTexture(t);
}

TEST_F(Quads, MirroredQuadsWindBackwardsAndAreCulledButCounted)
{
    MOX_DrawColorQuad(20, 10, -8, 8, 1, 1, 0);  // negative width
    MOX_DrawColorQuad(30, 20, 8, -8, 1, 1, 0);  // negative height
    EXPECT_EQ(triangles(), 4);
    for (int x = 0; x < kWidth; x += 2)
        for (int y = 0; y < kHeight; y += 2) ASSERT_EQ(pixel(x, y), rgb(0, 0, 0)) << x << "," << y;
    MOX_DrawColorQuad(20, 10, -8, -8, 1, 1, 0);  // both: front again
    EXPECT_EQ(pixel(15, 5), rgb(255, 255, 0));
}

TEST_F(Quads, TexturedQuadTakesItsCoordinatesPerCorner)
{
    // A 2 x 2 texture: red, green on row 0 (t = 0), blue, white on row 1.
    uint8_t texels[16] = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    int t = MOX_CreateTexture(2, 2, texels, 0);
    MOX_SetTextureOptions(t, GL_NEAREST, GL_NEAREST, GL_CLAMP_TO_EDGE, GL_CLAMP_TO_EDGE);
    MOX_BindTexture(t);
    MOX_DrawQuad(0, 0, 8, 8, 0, 0, 1, 1);
    EXPECT_EQ(pixel(1, 1), rgb(255, 0, 0));
    EXPECT_EQ(pixel(6, 1), rgb(0, 255, 0));
    EXPECT_EQ(pixel(1, 6), rgb(0, 0, 255));
    EXPECT_EQ(pixel(6, 6), rgb(255, 255, 255));
    // Swapped s mirrors it.
    MOX_DrawQuad(10, 0, 8, 8, 1, 0, 0, 1);
    EXPECT_EQ(pixel(11, 1), rgb(0, 255, 0));
    // An update replaces the texels.
    uint8_t grey[16];
    for (uint8_t& g : grey) g = 128;
    MOX_UpdateTexture(t, 2, 2, grey);
    MOX_DrawQuad(20, 0, 8, 8, 0, 0, 1, 1);
    EXPECT_EQ(pixel(21, 1), uint32_t(0x80808080u));
    MOX_DeleteTexture(t);
    EXPECT_FALSE(glIsTexture(GLuint(t)));
}

TEST_F(Quads, RotatedQuadTurnsAboutItsCentre)
{
    glColor4f(0, 0, 1, 1);
    MOX_DrawRotatedQuad(20, 10, 20, 4, 0, 0, 1, 1, 90.0f);  // centre (30, 12)
    EXPECT_EQ(pixel(30, 4), rgb(0, 0, 255));
    EXPECT_EQ(pixel(30, 20), rgb(0, 0, 255));
    EXPECT_EQ(pixel(22, 12), rgb(0, 0, 0));  // inside only when unturned
    EXPECT_EQ(triangles(), 2);
    // The transform stays until the next 2D entry resets it.
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 30.0f);
    EXPECT_FLOAT_EQ(m[13], 12.0f);
    MOX_Enable2D();
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0.0f);
    // Culled on the unturned rectangle, though turned it would reach in.
    MOX_DrawRotatedQuad(-20, 10, 20, 4, 0, 0, 1, 1, 90.0f);
    EXPECT_EQ(triangles(), 2);
}

TEST_F(Quads, LinesNeedOneEndInsideOnEachAxis)
{
    int lines = MOX_stats_numlines;
    MOX_DrawLineRGB(2, 20, 40, 20, 1, 0, 1);
    EXPECT_EQ(MOX_stats_numlines, lines + 1);
    EXPECT_EQ(pixel(20, 20) & 0x00FFFFFF, rgb(255, 0, 255) & 0x00FFFFFF);
    MOX_DrawLineRGB(-5, 10, 10, -5, 1, 1, 1);  // x from one end, y from the other
    EXPECT_EQ(MOX_stats_numlines, lines + 2);
    MOX_DrawLineRGB(-5, -1, 10, -5, 1, 1, 1);  // no y inside
    MOX_DrawLineRGB(64, 5, 70, 6, 1, 1, 1);    // no x inside
    EXPECT_EQ(MOX_stats_numlines, lines + 2);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_COORD_ARRAY));
    MOX_SwapBuffers();
    EXPECT_EQ(MOX_stats_numlines, lines + 2);  // never reset
}

TEST_F(Quads, TwoDimensionalEntryRebuildsTheProjectionOnlyFromThreeD)
{
    MOX_projectionmode = 1;
    MOX_Enable2D();
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_FLOAT_EQ(p[0], 2.0f / kWidth);
    EXPECT_FLOAT_EQ(p[5], -2.0f / kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();  // a change the second call must not undo
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(3, 4, 0);
    MOX_Enable2D();
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_FLOAT_EQ(p[0], 1.0f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 0.0f);  // the modelview is reset every time
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    // Depth test and lighting go off behind the render-state mask's back.
    MOX_EnableRenderState(MOX_DEPTHTEST | MOX_LIGHTING);
    MOX_Enable2D();
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_EQ(MOX_renderstate, MOX_DEPTHTEST | MOX_LIGHTING);
}

TEST_F(Quads, ThreeDProjectionIsA45DegreePerspectiveOfTheFrameBuffer)
{
    int big = MOX_CreateFrameBuffer(1920, 1080, 0);
    ASSERT_GE(big, 0);
    MOX_SetFrameBuffer(big);
    MOX_Enable2D();
    glTranslatef(7, 0, 0);  // the 3D entry keeps the modelview
    MOX_Disable2D();
    EXPECT_EQ(MOX_projectionmode, 1);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    EXPECT_FLOAT_EQ(m[12], 7.0f);
    GLdouble p[16];
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    double f = 1.0 / tan(22.5 * 3.141592653589793 / 180.0);
    EXPECT_NEAR(p[5], f, 1e-5);
    EXPECT_NEAR(p[0], f / (1920.0 / 1080.0), 1e-5);
    EXPECT_NEAR(p[10], -(1000.0 + 0.01) / (1000.0 - 0.01), 1e-5);
    EXPECT_NEAR(p[14], -2.0 * 1000.0 * 0.01 / (1000.0 - 0.01), 1e-6);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    MOX_Disable2D();  // already 3D: nothing
    glGetDoublev(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[5], f, 1e-5);
}

using Caches = GL;

TEST_F(Caches, ABindOfTheSameTextureIsSkippedUntilTheFrameEnds)
{
    uint8_t texel[4] = {1, 2, 3, 4};
    int a = MOX_CreateTexture(1, 1, texel, 0);
    int b = MOX_CreateTexture(1, 1, texel, 0);
    int binds = 0;
    MOX_BindTexture(a);
    MOX_BindTexture(a);
    MOX_GetRenderStatus(nullptr, &binds, nullptr);
    EXPECT_EQ(binds, 1);
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, a);
    MOX_BindTexture(b);
    MOX_BindTexture(a);
    MOX_GetRenderStatus(nullptr, &binds, nullptr);
    EXPECT_EQ(binds, 3);
    MOX_SwapBuffers();
    MOX_GetRenderStatus(nullptr, &binds, nullptr);
    EXPECT_EQ(binds, 0);
    EXPECT_EQ(MOX_lasttextureid, -1);
    MOX_BindTexture(a);
    MOX_GetRenderStatus(nullptr, &binds, nullptr);
    EXPECT_EQ(binds, 1);
    // A direct bind is remembered, so the next bind of another id happens.
    MOX_BindTextureChannel(b, 0);
    EXPECT_EQ(MOX_lasttextureid, b);
    MOX_BindTexture(a);
    MOX_GetRenderStatus(nullptr, &binds, nullptr);
    EXPECT_EQ(binds, 2);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, a);
}

TEST_F(Caches, TexturesBoundByOtherRendererCallsDoNotHideTheNextBind)
{
    uint8_t red[4] = {255, 0, 0, 255}, green[4] = {0, 255, 0, 255};
    int a = MOX_CreateTexture(1, 1, red, 0);
    MOX_BindTexture(a);
    int b = MOX_CreateTexture(1, 1, green, 0);  // binds b
    MOX_BindTexture(a);
    MOX_DrawQuad(0, 0, 4, 4, 0, 0, 1, 1);
    EXPECT_EQ(pixel(1, 1), rgb(255, 0, 0));
    MOX_UpdateTexture(b, 1, 1, green);  // binds b again
    MOX_BindTexture(a);
    MOX_DrawQuad(4, 0, 4, 4, 0, 0, 1, 1);
    EXPECT_EQ(pixel(5, 1), rgb(255, 0, 0));
    MOX_DeleteTexture(a);
    EXPECT_EQ(MOX_lasttextureid, -1);
}

TEST_F(Caches, AfterSelectingAFrameBufferTheSameTextureBindsAgain)
{
    // Selecting binds the frame buffer's own texture; drawing with that
    // bound would read the image being drawn.
    int fb = MOX_CreateFrameBuffer(8, 8, 0);
    MOX_BindTexture(mox_whitetexture_id);
    MOX_SetFrameBuffer(fb);
    MOX_BindTexture(mox_whitetexture_id);
    MOX_ClearFrameBuffer(int(0xFFFF0000u));
    MOX_DrawColorQuad(0, 0, 4, 4, 0, 1, 0);
    EXPECT_EQ(pixel(1, 1), rgb(0, 255, 0));
    MOX_SetFrameBuffer(0);
    MOX_DrawFrameBuffer(0, 0, 8, 8, fb);  // binds fb's texture
    MOX_BindTexture(mox_whitetexture_id);
    MOX_DrawColorQuad(20, 0, 4, 4, 0, 1, 0);
    EXPECT_EQ(pixel(21, 1), rgb(0, 255, 0));
}

TEST_F(Caches, TextureChannelsSwitchTheActiveUnitOnlyForZeroToThree)
{
    uint8_t texel[4] = {1, 2, 3, 4};
    int a = MOX_CreateTexture(1, 1, texel, 0);
    MOX_BindTextureChannel(a, 2);
    GLint unit = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE2);
    MOX_BindTextureChannel(a, 4);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE2);
    MOX_BindTextureChannel(a, 0);
    glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
    EXPECT_EQ(unit, GL_TEXTURE0);
}

TEST_F(Caches, EnablingWithAnyBitRecordedDoesNothingAtAll)
{
    int switches = 0;
    MOX_EnableRenderState(MOX_DEPTHTEST);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    MOX_EnableRenderState(MOX_BLEND | MOX_DEPTHTEST);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(MOX_renderstate, MOX_DEPTHTEST);
    MOX_GetRenderStatus(nullptr, nullptr, &switches);
    EXPECT_EQ(switches, 1);
    MOX_EnableRenderState(MOX_BLEND | MOX_ALPHATEST);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_ALPHA_TEST));
    MOX_GetRenderStatus(nullptr, nullptr, &switches);
    EXPECT_EQ(switches, 2);
}

TEST_F(Caches, DisablingWithAnyBitRecordedDisablesEveryRequestedState)
{
    MOX_EnableRenderState(MOX_BLEND);
    glEnable(GL_DEPTH_TEST);  // enabled behind the cache's back
    MOX_DisableRenderState(MOX_BLEND | MOX_DEPTHTEST);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_EQ(MOX_renderstate, 0);
    int switches = 0;
    MOX_GetRenderStatus(nullptr, nullptr, &switches);
    EXPECT_EQ(switches, 2);
    MOX_DisableRenderState(MOX_BLEND | MOX_LIGHTING);  // none recorded
    MOX_GetRenderStatus(nullptr, nullptr, &switches);
    EXPECT_EQ(switches, 2);
}

TEST_F(Caches, AlphaTestIsOffUntilEnabledAndThenDropsOnlyZeroAlpha)
{
    // Three texels: alpha 0, 1 and 255, drawn green over red.
    uint8_t texels[12] = {0, 255, 0, 0, 0, 255, 0, 1, 0, 255, 0, 255};
    int t = MOX_CreateTexture(3, 1, texels, 0);
    MOX_BindTexture(t);
    MOX_ClearFrameBuffer(int(0xFF0000FFu));
    MOX_DrawQuad(0, 0, 12, 4, 0, 0, 1, 1);
    EXPECT_EQ(pixel(1, 1) & 0x00FFFFFF, 0x00FF00u);  // off: every texel lands
    MOX_ClearFrameBuffer(int(0xFF0000FFu));
    MOX_EnableRenderState(MOX_ALPHATEST);
    MOX_DrawQuad(0, 0, 12, 4, 0, 0, 1, 1);
    MOX_DisableRenderState(MOX_ALPHATEST);
    EXPECT_EQ(pixel(1, 1), rgb(255, 0, 0));
    EXPECT_EQ(pixel(5, 1) & 0x00FFFFFF, 0x00FF00u);
    EXPECT_EQ(pixel(9, 1), rgb(0, 255, 0));
    MOX_DeleteTexture(t);
}

using Blending = GL;

TEST_F(Blending, UnknownModesLeaveTheBlendFunction)
{
    glBlendFunc(GL_ONE, GL_ZERO);
    for (int mode : {0, 3, -1}) {
        MOX_SetBlendMode(mode);
        GLint src = 0, dst = 0;
        glGetIntegerv(GL_BLEND_SRC, &src);
        glGetIntegerv(GL_BLEND_DST, &dst);
        EXPECT_EQ(src, GL_ONE) << mode;
        EXPECT_EQ(dst, GL_ZERO) << mode;
    }
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
}

TEST_F(Blending, ModeTwoAddsTheSquaredSourceToTheFrame)
{
    MOX_ClearFrameBuffer(int(0xFF404040u));  // 64 in every colour
    MOX_SetBlendMode(2);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));  // the mode alone does not blend
    MOX_EnableRenderState(MOX_BLEND);
    MOX_DrawColorQuad(0, 0, 8, 8, 0.5f, 0.5f, 0.5f);
    uint32_t p = pixel(4, 4);
    int red = p & 0xFF;
    EXPECT_NEAR(red, 64 + 64, 2);  // 0.5 * 0.5 + 0.25
}

TEST_F(Blending, ModeOneSquaresBoth)
{
    MOX_ClearFrameBuffer(int(0xFF808080u));
    MOX_SetBlendMode(1);
    MOX_EnableRenderState(MOX_BLEND);
    MOX_DrawColorQuad(0, 0, 8, 8, 0.5f, 0.5f, 0.5f);
    int red = pixel(4, 4) & 0xFF;
    EXPECT_NEAR(red, 64 + 64, 2);  // 0.25 + 0.25
}

TEST_F(Blending, AlphaBlendMixesByTheGivenAlphaAndRestoresWhite)
{
    MOX_ClearFrameBuffer(int(0xFF000000u));
    MOX_EnableAlphaBlend(0.25f);
    MOX_DrawQuad(0, 0, 8, 8, 0, 0, 1, 1);  // white texture
    MOX_DisableAlphaBlend();
    EXPECT_NEAR(int(pixel(4, 4) & 0xFF), 64, 2);
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(MOX_renderstate, 0);
    GLfloat c[4];
    glGetFloatv(GL_CURRENT_COLOR, c);
    EXPECT_FLOAT_EQ(c[3], 1.0f);
}

TEST(Palette, CopiesCountEntriesAndIgnoresBadIndices)
{
    uint8_t rgb[6] = {1, 2, 3, 4, 5, 6};
    MOX_SetPallete(3, 2, rgb);
    EXPECT_EQ(MOX_Palette[3][1][2], 6);
    MOX_SetPallete(8, 2, rgb);  // outside the eight palettes
    MOX_SetPallete(-1, 2, rgb);
    EXPECT_EQ(MOX_Palette[0][0][0], 0);
}

TEST(Report, GraphicsMemoryReportLines)
{
    testing::internal::CaptureStdout();
    MOX_ShowGraphicsMemory();
    std::string out = testing::internal::GetCapturedStdout();
    std::string expect =
        "[=== GRAPHICS MEMORY INFO ===]\nNum.Bitmaps: 0 / 1024\nNum.Sprites: 0 / 1024\n"
        "Num.Fonts: 0 / 16\nNum.Framebuffers: " +
        std::to_string(MOX_numframebuffers) + " / 16\n[============================]\n";
    EXPECT_EQ(out, expect);
    testing::internal::CaptureStdout();
    MOX_FlushGraphics();
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "[0 sprites deleted]\n[0 bitmaps deleted]\n");
}

}  // namespace
}  // namespace gltest
