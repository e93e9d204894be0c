// The render size: how many pixels the frame buffers are drawn with, apart
// from the window's size and from the 2D coordinates (video_opengl.cpp
// scales every frame buffer and keeps its coordinates). Chosen on the
// command line (--resolution WxH), or by the drawn frames' pace: on a
// machine that draws too few frames a second the picture is drawn smaller,
// at once as small as it must be to keep pace, and larger again a step at a
// time when there is room, never above the picture's own size. What a step
// shows does not depend on it.
//
// Demo thread only: MOX_SwapBuffers reports each drawn frame.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "engine/video/mox.h"

enum {
    MOX_PACEWINDOW = 1000,  // ms of drawn frames each decision looks at
    MOX_PACEHOLD = 4000,    // ms after a change before a larger size is tried
    MOX_SLOWRATE = 24,      // drawn frames a second below which the size steps down
    MOX_ROOMRATE = 30,      // the rate a new size must be expected to keep
    MOX_SIZESTEPS = 5,
};
// The sizes, in sixths of the picture's: 1920 x 1080, 1600 x 900, 1280 x
// 720, 960 x 540 and 640 x 360 for the demo's picture.
static const int mox_sixths[MOX_SIZESTEPS] = {6, 5, 4, 3, 2};

static int mox_resolutionasked = 0;  // --resolution: 1 auto, 2 a size
static int mox_askedwidth = 0, mox_askedheight = 0;
static int mox_autosize = 0;       // the size follows the drawn frames' pace
static int mox_sizestep = 0;       // its place among mox_sixths
static int mox_paceframes = 0;     // frames drawn since mox_pacestart
static uint32_t mox_pacestart = 0;
static uint32_t mox_pacechanged = 0;  // when the size last changed

static int mox_takeresolution(const char* value)
{
    if (strcmp(value, "auto") == 0) {
        mox_resolutionasked = 1;
        return 1;
    }
    int w = 0, h = 0;
    char end = 0;
    if (sscanf(value, "%dx%d%c", &w, &h, &end) == 2 && w >= 16 && h >= 16 && w <= 7680 && h <= 4320) {
        mox_resolutionasked = 2;
        mox_askedwidth = w;
        mox_askedheight = h;
        return 1;
    }
    fprintf(stderr, "%s: --resolution wants auto or WxH, from 16x16 to 7680x4320, like 1280x720\n",
            mox_programname());
    return 0;
}

[[maybe_unused]] static const int mox_resolutionoption =
    mox_addoption("--resolution", "auto|WxH",
                  "draw the picture with WxH pixels, shown at the window's size\n"
                  "(1920x1080 is the picture's own); auto, the default in\n"
                  "real time, draws it smaller while the machine draws fewer\n"
                  "than 24 frames a second, and larger again when there is room\n",
                  mox_takeresolution);

int MOX_RenderSizeAsked() { return mox_resolutionasked; }

void MOX_AskRenderSize(int width, int height)
{
    mox_resolutionasked = width > 0 && height > 0 ? 2 : 0;
    mox_askedwidth = width;
    mox_askedheight = height;
}

void mox_applyresolution()
{
    if (mox_resolutionasked == 2) MOX_SetRenderSize(mox_askedwidth, mox_askedheight);
    if (mox_resolutionasked == 1) MOX_SetAutoRenderSize(1);
}

void MOX_SetAutoRenderSize(int on)
{
    mox_autosize = on;
    mox_sizestep = 0;
    mox_paceframes = 0;
    mox_pacestart = mox_pacechanged = MOX_GetMillis();
    MOX_SetRenderSize(0, 0);
}

// Step `step`'s size, rounded to even numbers.
static void mox_stepsize(int step, int* w, int* h)
{
    *w = (MOX_video.width * mox_sixths[step] / 6 + 1) & ~1;
    *h = (MOX_video.height * mox_sixths[step] / 6 + 1) & ~1;
}

static void mox_takestep(int step, double rate)
{
    int w = 0, h = 0, was = 0, wash = 0;
    mox_stepsize(mox_sizestep, &was, &wash);
    mox_stepsize(step, &w, &h);
    printf("[MOX] drawing at %d x %d: %.1f frames a second at %d x %d\n", w, h, rate, was, wash);
    fflush(stdout);
    mox_sizestep = step;
    MOX_SetRenderSize(step == 0 ? 0 : w, step == 0 ? 0 : h);
}

// The rate expected at step `to` from `rate` at step `from`: the frame's
// cost taken as its pixels'.
static double mox_expectedrate(double rate, int from, int to)
{
    return rate * (double(mox_sixths[from]) * mox_sixths[from]) / (double(mox_sixths[to]) * mox_sixths[to]);
}

void mox_pacerendersize()
{
    if (!mox_autosize) return;
    const uint32_t now = MOX_GetMillis();
    mox_paceframes++;
    const uint32_t span = now - mox_pacestart;
    if (span < MOX_PACEWINDOW) return;
    const double rate = mox_paceframes * 1000.0 / span;
    mox_paceframes = 0;
    mox_pacestart = now;
    int step = mox_sizestep;
    if (rate < MOX_SLOWRATE) {
        // Down to the largest size expected to keep pace, the smallest at most.
        while (step + 1 < MOX_SIZESTEPS && mox_expectedrate(rate, mox_sizestep, step) < MOX_ROOMRATE) step++;
    } else if (step > 0 && now - mox_pacechanged >= MOX_PACEHOLD &&
               mox_expectedrate(rate, mox_sizestep, step - 1) >= MOX_ROOMRATE) {
        step--;
    }
    if (step == mox_sizestep) return;
    mox_takestep(step, rate);
    mox_pacechanged = now;
}
