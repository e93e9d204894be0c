// The browser backend: the page's canvas with a WebGL 2 context under the
// emulation of the fixed-function pipeline, the page's keys and mouse, the
// browser's clock.
//
// One thread: main runs coremain itself, and each present hands control to
// the browser until its next animation frame (Asyncify unwinds the demo's
// stack and rewinds it then), so the demo's blocking loop stays as it is.
// The page's events arrive while the demo waits there and go straight to
// mox_input. The page (orlem.html) starts main on the first click, or at
// once with ?autostart, and is told when it returns.
#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdio>
#include <cstring>

#include "engine/platform/backend.h"
#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"
#include "engine/platform/moxgl.h"

int MOX_shaders_enabled = 0;

static int mox_havecontext = 0;

// --- the browser's side ------------------------------------------------------

// Until the browser's next animation frame: the frame just drawn is shown
// and the page's events are handled meanwhile.
// The page hears of the first frame once (Module.moxFirstFrame).
EM_ASYNC_JS(void, moxweb_nextframe, (), {
    if (Module['moxFirstFrame']) {
        Module['moxFirstFrame']();
        Module['moxFirstFrame'] = null;
    }
    await new Promise(function(done) { requestAnimationFrame(done); });
});

// The WebGL 2 context on the page's canvas, made current with the
// emulation's set-up run; 1 when made.
EM_JS(int, moxweb_createcontext, (int width, int height), {
    var canvas = Module['canvas'];
    canvas.width = width;
    canvas.height = height;
    var ctx = Module.createContext(canvas, true, true, {majorVersion : 2, depth : true, stencil : true});
    return ctx ? 1 : 0;
});

EM_JS(void, moxweb_settitle, (const char* title), { document.title = UTF8ToString(title); });

// The page learns that the demo has ended (Escape, or its last scene).
EM_JS(void, moxweb_ended, (), {
    if (Module['moxEnded']) Module['moxEnded']();
});

// --- input -----------------------------------------------------------------------

// The page's key codes are the virtual-key codes for letters, digits,
// function keys, arrows and the common keys; a few differ.
static int mox_webvk(const EmscriptenKeyboardEvent* e)
{
    int code = int(e->keyCode);
    if (strcmp(e->code, "NumpadEnter") == 0) return MOX_VK_RETURN;
    // Events made by a script may carry the key's name alone.
    if (code == 0) {
        static const struct {
            const char* name;
            int vk;
        } named[] = {{"Escape", 0x1B},  {"Enter", 0x0D},      {" ", 0x20},        {"ArrowLeft", 0x25},
                     {"ArrowUp", 0x26}, {"ArrowRight", 0x27}, {"ArrowDown", 0x28}};
        for (const auto& n : named)
            if (strcmp(e->key, n.name) == 0) return n.vk;
    }
    switch (code) {
    case 59: return 0xBA;   // ; in Firefox
    case 61: return 0xBB;   // = in Firefox
    case 173: return 0xBD;  // - in Firefox
    case 224: return 0x5B;  // Meta in Firefox
    default: return code > 0 && code < 256 ? code : 0;
    }
}

static int mox_webside(const EmscriptenKeyboardEvent* e)
{
    const bool right = e->location == DOM_KEY_LOCATION_RIGHT;
    switch (e->keyCode) {
    case 16: return right ? 0xA1 : 0xA0;
    case 17: return right ? 0xA3 : 0xA2;
    case 18: return right ? 0xA5 : 0xA4;
    default: return 0;
    }
}

static EM_BOOL mox_webkey(int type, const EmscriptenKeyboardEvent* e, void*)
{
    s_input in = {};
    in.type = MOX_INPUT_KEY;
    in.key = mox_webvk(e);
    if (in.key == 0) return EM_FALSE;
    in.down = type == EMSCRIPTEN_EVENT_KEYDOWN;
    in.side = mox_webside(e);
    in.system = in.key == MOX_VK_MENU || in.key == MOX_VK_F10 || e->altKey;
    mox_input(in);
    // The page keeps its own keys (reload, developer tools) but for those
    // the demo reads.
    return in.key != 0x74 && in.key != 0x7B;
}

