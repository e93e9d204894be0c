// The video core's top: start-up of the GL state, the frame pacer and the
// FPS latch, statistics, palettes, the resource report and the 2D tables.
//
// Demo thread only. MOX_InitVideo runs once, first, on the thread that will
// draw; its steps are ordered (window and context, fixed GL state, white
// texture, frame buffer 0, post values, the video description, the caches,
// the 60 Hz tick). All time arithmetic is unsigned 32-bit differences, so
// the millisecond wrap passes unnoticed.
#include "engine/platform/moxgl.h"  // entry points past OpenGL 1.1

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "engine/video/mox.h"

// --- module state ----------------------------------------------------------

s_videoinfo MOX_video;
int MOX_projectionmode = 1;
int MOX_renderstate = 0;
int MOX_lasttextureid = -1;
int MOX_vsync_enabled = 0;
uint32_t MOX_video_time = 0;
int MOX_video_updatespeed = 1;
int MOX_video_numframes = 0;
int MOX_video_fps = 0;
uint32_t MOX_video_oldtime = 0;  // 0: the first MOX_GetFPS latches at once
uint32_t MOX_video_starttime = 0;
int MOX_video_currentframe = 0;
int MOX_stats_numtriangles = 0;
int MOX_stats_numlines = 0;  // never reset
int MOX_stats_numtexturebinds = 0;
int MOX_stats_numstateswitches = 0;
int mox_whitetexture_id = 0;
uint8_t MOX_Palette[8][256][3];

int MOX_rehearsing = 0;
int MOX_video_steprate = 0;
int MOX_video_lag = 0;
int MOX_video_groupstep = 1;
int MOX_video_groupsize = 1;
static uint32_t mox_groupstart = 0;  // the time of the step before a late frame's
static uint32_t mox_groupfresh = 0;  // the reading after its wait, which its drawn step ends at
static uint32_t mox_groupend = 0;    // the reading that ended its wait: the frame's time after
static int mox_lagcounts = 0;        // 0 until the first wait after MOX_SetStepRate
static MOX_stephook mox_stephook = nullptr;

s_bitmap* mox_bitmaplist[MOX_MAXBITMAPS];
int mox_numbitmaps = 0;
s_sprite* mox_spritelist[MOX_MAXSPRITES];
int mox_numsprites = 0;
int mox_numfonts = 0;

// The image library's deletions. Weak, so that a program without 2D
// imaging links; such a program has nothing in the tables to delete.
void MOX_DeleteBitmap(s_bitmap* b) __attribute__((weak));
void MOX_DeleteSprite(s_sprite* s) __attribute__((weak));

// --- start-up --------------------------------------------------------------

void MOX_InitVideo(int width, int height, int flags)
{
    mox_initwindow(width, height, flags);
    puts("[MOX] Init OpenGL");

    glViewport(0, 0, width, height);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glEnable(GL_CULL_FACE);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glAlphaFunc(GL_GREATER, 0.0f);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);

    uint32_t* white = static_cast<uint32_t*>(malloc(64 * 4));
    if (white) {
        for (int i = 0; i < 64; i++) white[i] = 0xFFFFFFFFu;
        mox_whitetexture_id = MOX_CreateTexture(8, 8, white, 0);
        free(white);  // GL keeps its own copy
    }

    MOX_numframebuffers = 0;
    puts("[MOX] Init Framebuffer");
    MOX_SetFrameBuffer(MOX_CreateFrameBuffer(width, height, 0));

    if (MOX_shaders_enabled != 1 && width > 0 && height > 0) {
        // Odd rows opaque black, even rows clear: the fixed-function scanlines.
        size_t count = size_t(width) * size_t(height);
        uint32_t* rows = static_cast<uint32_t*>(malloc(count * 4));
        if (rows) {
            for (int y = 0; y < height; y++) {
                uint32_t v = (y & 1) ? 0xFF000000u : 0u;  // bytes 00 00 00 FF
                for (int x = 0; x < width; x++) rows[size_t(y) * width + x] = v;
            }
            mox_scanlinetexture_id = MOX_CreateTexture(width, height, rows, 0);
            free(rows);
        }
        MOX_SetPostShader(-1);
    }
    MOX_SetPostShader(-1);
    MOX_SetFadeValue(1.0f);
    MOX_SetScanlineValue(0.0f);

    MOX_video = s_videoinfo{width, height, width, 32, 4, 0x00FF0000, 0x0000FF00, 0x000000FF, 16, 8, 0, 8, 8, 8, 0};

    MOX_renderstate = 0;
    MOX_lasttextureid = -1;
    mox_numbitmaps = 0;
    mox_numsprites = 0;
    MOX_SetRefreshRate(60);
}

void MOX_CloseVideo() { mox_closewindow(); }

// --- pacing ------------------------------------------------------------------

void MOX_SetRefreshRate(int rate)
{
    int tick;
    if (rate < 0) {
        tick = rate == INT32_MIN ? INT32_MAX : -rate;
    } else if (rate == 0) {
        tick = 1;  // no rate: no wait
    } else {
        // Single precision, truncated: 60 Hz gives 15 ms, a little under the
        // display period.
        float hz = float(rate) * 1.1f;
        float q = 1000.0f / hz;
        tick = int(q);
    }
    if (tick == 0) tick = 1;
    MOX_video_updatespeed = tick;
    MOX_video_starttime = MOX_video_time = MOX_GetMillis();
    MOX_video_currentframe = 0;
    MOX_video_groupstep = MOX_video_groupsize = 1;
    mox_lagcounts = 0;  // the clock starts again: nothing is owed
}

