// The SDL2 backend: process entry, the window and its event thread, the GL
// context, the clock, and the device side of input.
//
// Threads: main() becomes the event thread. It owns the window, pumps events
// (sleeping 1 ms when there are none) and runs every window request the demo
// thread posts; the demo thread runs coremain and owns the GL context, which
// mox_initwindow creates on it. Nothing else in the engine includes SDL.
// The demo thread's end closes the window and the process exits with 0; a
// close from outside ends the process at once: the demo loop is not waited
// for and the sync table is not written back.
#define SDL_MAIN_HANDLED  // the engine supplies main itself
#include <SDL2/SDL.h>
#include <GL/glew.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"
#include "engine/platform/backend.h"

// --- module state ----------------------------------------------------------

static SDL_Window* winhandle = nullptr;  // the one window (event thread)
static SDL_GLContext hrc = nullptr;      // the GL context (demo thread)
static std::thread moxthread;            // runs coremain
static std::thread::id mox_eventthread;  // the thread that pumps events
static std::atomic<bool> mox_looprunning{false};
static std::atomic<bool> mox_demodone{false};  // coremain has returned
static Uint32 mox_requestevent = 0;            // SDL user event: a window request
static Uint32 mox_closeevent = 0;              // SDL user event: the demo thread ended
static int mox_isheadless = 0;                 // rendering through the offscreen driver
static int mox_depthbits = 32;                 // depth request that gave a window
static int mox_cursorcount = 0;                // ShowCursor's display counter

int MOX_shaders_enabled = 0;

// The window's outer top-left in screen coordinates, kept by the event
// thread for MOX_GetMouse (the cursor is mox_input's).
static int mox_window_left = 0, mox_window_top = 0;

static SDL_Joystick* mox_joysticks[16];  // opened on first use (demo thread)

// --- requests to the event thread -----------------------------------------

namespace {
struct Request {
    std::function<void()> work;
    bool wait = false;
    std::mutex lock;
    std::condition_variable cv;
    bool done = false;
};
}  // namespace

// Runs work on the event thread. Inline when called there, or before the
// loop runs (nothing else would pick the request up).
static void mox_request(std::function<void()> work, bool wait)
{
    if (!mox_looprunning.load() || std::this_thread::get_id() == mox_eventthread) {
        work();
        return;
    }
    Request* r = new Request;
    r->work = std::move(work);
    r->wait = wait;
    SDL_Event e;
    SDL_zero(e);
    e.type = mox_requestevent;
    e.user.data1 = r;
    if (SDL_PushEvent(&e) != 1) {  // queue gone: the process is ending
        delete r;
        return;
    }
    if (!wait) return;
    std::unique_lock<std::mutex> l(r->lock);
    r->cv.wait(l, [r] { return r->done; });
    l.unlock();
    delete r;
}

static void mox_runrequest(Request* r)
{
    r->work();
    if (!r->wait) {
        delete r;
        return;
    }
    std::lock_guard<std::mutex> l(r->lock);
    r->done = true;
    r->cv.notify_one();
}

// --- key translation ---------------------------------------------------------