// The cursor in the picture's own pixels: the page shows the picture
// scaled to fit the canvas's box with its shape kept, centred.
static void mox_webcursor(const EmscriptenMouseEvent* e, int* x, int* y)
{
    double cw = 0, ch = 0;
    int w = 0, h = 0;
    emscripten_get_element_css_size("#canvas", &cw, &ch);
    emscripten_get_canvas_element_size("#canvas", &w, &h);
    if (cw <= 0 || ch <= 0 || w <= 0 || h <= 0) {
        *x = int(e->targetX), *y = int(e->targetY);
        return;
    }
    const double scale = cw / w < ch / h ? cw / w : ch / h;
    *x = int((e->targetX - (cw - w * scale) / 2) / scale);
    *y = int((e->targetY - (ch - h * scale) / 2) / scale);
}

static EM_BOOL mox_webmouse(int type, const EmscriptenMouseEvent* e, void*)
{
    s_input in = {};
    mox_webcursor(e, &in.x, &in.y);
    if (type == EMSCRIPTEN_EVENT_MOUSEMOVE) {
        in.type = MOX_INPUT_MOUSE;
    } else {
        // The page numbers left 0, middle 1, right 2, then back and forward.
        static const int button[] = {1, 3, 2, 4, 5};
        if (e->button > 4) return EM_FALSE;
        in.type = MOX_INPUT_BUTTON;
        in.key = button[e->button];
        in.down = type == EMSCRIPTEN_EVENT_MOUSEDOWN;
    }
    mox_input(in);
    return EM_TRUE;
}

static EM_BOOL mox_webwheel(int, const EmscriptenWheelEvent* e, void*)
{
    s_input in = {};
    in.type = MOX_INPUT_WHEEL;
    in.steps = e->deltaY < 0 ? 1 : e->deltaY > 0 ? -1 : 0;  // away from the viewer scrolls up
    mox_input(in);
    return EM_TRUE;
}

// --- entry -----------------------------------------------------------------

int mox_main(int argc, char** argv)
{
    int ended = mox_readoptions(&argc, argv);
    if (ended >= 0) return ended;
    mox_resetinput();
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, 1, mox_webkey);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_WINDOW, nullptr, 1, mox_webkey);
    emscripten_set_mousemove_callback("#canvas", nullptr, 1, mox_webmouse);
    emscripten_set_mousedown_callback("#canvas", nullptr, 1, mox_webmouse);
    emscripten_set_mouseup_callback("#canvas", nullptr, 1, mox_webmouse);
    emscripten_set_wheel_callback("#canvas", nullptr, 1, mox_webwheel);
    coremain(argc, argv);
    fflush(stdout);
    moxweb_ended();
    return 0;
}

int main(int argc, char** argv) { return mox_main(argc, argv); }

void GetDesktopResolution(int& width, int& height)
{
    width = EM_ASM_INT({ return screen.width; });
    height = EM_ASM_INT({ return screen.height; });
}

// The page scales the canvas; the picture is always drawn at its own size.
int mox_headless() { return 0; }

// --- window and context ------------------------------------------------------

void mox_initwindow(int width, int height, int)
{
    if (!mox_havecontext) mox_havecontext = moxweb_createcontext(width, height);
    emscripten_set_canvas_element_size("#canvas", width, height);
    mox_setdrawable(width, height);
    if (!mox_havecontext) puts("[MOX] no WebGL 2 context: nothing is drawn");
    MOX_shaders_enabled = mox_havecontext;
}

void mox_closewindow() {}

void mox_swapbuffers()
{
    mox_presenting();
    moxweb_nextframe();
    mox_presented();
}

void mox_syncevents() {}

void MOX_SetTitle(const char* title) { moxweb_settitle(title ? title : ""); }

uint32_t MOX_GetMillis()
{
    uint32_t ms;
    if (mox_virtualmillis(&ms)) return ms;
    return uint32_t(uint64_t(emscripten_get_now()));
}

// The page's one thread yields to its event loop, where the sound plays.
void mox_sleep(int ms) { emscripten_sleep(unsigned(ms > 0 ? ms : 0)); }

// --- input, device side ------------------------------------------------------

void mox_getkeys(int* table) { mox_heldkeys(table); }

void mox_getmouse(int* cx, int* cy, int* left, int* top)
{
    mox_inputcursor(cx, cy);
    *left = *top = 0;
}

// A page cannot move the cursor; the engine's position reads back all the same.
void mox_setmouse(int x, int y) { mox_inputcursormoved(x, y); }

void mox_showmouse() {}
void mox_hidemouse() {}

// Game pads are not read in the browser.
int mox_getnumjoysticks() { return 0; }
int mox_joystickconnected(int) { return 0; }
int mox_polljoystick(int, int* x, int* y, int* z, int* r, int* buttons)
{
    *x = *y = *z = *r = *buttons = 0;
    return 0;
}
