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
#include <cmath>
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
uint32_t MOX_video_step = 0;
int MOX_video_lag = 0;
int MOX_video_groupstep = 1;
int MOX_video_groupsize = 1;
static int mox_showpending = 0;       // MOX_SetStepRate was called: the next wait is step 0
static uint32_t mox_groupfirst = 0;   // the number of the first step its frame placed
static uint32_t mox_showorigin = 0;   // where the show's 0 ms lies on MOX_GetMillis
static uint32_t mox_shownow = 0;      // the show's clock as last read, ms: it never goes back
static int mox_showsource = -1;       // the clock it was read from: 0 offline, 1 system, 2 the program's
static MOX_showclock mox_showclock = nullptr;
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
    mox_applyresolution();
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
}

void MOX_SetStepRate(int rate)
{
    MOX_video_steprate = rate > 0 ? rate : 0;
    MOX_video_lag = 0;
    MOX_video_groupstep = MOX_video_groupsize = 1;
    mox_showpending = 1;
}

uint32_t MOX_StepTime(uint32_t step)
{
    if (MOX_video_steprate <= 0) return 0;
    return uint32_t(uint64_t(step) * 1000u / unsigned(MOX_video_steprate));
}

uint32_t MOX_FirstStepAt(double seconds, int rate)
{
    const double step = std::ceil(seconds * rate - 1e-9);
    return step > 0 ? uint32_t(step) : 0;
}

// The last step at or before `ms` on the grid: step k lies at or before it
// while k x 1000 < (ms + 1) x rate.
static uint32_t mox_laststepby(uint32_t ms)
{
    const uint64_t rate = unsigned(MOX_video_steprate);
    return uint32_t(((uint64_t(ms) + 1) * rate + 999) / 1000 - 1);
}

void MOX_SetShowClock(MOX_showclock clock) { mox_showclock = clock; }

void MOX_ResumeShowClock() { mox_showsource = -1; }

MOX_stephook MOX_SetStepHook(MOX_stephook hook)
{
    MOX_stephook previous = mox_stephook;
    mox_stephook = hook;
    return previous;
}

// The show's clock: the offline clock, the program's or the system's, each
// going on from where the show stands when it takes over.
static uint32_t mox_readshowclock()
{
    const int offline = mox_virtualclock();
    uint32_t ms = 0;
    int source = offline ? 0 : 1;
    if (!offline && mox_showclock && mox_showclock(&ms)) {
        source = 2;
    } else {
        const uint32_t now = MOX_GetMillis();
        if (source != mox_showsource) mox_showorigin = now - mox_shownow;
        ms = now - mox_showorigin;
    }
    mox_showsource = source;
    if (int32_t(ms - mox_shownow) > 0) mox_shownow = ms;
    return mox_shownow;
}

// Waits until the show's clock reaches `due`, sleeping while more than 2 ms
// remain and yielding for the rest; the offline clock waits by moving on.
static uint32_t mox_waitshow(uint32_t due)
{
    for (;;) {
        const uint32_t now = mox_readshowclock();
        if (int32_t(now - due) >= 0) return now;
        if (mox_virtualclock() && mox_showsource == 0)
            mox_virtualsleep(due - now);
        else
            mox_sleep(due - now > 2 ? 1 : 0);
    }
}

// The steps of a frame on the grid: the first step of the show, the next
// one of the frame's group, or a new frame's group.
static void mox_placeonthegrid()
{
    if (MOX_video_groupstep < MOX_video_groupsize) {
        MOX_video_step = mox_groupfirst + uint32_t(MOX_video_groupstep++);
        return;
    }
    if (mox_showpending) {
        mox_showpending = 0;
        mox_shownow = 0;
        mox_showsource = -1;
        mox_readshowclock();
        mox_groupfirst = MOX_video_step = 0;
        MOX_video_lag = 0;
        return;
    }
    const uint32_t next = MOX_video_step + 1;
    const uint32_t now = mox_waitshow(MOX_StepTime(next));
    const uint32_t last = mox_laststepby(now);
    uint32_t first = next;
    if (last - next > MOX_MAXCATCHUP) {
        first = last - MOX_MAXCATCHUP;
        printf("[MOX] the show is %.2f s behind its clock: %u steps skipped, the last %d caught up\n",
               double(now - MOX_StepTime(next)) / 1000, unsigned(first - next), int(MOX_MAXCATCHUP));
        fflush(stdout);
    }
    mox_groupfirst = MOX_video_step = first;
    MOX_video_groupstep = 1;
    MOX_video_groupsize = int(last - first) + 1;
    MOX_video_lag = int(now - MOX_StepTime(last));
}

// One step per frame: waits for the next tick after the last frame's and
// gives the frame's duration in ms.
static uint32_t mox_waittick()
{
    const uint32_t tick = uint32_t(MOX_video_updatespeed);
    uint32_t now;
    for (;;) {
        now = MOX_GetMillis();
        const uint32_t passed = now - MOX_video_time;
        if (passed >= tick || MOX_vsync_enabled) break;
        if (mox_virtualclock())
            mox_virtualsleep(tick - passed);
        else
            mox_sleep(tick - passed > 2 ? 1 : 0);
    }
    const uint32_t elapsed = MOX_GetMillis() - MOX_video_time;
    MOX_video_time = now;
    return elapsed;
}

float MOX_WaitRefresh()
{
    const uint32_t tick = uint32_t(MOX_video_updatespeed);
    uint32_t elapsed = 0;
    if (MOX_video_steprate > 0) {
        mox_placeonthegrid();
        const uint32_t k = MOX_video_step;
        elapsed = k > 0 ? MOX_StepTime(k) - MOX_StepTime(k - 1) : 0;
        MOX_video_time = mox_showorigin + MOX_StepTime(k);
        MOX_rehearsing = MOX_video_groupstep < MOX_video_groupsize;
    } else if (mox_showpending) {
        // The show starts here: nothing before it is a frame's time.
        mox_showpending = 0;
        MOX_video_time = MOX_GetMillis();
        MOX_video_step = 0;
        MOX_rehearsing = 0;
    } else {
        elapsed = mox_waittick();
        MOX_video_step++;
        MOX_rehearsing = 0;
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