// Windows virtual-key code of an SDL key; 0 for keys Windows has no code for.
static int mox_symtovk(SDL_Keycode k)
{
    if (k >= SDLK_a && k <= SDLK_z) return 'A' + (k - SDLK_a);
    if (k >= SDLK_0 && k <= SDLK_9) return '0' + (k - SDLK_0);
    if (k >= SDLK_F1 && k <= SDLK_F12) return 0x70 + (k - SDLK_F1);
    if (k >= SDLK_F13 && k <= SDLK_F24) return 0x7C + (k - SDLK_F13);
    if (k >= SDLK_KP_1 && k <= SDLK_KP_9) return 0x61 + (k - SDLK_KP_1);
    switch (k) {
    case SDLK_BACKSPACE: return 0x08;
    case SDLK_TAB: return 0x09;
    case SDLK_RETURN:
    case SDLK_KP_ENTER: return 0x0D;
    case SDLK_LSHIFT:
    case SDLK_RSHIFT: return 0x10;
    case SDLK_LCTRL:
    case SDLK_RCTRL: return 0x11;
    case SDLK_LALT:
    case SDLK_RALT: return 0x12;
    case SDLK_PAUSE: return 0x13;
    case SDLK_CAPSLOCK: return 0x14;
    case SDLK_ESCAPE: return 0x1B;
    case SDLK_SPACE: return 0x20;
    case SDLK_PAGEUP: return 0x21;
    case SDLK_PAGEDOWN: return 0x22;
    case SDLK_END: return 0x23;
    case SDLK_HOME: return 0x24;
    case SDLK_LEFT: return 0x25;
    case SDLK_UP: return 0x26;
    case SDLK_RIGHT: return 0x27;
    case SDLK_DOWN: return 0x28;
    case SDLK_PRINTSCREEN: return 0x2C;
    case SDLK_INSERT: return 0x2D;
    case SDLK_DELETE: return 0x2E;
    case SDLK_LGUI: return 0x5B;
    case SDLK_RGUI: return 0x5C;
    case SDLK_APPLICATION: return 0x5D;
    case SDLK_KP_0: return 0x60;
    case SDLK_KP_MULTIPLY: return 0x6A;
    case SDLK_KP_PLUS: return 0x6B;
    case SDLK_KP_MINUS: return 0x6D;
    case SDLK_KP_PERIOD: return 0x6E;
    case SDLK_KP_DIVIDE: return 0x6F;
    case SDLK_NUMLOCKCLEAR: return 0x90;
    case SDLK_SCROLLLOCK: return 0x91;
    case SDLK_SEMICOLON: return 0xBA;
    case SDLK_EQUALS: return 0xBB;
    case SDLK_COMMA: return 0xBC;
    case SDLK_MINUS: return 0xBD;
    case SDLK_PERIOD: return 0xBE;
    case SDLK_SLASH: return 0xBF;
    case SDLK_BACKQUOTE: return 0xC0;
    case SDLK_LEFTBRACKET: return 0xDB;
    case SDLK_BACKSLASH: return 0xDC;
    case SDLK_RIGHTBRACKET: return 0xDD;
    case SDLK_QUOTE: return 0xDE;
    default: return 0;
    }
}

static int mox_sdltovk(const SDL_Keysym& key)
{
    int vk = mox_symtovk(key.sym);
    if (vk) return vk;
    // Letter and digit keys of layouts without those characters (Cyrillic,
    // Greek, the digit row of AZERTY) keep the codes of their places.
    SDL_Scancode s = key.scancode;
    if (s >= SDL_SCANCODE_A && s <= SDL_SCANCODE_Z) return 'A' + (s - SDL_SCANCODE_A);
    if (s >= SDL_SCANCODE_1 && s <= SDL_SCANCODE_9) return '1' + (s - SDL_SCANCODE_1);
    if (s == SDL_SCANCODE_0) return '0';
    return 0;
}

// The code of the side of Shift, Ctrl or Alt a key is; 0 for other keys.
static int mox_sidevk(SDL_Keycode sym)
{
    return sym == SDLK_LSHIFT   ? 0xA0
           : sym == SDLK_RSHIFT ? 0xA1
           : sym == SDLK_LCTRL  ? 0xA2
           : sym == SDLK_RCTRL  ? 0xA3
           : sym == SDLK_LALT   ? 0xA4
           : sym == SDLK_RALT   ? 0xA5
                                : 0;
}

// --- the window's event handling (event thread) ----------------------------

static void mox_updatewindowpos()
{
    if (!winhandle) return;
    int x = 0, y = 0, top = 0, left = 0;
    SDL_GetWindowPosition(winhandle, &x, &y);
    if (SDL_GetWindowBordersSize(winhandle, &top, &left, nullptr, nullptr) != 0) top = left = 0;
    mox_store(mox_window_left, x - left);
    mox_store(mox_window_top, y - top);
}

static void mox_updatedrawable()
{
    if (!winhandle) return;
    int w = 0, h = 0;
    SDL_GL_GetDrawableSize(winhandle, &w, &h);
    if (w <= 0 || h <= 0) SDL_GetWindowSize(winhandle, &w, &h);
    mox_setdrawable(w, h);
}