void MOX_SetStepRate(int rate)
{
    MOX_video_steprate = rate > 0 ? rate : 0;
    MOX_video_lag = 0;
    mox_lagcounts = 0;
}

MOX_stephook MOX_SetStepHook(MOX_stephook hook)
{
    MOX_stephook previous = mox_stephook;
    mox_stephook = hook;
    return previous;
}

// Steps a frame that took `elapsed` ms owes before it draws.
static int mox_stepsowed(uint32_t elapsed)
{
    if (MOX_video_steprate <= 0) return 0;
    if (!mox_lagcounts) {
        // The first wait measures start-up, not a late frame.
        mox_lagcounts = 1;
        MOX_video_lag = 0;
        return 0;
    }
    int64_t lag = int64_t(MOX_video_lag) + int64_t(elapsed) * MOX_video_steprate - 1000;
    if (lag < 0) lag = 0;  // a fast frame banks nothing
    int64_t owed = lag / 1000;
    if (owed > MOX_MAXCATCHUP) owed = MOX_MAXCATCHUP;
    lag -= owed * 1000;
    MOX_video_lag = int(lag < 999 ? lag : 999);  // beyond the bound: forgotten
    return int(owed);
}

// Time of step `j` of a late frame's rehearsed steps, on the rate's grid.
static uint32_t mox_gridtime(int j)
{
    return mox_groupstart + uint32_t(uint64_t(j) * 1000u / unsigned(MOX_video_steprate));
}

float MOX_WaitRefresh()
{
    uint32_t tick = uint32_t(MOX_video_updatespeed);
    uint32_t elapsed;
    if (MOX_video_groupstep < MOX_video_groupsize) {
        // The next step of a late frame: no wait; a rehearsed step stands
        // at its place on the grid, the drawn one where the wait ended.
        const int j = ++MOX_video_groupstep;
        const bool drawn = j == MOX_video_groupsize;
        elapsed = (drawn ? mox_groupfresh : mox_gridtime(j)) - MOX_video_time;
        MOX_video_time = drawn ? mox_groupend : mox_gridtime(j);
        MOX_rehearsing = !drawn;
    } else {
        uint32_t now;
        for (;;) {
            now = MOX_GetMillis();
            uint32_t passed = now - MOX_video_time;
            if (passed >= tick || MOX_vsync_enabled) break;
            // The offline clock moves only when a step ends.
            if (mox_virtualclock()) break;
            // Sleep while more than 2 ms remain, spin for the rest.
            if (tick - passed > 2) std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        elapsed = MOX_GetMillis() - MOX_video_time;
        const int owed = mox_stepsowed(elapsed);
        MOX_video_groupstep = 1;
        MOX_video_groupsize = owed + 1;
        MOX_rehearsing = owed > 0;
        if (owed > 0) {
            mox_groupstart = MOX_video_time;
            mox_groupfresh = MOX_video_time + elapsed;
            mox_groupend = now;
            elapsed = mox_gridtime(1) - MOX_video_time;
            MOX_video_time = mox_gridtime(1);
        } else {
            MOX_video_time = now;
        }
    }
    if (mox_stephook) mox_stephook();
    if (!MOX_rehearsing) MOX_video_numframes++;  // the frames a viewer sees
    if (MOX_vsync_enabled && tick >= elapsed) return 1.0f;
    return float(elapsed) / float(tick);
}

int MOX_GetFPS()
{
    uint32_t now = MOX_GetMillis();
    if (now - MOX_video_oldtime > 999) {
        MOX_video_fps = MOX_video_numframes;
        MOX_video_numframes = 0;
        MOX_video_oldtime = now;
    }
    return MOX_video_fps;
}

void MOX_GetRenderStatus(int* triangles, int* texturebinds, int* stateswitches)
{
    if (triangles) *triangles = MOX_stats_numtriangles;
    if (texturebinds) *texturebinds = MOX_stats_numtexturebinds;
    if (stateswitches) *stateswitches = MOX_stats_numstateswitches;
}

// --- palettes, report, tables -----------------------------------------------------

void MOX_SetPallete(int index, int count, uint8_t* rgb)
{
    if (index < 0 || index >= 8 || count <= 0 || !rgb) return;
    if (count > 256) count = 256;  // one palette's worth
    memcpy(MOX_Palette[index], rgb, size_t(count) * 3);
}

void MOX_ShowGraphicsMemory()
{
    puts("[=== GRAPHICS MEMORY INFO ===]");
    printf("Num.Bitmaps: %d / %d\n", mox_numbitmaps, MOX_MAXBITMAPS);
    printf("Num.Sprites: %d / %d\n", mox_numsprites, MOX_MAXSPRITES);
    printf("Num.Fonts: %d / 16\n", mox_numfonts);
    printf("Num.Framebuffers: %d / %d\n", MOX_numframebuffers, MOX_MAXFRAMEBUFFERS);
    puts("[============================]");
}

void MOX_PushGraphics() {}
void MOX_PopGraphics() {}

void MOX_FlushGraphics()
{
    // The count is read again before each deletion.
    for (int i = 0; i < mox_numsprites && i < MOX_MAXSPRITES; i++)
        if (MOX_DeleteSprite) MOX_DeleteSprite(mox_spritelist[i]);
    printf("[%d sprites deleted]\n", mox_numsprites);
    for (int i = 0; i < mox_numbitmaps && i < MOX_MAXBITMAPS; i++)
        if (MOX_DeleteBitmap) MOX_DeleteBitmap(mox_bitmaplist[i]);
    printf("[%d bitmaps deleted]\n", mox_numbitmaps);
    mox_numbitmaps = 0;
    mox_numfonts = 0;
    mox_numsprites = 0;
}

int PowerOfTwo(int n) { return n; }
