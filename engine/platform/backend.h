// The contract between the engine and a platform backend, in one place. A
// build links one backend (MOX_BACKEND: driver_sdl.cpp over SDL2,
// driver_win32.cpp over the window and message services, WGL and winmm,
// driver_web.cpp over the browser's page); a new platform is one more file
// that implements the list below, calls back only what this header
// declares, and takes its name in the top CMakeLists.txt's
// MOX_KNOWN_BACKENDS and its sources in engine/platform/CMakeLists.txt.
// What the rest of the engine and programs call of it is declared in
// driver.h; what only a backend implements or calls, here.
//
// Threads: the entry thread runs mox_main, owns the window and handles its
// events; the demo thread runs coremain and every GL call. Window work the
// demo thread asks for (mox_initwindow's shaping and showing, the title,
// the cursor) is carried out by the entry thread; the GL context is made
// current on the demo thread.
//
// A backend implements:
// - the entry (driver.h): int mox_main(argc, argv): reads the options
//   (mox_readoptions), starts the demo thread running coremain, handles
//   window events until coremain returns or the window is closed, and
//   returns the process's exit code (0);
// - the window and context (driver.h): mox_initwindow (on the demo
//   thread: shapes and shows the window, full screen when flags bit 0 is
//   set, a fitted window with --window, an off-screen one of
//   mox_offscreensize when asked; creates the GL context on the calling
//   thread and loads the entry points), mox_closewindow, mox_swapbuffers
//   (on the demo thread: calls mox_presenting() just before the present
//   and mox_presented() once shown), MOX_SetTitle, GetDesktopResolution,
//   mox_headless (rendering off-screen: no display, or mox_offscreenasked())
//   and mox_syncevents;
// - the clock: MOX_GetMillis (driver.h), which answers mox_virtualmillis's
//   reading while the offline clock runs, and mox_sleep (driver.h);
// - the input it reads rather than receives: mox_getkeys, mox_getmouse,
//   mox_setmouse, mox_showmouse, mox_hidemouse below;
// - joysticks: mox_getnumjoysticks, mox_joystickconnected, mox_polljoystick
//   below;
// - MOX_shaders_enabled (driver.h): 1 once the GL entry points are loaded.
// It hands the engine every key, mouse button, cursor move and wheel step
// through mox_input (coreinput.h; mox_inputcursormoved for a cursor it
// moves itself), which alone writes the input state, and calls back the
// shared pieces below: mox_resetinput at entry, mox_presenting and
// mox_presented around each present, mox_setdrawable when the window's
// drawable changes, mox_fitwindow to size a --window window, mox_offscreen*
// for rendering off-screen, mox_heldkeys for a held-key table kept from its
// own events.
#pragma once
#include <cstdint>

#include "engine/platform/coreinput.h"
#include "engine/platform/driver.h"

// Values shared between the entry thread and the demo thread: single ints
// read and written whole, with no ordering between different values. The
// relaxed atomic builtins say exactly that to the compiler and to
// ThreadSanitizer while the tables stay plain ints for the application.
inline int mox_load(const int& v) { return __atomic_load_n(&v, __ATOMIC_RELAXED); }
inline void mox_store(int& v, int value) { __atomic_store_n(&v, value, __ATOMIC_RELAXED); }

// --- what a backend implements ---------------------------------------------------

// Fills 256 entries, by virtual-key code, with 0x8000 for a key held now.
void mox_getkeys(int* table);
// The cursor in client pixels and the window's outer top-left on screen.
void mox_getmouse(int* cx, int* cy, int* left, int* top);
void mox_setmouse(int x, int y);
void mox_showmouse();
void mox_hidemouse();

int mox_getnumjoysticks();
int mox_joystickconnected(int id);
// Axes -128..127 around 0, buttons as logical bits (mox_joybuttonbits,
// mox_hatbits); 0 with everything cleared when the joystick is gone.
int mox_polljoystick(int id, int* x, int* y, int* z, int* r, int* buttons);

// --- what it calls back (frameclock.cpp, coreinput.cpp) ---------------------------

// 1 once mox_setoffscreen(1) asked for rendering without a window shown.
int mox_offscreenasked();
// The size asked for the off-screen window, into *width and *height; left
// as they are when none was asked.
void mox_offscreensize(int* width, int* height);
// The offline clock's reading: 1 and *ms while it is in use, else 0.
int mox_virtualmillis(uint32_t* ms);
// Around a present: mox_presenting() runs the present hook with the
// finished frame in the back buffer, mox_presented() counts the frame.
void mox_presenting();
void mox_presented();
// The window's drawable size, as the window's thread last saw it.
void mox_setdrawable(int width, int height);
// The client size of a --window window for a picture of width x height: at
// most MOX_WINDOWWIDTH wide and within roomw x roomh (what the desktop
// leaves beside the window's frame; 0: no limit known), its shape kept.
enum {
    MOX_WINDOWWIDTH = 1280
};
void mox_fitwindow(int width, int height, int roomw, int roomh, int* w, int* h);
// The mouse values to 0, as the entry does before the demo thread starts.
void mox_resetinput();
// The held keys as mox_input has seen them go down and up, for a backend
// whose platform keeps no such table of its own (mox_getkeys).
void mox_heldkeys(int* table);
// The cursor as the last mouse event left it, in client pixels.
void mox_inputcursor(int* x, int* y);