// Returns 1 when the event asks the loop to end.
static int mox_handleevent(const SDL_Event& e)
{
    if (e.type == mox_requestevent) {
        if (e.user.data1) mox_runrequest(static_cast<Request*>(e.user.data1));
        return 0;
    }
    if (e.type == mox_closeevent) return 1;
    switch (e.type) {
    case SDL_QUIT: return 1;
    case SDL_WINDOWEVENT:
        if (e.window.event == SDL_WINDOWEVENT_CLOSE) return 1;
        if (e.window.event == SDL_WINDOWEVENT_MOVED) mox_updatewindowpos();
        if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) mox_updatedrawable();
        return 0;
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        s_input in = {};
        in.type = MOX_INPUT_KEY;
        in.key = mox_sdltovk(e.key.keysym);
        if (in.key == 0) return 0;
        in.down = e.type == SDL_KEYDOWN;
        in.side = mox_sidevk(e.key.keysym.sym);
        // Alt, F10 and keys pressed with Alt are the system's.
        in.system = in.key == MOX_VK_MENU || in.key == MOX_VK_F10 || (e.key.keysym.mod & KMOD_ALT);
        mox_input(in);
        return 0;
    }
    case SDL_MOUSEMOTION: {
        s_input in = {};
        in.type = MOX_INPUT_MOUSE;
        in.x = e.motion.x;
        in.y = e.motion.y;
        mox_input(in);
        return 0;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        // SDL numbers left 1, middle 2, right 3, then the side buttons.
        static const int button[] = {0, 1, 3, 2, 4, 5};
        if (e.button.button < 1 || e.button.button > 5) return 0;
        s_input in = {};
        in.type = MOX_INPUT_BUTTON;
        in.key = button[e.button.button];
        in.down = e.type == SDL_MOUSEBUTTONDOWN;
        in.x = e.button.x;
        in.y = e.button.y;
        mox_input(in);
        return 0;
    }
    case SDL_MOUSEWHEEL: {
        s_input in = {};
        in.type = MOX_INPUT_WHEEL;
        in.steps = e.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -e.wheel.y : e.wheel.y;  // sideways: 0
        mox_input(in);
        return 0;
    }
    default: return 0;
    }
}

// --- window creation ---------------------------------------------------------

// Creates an OpenGL window with 32 depth bits, or the most the display
// offers below that (24, then 16).
static SDL_Window* mox_createglwindow(const char* title, int x, int y, int w, int h, Uint32 flags)
{
    static const int depths[] = {32, 24, 16};
    for (int depth : depths) {
        if (depth > mox_depthbits) continue;
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, depth);
        SDL_Window* win = SDL_CreateWindow(title, x, y, w, h, flags | SDL_WINDOW_OPENGL);
        if (win) {
            mox_depthbits = depth;
            return win;
        }
    }
    return SDL_CreateWindow(title, x, y, w, h, flags);
}

