// What every backend shares about the steps of a frame loop: the frames
// presented and the steps ended (presented or rehearsed), the offline clock
// that moves with them, the present hook, and where a picture
// lands in a window of another size. The demo thread presents; any thread
// may read the counts and the clock.
#include <atomic>
#include <cstdint>

#include "engine/platform/driver.h"
#include "engine/platform/backend.h"

static std::atomic<int> mox_clockfps{0};     // 0: the system clock
static std::atomic<int> mox_clockdrawms{0};  // 0: the clock moves per step
static std::atomic<uint32_t> mox_clockstart{0};
static std::atomic<uint32_t> mox_clockbase{0};      // steps ended when it was set
static std::atomic<uint32_t> mox_clockdrawbase{0};  // frames presented when it was set
static std::atomic<uint32_t> mox_framecount{0};     // frames presented
static std::atomic<uint32_t> mox_stepcount{0};      // steps ended, presented or rehearsed
static void (*mox_presenthook)(int, int) = nullptr;
static std::atomic<int> mox_offscreen{0};  // rendering off-screen was asked for
static std::atomic<int> mox_offscreenw{0}, mox_offscreenh{0};  // and at this size; 0: the picture's
// The window's drawable in pixels, kept by the window's thread: it differs
// from the picture when the window is scaled.
static std::atomic<int> mox_drawwidth{10}, mox_drawheight{10};

int mox_virtualmillis(uint32_t* ms)
{
    int fps = mox_clockfps.load();
    if (fps <= 0) return 0;
    const int drawms = mox_clockdrawms.load();
    if (drawms > 0) {
        *ms = mox_clockstart.load() + (mox_framecount.load() - mox_clockdrawbase.load()) * uint32_t(drawms);
        return 1;
    }
    uint32_t steps = mox_stepcount.load() - mox_clockbase.load();
    *ms = mox_clockstart.load() + uint32_t(uint64_t(steps) * 1000u / unsigned(fps));
    return 1;
}

void mox_setvirtualclock(int fps, uint32_t start_ms)
{
    mox_clockfps.store(0);
    mox_clockdrawms.store(0);
    mox_clockstart.store(start_ms);
    mox_clockbase.store(mox_stepcount.load());
    mox_clockdrawbase.store(mox_framecount.load());
    if (fps > 0) mox_clockfps.store(fps);
}

void mox_setvirtualdrawtime(int ms)
{
    uint32_t now = 0;
    const int running = mox_virtualmillis(&now);
    mox_clockdrawms.store(0);
    mox_clockstart.store(now);
    mox_clockbase.store(mox_stepcount.load());
    mox_clockdrawbase.store(mox_framecount.load());
    if (running && ms > 0) mox_clockdrawms.store(ms);
}

void mox_virtualsleep(uint32_t ms) { mox_clockstart.fetch_add(ms); }

int mox_virtualclock() { return mox_clockfps.load() > 0; }

uint32_t mox_framespresented() { return mox_framecount.load(); }

void mox_setpresenthook(void (*hook)(int, int)) { mox_presenthook = hook; }

void mox_presenting()
{
    if (mox_presenthook) mox_presenthook(mox_drawwidth.load(), mox_drawheight.load());
}

void mox_presented()
{
    mox_framecount.fetch_add(1);
    mox_stepcount.fetch_add(1);
}

void mox_rehearsed() { mox_stepcount.fetch_add(1); }

void mox_setdrawable(int width, int height)
{
    mox_drawwidth.store(width);
    mox_drawheight.store(height);
}

void mox_fitwindow(int width, int height, int roomw, int roomh, int* w, int* h)
{
    double scale = width > MOX_WINDOWWIDTH ? double(MOX_WINDOWWIDTH) / width : 1.0;
    if (roomw > 0 && width * scale > roomw) scale = double(roomw) / width;
    if (roomh > 0 && height * scale > roomh) scale = double(roomh) / height;
    *w = int(width * scale + 0.5) > 0 ? int(width * scale + 0.5) : 1;
    *h = int(height * scale + 0.5) > 0 ? int(height * scale + 0.5) : 1;
}

void mox_getpresentrect(int width, int height, int* x, int* y, int* w, int* h)
{
    int dw = mox_drawwidth.load(), dh = mox_drawheight.load();
    *x = *y = 0;
    *w = width;
    *h = height;
    if (width <= 0 || height <= 0 || dw <= 0 || dh <= 0 || (dw == width && dh == height)) return;
    // The largest picture of the same shape that fits, centred.
    if (int64_t(dw) * height <= int64_t(dh) * width) {
        *w = dw;
        *h = int((int64_t(height) * dw + width / 2) / width);
    } else {
        *h = dh;
        *w = int((int64_t(width) * dh + height / 2) / height);
    }
    *x = (dw - *w) / 2;
    *y = (dh - *h) / 2;
}

void mox_setoffscreen(int on) { mox_offscreen.store(on ? 1 : 0); }

int mox_offscreenasked() { return mox_offscreen.load(); }

void mox_setoffscreensize(int width, int height)
{
    const bool valid = width > 0 && height > 0;
    mox_offscreenw.store(valid ? width : 0);
    mox_offscreenh.store(valid ? height : 0);
}

void mox_offscreensize(int* width, int* height)
{
    if (mox_offscreenw.load() > 0) {
        *width = mox_offscreenw.load();
        *height = mox_offscreenh.load();
    }
}