static void mox_glattributes()
{
    // A double-buffered RGBA compatibility context: 24 colour bits, no alpha,
    // stencil or accumulation bits asked for.
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

static int mox_nodisplay()
{
    const char* x = getenv("DISPLAY");
    const char* w = getenv("WAYLAND_DISPLAY");
    return !(x && *x) && !(w && *w);
}

// Video with a display when there is one and off-screen rendering was not
// asked for (mox_setoffscreen), else SDL's offscreen driver.
static void mox_startvideo()
{
    const char* wanted = getenv("SDL_VIDEODRIVER");
    bool forced = wanted && *wanted;
    if (mox_offscreenasked()) {
        puts("[MOX] rendering off-screen, as asked");
    } else if (!forced && mox_nodisplay()) {
        puts("[MOX] no display: rendering off-screen");
    } else if (SDL_InitSubSystem(SDL_INIT_VIDEO) == 0) {
        // SDL itself may have fallen back to (or been told to use) offscreen.
        const char* driver = SDL_GetCurrentVideoDriver();
        mox_isheadless = driver && strcmp(driver, "offscreen") == 0;
        if (mox_isheadless) puts("[MOX] no usable display: rendering off-screen");
        return;
    } else {
        printf("[MOX] display unusable (%s): rendering off-screen\n", SDL_GetError());
    }
    if (SDL_VideoInit("offscreen") != 0) {
        printf("[MOX] no video: %s\n", SDL_GetError());
        return;
    }
    mox_isheadless = 1;
}

// --- entry -----------------------------------------------------------------

int mox_main(int argc, char** argv)
{
    int ended = mox_readoptions(&argc, argv);
    if (ended >= 0) return ended;
    // Log lines of both threads reach a pipe in the order they were made.
    setvbuf(stdout, nullptr, _IOLBF, 0);
    // Joysticks are read whatever window has the focus.
    SDL_SetHint(SDL_HINT_JOYSTICK_ALLOW_BACKGROUND_EVENTS, "1");
    if (SDL_Init(SDL_INIT_EVENTS) != 0) {
        printf("Could not register Window class");
        fflush(stdout);
        fprintf(stderr, "Register class FAILED\n");
        return 0;
    }
    mox_startvideo();
    // Hold the GL library for the whole process: unloading it with the last
    // window gains nothing at exit and leaves its own allocations unreachable.
    SDL_GL_LoadLibrary(nullptr);
    SDL_InitSubSystem(SDL_INIT_JOYSTICK);  // none found is fine
    mox_requestevent = SDL_RegisterEvents(2);
    mox_closeevent = mox_requestevent + 1;

    mox_glattributes();
    winhandle = mox_createglwindow("MOX Application", 0, 0, 10, 10, SDL_WINDOW_HIDDEN);
    if (!winhandle) {
        fprintf(stderr, "Window creation failed\n");
        printf("[MOX] no window: %s\n", SDL_GetError());
    }
    // The cursor is never drawn over the client area.
    SDL_ShowCursor(SDL_DISABLE);

    mox_resetinput();

    mox_eventthread = std::this_thread::get_id();
    mox_looprunning.store(true);
    moxthread = std::thread([argc, argv] {
        coremain(argc, argv);
        mox_demodone.store(true);
        SDL_Event e;
        SDL_zero(e);
        e.type = mox_closeevent;
        SDL_PushEvent(&e);
    });

    for (;;) {
        SDL_Event e;
        if (!SDL_PollEvent(&e)) {
            SDL_Delay(1);
            continue;
        }
        if (mox_handleevent(e)) break;
    }

    fflush(stdout);
    if (!mox_demodone.load()) {
        // Closed from outside: the demo thread is stopped wherever it is.
        _exit(0);
    }
    moxthread.join();
    mox_looprunning.store(false);
    if (winhandle) SDL_DestroyWindow(winhandle);
    winhandle = nullptr;
    SDL_Quit();
    return 0;
}

void GetDesktopResolution(int& width, int& height)
{
    SDL_DisplayMode m;
    if (SDL_GetDesktopDisplayMode(0, &m) == 0) {
        width = m.w;
        height = m.h;
    } else {
        width = height = 0;
    }
}

int mox_headless() { return mox_isheadless; }

// --- window and context (demo thread) ---------------------------------------

// Full screen at exactly width x height, 32 bits, 60 Hz; 0 when the display
// has no such mode.
static int mox_fullscreen(int width, int height)
{
    SDL_DisplayMode want = {SDL_PIXELFORMAT_RGB888, width, height, 60, nullptr};
    SDL_DisplayMode got;
    int display = SDL_GetWindowDisplayIndex(winhandle);
    if (display < 0 || !SDL_GetClosestDisplayMode(display, &want, &got)) return 0;
    if (got.w != width || got.h != height || SDL_BITSPERPIXEL(got.format) < 24) return 0;
    if (SDL_SetWindowDisplayMode(winhandle, &got) != 0) return 0;
    SDL_SetWindowPosition(winhandle, 0, 0);
    if (SDL_SetWindowFullscreen(winhandle, SDL_WINDOW_FULLSCREEN) != 0) return 0;
    return 1;
}

// Full screen at the desktop's own size, for a display without the mode the
// picture wants; the present scales the picture into it.
static int mox_desktopfullscreen(int width, int height)
{
    int w = 0, h = 0;
    GetDesktopResolution(w, h);
    if (w <= 0 || h <= 0) return 0;
    // Shaped to the desktop first, so the window covers it also where no
    // window manager carries out the full-screen request.
    SDL_SetWindowBordered(winhandle, SDL_FALSE);
    SDL_SetWindowPosition(winhandle, 0, 0);
    SDL_SetWindowSize(winhandle, w, h);
    if (SDL_SetWindowFullscreen(winhandle, SDL_WINDOW_FULLSCREEN_DESKTOP) != 0) return 0;
    printf("[MOX] no %d x %d display mode: full screen at the desktop's %d x %d, picture scaled\n", width, height, w,
           h);
    return 1;
}

// Room a window's frame and title take beyond its client area; a guess,
// since a hidden window's borders are not known yet.
enum {
    MOX_FRAMEWIDTH = 32,
    MOX_FRAMEHEIGHT = 80
};

// The client size of a --window window: it fits the desktop's usable area.
static void mox_windowsize(int width, int height, int* w, int* h)
{
    SDL_Rect usable;
    int display = SDL_GetWindowDisplayIndex(winhandle);
    int roomw = 0, roomh = 0;
    if (SDL_GetDisplayUsableBounds(display < 0 ? 0 : display, &usable) == 0) {
        roomw = usable.w - MOX_FRAMEWIDTH;
        roomh = usable.h - MOX_FRAMEHEIGHT;
    }
    mox_fitwindow(width, height, roomw, roomh, w, h);
}

// The entry points the renderer calls beyond OpenGL 1.1.
static int mox_haveentrypoints()
{
    return glCreateShader && glShaderSource && glCompileShader && glCreateProgram && glAttachShader && glLinkProgram &&
           glUseProgram && glGetUniformLocation && glUniform1i && glUniform1f && glActiveTexture &&
           glGenFramebuffersEXT && glBindFramebufferEXT && glFramebufferTexture2DEXT && glCheckFramebufferStatusEXT;
}

void mox_initwindow(int width, int height, int flags)
{
    mox_request(
        [width, height, flags] {
            if (mox_isheadless) {
                // An off-screen surface keeps the size it was made with; the new
                // one keeps the title already set.
                std::string title = winhandle ? SDL_GetWindowTitle(winhandle) : "MOX Application";
                if (winhandle) SDL_DestroyWindow(winhandle);
                int w = width, h = height;
                mox_offscreensize(&w, &h);
                winhandle = mox_createglwindow(title.c_str(), 10, 10, w, h, SDL_WINDOW_HIDDEN);
                mox_setdrawable(w, h);
                return;
            }
            if (!winhandle) return;
            // A window again, also after an earlier call went full screen.
            SDL_SetWindowFullscreen(winhandle, 0);
            SDL_SetWindowBordered(winhandle, SDL_TRUE);
            if (mox_option_window) {
                int w = width, h = height;
                mox_windowsize(width, height, &w, &h);
                SDL_SetWindowSize(winhandle, w, h);
                SDL_SetWindowPosition(winhandle, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
            } else {
                SDL_SetWindowSize(winhandle, width, height);
                SDL_SetWindowPosition(winhandle, 10, 10);
                if ((flags & 1) && !mox_fullscreen(width, height) && !mox_desktopfullscreen(width, height)) {
                    // Neither: the demo plays in a window of its own size.
                    SDL_SetWindowFullscreen(winhandle, 0);
                    SDL_SetWindowSize(winhandle, width, height);
                    SDL_SetWindowPosition(winhandle, 10, 10);
                }
            }
            SDL_ShowWindow(winhandle);
            SDL_RaiseWindow(winhandle);
            mox_updatewindowpos();
            mox_updatedrawable();
        },
        true);

    if (winhandle) {
        hrc = SDL_GL_CreateContext(winhandle);
        if (hrc) {
            SDL_GL_MakeCurrent(winhandle, hrc);
            // Frames wait for the display where there is one (adaptive: a
            // late frame is shown at once); the pacer holds the show's grid
            // whatever the display's rate. Off-screen nothing waits.
            if (mox_headless())
                SDL_GL_SetSwapInterval(0);
            else if (SDL_GL_SetSwapInterval(-1) != 0)
                SDL_GL_SetSwapInterval(1);
        }
    }

    puts("[MOX] Init Glew");
    glewExperimental = GL_TRUE;
    GLenum err = hrc ? glewInit() : GLEW_ERROR_NO_GL_VERSION;
    // Under EGL the loader finds no GLX display although the entry points
    // load; that is success when everything the renderer needs is there.
    if (err == GLEW_ERROR_NO_GLX_DISPLAY && mox_haveentrypoints()) err = GLEW_OK;
    if (err != GLEW_OK) puts("\nError Initing Glew");
    puts("\nReady for GLSL");
    // Without a context nothing was loaded and a shader call would jump
    // through a null pointer: the renderer then keeps to OpenGL 1.1.
    MOX_shaders_enabled = mox_haveentrypoints() ? 1 : 0;
}

void mox_closewindow()
{
    if (winhandle) SDL_GL_MakeCurrent(winhandle, nullptr);
    if (hrc) SDL_GL_DeleteContext(hrc);
    hrc = nullptr;
}

void mox_swapbuffers()
{
    mox_presenting();
    if (winhandle) SDL_GL_SwapWindow(winhandle);
    mox_presented();
}

void mox_syncevents()
{
    mox_request([] {}, true);
}

void MOX_SetTitle(const char* title)
{
    std::string t = title ? title : "";
    mox_request(
        [t] {
            if (winhandle) SDL_SetWindowTitle(winhandle, t.c_str());
        },
        false);
}

uint32_t MOX_GetMillis()
{
    uint32_t ms;
    if (mox_virtualmillis(&ms)) return ms;
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000u + uint64_t(ts.tv_nsec) / 1000000u);
}

void mox_sleep(int ms)
{
    if (ms > 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
    else
        std::this_thread::yield();
}

// --- input, device side ------------------------------------------------------

// SDL keeps no held-key table the engine can read: the one mox_input keeps
// from this backend's own events stands in.
void mox_getkeys(int* table) { mox_heldkeys(table); }

void mox_getmouse(int* cx, int* cy, int* left, int* top)
{
    mox_inputcursor(cx, cy);
    *left = mox_load(mox_window_left);
    *top = mox_load(mox_window_top);
}

void mox_setmouse(int x, int y)
{
    // The position reads back at once, as a warped cursor's does.
    mox_inputcursormoved(x, y);
    mox_request(
        [x, y] {
            if (winhandle && !mox_isheadless) SDL_WarpMouseInWindow(winhandle, x, y);
        },
        false);
}

// The display counter is kept; the cursor stays hidden over the client area
// whatever it says.
void mox_showmouse() { mox_cursorcount++; }
void mox_hidemouse() { mox_cursorcount--; }

int mox_getnumjoysticks() { return SDL_NumJoysticks(); }

static SDL_Joystick* mox_openjoystick(int id)
{
    if (id < 0 || id >= 16) return nullptr;
    SDL_Joystick* j = mox_joysticks[id];
    if (j && SDL_JoystickGetAttached(j)) return j;
    if (j) SDL_JoystickClose(j);
    mox_joysticks[id] = nullptr;
    if (id >= SDL_NumJoysticks()) return nullptr;
    mox_joysticks[id] = SDL_JoystickOpen(id);
    return mox_joysticks[id];
}

int mox_joystickconnected(int id) { return mox_openjoystick(id) != nullptr; }

// The point-of-view value of an SDL hat, in hundredths of degrees clockwise
// from up; 65535 when centred.
static int mox_hatpov(Uint8 hat)
{
    switch (hat) {
    case SDL_HAT_UP: return 0;
    case SDL_HAT_RIGHTUP: return 4500;
    case SDL_HAT_RIGHT: return 9000;
    case SDL_HAT_RIGHTDOWN: return 13500;
    case SDL_HAT_DOWN: return 18000;
    case SDL_HAT_LEFTDOWN: return 22500;
    case SDL_HAT_LEFT: return 27000;
    case SDL_HAT_LEFTUP: return 31500;
    default: return 65535;
    }
}

int mox_polljoystick(int id, int* x, int* y, int* z, int* r, int* buttons)
{
    SDL_Joystick* j = mox_openjoystick(id);
    if (!j) {
        *x = *y = *z = *r = *buttons = 0;
        return 0;
    }
    int count = SDL_JoystickNumButtons(j);
    int layout = count == 10 ? 1 : count == 14 ? 2 : count == 12 ? 4 : count < 0 ? 0 : 3;
    int axes = SDL_JoystickNumAxes(j);
    // SDL's axes run -32768..32767; the engine's device range is 0..65535.
    int* out[4] = {x, y, z, r};
    for (int a = 0; a < 4; a++) {
        int pos = a < axes ? SDL_JoystickGetAxis(j, a) + 32768 : 32767;
        *out[a] = (pos - 32767) >> 8;
    }
    int bits = SDL_JoystickNumHats(j) > 0 ? mox_hatbits(mox_hatpov(SDL_JoystickGetHat(j, 0))) : 0;
    for (int b = 0; b < count && b < 32; b++)
        if (SDL_JoystickGetButton(j, b)) bits |= mox_joybuttonbits(layout, b + 1);
    *buttons = bits;
    return 1;
}
